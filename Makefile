# Two commands for a fresh Debian 12 machine, as root:
#   make demo   builds the program and runs it under Wine against local demo services
#   make test   builds everything and runs every test (Wine and native sanitized)
# Both install what is missing first.

BUILD      ?= build
WIN_DIR    := $(BUILD)/win
NATIVE_DIR := $(BUILD)/native
BENCH_DIR  := $(BUILD)/bench
JOBS       ?= $(shell nproc)
WERROR     ?= OFF
# make demo PC=ordinary: the demo PC as an ordinary edition instead of an IoT
# one; ARCH=win32: on a 32-bit Windows instead of a 64-bit one.
# make's own default PC (the Pascal compiler, "pc") is no choice of the user's.
ifeq ($(origin PC),default)
PC         := iot
endif
ARCH       ?= win64

.PHONY: all deps build native win test test-native test-win check-names demo bench fuzz clean

all: build

deps:
	@tools/install-deps

$(NATIVE_DIR)/build.ninja:
	cmake -S . -B $(NATIVE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVTS_WERROR=$(WERROR)

$(WIN_DIR)/build.ninja:
	cmake -S . -B $(WIN_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-i686.cmake \
	  -DVTS_NATIVE_TOOLS_DIR=$(CURDIR)/$(NATIVE_DIR) -DVTS_WERROR=$(WERROR)

native: deps $(NATIVE_DIR)/build.ninja
	cmake --build $(NATIVE_DIR) -j $(JOBS)

win: deps native $(WIN_DIR)/build.ninja
	cmake --build $(WIN_DIR) -j $(JOBS)

build: native win

test-native: native
	cd $(NATIVE_DIR) && ctest --output-on-failure -j $(JOBS)

test-win: win
	tools/wine/run-ctest $(WIN_DIR)

# Data members named in the map's style (docs/ORGANIZATION.md), by clang-tidy.
check-names: native win
	tools/check-names $(WIN_DIR) $(NATIVE_DIR)

test: check-names test-native test-win

demo: deps build
	tools/demo/run-demo --pc $(PC) --arch $(ARCH) $(WIN_DIR) $(NATIVE_DIR)

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
