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
#include "support/com.h"
#include "support/path_absence.h"
#include "support/recording_sink.h"
#include "support/test_support.h"
#include "sysops/dism.h"
#include "sysops/folders.h"
#include "sysops/product_paths.h"
#include "sysops/startup_shortcut.h"
#include "survey_test_support.h"
#include "sysops_test_support.h"

namespace {

using simulated_pc::Edition;
using survey::SurveyOutcome;
using test_support::RecordingSink;
using test_support::ScopedFile;
using test_support::ScopedRegistryValue;

using namespace survey_test;

// The user Windows gives the test unless the test names another or none;
// the domain is Windows' own lookup of the name.
class ChosenAccount : public survey::ICurrentAccount {
 public:
  bool UserName(std::wstring* name) override {
    if (!has_name) return false;
    *name = this->name;
    return true;
  }
  std::wstring DomainOf(const std::wstring& n) override {
    return survey::WindowsAccount().DomainOf(n);
  }
  bool has_name = true;
  std::wstring name = CurrentUser();
};

std::wstring UpperCase(std::wstring text) {
  ::CharUpperBuffW(&text[0], static_cast<DWORD>(text.size()));
  return text;
}

std::wstring StartupFolder() { return sysops::GetSpecialFolder(CSIDL_COMMON_STARTUP); }

// The bytes of a shortcut to `target`, made by the program's own shell-link
// code in a scratch folder.
std::string ShortcutBytes(const std::wstring& target) {
  test_support::ScratchFolder scratch;
  sysops::SaveShortcut(scratch / L"made.lnk", target);
  return test_support::ReadBytes(scratch / L"made.lnk");
}

// Every value the survey reads, absent unless a test sets it, and each put
// back afterwards; the simulated PC as an IoT edition unless a test makes
// another; the send-box settings file, the upload marker and the all-users
// Startup folder absent (Windows makes the folder anew when it is asked for).
class Survey : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(com_.ok());
    MakePc(Edition::kIot);
    ASSERT_TRUE(values_.RemoveAll());
    ASSERT_TRUE(settings_.ok() && marker_.ok() && startup_.ok());
  }
  void TearDown() override { pc_.reset(); }

  void MakePc(Edition edition) {
    pc_.reset();
    pc_ = std::make_unique<simulated_pc::ScopedSimulatedPc>(
        edition, test_support::FakeToolsFolder());
    ASSERT_TRUE(pc_->ok()) << testing::PrintToString(pc_->failure());
  }

  SurveyOutcome Run() {
    RecordingSink sink;
    SurveyOutcome outcome = survey::RunSurvey(sink, account_);
    EXPECT_EQ(0, outcome.result);
    return outcome;
  }
  std::wstring Entry(std::uint32_t id) {
    SurveyOutcome outcome = Run();
    const auto found = outcome.entries.find(id);
    return found == outcome.entries.end() ? L"<none>" : found->second;
  }

  test_support::ScopedCom com_;
  std::unique_ptr<simulated_pc::ScopedSimulatedPc> pc_;
  ChosenAccount account_;
  test_support::ScopedMachineValue product_name_{sysops::kProductName};
  TerminalValues values_;
  ScopedFile settings_{sysops::GetStatusBoxIniPath()};
  ScopedFile marker_{sysops::GetUploadMarkerPath()};
  test_support::ScopedAbsence startup_{StartupFolder()};
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

TEST_F(Survey, EntersEveryControlOnceWithTheDeliveryGroupEmpty) {
  ASSERT_TRUE(values_.StoreLogon(L"1", L"secret"));
  const SurveyOutcome outcome = Run();
  std::vector<std::uint32_t> ids;
  for (const auto& entry : outcome.entries) ids.push_back(entry.first);
  EXPECT_EQ((std::vector<std::uint32_t>{1001, 1002, 1003, 1004, 1005, 1006, 1007, 1012, 1013,
                                        1014, 1015, 1016, 1017}),
            ids);
  EXPECT_EQ(L"", outcome.entries.at(1001));
}

struct OsNameCase {
  Edition edition;
  const wchar_t* product_name;  // both null: a fresh simulated PC of the edition as it comes;
  const wchar_t* build_number;  // else both set on it ("<none>": no value)
  const wchar_t* shown;
};

TEST_F(Survey, ProductNameAsStoredButWindows11ByItsBuild) {
  const OsNameCase cases[] = {
      {Edition::kIot, nullptr, nullptr, L"Windows 10 IoT Enterprise"},
      {Edition::kOrdinary, nullptr, nullptr, L"Windows 10 Pro"},
      {Edition::kIotOnWindows11, nullptr, nullptr, L"Windows 11 IoT Enterprise"},
      {Edition::kIotOnWindows11, L"Windows 10 IoT Enterprise LTSC", L"26100",
       L"Windows 11 IoT Enterprise LTSC"},
      {Edition::kIotOnWindows11, L"Windows 10 IoT Enterprise", L"<none>", L"Windows 10 IoT Enterprise"},
      {Edition::kIotOnWindows11, L"<none>", L"22631", L""},
  };
  // The reading of the build number itself is the native table's
  // (os_name_text_test); here: the values the survey reads, and the simulated
  // PC. The survey reads the 64-bit view, where the simulated PC writes too.
  test_support::ScopedMachineValue build_number(sysops::kCurrentBuildNumber);
  for (const OsNameCase& c : cases) {
    if (!c.product_name) {
      MakePc(c.edition);
    } else {
      for (const auto& [value, text] : {std::pair{&product_name_, c.product_name},
                                        std::pair{&build_number, c.build_number}}) {
        ASSERT_TRUE(std::wstring(text) == L"<none>" ? value->Remove() : value->SetString(text));
      }
    }
    EXPECT_EQ(c.shown, Entry(1012)) << testing::PrintToString(std::wstring(c.shown));
  }
}

TEST_F(Survey, TheCurrentUserAndTheDomainTheLookupGives) {
  RecordingSink sink;
  const SurveyOutcome outcome = survey::RunSurvey(sink);
  EXPECT_EQ(CurrentUser(), outcome.entries.at(1005));
  EXPECT_EQ(ComputerName(), outcome.entries.at(1007));
}

struct LogonCase {
  const wchar_t* auto_admin_logon;  // null: no value
  const wchar_t* password;
  const wchar_t* status;
};

TEST_F(Survey, AutoLogonOfTheCurrentUserByItsSwitchAndPassword) {
  const LogonCase cases[] = {
      {L"1", L"secret", L"OK"},          {L" 1", L"secret", L"OK"},
      {L"-1", L"secret", L"OK"},         {L"12abc", L"secret", L"OK"},
      {L"0", L"secret", nullptr},        {L"x", L"secret", nullptr},
      {L"", L"secret", nullptr},         {nullptr, L"secret", nullptr},
      {L"1", L"", nullptr},
  };
  for (const LogonCase& c : cases) {
    ASSERT_TRUE(values_.StoreLogon(c.auto_admin_logon ? c.auto_admin_logon : L"", c.password));
    if (!c.auto_admin_logon) {
      ASSERT_TRUE(values_.auto_admin_logon.Remove());
    }
    const SurveyOutcome outcome = Run();
    const std::wstring label = c.auto_admin_logon ? c.auto_admin_logon : L"<missing>";
    EXPECT_EQ(c.status ? c.status : kNotRegistered, outcome.entries.at(1013))
        << testing::PrintToString(label);
    // The stored password is the current user's, so it is pre-filled,
    // empty or not, whatever the switch says.
    ASSERT_EQ(1u, outcome.entries.count(1006)) << testing::PrintToString(label);
    EXPECT_EQ(c.password, outcome.entries.at(1006));
  }
}

TEST_F(Survey, AnotherStoredLogonLeavesThePasswordInputAlone) {
  const std::wstring user = CurrentUser();
  const std::wstring computer = ComputerName();
  // Another user, or another log-on destination, stored for the log-on.
  const std::pair<ScopedRegistryValue*, std::wstring> others[] = {
      {&values_.default_user, UpperCase(user) == user ? user + L"x" : UpperCase(user)},
      {&values_.default_user, L"terminal-" + user},
      {&values_.default_user, L""},
      {&values_.default_domain, L"OTHER-PC"},
      {&values_.default_domain,
       UpperCase(computer) == computer ? L"x" + computer : UpperCase(computer)},
      {&values_.default_domain, L""},
  };
  for (const auto& [value, other] : others) {
    ASSERT_TRUE(values_.StoreLogon(L"1", L"secret"));
    ASSERT_TRUE(value->SetString(other));
    const SurveyOutcome outcome = Run();
    EXPECT_EQ(kNotRegistered, outcome.entries.at(1013)) << testing::PrintToString(other);
    EXPECT_EQ(0u, outcome.entries.count(1006)) << testing::PrintToString(other);
  }
}

TEST_F(Survey, ALookupThatFailsLeavesTheDomainEmpty) {
  // Wine's account lookup fails for a name it has no account for, as Windows'.
  account_.name = L"vts-nobody-" + test_support::UniqueName(L"user");
  ASSERT_TRUE(values_.StoreLogon(L"1", L"secret"));
  ASSERT_TRUE(values_.default_user.SetString(account_.name));
  SurveyOutcome outcome = Run();
  EXPECT_EQ(account_.name, outcome.entries.at(1005));
  EXPECT_EQ(L"", outcome.entries.at(1007));
  EXPECT_EQ(kNotRegistered, outcome.entries.at(1013));

  // With no stored domain either, the empty texts are equal.
  ASSERT_TRUE(values_.default_domain.SetString(L""));
  outcome = Run();
  EXPECT_EQ(kOk, outcome.entries.at(1013));
  EXPECT_EQ(L"secret", outcome.entries.at(1006));
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

TEST_F(Survey, TerminalProgramAtStartUpUnderAnyShortcutName) {
  EXPECT_EQ(kNotRegistered, Entry(1014));
  ScopedFile program(sysops::GetTerminalProgramPath(), "");
  ASSERT_TRUE(program.ok());
  const std::string to_terminal = ShortcutBytes(sysops::GetTerminalProgramPath());
  {
    ScopedFile link(StartupFolder() + L"\\Varnel \u30BF\u30FC\u30DF\u30CA\u30EB.lnk",
                    to_terminal);
    ASSERT_TRUE(link.ok());
    EXPECT_EQ(kOk, Entry(1014));
  }
  {
    ScopedFile link(StartupFolder() + L"\\" + test_support::UniqueName(L"terminal") + L".lnk",
                    to_terminal);
    ASSERT_TRUE(link.ok());
    EXPECT_EQ(kOk, Entry(1014));
  }
  ScopedFile elsewhere(StartupFolder() + L"\\" + test_support::UniqueName(L"copy") + L".lnk",
                       ShortcutBytes(L"C:\\Varnel\\VarnelTerminal.exe"));
  ASSERT_TRUE(elsewhere.ok());
  EXPECT_EQ(kNotRegistered, Entry(1014));
}

TEST_F(Survey, PowerFromTheActivePlanBeforeAndAfterItsTimeOutsAreOff) {
  EXPECT_EQ(PowerLine(kCross), Entry(1015));
  RunSetupPowerCommands();
  EXPECT_EQ(PowerLine(kOk), Entry(1015));

  test_support::ScopedScript silent(test_support::kPowercfgScriptVariable, "exit 1\n");
  ASSERT_TRUE(silent.ok());
  EXPECT_EQ(L"( \u203B\u53D6\u5F97\u5931\u6557 )", Entry(1015));
}

TEST_F(Survey, WindowsUpdateByThePolicyWhereTheEditionHasTheEditor) {
  EXPECT_EQ(kCross, Entry(1016)) << "no policy value";
  ASSERT_TRUE(values_.no_auto_update.SetDword(1));
  EXPECT_EQ(kOk, Entry(1016));
  ASSERT_TRUE(values_.no_auto_update.SetDword(2));
  EXPECT_EQ(kCross, Entry(1016));
  ASSERT_TRUE(values_.no_auto_update.SetString(L"1"));
  EXPECT_EQ(kCross, Entry(1016)) << "a text is no number";

  MakePc(Edition::kOrdinary);
  ASSERT_TRUE(values_.no_auto_update.SetDword(1));
  EXPECT_EQ(kUnsupported, Entry(1016));
}

TEST_F(Survey, LogonScreenByTheFeaturesAndTheFourValues) {
  ASSERT_TRUE(values_.branding_neutral.SetDword(1));
  ASSERT_TRUE(values_.hide_auto_logon_ui.SetDword(1));
  ASSERT_TRUE(values_.hide_first_logon_animation.SetDword(1));
  ASSERT_TRUE(values_.hide_boot_logo.SetDword(2));
  EXPECT_EQ(kNotInstalled, Entry(1017)) << "the values count only with the features";

  sysops::EnableEmbeddedLogonFeature();
  ASSERT_TRUE(simulated_pc::RestartPc());
  EXPECT_EQ(kNotInstalled, Entry(1017)) << "one of the two features";
  sysops::EnableEmbeddedBootExpFeature();
  EXPECT_EQ(kNotInstalled, Entry(1017)) << "a feature waiting for the restart";
  ASSERT_TRUE(simulated_pc::RestartPc());
  EXPECT_EQ(kOk, Entry(1017)) << "HideBootLogo passes with any number but 0";

  ASSERT_TRUE(values_.hide_boot_logo.Remove());
  EXPECT_EQ(kNotSet, Entry(1017));
  ASSERT_TRUE(values_.hide_boot_logo.SetDword(0));
  EXPECT_EQ(kNotSet, Entry(1017));
  ASSERT_TRUE(values_.hide_boot_logo.SetDword(1));
  for (ScopedRegistryValue* value :
       {&values_.branding_neutral, &values_.hide_auto_logon_ui, &values_.hide_first_logon_animation}) {
    ASSERT_TRUE(value->SetDword(2));
    EXPECT_EQ(kNotSet, Entry(1017)) << "each of the first three must be exactly 1";
    ASSERT_TRUE(value->SetDword(1));
  }
  EXPECT_EQ(kOk, Entry(1017));

  for (ScopedRegistryValue* value : {&values_.branding_neutral, &values_.hide_auto_logon_ui,
                                     &values_.hide_first_logon_animation, &values_.hide_boot_logo}) {
    ASSERT_TRUE(value->Remove());
  }
  EXPECT_EQ(kNotSet, Entry(1017)) << "features installed, nothing set";

  MakePc(Edition::kOrdinary);
  EXPECT_EQ(kUnsupported, Entry(1017));
}

TEST_F(Survey, SendBoxFromItsSettingsFileAndTheUploadMarker) {
  {
    ScopedFile settings(sysops::GetStatusBoxIniPath(),
                        "[MAIN]\r\nID=BOX-0042\r\nPASS=p@ss word\r\nGROUP=PG-7\r\n");
    ASSERT_TRUE(settings.ok());
    const SurveyOutcome outcome = Run();
    EXPECT_EQ(L"BOX-0042", outcome.entries.at(1002));
    EXPECT_EQ(L"p@ss word", outcome.entries.at(1003));
    EXPECT_EQ(L"PG-7", outcome.entries.at(1004));
    EXPECT_TRUE(outcome.send_box_editable);
  }
  {
    ScopedFile settings(sysops::GetStatusBoxIniPath(), "[OTHER]\r\nID=BOX-1\r\n[MAIN]\r\nID=B\r\n");
    ScopedFile marker(sysops::GetUploadMarkerPath(), "");
    ASSERT_TRUE(settings.ok() && marker.ok());
    const SurveyOutcome outcome = Run();
    EXPECT_EQ(L"B", outcome.entries.at(1002));
    EXPECT_EQ(L"", outcome.entries.at(1003));
    EXPECT_EQ(L"", outcome.entries.at(1004));
    EXPECT_FALSE(outcome.send_box_editable) << "an upload is pending";
  }
  const SurveyOutcome outcome = Run();
  EXPECT_EQ(L"", outcome.entries.at(1002));
  EXPECT_TRUE(outcome.send_box_editable);
}

TEST_F(Survey, APcWithoutTheStatusBoxFolderGetsItOpenToEverybody) {
  const std::wstring varnel =
      sysops::AppendPath(sysops::GetSpecialFolder(CSIDL_COMMON_APPDATA), L"Varnel");
  test_support::ScopedAbsence no_varnel(varnel);
  ASSERT_TRUE(no_varnel.ok());
  ASSERT_FALSE(test_support::PathExists(varnel));

  const SurveyOutcome outcome = Run();
  EXPECT_EQ(L"", outcome.entries.at(1002));
  EXPECT_EQ(L"", outcome.entries.at(1003));
  EXPECT_EQ(L"", outcome.entries.at(1004));
  EXPECT_TRUE(outcome.send_box_editable);
  ASSERT_TRUE(test_support::IsFolder(varnel + L"\\Tolvik"));
  sysops_test::ExpectOpenToEveryone(varnel);
  sysops_test::ExpectOpenToEveryone(varnel + L"\\Tolvik");
}

}  // namespace
