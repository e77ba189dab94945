// What one whole setup run costs under Wine: the local services as the
// prefix's proxy, the simulated IoT PC with its instant fake powercfg and
// DISM, the Depotron stand-ins. The first run finds no Depotron and opens the
// downloaded package; every later one starts the installed updater. Each step
// is timed from its report to the next, the pause from the 100 % report to
// the return. Everything the runs change is put back afterwards.
//
//   setup_bench.exe <services port> [runs]   (bench/setup/run-setup-bench)

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/fake_console_tools.h"
#include "support/timing_sink.h"
#include "support/files.h"
#include "support/fake_depotron.h"
#include "support/local_services.h"
#include "support/terminal_state.h"
#include "setup/setup_run.h"
#include "setup_test_support.h"
#include "simulated_pc.h"
#include "sysops/folders.h"
#include "sysops/product_paths.h"
#include "sysops/startup_shortcut.h"

namespace {

using test_support::TimingSink;
const auto& Now = test_support::SecondsNow;

using test_support::FakeToolsFolder;

const char* StepName(int percent) {
  switch (percent) {
    case 5: return "1 Windows log-on (LogonUserW)";
    case 10: return "2 delivery descriptor (1 HTTP GET)";
    case 20: return "3 send-box check (1 HTTP GET)";
    case 30: return "4 four Winlogon values";
    case 40: return "5 nine powercfg runs (9 process starts)";
    case 50: return "6 policy value, wuauserv stop request";
    case 60: return "7 DISM feature list (1-3 process starts), 4 values";
    case 70: return "8 start-up shortcut (COM shell links)";
    case 75: return "9 send-box settings file (3 profile writes)";
    case 80: return "10 version, two signal files";
    case 90: return "11 hand-over (ShellExecuteEx; 11b: download too)";
    case 100: return "end: pause after the full bar";
    default: return "?";
  }
}

struct RunTimes {
  double total = 0;
  std::vector<std::pair<int, double>> steps;  // percent, seconds
};

bool TimedRun(const setup::SetupInputs& inputs, int expected, RunTimes* times) {
  TimingSink sink;
  setup::WindowsLogonCheck windows;
  const double start = Now();
  const setup::SetupOutcome outcome = setup::RunSetup(sink, inputs, windows);
  const double end = Now();
  if (outcome.result != expected) {
    std::fprintf(stderr, "the run gave %d, not %d\n", outcome.result, expected);
    return false;
  }
  times->total = end - start;
  for (std::size_t i = 0; i < sink.times.size(); ++i) {
    const double next = i + 1 < sink.times.size() ? sink.times[i + 1] : end;
    times->steps.emplace_back(sink.percents[i], next - sink.times[i]);
  }
  return true;
}

void Print(const char* title, const std::vector<RunTimes>& runs) {
  std::vector<double> totals;
  for (const RunTimes& run : runs) totals.push_back(run.total);
  std::sort(totals.begin(), totals.end());
  double sum = 0;
  for (double t : totals) sum += t;
  const double n = static_cast<double>(runs.size());
  std::printf("%s, %zu run(s)\n", title, runs.size());
  std::printf("  wall time per run: mean %.1f ms, median %.1f ms, min %.1f ms, max %.1f ms\n",
              sum / n * 1e3, totals[totals.size() / 2] * 1e3, totals.front() * 1e3,
              totals.back() * 1e3);
  const std::vector<std::pair<int, double>>& shape = runs.front().steps;
  double pause = 0;
  for (std::size_t i = 0; i < shape.size(); ++i) {
    double step = 0;
    for (const RunTimes& run : runs) step += run.steps[i].second;
    step /= n;
    if (shape[i].first == 100) pause = step;
    std::printf("  step %-55s %8.1f ms\n", StepName(shape[i].first), step * 1e3);
  }
  std::printf("  fixed pauses: %.1f ms (the 100 ms after the full bar); the rest: %.1f ms\n",
              pause * 1e3, (sum / n - pause) * 1e3);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: setup_bench <services port> [runs]\n");
    return 2;
  }
  const int port = std::atoi(argv[1]);
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10;
  CoInitialize(nullptr);
  int status = 0;
  {
    test_support::ProxyScope proxy(port);
    simulated_pc::ScopedSimulatedPc pc(simulated_pc::Edition::kIot, FakeToolsFolder());
    test_support::FakeDepotron depotron;
    test_support::TerminalValues saved;
    test_support::ProductFiles files;
    if (!proxy.ok() || !pc.ok() || !depotron.ok()) {
      std::fprintf(stderr, "cannot prepare the proxy, the simulated PC or the Depotron stand-ins\n");
      status = 1;
    } else {
      depotron.Remove();
      // user, domain, password, group, send box, its password, process group
      const setup::SetupInputs inputs{L"terminal", L"BENCH-PC", L"",
                                      L"bench", L"BENCH01", L"bench-pass", L"PG-1"};

      std::vector<RunTimes> first(1);
      std::vector<RunTimes> later(static_cast<std::size_t>(runs));
      if (!TimedRun(inputs, setup::kInstallerStarted, &first[0]) ||
          !test_support::FakeDepotron::WaitForInstallers(60000) || !depotron.Installed()) {
        status = 1;
      }
      // The PC restarted since, as the completion message asks: the features
      // the first run switched on are enabled for the later runs.
      if (status == 0 && !simulated_pc::RestartPc()) status = 1;
      for (int run = 0; status == 0 && run < runs; ++run) {
        if (!TimedRun(inputs, setup::kUpdaterStarted, &later[static_cast<std::size_t>(run)])) {
          status = 1;
        }
      }
      if (status == 0) {
        Print("first run: no Depotron, the package downloaded and opened (cold caches, "
              "features enabled)",
              first);
        Print("later runs: the installed updater started", later);
      }
      test_support::FakeDepotron::StopUpdaters();
      depotron.Remove();
    }
  }
  CoUninitialize();
  return status;
}
