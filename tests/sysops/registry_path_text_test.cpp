#include "sysops/registry_path_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/text_codec.h"

namespace {

using sysops::RegistryHive;
using sysops::SplitRegistryPath;
using sysops::TextFromRegistryData;

TEST(SplitRegistryPath, SplitsHiveKeyAndValue) {
  const auto path = SplitRegistryPath(
      L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProductName");
  ASSERT_TRUE(path);
  EXPECT_EQ(path->hive, RegistryHive::kLocalMachine);
  EXPECT_EQ(path->key_path, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion");
  EXPECT_EQ(path->value_name, L"ProductName");

  const auto user = SplitRegistryPath(L"HKEY_CURRENT_USER\\Software\\Vts\\Name");
  ASSERT_TRUE(user);
  EXPECT_EQ(user->hive, RegistryHive::kCurrentUser);
  EXPECT_EQ(user->key_path, L"Software\\Vts");
  EXPECT_EQ(user->value_name, L"Name");
}

TEST(SplitRegistryPath, OnlyTheExactLocalMachineTextSelectsIt) {
  for (const wchar_t* other :
       {L"hkey_local_machine\\K\\V", L"HKEY_Local_Machine\\K\\V", L"HKLM\\K\\V",
        L" HKEY_LOCAL_MACHINE\\K\\V", L"HKEY_LOCAL_MACHINE \\K\\V", L"HKEY_USERS\\K\\V",
        L"\\K\\V"}) {
    const auto path = SplitRegistryPath(other);
    ASSERT_TRUE(path) << other;
    EXPECT_EQ(path->hive, RegistryHive::kCurrentUser) << other;
    EXPECT_EQ(path->key_path, L"K") << other;
    EXPECT_EQ(path->value_name, L"V") << other;
  }
}

TEST(SplitRegistryPath, EdgesOfTheKeyAndValue) {
  struct Case {
    const wchar_t* path;
    RegistryHive hive;
    const wchar_t* key_path;
    const wchar_t* value_name;
  };
  const Case cases[] = {
      // One backslash: the root key itself.
      {L"HKEY_LOCAL_MACHINE\\Value", RegistryHive::kLocalMachine, L"", L"Value"},
      // Trailing backslash: the key's default value.
      {L"HKEY_CURRENT_USER\\Software\\Vts\\", RegistryHive::kCurrentUser, L"Software\\Vts", L""},
      // Doubled separators stay inside the key path as they are.
      {L"HKEY_CURRENT_USER\\\\A\\\\B", RegistryHive::kCurrentUser, L"\\A\\", L"B"},
      {L"\\", RegistryHive::kCurrentUser, L"", L""},
      // Japanese key and value names pass through untouched.
      {L"HKEY_CURRENT_USER\\\u8a2d\u5b9a\\\u958b\u59cb", RegistryHive::kCurrentUser,
       L"\u8a2d\u5b9a", L"\u958b\u59cb"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.path)));
    const auto path = SplitRegistryPath(c.path);
    ASSERT_TRUE(path);
    EXPECT_EQ(path->hive, c.hive);
    EXPECT_EQ(path->key_path, c.key_path);
    EXPECT_EQ(path->value_name, c.value_name);
  }
}

TEST(SplitRegistryPath, PathsWithoutBackslashNameNothing) {
  EXPECT_FALSE(SplitRegistryPath(L""));
  EXPECT_FALSE(SplitRegistryPath(L"HKEY_LOCAL_MACHINE"));
  EXPECT_FALSE(SplitRegistryPath(L"HKEY_LOCAL_MACHINE/SOFTWARE/Value"));
}

std::vector<std::uint8_t> Terminated(const std::wstring& text) {
  std::vector<std::uint8_t> bytes = codec::ToUtf16LeBytes(text);
  bytes.push_back(0);
  bytes.push_back(0);
  return bytes;
}

std::optional<std::wstring> Read(std::uint32_t type, const std::vector<std::uint8_t>& bytes) {
  return TextFromRegistryData(type, bytes.data(), bytes.size());
}

TEST(TextFromRegistryData, AcceptsTerminatedTextOfBothTextTypes) {
  EXPECT_EQ(Read(sysops::kRegTypeText, Terminated(L"Windows 10 IoT")), L"Windows 10 IoT");
  // Environment references stay as they are.
  EXPECT_EQ(Read(sysops::kRegTypeExpandText, Terminated(L"%SystemRoot%\\x")),
            L"%SystemRoot%\\x");
  EXPECT_EQ(TextFromRegistryData(sysops::kRegTypeText, nullptr, 0), L"");
  EXPECT_EQ(Read(sysops::kRegTypeText, Terminated(L"")), L"");
  // The text ends at its first zero character.
  EXPECT_EQ(Read(sysops::kRegTypeText, Terminated(std::wstring(L"ab\0cd", 5))), L"ab");
}

TEST(TextFromRegistryData, RejectsOtherTypesAndMalformedData) {
  const auto text = Terminated(L"1");
  EXPECT_FALSE(Read(sysops::kRegTypeDword, text));
  EXPECT_FALSE(Read(0 /* REG_NONE */, text));
  EXPECT_FALSE(Read(3 /* REG_BINARY */, text));
  EXPECT_FALSE(Read(7 /* REG_MULTI_SZ */, text));

  // No terminator.
  EXPECT_FALSE(Read(sysops::kRegTypeText, codec::ToUtf16LeBytes(L"abc")));
  // A lone zero byte at the end is half a character, not a terminator.
  auto odd = codec::ToUtf16LeBytes(L"ab");
  odd.push_back(0);
  EXPECT_FALSE(Read(sysops::kRegTypeText, odd));
  // A terminator whose high byte is set is a character.
  auto high = codec::ToUtf16LeBytes(L"ab");
  high.push_back(0);
  high.push_back(0x30);
  EXPECT_FALSE(Read(sysops::kRegTypeText, high));
}

TEST(TextFromRegistryData, HoldsAtMost1023Characters) {
  const std::wstring longest(1023, L'\u3042');
  const auto fits = Terminated(longest);
  ASSERT_EQ(fits.size(), sysops::kMaxRegistryTextBytes);
  EXPECT_EQ(Read(sysops::kRegTypeText, fits), longest);

  EXPECT_FALSE(Read(sysops::kRegTypeText, Terminated(std::wstring(1024, L'x'))));
  // 1024 characters without terminator fill the buffer exactly and still fail.
  EXPECT_FALSE(Read(sysops::kRegTypeText, codec::ToUtf16LeBytes(std::wstring(1024, L'x'))));
}

}  // namespace
