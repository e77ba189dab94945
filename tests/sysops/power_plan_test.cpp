#include "sysops/power_plan.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "base/text_codec.h"
#include "support/fake_console_tools.h"
#include "support/files.h"
#include "support/programs.h"
#include "power_plan_listing.h"

namespace sysops {
namespace {

// Where a 32-bit process finds "powercfg.exe": its system folder, which for it
// is the 32-bit one (syswow64) on 64-bit Windows.
const wchar_t kSystemPowercfg[] = L"C:\\windows\\system32\\powercfg.exe";

const std::wstring kOk = L"OK";
const std::wstring kCross = L"\u00D7";
const std::wstring kDash = L"\uFF0D";

std::wstring Summary(const std::wstring& sleep, const std::wstring& hibernate,
                     const std::wstring& disk, const std::wstring& display) {
  return L"\u30B9\u30EA\u30FC\u30D7 " + sleep + L"\u3000\u4F11\u6B62 " + hibernate +
         L"\u3000\u30C7\u30A3\u30B9\u30AF " + disk +
         L"\u3000\u30C7\u30A3\u30B9\u30D7\u30EC\u30A4 " + display + L"\u3000";
}

class PowerSummary : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(932u, GetACP());
    ASSERT_TRUE(install_.ok());
  }
  void TearDown() override {
    for (const std::wstring& file : listing_files_) DeleteFileW(file.c_str());
    DeleteFileW(record_.c_str());
  }

  // powercfg prints `listing` in code page 932 and records how it was called.
  std::string PrintScript(const std::wstring& listing) {
    listing_files_.push_back(test_support::TempFilePath(L"powercfg"));
    test_support::WriteBytes(listing_files_.back(),
                         codec::Encode(listing, codec::CodePage::kThreadAnsi));
    return "record " + test_support::ToUtf8(record_) + "\noutfile " +
           test_support::ToUtf8(listing_files_.back()) + "\n";
  }

  std::wstring Compose(const std::string& script) {
    test_support::ScopedScript scoped(test_support::kPowercfgScriptVariable, script);
    return ComposePowerSummary();
  }

  test_support::ScopedProgram install_{test_support::BuiltFakeTool(L"powercfg.exe"), kSystemPowercfg};
  std::vector<std::wstring> listing_files_;
  std::wstring record_ = test_support::TempFilePath(L"record");
};

TEST_F(PowerSummary, AllFourVerdictsFromTheJapaneseListing) {
  power_listing::TimeOuts t;
  t.sleep_ac = t.sleep_dc = 0;                 // OK
  t.hibernate_ac = 0, t.hibernate_dc = 0x384;  // ×
  t.disk_ac = t.disk_dc = 0;                   // OK
  t.video_ac = t.video_dc = 0;                 // OK
  EXPECT_EQ(Summary(kOk, kCross, kOk, kOk), Compose(PrintScript(power_listing::Listing(t))));
  EXPECT_EQ("\"C:\\windows\\system32\\powercfg.exe\" /Q\r\n", test_support::ReadBytes(record_));

  t.hibernation_available = false;  // hibernation off: the setting is not listed
  t.disk_dc = 0x258;
  EXPECT_EQ(Summary(kOk, kDash, kCross, kOk), Compose(PrintScript(power_listing::Listing(t))));
}

TEST_F(PowerSummary, AnEnglishListingGivesFourDashes) {
  EXPECT_EQ(Summary(kDash, kDash, kDash, kDash),
            Compose(PrintScript(
                power_listing::Listing(power_listing::TimeOuts(), power_listing::English()))));
}

TEST_F(PowerSummary, FailureTextWhenPowercfgSaysNothingOrIsMissing) {
  const std::wstring failed = L"( \u203B\u53D6\u5F97\u5931\u6557 )";
  EXPECT_EQ(failed, Compose("exit 1\n"));
  test_support::ScopedProgram removed(L"", kSystemPowercfg);
  ASSERT_TRUE(removed.ok());
  EXPECT_EQ(failed, Compose(PrintScript(power_listing::Listing(power_listing::TimeOuts()))));
}

}  // namespace
}  // namespace sysops
