# Two commands for a fresh Debian 12 machine, as root:
#   make demo   builds the program and runs it under Wine against local demo services
#   make test   builds everything and runs every test (Wine and native sanitized)
# Both install what is missing first, and both first find out whether this
# machine runs 32-bit x86 programs (tools/machine-mode): where it cannot, the
# Wine tests and the demo run the program's 64-bit twin (WIN64_DIR) instead.
# NO_32BIT=1 forces that mode on any machine.

BUILD      ?= build
WIN_DIR    := $(BUILD)/win
# The 64-bit twin of the Windows build: tests only, never delivered.
WIN64_DIR  := $(BUILD)/win64
NATIVE_DIR := $(BUILD)/native
BENCH_DIR  := $(BUILD)/bench
JOBS       ?= $(shell nproc)
WERROR     ?= OFF
# make demo PC=ordinary: the demo PC as an ordinary edition instead of an IoT
# one (PC=iot11: the IoT edition on Windows 11); ARCH=win32: on a 32-bit Windows instead of a 64-bit one.
# make's own default PC (the Pascal compiler, "pc") is no choice of the user's.
ifeq ($(origin PC),default)
PC         := iot
endif
ARCH       ?= win64
NO_32BIT   ?=
export NO_32BIT

.PHONY: all deps build native win win64 test test-native test-win test-win64 check-names demo \
  bench fuzz clean

all: build

deps:
	@tools/install-deps

$(NATIVE_DIR)/build.ninja:
	cmake -S . -B $(NATIVE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVTS_WERROR=$(WERROR)

$(WIN_DIR)/build.ninja:
	cmake -S . -B $(WIN_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-i686.cmake \
	  -DVTS_NATIVE_TOOLS_DIR=$(CURDIR)/$(NATIVE_DIR) -DVTS_WERROR=$(WERROR)

$(WIN64_DIR)/build.ninja:
	cmake -S . -B $(WIN64_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-x86_64.cmake \
	  -DVTS_NATIVE_TOOLS_DIR=$(CURDIR)/$(NATIVE_DIR) -DVTS_WERROR=$(WERROR)

native: deps $(NATIVE_DIR)/build.ninja
	cmake --build $(NATIVE_DIR) -j $(JOBS)

win: deps native $(WIN_DIR)/build.ninja
	cmake --build $(WIN_DIR) -j $(JOBS)

win64: deps native $(WIN64_DIR)/build.ninja
	cmake --build $(WIN64_DIR) -j $(JOBS)

build: native win

test-native: native
	cd $(NATIVE_DIR) && ctest --output-on-failure -j $(JOBS)

test-win: win
	tools/wine/run-ctest $(WIN_DIR)

# The twin's Wine tests under Wine's 64-bit loader alone, in a 64-bit prefix
# without WoW64: they run where 32-bit x86 code cannot.
test-win64: win64
	tools/wine/run-ctest $(WIN64_DIR)

# Data members named in the map's style (docs/ORGANIZATION.md), by clang-tidy.
check-names: native win
	tools/check-names $(WIN_DIR) $(NATIVE_DIR)

# Every stage in turn (tools/run-tests), then the passed, failed and skipped.
test:
	@MAKE="$(MAKE)" JOBS=$(JOBS) tools/run-tests $(BUILD) $(WIN_DIR) $(WIN64_DIR) $(NATIVE_DIR)

demo:
	@MAKE="$(MAKE)" tools/demo/make-demo --pc $(PC) --arch $(ARCH) $(BUILD) $(WIN_DIR) $(WIN64_DIR) $(NATIVE_DIR)

bench: deps win
	cmake -S . -B $(BENCH_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DVTS_SANITIZE=OFF
	cmake --build $(BENCH_DIR) -j $(JOBS)
	tools/run-benchmarks $(BENCH_DIR) $(WIN_DIR)

# Each fuzz target for FUZZ_SECONDS (default 20 s each, about 10 million
# executions in all); `make test` replays the kept corpora natively.
fuzz: deps
	tools/run-fuzz $(CURDIR)/$(BUILD)/fuzz

clean:
	rm -rf $(BUILD)
