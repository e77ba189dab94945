#pragma once
// For the Wine-timed benchmarks: the performance counter in seconds, and a
// progress sink that notes when each report came. See support/test_support.h.

#include <windows.h>

#include <string>
#include <vector>

#include "base/progress_sink.h"

namespace test_support {

inline double SecondsNow() {
  LARGE_INTEGER counter;
  LARGE_INTEGER frequency;
  ::QueryPerformanceCounter(&counter);
  ::QueryPerformanceFrequency(&frequency);
  return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

class TimingSink : public IProgressSink {
 public:
  void Report(int percent, const std::wstring&) override {
    times.push_back(SecondsNow());
    percents.push_back(percent);
  }
  std::vector<double> times;
  std::vector<int> percents;
};

}  // namespace test_support
