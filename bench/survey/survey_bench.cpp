// What one survey costs under Wine on the simulated PC with the instant fake
// console tools: its wall time, and how that splits over the steps, timed
// from one report to the next (the pause is the time from the 100 % report to
// the return). Prepares the prefix as an IoT edition for the run and puts it
// back afterwards. Prints one line per figure.

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "simulated_pc.h"
#include "support/fake_console_tools.h"
#include "support/timing_sink.h"
#include "survey/terminal_survey.h"

namespace {

using test_support::TimingSink;
const auto& Now = test_support::SecondsNow;

using test_support::FakeToolsFolder;

const char* const kSteps[] = {
    "1 product name (1 registry read)",
    "2 user, account lookup, 4 registry reads",
    "3 start-up shortcuts (COM, folder listing)",
    "4 powercfg /Q (process start)",
    "5 DISM /Get-Features (process start) + up to 4 registry reads",
    "6 gpedit.msc test + 1 registry read",
    "7 send-box settings file, folders, upload marker",
    "8 pause after the full bar",
};

// A reference for steps 4 and 5: starting the fake powercfg where the survey
// finds it and waiting for its end, without pipes or output.
double BareStart() {
  wchar_t line[] = L"powercfg.exe /GETACTIVESCHEME";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION created = {};
  const double start = Now();
  if (!CreateProcessW(nullptr, line, nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE, nullptr,
                      nullptr, &startup, &created)) {
    return -1;
  }
  WaitForSingleObject(created.hProcess, INFINITE);
  const double end = Now();
  CloseHandle(created.hThread);
  CloseHandle(created.hProcess);
  return end - start;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
  CoInitialize(nullptr);
  simulated_pc::ScopedSimulatedPc pc(simulated_pc::Edition::kIot, FakeToolsFolder());
  if (!pc.ok()) {
    std::fprintf(stderr, "cannot prepare the simulated PC\n");
    return 1;
  }
  {
    TimingSink warm;
    survey::RunSurvey(warm);  // the first process starts fill Wine's caches
  }
  std::vector<double> totals;
  std::vector<double> steps(8, 0.0);
  for (int run = 0; run < runs; ++run) {
    TimingSink sink;
    const double start = Now();
    const survey::SurveyOutcome outcome = survey::RunSurvey(sink);
    const double end = Now();
    if (outcome.result != 0 || sink.times.size() != 8) {
      std::fprintf(stderr, "the survey failed\n");
      return 1;
    }
    totals.push_back(end - start);
    for (std::size_t i = 0; i < 8; ++i) {
      steps[i] += (i + 1 < 8 ? sink.times[i + 1] : end) - sink.times[i];
    }
  }
  std::sort(totals.begin(), totals.end());
  double sum = 0;
  for (double t : totals) sum += t;
  std::printf("survey on the simulated IoT PC, %d runs after one warm-up\n", runs);
  std::printf("  wall time per survey: mean %.1f ms, median %.1f ms, min %.1f ms, max %.1f ms\n",
              sum / runs * 1e3, totals[totals.size() / 2] * 1e3, totals.front() * 1e3,
              totals.back() * 1e3);
  for (std::size_t i = 0; i < 8; ++i) {
    std::printf("  step %-62s %7.1f ms\n", kSteps[i], steps[i] / runs * 1e3);
  }
  std::printf("  beyond the pause: %.1f ms\n", (sum - steps[7]) / runs * 1e3);
  double bare = 0;
  for (int run = 0; run < runs; ++run) bare += BareStart();
  std::printf("  reference: one bare start and end of the fake powercfg %.1f ms\n",
              bare / runs * 1e3);
  CoUninitialize();
  return 0;
}
