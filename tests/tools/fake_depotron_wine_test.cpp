// The Depotron stand-ins under Wine as the setup run meets them: the package
// opened with the verb "open" installs the updater where the 32-bit program
// looks for it, the updater holds the global mutex while it runs and records
// its start, and the terminal program records its start.

#include <gtest/gtest.h>
#include <shlobj.h>
#include <windows.h>

#include <string>

#include "support/fake_depotron.h"
#include "support/files.h"
#include "support/programs.h"

namespace {

using test_support::PathExists;
using test_support::ReadBytes;
using test_support::FakeDepotron;

// Opens `file` with the verb "open", as the setup run does, but keeps the
// process handle so that the test can wait for it.
HANDLE Open(const std::wstring& file, const wchar_t* parameters = L"") {
  SHELLEXECUTEINFOW info = {};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS;
  info.lpVerb = L"open";
  info.lpFile = file.c_str();
  info.lpParameters = parameters;
  info.nShow = SW_SHOW;
  if (!::ShellExecuteExW(&info)) return nullptr;
  return info.hProcess;
}

DWORD WaitAndClose(HANDLE process, DWORD milliseconds) {
  if (!process) return WAIT_FAILED;
  DWORD waited = ::WaitForSingleObject(process, milliseconds);
  ::CloseHandle(process);
  return waited;
}

// Waits until `text` shows up in the file, at most about `seconds`.
bool WaitForText(const std::wstring& file, const std::string& text, int seconds) {
  for (int i = 0; i < seconds * 20; ++i) {
    if (ReadBytes(file).find(text) != std::string::npos) return true;
    ::Sleep(50);
  }
  return false;
}

class FakeDepotronTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(depotron_.ok()) << "VTS_FAKE_DEPOTRON_DIR not set or no package: run through ctest";
    ASSERT_FALSE(depotron_.Installed()) << "an updater is installed already; the prefix is not clean";
  }
  // Leaves the prefix without Depotron, whatever the test got to: the setup
  // tests that share the prefix take the installer path only then.
  void TearDown() override {
    depotron_.Remove();
    EXPECT_FALSE(PathExists(depotron_.folder()));
  }

  FakeDepotron depotron_;
};

TEST_F(FakeDepotronTest, OpeningThePackageInstallsTheUpdaterWhereTheProgramLooks) {
  // A 32-bit process on a 64-bit prefix: the 32-bit Program Files folder; the
  // 64-bit twin and its 64-bit package: the 64-bit one.
  EXPECT_EQ(depotron_.updater(),
            test_support::ExpectedProgramFiles() + L"\\Varnel\\VarnelDepotron\\VarnelUpdate.exe");
  ASSERT_EQ(WaitAndClose(Open(depotron_.package()), FakeDepotron::kInstallerWaitMs), WAIT_OBJECT_0)
      << "the package did not finish installing on its own (a dialog waiting?)";
  EXPECT_TRUE(FakeDepotron::WaitForInstallers(FakeDepotron::kInstallerWaitMs));
  EXPECT_TRUE(depotron_.Installed());
  // The installed program is the one that was packaged.
  EXPECT_EQ(ReadBytes(depotron_.updater()), ReadBytes(depotron_.builtUpdater()));
}

TEST_F(FakeDepotronTest, InstalledUpdaterHoldsTheMutexWhileItRuns) {
  ASSERT_TRUE(depotron_.Install());
  ASSERT_FALSE(FakeDepotron::MutexExists());

  // Started the way the setup run starts it, with the caller's environment.
  ASSERT_TRUE(::SetEnvironmentVariableW(L"VTS_FAKE_UPDATER_HOLD_MS", L"30000"));
  HANDLE updater = Open(depotron_.updater());
  ::SetEnvironmentVariableW(L"VTS_FAKE_UPDATER_HOLD_MS", nullptr);
  ASSERT_NE(updater, nullptr);
  ASSERT_TRUE(WaitForText(depotron_.startRecord(), " started ", 20)) << depotron_.StartRecordText();
  EXPECT_TRUE(FakeDepotron::MutexExists());
  EXPECT_NE(depotron_.StartRecordText().find("started mutex=created hold=30000 args=\r\n"),
            std::string::npos)
      << depotron_.StartRecordText();
  EXPECT_EQ(::WaitForSingleObject(updater, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "still running";

  // The stop event ends it early; the mutex goes with it.
  FakeDepotron::StopUpdaters();
  EXPECT_EQ(WaitAndClose(updater, 10000), WAIT_OBJECT_0);
  EXPECT_FALSE(FakeDepotron::MutexExists());
  EXPECT_NE(depotron_.StartRecordText().find(" ended\r\n"), std::string::npos);
}

TEST_F(FakeDepotronTest, UpdaterLetsGoAfterItsHoldTime) {
  const std::wstring record = depotron_.builtUpdater().substr(0, depotron_.builtUpdater().rfind(L'\\')) +
                              L"\\VarnelUpdate.started.txt";
  ::DeleteFileW(record.c_str());
  HANDLE updater = depotron_.StartUpdater(300);
  ASSERT_NE(updater, nullptr);
  EXPECT_EQ(WaitAndClose(updater, 20000), WAIT_OBJECT_0);
  EXPECT_FALSE(FakeDepotron::MutexExists());
  std::string lines = ReadBytes(record);
  EXPECT_NE(lines.find("started mutex=created hold=300 args=\r\n"), std::string::npos) << lines;
  EXPECT_NE(lines.find(" ended\r\n"), std::string::npos) << lines;
  ::DeleteFileW(record.c_str());
}

TEST_F(FakeDepotronTest, SecondUpdaterFindsTheMutexTaken) {
  ASSERT_TRUE(depotron_.Install());
  HANDLE first = depotron_.StartUpdater(30000);
  ASSERT_NE(first, nullptr);
  ASSERT_TRUE(FakeDepotron::MutexExists());
  HANDLE second = depotron_.StartUpdater(100);
  EXPECT_EQ(WaitAndClose(second, 20000), WAIT_OBJECT_0);
  EXPECT_TRUE(FakeDepotron::MutexExists()) << "the first one still holds it";
  EXPECT_NE(depotron_.StartRecordText().find("started mutex=existed hold=100"), std::string::npos)
      << depotron_.StartRecordText();
  FakeDepotron::StopUpdaters();
  EXPECT_EQ(WaitAndClose(first, 10000), WAIT_OBJECT_0);
  EXPECT_FALSE(FakeDepotron::MutexExists());
}

TEST_F(FakeDepotronTest, TerminalProgramRecordsItsStart) {
  const std::wstring terminal = depotron_.builtTerminal();
  const std::wstring record = terminal.substr(0, terminal.rfind(L'\\')) + L"\\VarnelTerminal.started.txt";
  ::DeleteFileW(record.c_str());
  EXPECT_EQ(WaitAndClose(Open(terminal, L"/auto"), 20000), WAIT_OBJECT_0);
  EXPECT_NE(ReadBytes(record).find(" started args=/auto\r\n"), std::string::npos) << ReadBytes(record);
  ::DeleteFileW(record.c_str());
}

}  // namespace
