// The registry operations against the registry Wine provides. Every test
// works below a key of its own (HKCU\Software\<unique>, HKLM\SOFTWARE\<unique>)
// and removes it from both registry views afterwards.

#include "sysops/registry.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "framework/scoped_handle.h"
#include "support/programs.h"
#include "support/registry.h"
#include "support/unique_name.h"

namespace {

using sysops::ReadRegistryDword;
using sysops::ReadRegistryString;
using sysops::WriteRegistryDword;
using sysops::WriteRegistryOneText;
using sysops::WriteRegistryString;

using test_support::DeleteKeyTree;
using test_support::KeyExists;
using test_support::QueryRaw;
using test_support::RawValue;
using test_support::SetRaw;
using test_support::UniqueName;

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Named first: TearDown removes the keys below the name whatever happens,
    // and without one it would remove all of SOFTWARE.
    name_ = UniqueName(L"VtsRegistryTest");
    // The test prefix is 64-bit: a 32-bit test meets WoW64 there, the 64-bit
    // twin's test has the 64-bit view as its own.
    BOOL wow64 = FALSE;
    ASSERT_TRUE(::IsWow64Process(::GetCurrentProcess(), &wow64));
    ASSERT_EQ(wow64 != FALSE, test_support::kThis32Bit)
        << "the test prefix is 64-bit; a 32-bit test must run under WoW64, a 64-bit one without";
  }
  void TearDown() override {
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
      DeleteKeyTree(HKEY_CURRENT_USER, UserKey(), view);
      DeleteKeyTree(HKEY_LOCAL_MACHINE, MachineKey(), view);
    }
  }

  std::wstring UserKey() const { return L"Software\\" + name_; }
  std::wstring MachineKey() const { return L"SOFTWARE\\" + name_; }
  std::wstring UserPath(const std::wstring& rest) const {
    return L"HKEY_CURRENT_USER\\" + UserKey() + L"\\" + rest;
  }
  std::wstring MachinePath(const std::wstring& rest) const {
    return L"HKEY_LOCAL_MACHINE\\" + MachineKey() + L"\\" + rest;
  }

  std::wstring name_;
};

TEST_F(RegistryTest, WritesEachKindWithItsTypeAndReadsItBack) {
  const std::wstring text = L"\u8a2d\u5b9a\u958b\u59cb user";
  ASSERT_TRUE(WriteRegistryString(UserPath(L"Deeper\\Still\\Text"), text));
  EXPECT_EQ(ReadRegistryString(UserPath(L"Deeper\\Still\\Text"), L"default"), text);
  RawValue raw = QueryRaw(HKEY_CURRENT_USER, UserKey() + L"\\Deeper\\Still", L"Text",
                          KEY_WOW64_64KEY);
  ASSERT_EQ(raw.status, ERROR_SUCCESS);
  EXPECT_EQ(raw.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(raw.bytes.size(), (text.size() + 1) * 2);  // with its terminator

  ASSERT_TRUE(WriteRegistryOneText(UserPath(L"AutoAdminLogon")));
  raw = QueryRaw(HKEY_CURRENT_USER, UserKey(), L"AutoAdminLogon", KEY_WOW64_64KEY);
  ASSERT_EQ(raw.status, ERROR_SUCCESS);
  EXPECT_EQ(raw.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(raw.bytes, (std::vector<BYTE>{'1', 0, 0, 0}));

  ASSERT_TRUE(WriteRegistryDword(UserPath(L"Number"), 0x12345678u));
  raw = QueryRaw(HKEY_CURRENT_USER, UserKey(), L"Number", KEY_WOW64_64KEY);
  ASSERT_EQ(raw.status, ERROR_SUCCESS);
  EXPECT_EQ(raw.type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(raw.bytes, (std::vector<BYTE>{0x78, 0x56, 0x34, 0x12}));
  EXPECT_EQ(ReadRegistryDword(UserPath(L"Number")), 0x12345678u);

  ASSERT_TRUE(WriteRegistryDword(UserPath(L"Number"), 0xFFFFFFFFu));
  EXPECT_EQ(ReadRegistryDword(UserPath(L"Number")), 0xFFFFFFFFu);

  // An empty text is still a value.
  ASSERT_TRUE(WriteRegistryString(UserPath(L"Empty"), std::wstring()));
  EXPECT_EQ(ReadRegistryString(UserPath(L"Empty"), L"default"), L"");
}

TEST_F(RegistryTest, WriteWithoutTextCreatesTheKeyButNoValue) {
  EXPECT_FALSE(WriteRegistryString(UserPath(L"New\\Value"), std::nullopt));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, UserKey() + L"\\New", KEY_WOW64_64KEY));
  EXPECT_EQ(QueryRaw(HKEY_CURRENT_USER, UserKey() + L"\\New", L"Value", KEY_WOW64_64KEY).status,
            ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, MissingKeysAndValuesGiveTheDefaults) {
  EXPECT_EQ(ReadRegistryString(UserPath(L"Nothing"), L"default"), L"default");
  EXPECT_EQ(ReadRegistryString(UserPath(L"No\\Such\\Key"), L""), L"");
  EXPECT_EQ(ReadRegistryDword(UserPath(L"No\\Such\\Key")), 0u);

  ASSERT_TRUE(WriteRegistryDword(UserPath(L"Zero"), 0));
  EXPECT_EQ(ReadRegistryDword(UserPath(L"Zero")), 0u);
  EXPECT_EQ(ReadRegistryDword(UserPath(L"Missing")), 0u);
}

TEST_F(RegistryTest, EachReadAcceptsOnlyItsOwnTypes) {
  ASSERT_TRUE(WriteRegistryString(UserPath(L"Digits"), std::wstring(L"123")));
  EXPECT_EQ(ReadRegistryDword(UserPath(L"Digits")), 0u);

  ASSERT_TRUE(WriteRegistryDword(UserPath(L"Number"), 0x00310031u));  // bytes of "11"
  EXPECT_EQ(ReadRegistryString(UserPath(L"Number"), L"default"), L"default");

  const BYTE binary[] = {'a', 0, 0, 0};
  ASSERT_TRUE(SetRaw(HKEY_CURRENT_USER, UserKey(), L"Binary", REG_BINARY, binary, sizeof(binary)));
  EXPECT_EQ(ReadRegistryString(UserPath(L"Binary"), L"default"), L"default");
  EXPECT_EQ(ReadRegistryDword(UserPath(L"Binary")), 0u);

  const wchar_t multi[] = L"a\0b\0";
  ASSERT_TRUE(SetRaw(HKEY_CURRENT_USER, UserKey(), L"Multi", REG_MULTI_SZ, multi, sizeof(multi)));
  EXPECT_EQ(ReadRegistryString(UserPath(L"Multi"), L"default"), L"default");

  const DWORD big_endian = 1;
  ASSERT_TRUE(
      SetRaw(HKEY_CURRENT_USER, UserKey(), L"BigEndian", REG_DWORD_BIG_ENDIAN, &big_endian, 4));
  EXPECT_EQ(ReadRegistryDword(UserPath(L"BigEndian")), 0u);

  // A REG_DWORD of the wrong size is no number.
  const BYTE shortened[] = {7, 0};
  ASSERT_TRUE(
      SetRaw(HKEY_CURRENT_USER, UserKey(), L"Short", REG_DWORD, shortened, sizeof(shortened)));
  EXPECT_EQ(ReadRegistryDword(UserPath(L"Short")), 0u);
  const BYTE widened[] = {7, 0, 0, 0, 0, 0, 0, 0};
  ASSERT_TRUE(SetRaw(HKEY_CURRENT_USER, UserKey(), L"Wide", REG_DWORD, widened, sizeof(widened)));
  EXPECT_EQ(ReadRegistryDword(UserPath(L"Wide")), 0u);
}

TEST_F(RegistryTest, ExpandableTextIsReturnedUnexpanded) {
  const wchar_t expandable[] = L"%SystemRoot%\\system32\\%USERNAME%";
  ASSERT_TRUE(SetRaw(HKEY_CURRENT_USER, UserKey(), L"Expand", REG_EXPAND_SZ, expandable,
                     sizeof(expandable)));
  EXPECT_EQ(ReadRegistryString(UserPath(L"Expand"), L"default"), expandable);
}

TEST_F(RegistryTest, TextOf1023CharactersIsReadAndLongerIsNot) {
  const std::wstring longest(1023, L'\u30a2');
  ASSERT_TRUE(WriteRegistryString(UserPath(L"Longest"), longest));
  EXPECT_EQ(ReadRegistryString(UserPath(L"Longest"), L"default"), longest);

  const std::wstring too_long(1024, L'x');
  ASSERT_TRUE(WriteRegistryString(UserPath(L"TooLong"), too_long));
  EXPECT_EQ(QueryRaw(HKEY_CURRENT_USER, UserKey(), L"TooLong", KEY_WOW64_64KEY).bytes.size(),
            2050u);
  EXPECT_EQ(ReadRegistryString(UserPath(L"TooLong"), L"default"), L"default");

  // 1024 characters stored without terminator fill the buffer exactly.
  std::wstring unterminated(1025, L'y');  // the character after the data is not zero
  ASSERT_TRUE(SetRaw(HKEY_CURRENT_USER, UserKey(), L"Full", REG_SZ, unterminated.c_str(), 2048));
  ASSERT_EQ(QueryRaw(HKEY_CURRENT_USER, UserKey(), L"Full", KEY_WOW64_64KEY).bytes.size(), 2048u);
  EXPECT_EQ(ReadRegistryString(UserPath(L"Full"), L"default"), L"default");
}

TEST_F(RegistryTest, TextStoredWithoutTerminatorGivesTheDefault) {
  // RegSetValueExW adds a forgotten terminator when a zero character follows
  // the data in memory; the extra 'X' keeps it from doing so.
  const wchar_t data[] = L"abcX";
  ASSERT_TRUE(SetRaw(HKEY_CURRENT_USER, UserKey(), L"Unterminated", REG_SZ, data, 6));
  ASSERT_EQ(QueryRaw(HKEY_CURRENT_USER, UserKey(), L"Unterminated", KEY_WOW64_64KEY).bytes,
            (std::vector<BYTE>{'a', 0, 'b', 0, 'c', 0}));
  EXPECT_EQ(ReadRegistryString(UserPath(L"Unterminated"), L"default"), L"default");

  ASSERT_TRUE(SetRaw(HKEY_CURRENT_USER, UserKey(), L"ExpandUnterminated", REG_EXPAND_SZ, data, 6));
  EXPECT_EQ(ReadRegistryString(UserPath(L"ExpandUnterminated"), L"default"), L"default");

  const BYTE odd[] = {'a', 0, 0, 'X', 'X'};
  ASSERT_TRUE(SetRaw(HKEY_CURRENT_USER, UserKey(), L"Odd", REG_SZ, odd, 3));
  ASSERT_EQ(QueryRaw(HKEY_CURRENT_USER, UserKey(), L"Odd", KEY_WOW64_64KEY).bytes.size(), 3u);
  EXPECT_EQ(ReadRegistryString(UserPath(L"Odd"), L"default"), L"default");

  ASSERT_TRUE(SetRaw(HKEY_CURRENT_USER, UserKey(), L"NoBytes", REG_SZ, data, 0));
  EXPECT_EQ(ReadRegistryString(UserPath(L"NoBytes"), L"default"), L"");
}

TEST_F(RegistryTest, LowerCaseHiveMeansTheCurrentUser) {
  ASSERT_TRUE(WriteRegistryString(MachinePath(L"Who"), std::wstring(L"machine")));
  ASSERT_TRUE(WriteRegistryString(L"hkey_local_machine\\" + MachineKey() + L"\\Who",
                                  std::wstring(L"user")));

  const RawValue user = QueryRaw(HKEY_CURRENT_USER, UserKey(), L"Who", KEY_WOW64_64KEY);
  ASSERT_EQ(user.status, ERROR_SUCCESS);
  EXPECT_EQ(user.bytes, (std::vector<BYTE>{'u', 0, 's', 0, 'e', 0, 'r', 0, 0, 0}));
  EXPECT_EQ(ReadRegistryString(MachinePath(L"Who"), L""), L"machine");
  EXPECT_EQ(ReadRegistryString(L"hkey_local_machine\\" + MachineKey() + L"\\Who", L""), L"user");
  EXPECT_EQ(ReadRegistryString(L"HKLM\\" + MachineKey() + L"\\Who", L""), L"user");
}

TEST_F(RegistryTest, MachineWritesLandInThe64BitView) {
  ASSERT_TRUE(WriteRegistryDword(MachinePath(L"Sub\\Number"), 7));
  ASSERT_TRUE(WriteRegistryOneText(MachinePath(L"Sub\\One")));
  ASSERT_TRUE(WriteRegistryString(MachinePath(L"Sub\\Text"), std::wstring(L"t")));

  const std::wstring key = MachineKey() + L"\\Sub";
  for (const wchar_t* value : {L"Number", L"One", L"Text"}) {
    EXPECT_EQ(QueryRaw(HKEY_LOCAL_MACHINE, key, value, KEY_WOW64_64KEY).status, ERROR_SUCCESS)
        << value;
  }
  // Nothing under WOW6432Node, which is where a plain 32-bit write would go.
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, MachineKey(), KEY_WOW64_32KEY));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\WOW6432Node\\" + name_, KEY_WOW64_64KEY));
}

TEST_F(RegistryTest, ReadsPreferThe64BitViewAndFallBackToTheOwnOne) {
  const DWORD in64 = 64;
  const DWORD in32 = 32;
  ASSERT_TRUE(SetRaw(HKEY_LOCAL_MACHINE, MachineKey() + L"\\Both", L"N", REG_DWORD, &in64, 4,
                     KEY_WOW64_64KEY));
  ASSERT_TRUE(SetRaw(HKEY_LOCAL_MACHINE, MachineKey() + L"\\Both", L"N", REG_DWORD, &in32, 4,
                     KEY_WOW64_32KEY));
  EXPECT_EQ(ReadRegistryDword(MachinePath(L"Both\\N")), 64u);

  // A key that exists only in the 32-bit view is still found by a 32-bit
  // process, whose own view that is; a 64-bit process's own view is the
  // 64-bit one, so the twin finds nothing there.
  const wchar_t only32[] = L"only32";
  ASSERT_TRUE(SetRaw(HKEY_LOCAL_MACHINE, MachineKey() + L"\\Only32", L"T", REG_SZ, only32,
                     sizeof(only32), KEY_WOW64_32KEY));
  ASSERT_TRUE(SetRaw(HKEY_LOCAL_MACHINE, MachineKey() + L"\\Only32", L"N", REG_DWORD, &in32, 4,
                     KEY_WOW64_32KEY));
  ASSERT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, MachineKey() + L"\\Only32", KEY_WOW64_64KEY));
  if (test_support::kThis32Bit) {
    EXPECT_EQ(ReadRegistryString(MachinePath(L"Only32\\T"), L"default"), L"only32");
    EXPECT_EQ(ReadRegistryDword(MachinePath(L"Only32\\N")), 32u);
  } else {
    EXPECT_EQ(ReadRegistryString(MachinePath(L"Only32\\T"), L"default"), L"default");
    EXPECT_EQ(ReadRegistryDword(MachinePath(L"Only32\\N")), 0u);
  }
}

TEST_F(RegistryTest, ReadsTheProductNameOfTheSystem) {
  const RawValue raw = QueryRaw(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
                                L"ProductName", KEY_WOW64_64KEY);
  ASSERT_EQ(raw.status, ERROR_SUCCESS);
  const std::wstring expected(reinterpret_cast<const wchar_t*>(raw.bytes.data()));
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(ReadRegistryString(
                L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProductName",
                L""),
            expected);
}

TEST_F(RegistryTest, RootKeyAndDefaultValueAreAddressable) {
  // One backslash: a value of the hive's root key.
  const std::wstring root_value = name_;
  ASSERT_TRUE(WriteRegistryDword(L"HKEY_CURRENT_USER\\" + root_value, 5));
  const RawValue raw = QueryRaw(HKEY_CURRENT_USER, L"", root_value, KEY_WOW64_64KEY);
  ::RegDeleteValueW(HKEY_CURRENT_USER, root_value.c_str());
  ASSERT_EQ(raw.status, ERROR_SUCCESS);
  EXPECT_EQ(raw.bytes, (std::vector<BYTE>{5, 0, 0, 0}));

  // Trailing backslash: the key's default value.
  ASSERT_TRUE(WriteRegistryString(UserPath(L""), std::wstring(L"default value")));
  EXPECT_EQ(QueryRaw(HKEY_CURRENT_USER, UserKey(), L"", KEY_WOW64_64KEY).status, ERROR_SUCCESS);
  EXPECT_EQ(ReadRegistryString(UserPath(L""), L"x"), L"default value");
}

TEST_F(RegistryTest, PathsWithoutBackslashTouchNothing) {
  for (const std::wstring& path : {std::wstring(), name_}) {
    EXPECT_EQ(ReadRegistryString(path, L"default"), L"default");
    EXPECT_EQ(ReadRegistryDword(path), 0u);
    EXPECT_FALSE(WriteRegistryOneText(path));
    EXPECT_FALSE(WriteRegistryString(path, std::wstring(L"x")));
    EXPECT_FALSE(WriteRegistryString(path, std::nullopt));
    EXPECT_FALSE(WriteRegistryDword(path, 1));
  }
  EXPECT_EQ(QueryRaw(HKEY_CURRENT_USER, L"", name_, KEY_WOW64_64KEY).status, ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, name_, KEY_WOW64_64KEY));
}

}  // namespace
