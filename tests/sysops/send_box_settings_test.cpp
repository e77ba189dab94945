// The send-box settings file through the real profile functions: every value
// of the table comes back as typed, and the file holds what the profile
// functions alone have always made of it.

#include "sysops/send_box_settings.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "base/text_codec.h"
#include "support/files.h"
#include "sysops/product_paths.h"
#include "send_box_values.h"

namespace sysops {
namespace {

using sysops_test::kSendBoxValues;

class SendBoxSettingsFile : public ::testing::Test {
 protected:
  void SetUp() override { ::DeleteFileW(settings_.path().c_str()); }

  // What WritePrivateProfileStringW by itself makes of `before` (no file when
  // null) and the three values: the file as it has always been written.
  std::string ProfileFunctionsAlone(const char* before, const SendBoxSettings& values) {
    const std::wstring file = scratch_ / L"alone.ini";
    ::DeleteFileW(file.c_str());
    if (before && !test_support::WriteBytes(file, before)) return "<cannot write>";
    ::WritePrivateProfileStringW(kSendBoxSection, kSendBoxIdKey,
                                 QuoteForProfile(values.id).c_str(), file.c_str());
    ::WritePrivateProfileStringW(kSendBoxSection, kSendBoxPasswordKey,
                                 QuoteForProfile(values.password).c_str(), file.c_str());
    ::WritePrivateProfileStringW(kSendBoxSection, kProcessGroupKey,
                                 QuoteForProfile(values.group).c_str(), file.c_str());
    return test_support::ReadBytes(file);
  }

  test_support::ScopedFile settings_{GetStatusBoxIniPath()};
  test_support::ScratchFolder scratch_{L"send-box"};
};

TEST_F(SendBoxSettingsFile, EveryValueComesBackAsTyped) {
  for (const auto& value : kSendBoxValues) {
    const std::wstring typed = value.typed;
    SCOPED_TRACE(testing::PrintToString(typed));
    ASSERT_TRUE(WriteSendBoxSettings({typed, L"pw " + typed, typed + L" g"}));
    const SendBoxSettings read = ReadSendBoxSettings();
    EXPECT_EQ(read.id, typed);
    EXPECT_EQ(read.password, L"pw " + typed);
    EXPECT_EQ(read.group, typed + L" g");
    // Stored as the table says, in the ANSI code page.
    const std::string stored =
        "ID=" + codec::Encode(value.stored, codec::CodePage::kThreadAnsi) + "\r\n";
    EXPECT_NE(test_support::ReadBytes(settings_.path()).find(stored), std::string::npos);
  }
}

// Byte for byte what the profile functions make, for a new file and for one
// holding the terminal's own lines and older values.
TEST_F(SendBoxSettingsFile, TheBytesAreTheProfileFunctionsOwn) {
  const char* const befores[] = {
      nullptr,
      "",
      "[MAIN]\r\nID=old\r\nPASS=old\r\nGROUP=old\r\n",
      "; the terminal's\r\n[SEND]\r\nLAST=20261210\r\n[MAIN]\r\nGROUP = old\r\nOTHER=1\r\n",
  };
  const SendBoxSettings values{L"BOX-001", L" box pw ", L"ＰＧ－７"};
  for (const char* before : befores) {
    SCOPED_TRACE(before ? before : "no file");
    ::DeleteFileW(settings_.path().c_str());
    if (before) {
      ASSERT_TRUE(test_support::WriteBytes(settings_.path(), before));
    }
    ASSERT_TRUE(WriteSendBoxSettings(values));
    EXPECT_EQ(test_support::ReadBytes(settings_.path()), ProfileFunctionsAlone(before, values));
  }
  // As measured on the new file under Wine.
  ::DeleteFileW(settings_.path().c_str());
  ASSERT_TRUE(WriteSendBoxSettings({L"BOX-001", L"box-pw", L"PG-7"}));
  EXPECT_EQ(test_support::ReadBytes(settings_.path()),
            "[MAIN]\r\nID=BOX-001\r\nPASS=box-pw\r\nGROUP=PG-7\r\n");
}

TEST_F(SendBoxSettingsFile, NothingIsLeftInTheRunsOwnFolder) {
  ASSERT_TRUE(WriteSendBoxSettings({L"a", L"b", L"c"}));
  const HeldFolder own = HoldPrivateFolder();
  ASSERT_TRUE(own.is_held());
  EXPECT_FALSE(test_support::PathExists(own.PathOf(kStatusBoxIniFileName)));
}

}  // namespace
}  // namespace sysops
