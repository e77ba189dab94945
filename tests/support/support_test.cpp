// The shared test support puts back what it changed: other tests, and the
// next run in the same prefix, depend on finding the machine as it was.

#include "support/test_support.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace test_support {
namespace {

std::vector<BYTE> Utf16z(const std::wstring& text) {
  const std::string bytes = Utf16Bytes(text + L'\0', false);
  return std::vector<BYTE>(bytes.begin(), bytes.end());
}

class ScopedRegistry : public ::testing::Test {
 protected:
  void TearDown() override {
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
      DeleteKeyTree(HKEY_LOCAL_MACHINE, key_, view);
    }
  }
  const std::wstring key_ = L"SOFTWARE\\" + UniqueName(L"VtsSupportTest");
};

TEST_F(ScopedRegistry, AnOldValueComesBackWithItsType) {
  const DWORD old_value = 7;
  ASSERT_TRUE(SetRaw(HKEY_LOCAL_MACHINE, key_, L"V", REG_DWORD, &old_value, 4));
  {
    ScopedRegistryValue value(HKEY_LOCAL_MACHINE, key_, L"V");
    ASSERT_TRUE(value.SetString(L"1"));
    const RawValue now = QueryRaw(HKEY_LOCAL_MACHINE, key_, L"V");
    EXPECT_EQ(now.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(now.bytes, Utf16z(L"1"));
  }
  const RawValue after = QueryRaw(HKEY_LOCAL_MACHINE, key_, L"V");
  ASSERT_EQ(after.status, ERROR_SUCCESS);
  EXPECT_EQ(after.type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(after.bytes, (std::vector<BYTE>{7, 0, 0, 0}));

  {
    ScopedRegistryValue value(HKEY_LOCAL_MACHINE, key_, L"V");
    ASSERT_TRUE(value.Remove());
    EXPECT_EQ(QueryRaw(HKEY_LOCAL_MACHINE, key_, L"V").status, ERROR_FILE_NOT_FOUND);
  }
  EXPECT_EQ(QueryRaw(HKEY_LOCAL_MACHINE, key_, L"V").bytes, (std::vector<BYTE>{7, 0, 0, 0}));
}

TEST_F(ScopedRegistry, AMissingValueIsMissingAgainAndCreatedKeysGo) {
  ASSERT_TRUE(SetRaw(HKEY_LOCAL_MACHINE, key_, L"Other", REG_SZ, L"x", 4));
  {
    ScopedRegistryValue value(HKEY_LOCAL_MACHINE, key_, L"V");
    ASSERT_TRUE(value.SetDword(1));
  }
  EXPECT_EQ(QueryRaw(HKEY_LOCAL_MACHINE, key_, L"V").status, ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(QueryRaw(HKEY_LOCAL_MACHINE, key_, L"Other").status, ERROR_SUCCESS);

  {
    ScopedRegistryValue deep(HKEY_LOCAL_MACHINE, key_ + L"\\New\\Deeper", L"V");
    ASSERT_TRUE(deep.SetDword(1));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, key_ + L"\\New\\Deeper"));
  }
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, key_ + L"\\New"));
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, key_));
}

TEST_F(ScopedRegistry, EachViewOnItsOwn) {
  {
    ScopedRegistryValue in64(HKEY_LOCAL_MACHINE, key_, L"V", KEY_WOW64_64KEY);
    ScopedRegistryValue in32(HKEY_LOCAL_MACHINE, key_, L"V", KEY_WOW64_32KEY);
    ASSERT_TRUE(in64.SetDword(64));
    ASSERT_TRUE(in32.SetDword(32));
    EXPECT_EQ(QueryRaw(HKEY_LOCAL_MACHINE, key_, L"V", KEY_WOW64_64KEY).bytes,
              (std::vector<BYTE>{64, 0, 0, 0}));
    EXPECT_EQ(QueryRaw(HKEY_LOCAL_MACHINE, key_, L"V", KEY_WOW64_32KEY).bytes,
              (std::vector<BYTE>{32, 0, 0, 0}));
  }
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, key_, KEY_WOW64_64KEY));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, key_, KEY_WOW64_32KEY));
}

TEST(ScopedFiles, AFileAndTheFoldersMadeForItGo) {
  ScratchFolder scratch;
  ASSERT_TRUE(scratch.ok());
  const std::wstring path = scratch / L"a\\b\\program.exe";
  {
    ScopedFile file(path, "MZ");
    ASSERT_TRUE(file.ok());
    EXPECT_EQ(ReadBytes(path), "MZ");
  }
  EXPECT_FALSE(PathExists(scratch / L"a"));
  EXPECT_TRUE(IsFolder(scratch.path()));
}

TEST(ScopedFiles, AFileThatWasThereComesBack) {
  ScratchFolder scratch;
  const std::wstring path = scratch / L"settings.ini";
  ASSERT_TRUE(WriteBytes(path, std::string("before")));
  {
    ScopedFile file(path, "during");
    ASSERT_TRUE(file.ok());
    EXPECT_EQ(ReadBytes(path), "during");
  }
  EXPECT_EQ(ReadBytes(path), "before");
  {
    ScopedProgram absent(L"", path);
    ASSERT_TRUE(absent.ok());
    EXPECT_FALSE(PathExists(path));
  }
  EXPECT_EQ(ReadBytes(path), "before");
}

TEST(ScopedFiles, NoFileForOneTest) {
  ScratchFolder scratch;
  const std::wstring path = scratch / L"marker.dat";
  ASSERT_TRUE(WriteBytes(path, std::string("kept")));
  {
    ScopedFile none(path);
    ASSERT_TRUE(none.ok());
    EXPECT_FALSE(PathExists(path));
    ASSERT_TRUE(WriteBytes(path, std::string("made by the test")));
  }
  EXPECT_EQ(ReadBytes(path), "kept");

  const std::wstring fresh = scratch / L"fresh.dat";
  {
    ScopedFile none(fresh);
    ASSERT_TRUE(none.ok());
    ASSERT_TRUE(WriteBytes(fresh, std::string("made by the test")));
  }
  EXPECT_FALSE(PathExists(fresh));
  EXPECT_FALSE(ScopedFile(scratch.path()).ok()) << "a folder is no place for a file";
  EXPECT_TRUE(IsFolder(scratch.path()));
}

TEST(ScopedFiles, AProgramIsACopyOfTheBuiltOne) {
  ScratchFolder scratch;
  const std::wstring built = scratch / L"built.exe";
  ASSERT_TRUE(WriteBytes(built, std::string("MZ built")));
  const std::wstring target = scratch / L"Program Files\\Vendor\\tool.exe";
  {
    ScopedProgram program(built, target);
    ASSERT_TRUE(program.ok());
    EXPECT_EQ(ReadBytes(target), "MZ built");
  }
  EXPECT_FALSE(PathExists(scratch / L"Program Files"));
  ScopedProgram missing(scratch / L"no-such.exe", target);
  EXPECT_FALSE(missing.ok());
}

TEST(ScopedFiles, AFolderThatWasThereStays) {
  ScratchFolder scratch;
  {
    ScopedFolder existing(scratch.path());
    EXPECT_TRUE(existing.ok());
  }
  EXPECT_TRUE(IsFolder(scratch.path()));
  {
    ScopedFolder made(scratch / L"x\\y");
    ASSERT_TRUE(made.ok());
    EXPECT_TRUE(IsFolder(scratch / L"x\\y"));
    ASSERT_TRUE(WriteBytes(scratch / L"x\\y\\left.txt", std::string("z")));
  }
  EXPECT_FALSE(PathExists(scratch / L"x"));
  ASSERT_TRUE(WriteBytes(scratch / L"file", std::string()));
  EXPECT_FALSE(ScopedFolder(scratch / L"file").ok());
}

TEST(ScopedScripts, TheVariableIsAsItWas) {
  ::SetEnvironmentVariableW(kDismScriptVariable, L"earlier");
  {
    ScopedScript script(kDismScriptVariable, "exit 3\n");
    ASSERT_TRUE(script.ok());
    wchar_t value[MAX_PATH] = {};
    ASSERT_GT(::GetEnvironmentVariableW(kDismScriptVariable, value, MAX_PATH), 0u);
    EXPECT_EQ(ReadBytes(value), "exit 3\n");
  }
  wchar_t value[MAX_PATH] = {};
  ::GetEnvironmentVariableW(kDismScriptVariable, value, MAX_PATH);
  EXPECT_EQ(std::wstring(value), L"earlier");
  ::SetEnvironmentVariableW(kDismScriptVariable, nullptr);
}

}  // namespace
}  // namespace test_support
