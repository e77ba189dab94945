// What RunCommandAndCapture costs: processor time while the child is silent,
// and how fast it takes in a great deal of output, each next to a reference:
// the same capture polling without any pause, and a plain blocking ReadFile
// loop on the pipe until its end. Run under Wine; prints one line per figure.

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "base/text_codec.h"
#include "framework/scoped_handle.h"
#include "support/fake_console_tools.h"
#include "sysops/command_runner.h"

namespace {

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Kernel plus user time of this process, in seconds.
double ProcessorSeconds() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  const auto ticks = [](const FILETIME& t) {
    return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  };
  return static_cast<double>(ticks(kernel) + ticks(user)) / 1e7;
}

struct Child {
  fw::ScopedHandle process;
  fw::ScopedHandle reader;
};

// Starts the fake with its output in a fresh pipe; with `keep_write_ends` the
// write ends stay open here (as in the runner), otherwise they are closed so
// that the pipe reports its end when the child is done.
bool Start(const std::wstring& command, bool keep_write_ends, Child& child,
           fw::ScopedHandle& write_end) {
  SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
  fw::ScopedHandle read_end;
  if (!CreatePipe(read_end.put(), write_end.put(), &inheritable, 0)) return false;
  if (!DuplicateHandle(GetCurrentProcess(), read_end.get(), GetCurrentProcess(),
                       child.reader.put(), 0, FALSE, DUPLICATE_SAME_ACCESS)) {
    return false;
  }
  read_end.reset();
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  startup.hStdOutput = write_end.get();
  startup.hStdError = write_end.get();
  std::wstring line = command;
  PROCESS_INFORMATION created = {};
  if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE, CREATE_NEW_CONSOLE, nullptr,
                      nullptr, &startup, &created)) {
    return false;
  }
  CloseHandle(created.hThread);
  child.process.reset(created.hProcess);
  if (!keep_write_ends) write_end.reset();
  return true;
}

// The capture as it would be with no pause between looks into the pipe.
std::size_t BusyPollCapture(const std::wstring& command) {
  Child child;
  fw::ScopedHandle write_end;
  if (!Start(command, true, child, write_end)) return 0;
  std::string captured;
  auto drain = [&] {
    for (;;) {
      DWORD waiting = 0;
      if (!PeekNamedPipe(child.reader.get(), nullptr, 0, nullptr, &waiting, nullptr) ||
          waiting == 0) {
        return;
      }
      const std::size_t before = captured.size();
      captured.resize(before + waiting);
      DWORD read = 0;
      if (!ReadFile(child.reader.get(), &captured[before], waiting, &read, nullptr)) {
        captured.resize(before);
        return;
      }
      captured.resize(before + read);
    }
  };
  while (WaitForSingleObject(child.process.get(), 0) == WAIT_TIMEOUT) drain();
  drain();
  return codec::Decode(captured, codec::CodePage::kThreadAnsi).size();
}

// A blocking ReadFile loop until the pipe reports its end.
std::size_t PlainReadLoop(const std::wstring& command) {
  Child child;
  fw::ScopedHandle write_end;
  if (!Start(command, false, child, write_end)) return 0;
  std::vector<char> buffer(65536);
  std::size_t total = 0;
  DWORD read = 0;
  while (ReadFile(child.reader.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read,
                  nullptr) &&
         read > 0) {
    total += read;
  }
  WaitForSingleObject(child.process.get(), INFINITE);
  return total;
}

// Runs `capture` `runs` times and reports the fastest run: other work on the
// machine only ever slows a run down.
template <typename Capture>
void Measure(const char* what, const std::wstring& command, std::size_t expected_chars,
             Capture capture, int runs = 1) {
  double best_wall = 0, best_cpu = 0;
  bool right_size = true;
  for (int i = 0; i < runs; ++i) {
    LARGE_INTEGER from, to;
    const double cpu_from = ProcessorSeconds();
    QueryPerformanceCounter(&from);
    const std::size_t got = capture(command);
    QueryPerformanceCounter(&to);
    const double cpu = std::max(0.0, ProcessorSeconds() - cpu_from);
    const double wall = Seconds(from, to);
    right_size = right_size && got == expected_chars;
    if (i == 0 || wall < best_wall) {
      best_wall = wall;
      best_cpu = cpu;
    }
  }
  std::printf("%-46s wall %7.3f s  cpu %6.3f s (%5.1f %% of a core)", what, best_wall, best_cpu,
              100.0 * best_cpu / best_wall);
  if (expected_chars > 1000) std::printf("  %6.1f MB/s", expected_chars / best_wall / 1048576.0);
  std::printf("%s\n", right_size ? "" : "  WRONG SIZE");
}

}  // namespace

// Arguments pick the parts to run: "silent" (the runner), "silent-busy" (the
// reference without pause), "loud"; none runs all three.
int main(int argc, char** argv) {
  const std::wstring command = L"\"" + test_support::BuiltFakeTool(L"powercfg.exe") + L"\" /Q";
  const auto wanted = [argc, argv](const char* part) {
    if (argc < 2) return true;
    for (int i = 1; i < argc; ++i) {
      if (std::string(argv[i]) == part) return true;
    }
    return false;
  };

  if (wanted("silent") || wanted("silent-busy")) {
    test_support::ScopedScript silent(test_support::kPowercfgScriptVariable, "sleep 5000\nout done\n");
    std::printf("child silent for 5 s, then 4 bytes:\n");
    if (wanted("silent")) {
      Measure("  RunCommandAndCapture", command, 4,
              [](const std::wstring& c) { return sysops::RunCommandAndCapture(c).size(); });
    }
    if (wanted("silent-busy")) {
      Measure("  reference: polling without pause", command, 4, BusyPollCapture);
    }
  }
  if (wanted("loud")) {
    const std::size_t total = 100u * 1024 * 1024;
    test_support::ScopedScript loud(
        test_support::kPowercfgScriptVariable,
        "fill " + std::to_string(total) + " " +
            test_support::Escape("    Current AC Power Setting Index: 0x00000000\r\n") + "\n");
    std::printf("child prints 100 MB (fastest of 3 runs):\n");
    Measure("  RunCommandAndCapture (incl. decoding)", command, total,
            [](const std::wstring& c) { return sysops::RunCommandAndCapture(c).size(); }, 3);
    Measure("  reference: polling without pause", command, total, BusyPollCapture, 3);
    Measure("  reference: plain ReadFile loop (no decoding)", command, total, PlainReadLoop, 3);
    const std::string bytes(total, 'x');
    Measure("  decoding 100 MB alone", command, total, [&bytes](const std::wstring&) {
      return codec::Decode(bytes, codec::CodePage::kThreadAnsi).size();
    }, 3);
  }
  return 0;
}
