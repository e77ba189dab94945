#pragma once
// A progress sink that keeps every report a survey or a run makes, in order.
// See support/test_support.h.

#include <string>
#include <utility>
#include <vector>

#include "base/progress_sink.h"

namespace test_support {

using Report = std::pair<int, std::wstring>;

class RecordingSink : public IProgressSink {
 public:
  void Report(int percent, const std::wstring& text) override {
    reports.emplace_back(percent, text);
  }
  std::vector<test_support::Report> reports;
};

}  // namespace test_support
