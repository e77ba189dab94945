// Path helpers, folder creation, open access rights and file listing on the
// file system and security API Wine provides, in scratch folders of their own.

#include "sysops/folders.h"

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/files.h"
#include "sysops_test_support.h"

namespace {

using sysops::AppendPath;
using sysops::CreateFolderPath;
using sysops::GetParentFolder;
using sysops::GetSpecialFolder;
using sysops::GrantEveryoneFullAccess;
using sysops::ListFiles;
using sysops::RestrictToAdministrators;
using test_support::ScratchFolder;

TEST(SpecialFolder, NamesExistingFoldersAndNothingForUnknownIds) {
  for (int csidl : {CSIDL_COMMON_APPDATA, CSIDL_PROGRAM_FILES, CSIDL_COMMON_STARTUP,
                    CSIDL_SYSTEM}) {
    const std::wstring folder = GetSpecialFolder(csidl);
    ASSERT_FALSE(folder.empty()) << csidl;
    EXPECT_TRUE(test_support::IsFolder(folder)) << testing::PrintToString(folder);
    EXPECT_NE(folder.back(), L'\\');
  }
  EXPECT_EQ(GetSpecialFolder(0x7f), L"");
}

TEST(AppendPath, JoinsWithOneBackslash) {
  const std::wstring base = L"C:\\ProgramData";
  EXPECT_EQ(AppendPath(base, L"Varnel\\Tolvik"), L"C:\\ProgramData\\Varnel\\Tolvik");
  EXPECT_EQ(base, L"C:\\ProgramData");
  EXPECT_EQ(AppendPath(L"C:\\ProgramData\\", L"Varnel"), L"C:\\ProgramData\\Varnel");
  EXPECT_EQ(AppendPath(L"C:\\ProgramData", L"\\Varnel"), L"C:\\ProgramData\\Varnel");
  EXPECT_EQ(AppendPath(L"C:\\a", L"\u30bf\u30fc\u30df\u30ca\u30eb.lnk"),
            L"C:\\a\\\u30bf\u30fc\u30df\u30ca\u30eb.lnk");
  EXPECT_EQ(AppendPath(L"C:\\a", L""), L"C:\\a");
}

TEST(AppendPath, GivesNothingBeyondMaxPath) {
  const std::wstring base = L"C:\\" + std::wstring(250, L'a');
  EXPECT_EQ(AppendPath(base, L"bcde").size(), 258u);
  EXPECT_EQ(AppendPath(base, L"bcdefghijk"), L"");
  // A base that does not fit the buffer at all.
  EXPECT_EQ(AppendPath(L"C:\\" + std::wstring(300, L'a'), L"b"), L"");
}

TEST(ParentFolder, KeepsTheSeparatingBackslash) {
  EXPECT_EQ(GetParentFolder(L"C:\\ProgramData\\Varnel\\Tolvik"), L"C:\\ProgramData\\Varnel\\");
  EXPECT_EQ(GetParentFolder(L"C:\\Program Files\\Varnel\\VarnelTerminal\\VarnelTerminal.exe"),
            L"C:\\Program Files\\Varnel\\VarnelTerminal\\");
  EXPECT_EQ(GetParentFolder(L"VarnelTerminal.exe"), L"");
}

TEST(CreateFolderPath, CreatesEveryMissingLevel) {
  ScratchFolder scratch;
  const std::wstring deep = scratch / L"one\\\u8a2d\u5b9a\\three";
  ASSERT_FALSE(test_support::PathExists(scratch / L"one"));
  EXPECT_TRUE(CreateFolderPath(deep));
  EXPECT_TRUE(test_support::IsFolder(deep));
  // Present already: still true; with a trailing backslash the same.
  EXPECT_TRUE(CreateFolderPath(deep));
  EXPECT_TRUE(CreateFolderPath(deep + L"\\"));
}

TEST(CreateFolderPath, NeverCreatesALookAlikeOfANameTheCodePageCannotHold) {
  ScratchFolder scratch;
  // Hangul has no form in code page 932; an accented Latin letter only a
  // best-fit one.
  EXPECT_FALSE(CreateFolderPath(scratch / L"\uac00\\below"));
  EXPECT_FALSE(CreateFolderPath(scratch / L"caf\u00e9"));
  EXPECT_FALSE(test_support::PathExists(scratch / L"cafe"));
  EXPECT_FALSE(test_support::PathExists(scratch / L"caf?"));
}

TEST(CreateFolderPath, RefusesAJapanesePathTooLongForTheAnsiBuffers) {
  ScratchFolder scratch;
  // Short enough as wide text, but twice as many bytes in code page 932; in
  // levels of 40 characters, which each level of the file system can hold.
  const std::wstring level(40, L'\u8a2d');
  std::wstring folder = scratch.path();
  while (folder.size() + level.size() + 2 < MAX_PATH - 10) folder += L"\\" + level;
  ASSERT_LT(folder.size() + 1, static_cast<std::size_t>(MAX_PATH));
  EXPECT_FALSE(CreateFolderPath(folder));
  EXPECT_FALSE(test_support::PathExists(folder));
}

TEST(CreateFolderPath, FailsWhereAFileStandsInTheWay) {
  ScratchFolder scratch;
  ASSERT_TRUE(test_support::WriteBytes(scratch / L"file", "x"));
  EXPECT_FALSE(CreateFolderPath(scratch / L"file\\below"));
  EXPECT_FALSE(test_support::IsFolder(scratch / L"file"));
}

// The descriptor's DACL and its sizes; a failure when it has none.
void ReadDacl(PSECURITY_DESCRIPTOR descriptor, PACL* acl, ACL_SIZE_INFORMATION* size) {
  BOOL present = FALSE;
  BOOL defaulted = FALSE;
  ASSERT_TRUE(::GetSecurityDescriptorDacl(descriptor, &present, acl, &defaulted));
  ASSERT_TRUE(present);
  ASSERT_NE(*acl, nullptr);
  ASSERT_TRUE(::GetAclInformation(*acl, size, sizeof(*size), AclSizeInformation));
}

TEST(OpenAccessDescriptor, HoldsOneInheritableFullAccessEntryForEveryone) {
  sysops::OpenAccessDescriptor descriptor;
  ASSERT_TRUE(descriptor.valid());
  ASSERT_TRUE(::IsValidSecurityDescriptor(descriptor.get()));

  PACL acl = nullptr;
  ACL_SIZE_INFORMATION size = {};
  ASSERT_NO_FATAL_FAILURE(ReadDacl(descriptor.get(), &acl, &size));
  EXPECT_EQ(size.AceCount, 1u);
  EXPECT_EQ(size.AclBytesFree, 0u);  // the ACL was sized for exactly this entry

  void* raw = nullptr;
  ASSERT_TRUE(::GetAce(acl, 0, &raw));
  const auto entry = static_cast<ACCESS_ALLOWED_ACE*>(raw);
  EXPECT_EQ(entry->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
  EXPECT_EQ(entry->Header.AceFlags, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE);
  EXPECT_EQ(entry->Mask, static_cast<ACCESS_MASK>(GENERIC_ALL));
  EXPECT_EQ(sysops_test::SidText(&entry->SidStart), L"S-1-1-0");
}

// Wine keeps no access lists on files (it maps them to Unix mode bits), so
// the list a folder is given is checked here, as built.
TEST(AdministratorsOnlyDescriptor, HoldsTwoProtectedInheritableEntries) {
  sysops::AdministratorsOnlyDescriptor descriptor;
  ASSERT_TRUE(descriptor.valid());
  ASSERT_TRUE(::IsValidSecurityDescriptor(descriptor.get()));
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  ASSERT_TRUE(::GetSecurityDescriptorControl(descriptor.get(), &control, &revision));
  EXPECT_TRUE(control & SE_DACL_PROTECTED) << "the folder above would add its entries";

  PACL acl = nullptr;
  ACL_SIZE_INFORMATION size = {};
  ASSERT_NO_FATAL_FAILURE(ReadDacl(descriptor.get(), &acl, &size));
  ASSERT_EQ(size.AceCount, 2u);
  EXPECT_EQ(size.AclBytesFree, 0u);
  const wchar_t* const sids[] = {L"S-1-5-32-544", L"S-1-5-18"};  // Administrators, SYSTEM
  for (DWORD i = 0; i < 2; ++i) {
    void* raw = nullptr;
    ASSERT_TRUE(::GetAce(acl, i, &raw));
    const auto entry = static_cast<ACCESS_ALLOWED_ACE*>(raw);
    EXPECT_EQ(entry->Header.AceType, ACCESS_ALLOWED_ACE_TYPE) << i;
    EXPECT_EQ(entry->Header.AceFlags, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE) << i;
    EXPECT_EQ(entry->Mask, static_cast<ACCESS_MASK>(FILE_ALL_ACCESS)) << i;
    EXPECT_EQ(sysops_test::SidText(&entry->SidStart), sids[i]) << i;
  }
}

// What Wine makes of it: Everyone loses every right on a folder that was
// open to it.
TEST(RestrictToAdministrators, TakesEveryRightFromEveryone) {
  ScratchFolder scratch;
  const std::wstring folder = scratch / L"private";
  ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
  ASSERT_TRUE(GrantEveryoneFullAccess(folder));
  sysops_test::ExpectOpenToEveryone(folder);
  EXPECT_TRUE(RestrictToAdministrators(folder));
  const sysops_test::DaclView dacl = sysops_test::ReadDacl(folder);
  ASSERT_TRUE(dacl.ok);
  EXPECT_EQ(sysops_test::RightsOf(dacl, sysops_test::kEveryone), 0u);
  EXPECT_FALSE(RestrictToAdministrators(scratch / L"missing"));
}

TEST(GrantEveryoneFullAccess, OpensFoldersAndFilesToEveryone) {
  ScratchFolder scratch;
  const std::wstring folder = scratch / L"open";
  ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
  sysops_test::MarkWithUsersReadOnly(folder);

  EXPECT_TRUE(GrantEveryoneFullAccess(folder));
  sysops_test::ExpectOpenToEveryone(folder);

  // Works on files as well.
  const std::wstring file = scratch / L"file.ini";
  ASSERT_TRUE(test_support::WriteBytes(file, "[MAIN]\r\n"));
  EXPECT_TRUE(GrantEveryoneFullAccess(file));
  sysops_test::ExpectOpenToEveryone(file);

  EXPECT_FALSE(GrantEveryoneFullAccess(scratch / L"missing"));
}

std::vector<std::wstring> Sorted(std::vector<std::wstring> list) {
  std::sort(list.begin(), list.end());
  return list;
}

class ListFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const wchar_t* folder : {L"sub", L"match.lnk", L"match.lnk\\inner.lnk"}) {
      ASSERT_TRUE(::CreateDirectoryW((scratch_ / folder).c_str(), nullptr));
    }
    for (const wchar_t* file : {L"a.lnk", L"B.LNK", L"notes.txt", L"sub\\deep.lnk",
                                L"match.lnk\\found.lnk", L"match.lnk\\skipped.txt",
                                L"match.lnk\\inner.lnk\\deepest.lnk"}) {
      ASSERT_TRUE(test_support::WriteBytes(scratch_ / file, ""));
    }
  }
  ScratchFolder scratch_;
};

TEST_F(ListFilesTest, FlatListingSkipsFoldersAndOtherNames) {
  std::vector<std::wstring> list;
  EXPECT_EQ(ListFiles(&list, scratch_.path(), L"*.lnk", false), 2u);
  EXPECT_EQ(Sorted(list), Sorted({scratch_ / L"a.lnk", scratch_ / L"B.LNK"}));
}

TEST_F(ListFilesTest, RecursiveListingDescendsIntoMatchingFoldersOnly) {
  std::vector<std::wstring> list{L"kept"};
  EXPECT_EQ(ListFiles(&list, scratch_.path(), L"*.lnk", true), 5u);
  EXPECT_EQ(list.front(), L"kept");  // appended, not replaced
  EXPECT_EQ(Sorted(list),
            Sorted({L"kept", scratch_ / L"a.lnk", scratch_ / L"B.LNK",
                    scratch_ / L"match.lnk\\found.lnk",
                    scratch_ / L"match.lnk\\inner.lnk\\deepest.lnk"}));

  list.clear();
  EXPECT_EQ(ListFiles(&list, scratch_.path(), L"*", true), 7u);  // every file at every depth
}

TEST_F(ListFilesTest, MissingFolderAddsNothing) {
  std::vector<std::wstring> list{L"kept"};
  EXPECT_EQ(ListFiles(&list, scratch_ / L"missing", L"*.lnk", true), 1u);
  EXPECT_EQ(list, std::vector<std::wstring>{L"kept"});
}

}  // namespace
