#include "sysops/dism.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "base/text_codec.h"
#include "dism_listing.h"
#include "support/fake_console_tools.h"
#include "support/files.h"
#include "support/programs.h"

namespace sysops {
namespace {

// As a 32-bit process sees them: the 64-bit system folder through SYSNATIVE,
// and its own (32-bit) system folder.
const wchar_t k64BitDism[] = L"C:\\windows\\sysnative\\DISM.EXE";
const wchar_t k32BitDism[] = L"C:\\windows\\system32\\DISM.EXE";

// Wine prefers its own DISM.EXE in the system folders unless told otherwise
// (WINEDLLOVERRIDES=dism.exe=n in the test's environment), as Windows would run
// whatever file is there.

class Dism : public ::testing::Test {
 protected:
  void TearDown() override {
    DeleteFileW(record_.c_str());
    for (const std::wstring& file : listing_files_) DeleteFileW(file.c_str());
  }

  // DISM prints `listing` and records how it was called.
  std::string PrintScript(const std::wstring& listing) {
    listing_files_.push_back(test_support::TempFilePath(L"dism"));
    test_support::WriteBytes(listing_files_.back(),
                         codec::Encode(listing, codec::CodePage::kThreadAnsi));
    return RecordScript() + "outfile " + test_support::ToUtf8(listing_files_.back()) + "\n";
  }
  std::string RecordScript() { return "record " + test_support::ToUtf8(record_) + "\n"; }
  std::string Recorded() { return test_support::ReadBytes(record_); }

  int Query(const std::string& script) {
    test_support::ScopedScript scoped(test_support::kDismScriptVariable, script);
    return QueryEmbeddedLogonFeatures();
  }

  std::vector<std::wstring> listing_files_;
  std::wstring record_ = test_support::TempFilePath(L"record");
};

TEST_F(Dism, The64BitToolIsUsedWhereItExists) {
  // For a 64-bit process there is no SYSNATIVE: a fake placed there would be
  // a folder that 64-bit Windows does not have.
  if (!test_support::kThis32Bit) GTEST_SKIP() << test_support::kNeeds32BitProcess;
  test_support::ScopedProgram dism64(test_support::BuiltFakeTool(L"DISM.exe"), k64BitDism);
  ASSERT_TRUE(dism64.ok());
  // In the prefix's Windows folder ("C:\windows"), not a fixed "C:\WINDOWS".
  EXPECT_EQ(L"C:\\windows\\SYSNATIVE\\DISM.EXE", GetDismPath());

  EXPECT_EQ(1, Query(PrintScript(dism_listing::IotListing(L"Enabled", L"Enabled"))));
  EXPECT_EQ("\"C:\\windows\\SYSNATIVE\\DISM.EXE\" /online /Get-Features /English\r\n", Recorded());

  DeleteFileW(record_.c_str());
  {
    test_support::ScopedScript scoped(test_support::kDismScriptVariable,
                                  RecordScript() + "out Deployment Image Servicing\\r\\n\n");
    EnableEmbeddedLogonFeature();
    EnableEmbeddedBootExpFeature();
  }
  EXPECT_EQ(
      "\"C:\\windows\\SYSNATIVE\\DISM.EXE\" /online /Enable-Feature "
      "/FeatureName:Client-EmbeddedLogon /all /NoRestart\r\n"
      "\"C:\\windows\\SYSNATIVE\\DISM.EXE\" /online /Enable-Feature "
      "/FeatureName:Client-EmbeddedBootExp /all /NoRestart\r\n",
      Recorded());
}

TEST_F(Dism, TheSystemFolderIsUsedOtherwise) {
  test_support::ScopedProgram no_dism64(L"", k64BitDism);
  test_support::ScopedProgram dism32(test_support::BuiltFakeTool(L"DISM.exe"), k32BitDism);
  ASSERT_TRUE(no_dism64.ok());
  ASSERT_TRUE(dism32.ok());
  EXPECT_EQ(k32BitDism, GetDismPath());

  EXPECT_EQ(0, Query(PrintScript(dism_listing::IotListing(L"Disabled", L"Enabled"))));
  EXPECT_EQ("\"C:\\windows\\system32\\DISM.EXE\" /online /Get-Features /English\r\n", Recorded());

  DeleteFileW(record_.c_str());
  {
    test_support::ScopedScript scoped(test_support::kDismScriptVariable, RecordScript());
    EnableEmbeddedBootExpFeature();
  }
  EXPECT_EQ(
      "\"C:\\windows\\system32\\DISM.EXE\" /online /Enable-Feature "
      "/FeatureName:Client-EmbeddedBootExp /all /NoRestart\r\n",
      Recorded());
}

TEST_F(Dism, CombinedStateFromWhatDismPrints) {
  test_support::ScopedProgram dism64(test_support::BuiltFakeTool(L"DISM.exe"),
                                     test_support::ExpectedDismProgram());
  ASSERT_TRUE(dism64.ok());
  EXPECT_EQ(1, Query(PrintScript(dism_listing::IotListing(L"Enabled", L"Enabled"))));
  EXPECT_EQ(0, Query(PrintScript(dism_listing::IotListing(L"Enabled", L"Enable Pending"))));
  EXPECT_EQ(-1, Query(PrintScript(dism_listing::ProListing())));
  // Refusal on standard output with exit code 740, and silence.
  EXPECT_EQ(-1, Query("out " + test_support::Escape(test_support::ToUtf8(dism_listing::RefusalText())) +
                      "\nexit 740\n"));
  EXPECT_EQ(-1, Query("exit 87\n"));
  // DISM's progress goes to standard error while the list goes to standard
  // output; both end up in the same text, the list still read.
  EXPECT_EQ(1, Query("err [==========================100.0%==========================]\\r\\n\n" +
                     PrintScript(dism_listing::IotListing(L"Enabled", L"Enabled"))));
}

TEST_F(Dism, NoToolAnywhereMeansCannotTell) {
  test_support::ScopedProgram no_dism64(L"", k64BitDism);
  test_support::ScopedProgram no_dism32(L"", k32BitDism);
  ASSERT_TRUE(no_dism64.ok());
  ASSERT_TRUE(no_dism32.ok());
  EXPECT_EQ(-1, Query(PrintScript(dism_listing::IotListing(L"Enabled", L"Enabled"))));
  EnableEmbeddedLogonFeature();  // must come back, with nothing to run
  EXPECT_EQ("", Recorded());
}

}  // namespace
}  // namespace sysops
