// Folders reached and held without following a link, and the files written
// in them, against links planted where they stand. A Unix symbolic link in
// the prefix stands in for a junction or symbolic link (support/unix_side.h);
// hard links are Wine's own (CreateHardLinkW).

#include "sysops/held_folder.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/files.h"
#include "support/unix_side.h"
#include "sysops/folders.h"
#include "sysops_test_support.h"

namespace sysops {
namespace {

using test_support::ReadBytes;
using test_support::ScopedUnixLink;
using test_support::UnixFacts;
using test_support::WriteBytes;

constexpr char kOutsideBytes[] = "outside, not the program's";

// A base folder standing in for the common application-data folder, and a
// folder outside it with one file, which nothing may change.
class HeldFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(base_.ok() && outside_.ok());
    ASSERT_TRUE(WriteBytes(outside_file_, kOutsideBytes));
    outside_facts_ = UnixFacts(outside_.path());
    ASSERT_NE(outside_facts_.find("keep.txt 0o"), std::string::npos) << outside_facts_;
  }

  // The outside folder holds its one file, as it was, with the same mode bits
  // and stored access list.
  void ExpectOutsideUntouched() {
    EXPECT_EQ(ReadBytes(outside_file_), kOutsideBytes);
    std::vector<std::wstring> names;
    ListFiles(&names, outside_.path(), L"*", true);
    EXPECT_EQ(names, std::vector<std::wstring>{outside_file_});
    EXPECT_EQ(UnixFacts(outside_.path()), outside_facts_);
  }

  HeldFolder ReachWork() {
    FolderCreation creation;
    creation.create_missing = true;
    return HeldFolder::Reach(base_.path(), L"Varnel\\Work", creation);
  }

  test_support::ScratchFolder base_{L"held-base"};
  test_support::ScratchFolder outside_{L"held-outside"};
  std::wstring outside_file_ = outside_ / L"keep.txt";
  std::string outside_facts_;  // the folder's and its file's
};

// Each component of the path, as a link to the outside folder: refused, with
// nothing created or changed there, also when missing folders may be made.
TEST_F(HeldFolderTest, AFolderThatIsALinkIsRefused) {
  for (const wchar_t* planted : {L"Varnel", L"Varnel\\Work"}) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(planted)));
    ASSERT_TRUE(::CreateDirectoryW((base_ / L"Varnel").c_str(), nullptr) ||
                ::GetLastError() == ERROR_ALREADY_EXISTS);
    if (std::wstring(planted) == L"Varnel") ::RemoveDirectoryW((base_ / L"Varnel").c_str());
    {
      ScopedUnixLink link(base_ / planted, outside_.path());
      ASSERT_TRUE(link.ok());
      const HeldFolder folder = ReachWork();
      EXPECT_FALSE(folder.is_held());
      EXPECT_TRUE(IsRefusal(::GetLastError())) << ::GetLastError();
    }
    ExpectOutsideUntouched();
  }
}

TEST_F(HeldFolderTest, APlainPathIsHeldAndItsFoldersCannotBeRenamed) {
  const HeldFolder folder = ReachWork();
  ASSERT_TRUE(folder.is_held());
  EXPECT_TRUE(SamePath(folder.path(), base_ / L"Varnel\\Work"));
  EXPECT_TRUE(folder.created() && folder.created(1));
  EXPECT_FALSE(::MoveFileW((base_ / L"Varnel\\Work").c_str(), (base_ / L"Moved").c_str()));
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  EXPECT_FALSE(::MoveFileW((base_ / L"Varnel").c_str(), (base_ / L"Moved").c_str()));
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  const HeldFolder again = ReachWork();
  ASSERT_TRUE(again.is_held());
  EXPECT_FALSE(again.created());
}

// SetAccess replaces the list through the held handle. (A folder is also
// born with the list it is given, but Wine 8 leaves a list given at creation
// out of the mode bits, so that part shows only on Windows.)
TEST_F(HeldFolderTest, RightsAreChangedThroughTheHandle) {
  OpenAccessDescriptor open;
  ASSERT_TRUE(open.valid());
  FolderCreation creation;
  creation.create_missing = true;
  creation.last = open.get();
  const HeldFolder folder = HeldFolder::Reach(base_.path(), L"Plain\\Open", creation);
  ASSERT_TRUE(folder.is_held());
  ASSERT_TRUE(folder.SetAccess(DACL_SECURITY_INFORMATION, open.get()));
  sysops_test::ExpectOpenToEveryone(base_ / L"Plain\\Open");
  EXPECT_NE(sysops_test::RightsOf(sysops_test::ReadDacl(base_ / L"Plain"), sysops_test::kEveryone) &
                FILE_GENERIC_WRITE,
            FILE_GENERIC_WRITE)
      << "the folder above was given what Windows passes on, not the open list";

  AdministratorsOnlyDescriptor restricted;
  ASSERT_TRUE(restricted.valid());
  ASSERT_TRUE(folder.SetAccess(DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                               restricted.get()));
  EXPECT_EQ(sysops_test::RightsOf(sysops_test::ReadDacl(folder.path()), sysops_test::kEveryone), 0u);
  // The base is never the program's to change.
  EXPECT_FALSE(folder.SetAccess(DACL_SECURITY_INFORMATION, open.get(), 2));
}

// What stands under the name a file is written to.
enum class Planted { kNothing, kPlainFile, kLinkToOutsideFile, kLinkToOutsideFolder, kHardLink };

struct FileCase {
  const char* what;
  Planted planted;
  bool refused;
};

constexpr FileCase kFileCases[] = {
    {"nothing", Planted::kNothing, false},
    {"a plain file", Planted::kPlainFile, false},
    {"a link to a file outside", Planted::kLinkToOutsideFile, true},
    {"a link to a folder outside", Planted::kLinkToOutsideFolder, true},
    {"a second name of a file outside", Planted::kHardLink, true},
};

class PlantedFile : public HeldFolderTest {
 protected:
  // Plants `how` at folder\name; false when it could not.
  bool Plant(const HeldFolder& folder, const std::wstring& name, Planted how) {
    const std::wstring path = folder.PathOf(name);
    switch (how) {
      case Planted::kNothing:
        return true;
      case Planted::kPlainFile:
        return WriteBytes(path, "old");
      case Planted::kLinkToOutsideFile:
        link_ = std::make_unique<ScopedUnixLink>(path, outside_file_);
        return link_->ok();
      case Planted::kLinkToOutsideFolder:
        link_ = std::make_unique<ScopedUnixLink>(path, outside_.path());
        return link_->ok();
      case Planted::kHardLink:
        return ::CreateHardLinkW(path.c_str(), outside_file_.c_str(), nullptr) != FALSE;
    }
    return false;
  }
  void Unplant(const HeldFolder& folder, const std::wstring& name) {
    link_.reset();
    ::DeleteFileW(folder.PathOf(name).c_str());
  }

  std::unique_ptr<ScopedUnixLink> link_;
};

TEST_F(PlantedFile, OpenReplaceRemoveAndRenameOntoRefuseWhatWasPlanted) {
  const HeldFolder folder = ReachWork();
  ASSERT_TRUE(folder.is_held());
  for (const FileCase& c : kFileCases) {
    SCOPED_TRACE(c.what);
    const std::wstring name = L"settings.ini";

    ASSERT_TRUE(Plant(folder, name, c.planted));
    {
      const fw::ScopedFileHandle opened = folder.OpenFile(name, GENERIC_READ, FILE_SHARE_READ);
      const DWORD open_error = ::GetLastError();
      if (c.planted == Planted::kNothing) {
        EXPECT_EQ(open_error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
      } else {
        EXPECT_EQ(!opened, c.refused);
        if (c.refused) {
          EXPECT_TRUE(IsRefusal(open_error)) << open_error;
        }
      }
    }
    EXPECT_EQ(!folder.ReplaceFile(name, "new"), c.refused);
    if (!c.refused) {
      EXPECT_EQ(ReadBytes(folder.PathOf(name)), "new");
    }
    Unplant(folder, name);

    ASSERT_TRUE(Plant(folder, name, c.planted));
    EXPECT_EQ(!folder.RemoveFile(name), c.refused);
    if (!c.refused) {
      EXPECT_FALSE(test_support::PathExists(folder.PathOf(name)));
    }
    Unplant(folder, name);

    ASSERT_TRUE(Plant(folder, name, c.planted));
    {
      fw::ScopedFileHandle partial = folder.CreateNewFile(L"partial");
      ASSERT_TRUE(partial);
      ASSERT_TRUE(WriteAll(partial.get(), "renamed"));
      EXPECT_EQ(!folder.RenameFile(partial.get(), name, true), c.refused);
    }
    if (!c.refused) {
      EXPECT_EQ(ReadBytes(folder.PathOf(name)), "renamed");
    }
    Unplant(folder, name);
    ::DeleteFileW(folder.PathOf(L"partial").c_str());

    ExpectOutsideUntouched();
  }
}

// A new file is never made through a name already taken, a link included.
TEST_F(PlantedFile, ANewFileIsNeverMadeThroughAName) {
  const HeldFolder folder = ReachWork();
  ASSERT_TRUE(folder.is_held());
  for (const FileCase& c : kFileCases) {
    if (c.planted == Planted::kNothing) continue;
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(Plant(folder, L"new.dat", c.planted));
    EXPECT_FALSE(folder.CreateNewFile(L"new.dat"));
    Unplant(folder, L"new.dat");
  }
  ExpectOutsideUntouched();
}

TEST_F(PlantedFile, ListingNamesOnlyPlainFiles) {
  const HeldFolder folder = ReachWork();
  ASSERT_TRUE(folder.is_held());
  ASSERT_TRUE(WriteBytes(folder.PathOf(L"run-1.log"), "1"));
  ASSERT_TRUE(::CreateDirectoryW(folder.PathOf(L"run-2.log").c_str(), nullptr));
  ASSERT_TRUE(Plant(folder, L"run-3.log", Planted::kLinkToOutsideFolder));
  EXPECT_EQ(folder.ListFileNames(L"run-*.log"), std::vector<std::wstring>{L"run-1.log"});
}

}  // namespace
}  // namespace sysops
