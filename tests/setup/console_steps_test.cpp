// The two steps of the run that drive console tools, against the scripted
// fake powercfg and DISM placed where Windows keeps the real ones: which
// commands run, in which order, and what the log-on screen step writes for
// each answer of the feature list. The prefix's values are put back.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <cstdint>
#include <utility>

#include "base/text_codec.h"
#include "dism_listing.h"
#include "support/fake_console_tools.h"
#include "support/files.h"
#include "support/programs.h"
#include "setup/setup_run.h"
#include "setup_test_support.h"
#include "sysops/registry.h"
#include "sysops/terminal_values.h"

namespace {

using setup_test::FixedLogon;
using setup_test::RecordingSink;
using setup_test::SavedMachineValue;

std::uint32_t MachineDword(const sysops::MachineValue& value) {
  return sysops::ReadRegistryDword(sysops::MachinePath(value));
}

class ConsoleSteps : public ::testing::Test {
 protected:
  // The log-on screen values start absent; the saved ones come back after.
  void SetUp() override {
    for (SavedMachineValue* value : {&branding_, &hide_ui_, &hide_animation_, &boot_logo_}) {
      ASSERT_TRUE(value->Remove());
    }
  }
  void TearDown() override {
    ::DeleteFileW(record_.c_str());
    ::DeleteFileW(listing_.c_str());
  }
  std::string RecordScript() const { return "record " + test_support::ToUtf8(record_) + "\n"; }
  std::string Recorded() const { return test_support::ReadBytes(record_); }
  // DISM prints `listing` for every command and records how it was called.
  std::string ListingScript(const std::wstring& listing) {
    test_support::WriteBytes(listing_, codec::Encode(listing, codec::CodePage::kThreadAnsi));
    return RecordScript() + "outfile " + test_support::ToUtf8(listing_) + "\n";
  }
  void AdjustLogonScreen(const std::wstring& listing) {
    test_support::ScopedScript script(test_support::kDismScriptVariable, ListingScript(listing));
    setup::CSetupRun run(sink_, inputs_, logon_);
    run.AdjustLogonScreen();
  }
  static bool AllFourWritten() {
    for (const sysops::MachineValue& value : sysops::kLogonScreenValues) {
      if (MachineDword(value) != 1) return false;
    }
    return true;
  }

  test_support::ScopedProgram powercfg_{test_support::BuiltFakeTool(L"powercfg.exe"),
                                        L"C:\\windows\\system32\\powercfg.exe"};
  // Where this process runs DISM from: SYSNATIVE under WoW64, else the system
  // folder.
  test_support::ScopedProgram dism_{test_support::BuiltFakeTool(L"DISM.exe"),
                                    test_support::ExpectedDismProgram()};
  const std::string dism_command_ = "\"" + test_support::ToUtf8(dism_.path()) + "\" ";
  SavedMachineValue branding_{sysops::kBrandingNeutral};
  SavedMachineValue hide_ui_{sysops::kHideAutoLogonUI};
  SavedMachineValue hide_animation_{sysops::kHideFirstLogonAnimation};
  SavedMachineValue boot_logo_{sysops::kHideBootLogo};
  std::wstring record_ = test_support::TempFilePath(L"record");
  std::wstring listing_ = test_support::TempFilePath(L"listing");
  RecordingSink sink_;
  FixedLogon logon_{true};
  setup::SetupInputs inputs_;
};

TEST_F(ConsoleSteps, PowerRunsTheNineCommandsInOrderWhateverTheyAnswer) {
  ASSERT_TRUE(powercfg_.ok());
  test_support::ScopedScript script(test_support::kPowercfgScriptVariable,
                                RecordScript() + "err Invalid parameters\\r\\nexit 1\n");
  setup::CSetupRun run(sink_, inputs_, logon_);
  run.ApplyPowerSettings();
  // Each by its full path in the system folder, never by the bare name.
  std::string expected;
  for (const char* arguments :
       {"-setactive SCHEME_MIN", "/x /monitor-timeout-ac 0", "/x /monitor-timeout-dc 0",
        "/x /standby-timeout-ac 0", "/x /standby-timeout-dc 0", "/x /hibernate-timeout-ac 0",
        "/x /hibernate-timeout-dc 0", "/x /disk-timeout-ac 0", "/x /disk-timeout-dc 0"}) {
    expected += std::string("\"C:\\windows\\system32\\powercfg.exe\" ") + arguments + "\r\n";
  }
  EXPECT_EQ(Recorded(), expected);
  EXPECT_EQ(sink_.reports,
            (std::vector<setup_test::Report>{{40, L"電源設定 変更中..."}}));
}

TEST_F(ConsoleSteps, FeaturesAlreadyEnabledAreNotEnabledAgain) {
  ASSERT_TRUE(dism_.ok());
  AdjustLogonScreen(dism_listing::IotListing(L"Enabled", L"Enabled"));
  EXPECT_EQ(Recorded(), dism_command_ + "/online /Get-Features /English\r\n");
  EXPECT_TRUE(AllFourWritten());
  EXPECT_EQ(sink_.reports,
            (std::vector<setup_test::Report>{{60, L"ログイン画面の調整 設定中..."}}));
}

TEST_F(ConsoleSteps, FeaturesNotAllEnabledAreEnabledThenTheValuesWritten) {
  ASSERT_TRUE(dism_.ok());
  AdjustLogonScreen(dism_listing::IotListing(L"Enabled", L"Disabled"));
  EXPECT_EQ(Recorded(),
            dism_command_ + "/online /Get-Features /English\r\n" + dism_command_ +
                "/online /Enable-Feature /FeatureName:Client-EmbeddedLogon /all /NoRestart\r\n" +
                dism_command_ +
                "/online /Enable-Feature /FeatureName:Client-EmbeddedBootExp /all /NoRestart\r\n");
  EXPECT_TRUE(AllFourWritten());
}

TEST_F(ConsoleSteps, WithoutTheFeaturesNothingChanges) {
  ASSERT_TRUE(dism_.ok());
  for (const std::wstring& listing : {dism_listing::ProListing(), std::wstring()}) {
    ::DeleteFileW(record_.c_str());
    AdjustLogonScreen(listing);
    EXPECT_EQ(Recorded(), dism_command_ + "/online /Get-Features /English\r\n");
    EXPECT_EQ(MachineDword(sysops::kBrandingNeutral), 0u);
    EXPECT_EQ(MachineDword(sysops::kHideBootLogo), 0u);
  }
}

}  // namespace
