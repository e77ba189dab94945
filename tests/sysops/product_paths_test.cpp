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
#include "sysops_test_support.h"

namespace {

using sysops::GetSpecialFolder;
using sysops::PrepareProductPath;
using sysops_test::IsFolder;
using sysops_test::ScratchFolder;

TEST(PrepareProductPath, CreatesAndOpensAMissingFolderAndTheVarnelFolder) {
  ScratchFolder base;
  const std::wstring path =
      PrepareProductPath(base.path(), L"Varnel\\Tolvik", L"VarnelDriveTerminalSend.ini");
  EXPECT_EQ(path, base / L"Varnel\\Tolvik\\VarnelDriveTerminalSend.ini");
  ASSERT_TRUE(IsFolder(base / L"Varnel\\Tolvik"));
  EXPECT_FALSE(sysops_test::Exists(path));  // only the folder is prepared
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
  EXPECT_FALSE(sysops_test::Exists(scratch / L"Varnel"));
}

TEST(PrepareProductPath, TooLongForMaxPathGivesNothing) {
  ScratchFolder base;
  const std::wstring long_folder(MAX_PATH, L'v');
  EXPECT_EQ(PrepareProductPath(base.path(), long_folder, L"x.ini"), L"");
  // A folder that fits but leaves no room for the file name.
  const std::wstring fits(MAX_PATH - base.path().size() - 4, L'w');
  EXPECT_EQ(PrepareProductPath(base.path(), fits, L"long-file-name.ini"), L"");
}

class ProductPaths : public ::testing::Test {
 protected:
  const std::wstring data_ = GetSpecialFolder(CSIDL_COMMON_APPDATA);
  const std::wstring programs_ = GetSpecialFolder(CSIDL_PROGRAM_FILES);
};

TEST_F(ProductPaths, CommonDataFilesLieInPreparedProductFolders) {
  ASSERT_FALSE(data_.empty());
  EXPECT_EQ(sysops::GetStatusBoxIniPath(),
            data_ + L"\\Varnel\\Tolvik\\VarnelDriveTerminalSend.ini");
  EXPECT_EQ(sysops::GetDepotronDataPath(L"UpdatePassive.signal.dat"),
            data_ + L"\\Varnel\\Depotron\\UpdatePassive.signal.dat");
  EXPECT_EQ(sysops::GetInstallerDownloadPath(),
            data_ + L"\\Varnel\\Download\\VarnelDepotron.msi");
  for (const wchar_t* folder : {L"Tolvik", L"Depotron", L"Download"}) {
    EXPECT_TRUE(IsFolder(data_ + L"\\Varnel\\" + folder)) << folder;
  }
}

TEST_F(ProductPaths, UploadMarkerPathCreatesNoFolder) {
  const std::wstring marker_folder = data_ + L"\\Varnel\\Tolvik\\VarnelTerminalSend";
  const bool existed = sysops_test::Exists(marker_folder);
  EXPECT_EQ(sysops::GetUploadMarkerPath(),
            data_ + L"\\Varnel\\Tolvik\\VarnelTerminalSend\\0\\0.varnelscan.upload");
  if (!existed) {
    EXPECT_FALSE(sysops_test::Exists(marker_folder));
  }
}

TEST_F(ProductPaths, ProgramsLieUnderProgramFiles) {
  ASSERT_FALSE(programs_.empty());
  const std::wstring updater = sysops::GetDepotronUpdaterPath();
  EXPECT_EQ(updater, programs_ + L"\\Varnel\\VarnelDepotron\\VarnelUpdate.exe");
  EXPECT_EQ(sysops::GetTerminalProgramPath(),
            programs_ + L"\\Varnel\\VarnelTerminal\\VarnelTerminal.exe");
}

}  // namespace
