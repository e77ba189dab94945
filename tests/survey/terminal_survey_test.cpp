// The survey on the simulated PC: every display text of every status line,
// the inputs it pre-fills and the reports it makes, arranged through the
// prefix's real registry, files, shortcuts and fake console tools.

#include "survey/terminal_survey.h"

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "simulated_pc.h"
#include "support/fake_console_tools.h"
#include "sysops/command_runner.h"
#include "sysops/dism.h"
#include "sysops/folders.h"
#include "sysops/product_paths.h"
#include "sysops/startup_shortcut.h"

namespace {

using simulated_pc::Edition;
using survey::SurveyOutcome;

const std::wstring kOk = L"OK";
const std::wstring kCross = L"\u00D7";
const std::wstring kNotRegistered = L"( \u672A\u767B\u9332 )";
const std::wstring kNotSet = L"\uFF08 \u672A\u8A2D\u5B9A \uFF09";
const std::wstring kNotInstalled = L"( \u672A\u30A4\u30F3\u30B9\u30C8\u30FC\u30EB \uFF09";
const std::wstring kUnsupported = L"( OS\u672A\u5BFE\u5FDC )";

const wchar_t kVersionKey[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
const wchar_t kWinlogonKey[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
const wchar_t kEmbeddedLogonKey[] =
    L"SOFTWARE\\Microsoft\\Windows\\Windows Embedded\\EmbeddedLogon";
const wchar_t kUnattendKey[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\UnattendSettings";
const wchar_t kUpdatePolicyKey[] = L"SOFTWARE\\Policies\\Microsoft\\Windows\\WindowsUpdate\\AU";

// Reports as the survey makes them.
class RecordingSink : public IProgressSink {
 public:
  void Report(int percent, const std::wstring& text) override {
    reports.emplace_back(percent, text);
  }
  std::vector<std::pair<int, std::wstring>> reports;
};

// The account Windows gives this test, with a name or a lookup of the test's
// choosing.
class ChosenAccount : public survey::ICurrentAccount {
 public:
  bool UserName(std::wstring* name) override {
    if (!has_name) return false;
    *name = this->name;
    return true;
  }
  std::wstring DomainOf(const std::wstring& n) override {
    return windows_lookup ? survey::WindowsAccount().DomainOf(n) : domain;
  }
  bool has_name = true;
  std::wstring name;
  bool windows_lookup = true;
  std::wstring domain;
};

std::wstring CurrentUser() {
  wchar_t name[1024] = {};
  DWORD length = 1024;
  EXPECT_TRUE(::GetUserNameW(name, &length));
  return name;
}

// Windows names a local account's domain after the computer; so does Wine.
std::wstring ComputerName() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD length = MAX_COMPUTERNAME_LENGTH + 1;
  EXPECT_TRUE(::GetComputerNameW(name, &length));
  return name;
}

using test_support::FakeToolsFolder;

// The simulated PC as an IoT edition; the registry as the prefix has it.
class Survey : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    com_ = true;
    ASSERT_TRUE(pc_.ok()) << testing::PrintToString(pc_.failure());
  }
  void TearDown() override {
    if (com_) ::CoUninitialize();
  }
  bool com_ = false;
  simulated_pc::ScopedSimulatedPc pc_{Edition::kIot, FakeToolsFolder()};
  ChosenAccount account_ = [] {
    ChosenAccount a;
    a.name = CurrentUser();
    return a;
  }();
};

TEST_F(Survey, ReportsEachStepAsItBeginsAndTheFullBarLast) {
  RecordingSink sink;
  const SurveyOutcome outcome = survey::RunSurvey(sink);
  EXPECT_EQ(0, outcome.result);
  const std::vector<std::pair<int, std::wstring>> expected = {
      {20, L"OS\u60C5\u5831\u306E\u53D6\u5F97..."},
      {30, L"Windows\u30ED\u30B0\u30A4\u30F3\u60C5\u5831\u78BA\u8A8D\u4E2D..."},
      {40, L"\u30B9\u30BF\u30FC\u30C8\u30A2\u30C3\u30D7\u78BA\u8A8D\u4E2D..."},
      {50, L"\u96FB\u6E90\u60C5\u5831\u53D6\u5F97\u4E2D..."},
      {60, L"\u30ED\u30B0\u30A4\u30F3\u753B\u9762\u60C5\u5831\u53D6\u5F97\u4E2D..."},
      {70, L"WindowsUpdate\u60C5\u5831\u53D6\u5F97\u4E2D..."},
      {90, L"\u30B9\u30C6\u30A4\u30BF\u30B9\u901A\u77E5 \u9001\u4FE1BOX\u60C5\u5831\u53D6\u5F97"
           L"\u4E2D..."},
      {100, L""}};
  EXPECT_EQ(expected, sink.reports);
}

TEST_F(Survey, TheCurrentUserAndTheDomainTheLookupGives) {
  RecordingSink sink;
  const SurveyOutcome outcome = survey::RunSurvey(sink);
  EXPECT_EQ(0, outcome.result);
  EXPECT_EQ(CurrentUser(), outcome.entries.at(1005));
  EXPECT_EQ(ComputerName(), outcome.entries.at(1007));
}

TEST_F(Survey, NoUserNameStopsTheSurveyWithNothingToShow) {
  account_.has_name = false;
  RecordingSink sink;
  const SurveyOutcome outcome = survey::RunSurvey(sink, account_);
  EXPECT_EQ(-1, outcome.result);
  EXPECT_TRUE(outcome.entries.empty());
  EXPECT_FALSE(outcome.send_box_editable);
  ASSERT_EQ(2u, sink.reports.size());
  EXPECT_EQ(30, sink.reports.back().first);
}

}  // namespace
