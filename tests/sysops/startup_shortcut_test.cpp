// Start-up shortcuts through the shell-link objects Wine provides. The
// all-users Startup folder of the test prefix is shared with other tests:
// shortcuts already pointing at the terminal program are set aside for the
// duration of a test and every shortcut made here is removed again. The
// terminal program itself is an empty file where the product expects it; it is
// only pointed at, never run.

#include "sysops/startup_shortcut.h"

#include <windows.h>
#include <objidl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "framework/com_ptr.h"
#include "sysops/folders.h"
#include "sysops/product_paths.h"
#include "support/com.h"
#include "support/files.h"
#include "support/unique_name.h"

namespace {

using test_support::ScratchFolder;

struct LinkInfo {
  bool loaded = false;
  std::wstring target;
  std::wstring working_folder;
  int show_command = 0;
};

// The ShowCommand field of the shell link header (a little-endian 32-bit
// number at offset 0x3C). Read from the file because Wine's shell link does not
// load it back into the object.
int ShowCommandInFile(const std::wstring& path) {
  fw::ScopedFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
  unsigned char header[0x40] = {};
  DWORD read = 0;
  if (!file || !::ReadFile(file.get(), header, sizeof(header), &read, nullptr) ||
      read != sizeof(header)) {
    return -1;
  }
  return header[0x3C] | header[0x3D] << 8 | header[0x3E] << 16 | header[0x3F] << 24;
}

LinkInfo ReadLink(const std::wstring& path) {
  LinkInfo info;
  fw::ComPtr<IShellLinkW> link;
  fw::ComPtr<IPersistFile> file;
  if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                link.put_void())) ||
      FAILED(link.As(&file)) || FAILED(file->Load(path.c_str(), STGM_READ))) {
    return info;
  }
  wchar_t buffer[MAX_PATH] = {};
  link->GetPath(buffer, MAX_PATH, nullptr, 0);
  info.target = buffer;
  buffer[0] = L'\0';
  link->GetWorkingDirectory(buffer, MAX_PATH);
  info.working_folder = buffer;
  info.show_command = ShowCommandInFile(path);
  info.loaded = true;
  return info;
}

bool SameText(const std::wstring& a, const std::wstring& b) {
  return ::CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

std::wstring UpperCase(std::wstring text) {
  ::CharUpperBuffW(&text[0], static_cast<DWORD>(text.size()));
  return text;
}

class ComTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(com_.ok()); }
  void TearDown() override {}

 private:
  test_support::ScopedCom com_;
};

// Shortcuts in a folder of their own, without the real Startup folder.
class ShortcutInFolder : public ComTest {
 protected:
  void SetUp() override {
    ComTest::SetUp();
    target_ = folder_ / L"VarnelTerminal.exe";
    ASSERT_TRUE(test_support::WriteBytes(target_, ""));
  }
  ScratchFolder folder_;
  std::wstring target_;
};

TEST_F(ShortcutInFolder, SavedShortcutStartsTheProgramMaximisedInItsFolder) {
  const std::wstring link = folder_ / L"\u30bf\u30fc\u30df\u30ca\u30eb.lnk";
  sysops::SaveShortcut(link, target_);
  const LinkInfo info = ReadLink(link);
  ASSERT_TRUE(info.loaded);
  EXPECT_TRUE(SameText(info.target, target_)) << testing::PrintToString(info.target);
  EXPECT_EQ(info.working_folder, folder_.path() + L"\\");
  EXPECT_EQ(info.show_command, SW_SHOWMAXIMIZED);
  EXPECT_TRUE(sysops::FolderHasShortcutTo(folder_.path(), target_));
}

TEST_F(ShortcutInFolder, UnreadableShortcutsAreSkipped) {
  ASSERT_TRUE(test_support::WriteBytes(folder_ / L"a-broken.lnk", "not a shell link at all"));
  ASSERT_TRUE(test_support::WriteBytes(folder_ / L"b-empty.lnk", ""));
  EXPECT_FALSE(sysops::FolderHasShortcutTo(folder_.path(), target_));

  sysops::SaveShortcut(folder_ / L"c-good.lnk", target_);
  EXPECT_TRUE(sysops::FolderHasShortcutTo(folder_.path(), target_));
}

TEST_F(ShortcutInFolder, OnlyShortcutsDirectlyInTheFolderCount) {
  ASSERT_TRUE(::CreateDirectoryW((folder_ / L"sub").c_str(), nullptr));
  ASSERT_TRUE(::CreateDirectoryW((folder_ / L"folder.lnk").c_str(), nullptr));
  sysops::SaveShortcut(folder_ / L"sub\\deep.lnk", target_);
  sysops::SaveShortcut(folder_ / L"folder.lnk\\inside.lnk", target_);
  ASSERT_TRUE(ReadLink(folder_ / L"sub\\deep.lnk").loaded);
  EXPECT_FALSE(sysops::FolderHasShortcutTo(folder_.path(), target_));

  // A shortcut by another extension is no shortcut for the search.
  sysops::SaveShortcut(folder_ / L"other.url", target_);
  EXPECT_FALSE(sysops::FolderHasShortcutTo(folder_.path(), target_));
}

TEST_F(ShortcutInFolder, NoFolderOrNoTargetFindsNothing) {
  sysops::SaveShortcut(folder_ / L"good.lnk", target_);
  EXPECT_FALSE(sysops::FolderHasShortcutTo(L"", target_));
  EXPECT_FALSE(sysops::FolderHasShortcutTo(folder_.path(), L""));
  sysops::SaveShortcut(folder_ / L"nothing.lnk", L"");
  EXPECT_FALSE(test_support::PathExists(folder_ / L"nothing.lnk"));
}

// The real all-users Startup folder and terminal program path.
class TerminalStartup : public ComTest {
 protected:
  void SetUp() override {
    ComTest::SetUp();
    startup_ = sysops::GetSpecialFolder(CSIDL_COMMON_STARTUP);
    terminal_ = sysops::GetTerminalProgramPath();
    ASSERT_FALSE(startup_.empty());
    ASSERT_FALSE(terminal_.empty());
    terminal_program_ = std::make_unique<test_support::ScopedFile>(terminal_, "");
    ASSERT_TRUE(terminal_program_->ok()) << testing::PrintToString(terminal_);
    SetAsideShortcutsToTheTerminal();
  }

  void TearDown() override {
    for (const std::wstring& link : made_) ::DeleteFileW(link.c_str());
    for (const auto& moved : set_aside_) ::MoveFileW(moved.second.c_str(), moved.first.c_str());
    if (!sub_folder_.empty()) test_support::RemoveTree(sub_folder_);
    terminal_program_.reset();
    ComTest::TearDown();
  }

  void SetAsideShortcutsToTheTerminal() {
    std::vector<std::wstring> links;
    sysops::ListFiles(&links, startup_, L"*.lnk", false);
    for (const std::wstring& link : links) {
      if (!SameText(ReadLink(link).target, terminal_)) continue;
      const std::wstring aside = link + L"." + test_support::UniqueName(L"aside");
      ASSERT_TRUE(::MoveFileW(link.c_str(), aside.c_str()));
      set_aside_.emplace_back(link, aside);
    }
  }

  std::wstring MakeLink(const std::wstring& path, const std::wstring& target) {
    made_.push_back(path);
    sysops::SaveShortcut(path, target);
    return path;
  }

  std::wstring startup_;
  std::wstring terminal_;
  std::wstring sub_folder_;
  std::vector<std::wstring> made_;
  std::unique_ptr<test_support::ScopedFile> terminal_program_;
  std::vector<std::pair<std::wstring, std::wstring>> set_aside_;
};

TEST_F(TerminalStartup, CreatedShortcutIsFoundAndPointsAtTheProgram) {
  EXPECT_FALSE(sysops::IsTerminalInStartup());

  const std::wstring link = startup_ + L"\\" + sysops::kStartupShortcutName;
  made_.push_back(link);
  sysops::CreateTerminalStartupShortcut();

  const LinkInfo info = ReadLink(link);
  ASSERT_TRUE(info.loaded) << "no shortcut at " << testing::PrintToString(link);
  EXPECT_TRUE(SameText(info.target, terminal_)) << testing::PrintToString(info.target);
  EXPECT_EQ(info.working_folder, sysops::GetParentFolder(terminal_));
  EXPECT_EQ(info.working_folder.back(), L'\\');
  EXPECT_EQ(info.show_command, SW_SHOWMAXIMIZED);
  EXPECT_TRUE(sysops::IsTerminalInStartup());
}

TEST_F(TerminalStartup, ShortcutOfAnotherNameAndLetterCaseCounts) {
  const std::wstring upper = UpperCase(terminal_);
  ASSERT_NE(upper, terminal_);
  const std::wstring link =
      MakeLink(startup_ + L"\\" + test_support::UniqueName(L"Terminal") + L".lnk", upper);
  // The link keeps the letter case it was given, so the comparison is tested.
  ASSERT_EQ(ReadLink(link).target, upper);
  EXPECT_TRUE(sysops::IsTerminalInStartup());
}

TEST_F(TerminalStartup, ShortcutsToACopyOrInASubFolderDoNotCount) {
  ScratchFolder elsewhere;
  const std::wstring copy = elsewhere / L"VarnelTerminal.exe";
  ASSERT_TRUE(test_support::WriteBytes(copy, ""));
  MakeLink(startup_ + L"\\" + test_support::UniqueName(L"Copy") + L".lnk", copy);

  sub_folder_ = startup_ + L"\\" + test_support::UniqueName(L"Sub");
  ASSERT_TRUE(::CreateDirectoryW(sub_folder_.c_str(), nullptr));
  MakeLink(sub_folder_ + L"\\deep.lnk", terminal_);
  ASSERT_TRUE(ReadLink(sub_folder_ + L"\\deep.lnk").loaded);

  EXPECT_FALSE(sysops::IsTerminalInStartup());
}

}  // namespace
