// Product paths and the preparation of product folders: created on first use,
// opened to everybody together with the Varnel folder above, left alone once
// present. Preparation runs under scratch folders; the real locations are
// checked for their composition.

#include "sysops/product_paths.h"

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>

#include "sysops/folders.h"
#include "support/files.h"
#include "support/unique_name.h"
#include "support/unix_side.h"
#include "sysops_test_support.h"

namespace {

using sysops::GetSpecialFolder;
using sysops::PrepareProductPath;
using test_support::IsFolder;
using test_support::ScratchFolder;

TEST(PrepareProductPath, CreatesAndOpensAMissingFolderAndTheVarnelFolder) {
  ScratchFolder base;
  const std::wstring path =
      PrepareProductPath(base.path(), L"Varnel\\Tolvik", L"VarnelDriveTerminalSend.ini");
  EXPECT_EQ(path, base / L"Varnel\\Tolvik\\VarnelDriveTerminalSend.ini");
  ASSERT_TRUE(IsFolder(base / L"Varnel\\Tolvik"));
  EXPECT_FALSE(test_support::PathExists(path));  // only the folder is prepared
  sysops_test::ExpectOpenToEveryone(base / L"Varnel");
  sysops_test::ExpectOpenToEveryone(base / L"Varnel\\Tolvik");
}

TEST(PrepareProductPath, LeavesAPresentFolderAndItsRightsAlone) {
  ScratchFolder base;
  ASSERT_TRUE(sysops::CreateFolderPath(base / L"Varnel\\Tolvik"));
  sysops_test::MarkWithUsersReadOnly(base / L"Varnel");
  sysops_test::MarkWithUsersReadOnly(base / L"Varnel\\Tolvik");

  for (int call = 0; call < 2; ++call) {
    EXPECT_EQ(PrepareProductPath(base.path(), L"Varnel\\Tolvik", L"VarnelDriveTerminalSend.ini"),
              base / L"Varnel\\Tolvik\\VarnelDriveTerminalSend.ini");
    sysops_test::ExpectStillMarked(base / L"Varnel");
    sysops_test::ExpectStillMarked(base / L"Varnel\\Tolvik");
  }
}

TEST(PrepareProductPath, ANewSiblingFolderReopensTheVarnelFolder) {
  ScratchFolder base;
  PrepareProductPath(base.path(), L"Varnel\\Tolvik", L"VarnelDriveTerminalSend.ini");
  sysops_test::MarkWithUsersReadOnly(base / L"Varnel");
  sysops_test::MarkWithUsersReadOnly(base / L"Varnel\\Tolvik");

  EXPECT_EQ(PrepareProductPath(base.path(), L"Varnel\\Download", L"VarnelDepotron.msi"),
            base / L"Varnel\\Download\\VarnelDepotron.msi");
  sysops_test::ExpectOpenToEveryone(base / L"Varnel");
  sysops_test::ExpectOpenToEveryone(base / L"Varnel\\Download");
  sysops_test::ExpectStillMarked(base / L"Varnel\\Tolvik");
}

TEST(PrepareProductPath, WithoutABaseFolderCreatesNothingAnywhere) {
  ScratchFolder scratch;
  wchar_t previous[MAX_PATH];
  ASSERT_NE(::GetCurrentDirectoryW(MAX_PATH, previous), 0u);
  ASSERT_TRUE(::SetCurrentDirectoryW(scratch.path().c_str()));
  const std::wstring path = PrepareProductPath(L"", L"Varnel\\Tolvik", L"x.ini");
  ::SetCurrentDirectoryW(previous);

  EXPECT_EQ(path, L"");
  EXPECT_FALSE(test_support::PathExists(scratch / L"Varnel"));
}

TEST(PrepareProductPath, TooLongForMaxPathGivesNothing) {
  ScratchFolder base;
  const std::wstring long_folder(MAX_PATH, L'v');
  EXPECT_EQ(PrepareProductPath(base.path(), long_folder, L"x.ini"), L"");
  // A folder that fits but leaves no room for the file name.
  const std::wstring fits(MAX_PATH - base.path().size() - 4, L'w');
  EXPECT_EQ(PrepareProductPath(base.path(), fits, L"long-file-name.ini"), L"");
}

// The real product locations, with the prefix's Varnel data folder moved aside
// for each test, so that every test starts where a fresh PC starts.
class ProductPaths : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(data_.empty());
    if (test_support::PathExists(varnel_)) {
      ASSERT_TRUE(::MoveFileW(varnel_.c_str(), aside_.c_str()));
      moved_aside_ = true;
    }
  }
  void TearDown() override {
    test_support::RemoveTree(varnel_);
    if (moved_aside_) ::MoveFileW(aside_.c_str(), varnel_.c_str());
  }

  const std::wstring data_ = GetSpecialFolder(CSIDL_COMMON_APPDATA);
  const std::wstring programs_ = GetSpecialFolder(CSIDL_PROGRAM_FILES);
  const std::wstring varnel_ = data_ + L"\\Varnel";
  const std::wstring aside_ = data_ + L"\\" + test_support::UniqueName(L"Varnel-aside");
  bool moved_aside_ = false;
};

TEST_F(ProductPaths, CommonDataFilesLieInPreparedProductFolders) {
  EXPECT_EQ(sysops::GetStatusBoxIniPath(),
            data_ + L"\\Varnel\\Tolvik\\VarnelDriveTerminalSend.ini");
  EXPECT_TRUE(IsFolder(data_ + L"\\Varnel\\Tolvik"));
  EXPECT_FALSE(test_support::PathExists(data_ + L"\\Varnel\\Depotron"));

  EXPECT_EQ(sysops::GetDepotronDataPath(L"UpdatePassive.signal.dat"),
            data_ + L"\\Varnel\\Depotron\\UpdatePassive.signal.dat");
  EXPECT_TRUE(IsFolder(data_ + L"\\Varnel\\Depotron"));
  EXPECT_FALSE(test_support::PathExists(data_ + L"\\Varnel\\Download"));

  EXPECT_EQ(sysops::GetInstallerDownloadPath(),
            data_ + L"\\Varnel\\Download\\VarnelDepotron.msi");
  EXPECT_TRUE(IsFolder(data_ + L"\\Varnel\\Download"));
}

TEST_F(ProductPaths, UploadMarkerPathCreatesNoFolder) {
  EXPECT_EQ(sysops::GetUploadMarkerPath(),
            data_ + L"\\Varnel\\Tolvik\\VarnelTerminalSend\\0\\0.varnelscan.upload");
  EXPECT_FALSE(test_support::PathExists(varnel_));
}

// The run's own copy of the package: under Program Files, where only
// administrators create folders, in a folder closed to Everyone again on
// every call, however it was found.
TEST_F(ProductPaths, ThePrivatePackageFolderIsClosedToEveryoneEachTime) {
  ASSERT_FALSE(programs_.empty());
  const std::wstring folder = programs_ + L"\\Varnel\\Setup";
  test_support::ScopedFolder place(folder);  // removed afterwards if made here
  ASSERT_TRUE(place.ok());
  ASSERT_TRUE(sysops::GrantEveryoneFullAccess(folder));
  EXPECT_EQ(sysops::GetPrivateInstallerPath(), folder + L"\\VarnelDepotron.msi");
  const sysops_test::DaclView dacl = sysops_test::ReadDacl(folder);
  ASSERT_TRUE(dacl.ok);
  EXPECT_EQ(sysops_test::RightsOf(dacl, sysops_test::kEveryone), 0u);
  // Nothing of the public product folders is made for it.
  EXPECT_FALSE(test_support::PathExists(varnel_));
}

// A restriction that does not take gives no path: a private folder still open
// to Everyone would let another account swap the package. Wine fails to set
// an access list where it can neither change the folder's mode bits nor its
// extended attributes: the folder open to all (mode 777) and immutable.
TEST_F(ProductPaths, APrivateFolderThatCannotBeRestrictedGivesNoPath) {
  ASSERT_FALSE(programs_.empty());
  const std::wstring folder = programs_ + L"\\Varnel\\Setup";
  test_support::ScopedFolder place(folder);
  ASSERT_TRUE(place.ok());
  ASSERT_TRUE(sysops::GrantEveryoneFullAccess(folder));
  {
    test_support::ScopedImmutable frozen(folder);
    ASSERT_TRUE(frozen.ok());
    EXPECT_EQ(sysops::GetPrivateInstallerPath(), L"");
    EXPECT_FALSE(sysops::HoldPrivateFolder().is_held());
  }
  EXPECT_EQ(sysops::GetPrivateInstallerPath(), folder + L"\\VarnelDepotron.msi");
}

// The list stored on the folder, read back after the call, is protected: the
// entries Program Files passes on must not flow in.
TEST_F(ProductPaths, ThePrivateFolderKeepsItsListProtected) {
  ASSERT_FALSE(programs_.empty());
  const std::wstring folder = programs_ + L"\\Varnel\\Setup";
  test_support::ScopedFolder place(folder);
  ASSERT_TRUE(place.ok());
  ASSERT_FALSE(sysops::GetPrivateInstallerPath().empty());
  if (!sysops_test::IsDaclProtected(folder)) {
    // Wine 8 as built here keeps no user.wine.sd on folders and rebuilds
    // the list from the mode bits, without the protected bit, whoever set
    // it: then this cannot be told under Wine (it holds on Windows).
    ScratchFolder probe;
    sysops::AdministratorsOnlyDescriptor restricted;
    ASSERT_TRUE(restricted.valid());
    ASSERT_TRUE(::SetFileSecurityW(probe.path().c_str(),
                                   DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                   restricted.get()));
    if (!sysops_test::IsDaclProtected(probe.path())) {
      GTEST_SKIP() << "this Wine keeps no protected bit on any folder";
    }
  }
  EXPECT_TRUE(sysops_test::IsDaclProtected(folder));
}

TEST_F(ProductPaths, ProgramsLieUnderProgramFiles) {
  ASSERT_FALSE(programs_.empty());
  const std::wstring updater = sysops::GetDepotronUpdaterPath();
  EXPECT_EQ(updater, programs_ + L"\\Varnel\\VarnelDepotron\\VarnelUpdate.exe");
  EXPECT_EQ(sysops::GetTerminalProgramPath(),
            programs_ + L"\\Varnel\\VarnelTerminal\\VarnelTerminal.exe");
}

}  // namespace
