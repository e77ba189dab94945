// The Depotron stand-ins under Wine as the setup run meets them: the package
// opened with the verb "open" installs the updater where the 32-bit program
// looks for it, the updater holds the global mutex while it runs and records
// its start, and the terminal program records its start.

#include <gtest/gtest.h>
#include <shlobj.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "../support/local_services.h"

namespace {

const wchar_t kMutex[] = L"Global\\VarnelUpdateExecute Mutex 1.0";

std::wstring FakeDir() {
  const char* dir = std::getenv("VTS_FAKE_DEPOTRON_DIR");
  return dir ? vtstest::WinePathOf(dir) + L"\\" : std::wstring();
}

std::wstring ProgramFiles() {
  wchar_t path[MAX_PATH];
  if (!::SHGetSpecialFolderPathW(nullptr, path, CSIDL_PROGRAM_FILES, FALSE)) return std::wstring();
  return path;
}

std::wstring UpdaterFolder() { return ProgramFiles() + L"\\Varnel\\VarnelDepotron"; }

bool Exists(const std::wstring& path) {
  return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadAll(const std::wstring& path) {
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  std::ostringstream all;
  all << in.rdbuf();
  return all.str();
}

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

bool MutexExists() {
  HANDLE mutex = ::CreateMutexW(nullptr, FALSE, kMutex);
  bool existed = mutex && ::GetLastError() == ERROR_ALREADY_EXISTS;
  if (mutex) ::CloseHandle(mutex);
  return existed;
}

// Waits until `text` shows up in the file, at most about `seconds`.
bool WaitForText(const std::wstring& file, const std::string& text, int seconds) {
  for (int i = 0; i < seconds * 20; ++i) {
    if (ReadAll(file).find(text) != std::string::npos) return true;
    ::Sleep(50);
  }
  return false;
}

class FakeDepotron : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(FakeDir().empty()) << "VTS_FAKE_DEPOTRON_DIR not set: run the test through ctest";
    package_ = FakeDir() + L"VarnelDepotron.msi";
    ASSERT_TRUE(Exists(package_));
    ASSERT_FALSE(Exists(UpdaterFolder() + L"\\VarnelUpdate.exe"))
        << "an updater is installed already; the prefix is not clean";
  }

  // Leaves the prefix without Depotron, whatever the test got to: the setup
  // tests that share the prefix take the installer path only then.
  void TearDown() override {
    HANDLE stop = ::OpenEventW(EVENT_MODIFY_STATE, FALSE, L"VtsFakeUpdaterStop");
    if (stop) {
      ::SetEvent(stop);
      ::CloseHandle(stop);
    }
    std::wstring command = L"msiexec.exe /x \"" + package_ + L"\" /qn";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                         &startup, &process)) {
      ::CloseHandle(process.hThread);
      WaitAndClose(process.hProcess, 60000);
    }
    ::DeleteFileW((UpdaterFolder() + L"\\VarnelUpdate.started.txt").c_str());
    ::DeleteFileW((UpdaterFolder() + L"\\VarnelUpdate.exe").c_str());
    ::RemoveDirectoryW(UpdaterFolder().c_str());
    ::RemoveDirectoryW((ProgramFiles() + L"\\Varnel").c_str());
  }

  std::wstring package_;
};

TEST_F(FakeDepotron, OpeningThePackageInstallsTheUpdaterUnderProgramFilesX86) {
  // A 32-bit process on a 64-bit prefix: the 32-bit Program Files folder.
  EXPECT_NE(ProgramFiles().find(L"Program Files (x86)"), std::wstring::npos);
  ASSERT_EQ(WaitAndClose(Open(package_), 60000), WAIT_OBJECT_0)
      << "the package did not finish installing on its own (a dialog waiting?)";
  const std::wstring updater = UpdaterFolder() + L"\\VarnelUpdate.exe";
  EXPECT_TRUE(Exists(updater));
  EXPECT_TRUE(Exists(L"C:\\Program Files (x86)\\Varnel\\VarnelDepotron\\VarnelUpdate.exe"));
  // The installed program is the one that was packaged.
  EXPECT_EQ(ReadAll(updater), ReadAll(FakeDir() + L"VarnelUpdate.exe"));
}

TEST_F(FakeDepotron, InstalledUpdaterHoldsTheMutexWhileItRuns) {
  ASSERT_EQ(WaitAndClose(Open(package_), 60000), WAIT_OBJECT_0);
  const std::wstring record = UpdaterFolder() + L"\\VarnelUpdate.started.txt";
  ASSERT_FALSE(MutexExists());

  ASSERT_TRUE(::SetEnvironmentVariableW(L"VTS_FAKE_UPDATER_HOLD_MS", L"30000"));
  HANDLE updater = Open(UpdaterFolder() + L"\\VarnelUpdate.exe");
  ::SetEnvironmentVariableW(L"VTS_FAKE_UPDATER_HOLD_MS", nullptr);
  ASSERT_NE(updater, nullptr);
  ASSERT_TRUE(WaitForText(record, " started ", 20)) << ReadAll(record);
  EXPECT_TRUE(MutexExists());
  EXPECT_NE(ReadAll(record).find("started mutex=created hold=30000 args=\r\n"), std::string::npos)
      << ReadAll(record);
  EXPECT_EQ(::WaitForSingleObject(updater, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "still running";

  // The stop event ends it early; the mutex goes with it.
  HANDLE stop = ::OpenEventW(EVENT_MODIFY_STATE, FALSE, L"VtsFakeUpdaterStop");
  ASSERT_NE(stop, nullptr);
  ::SetEvent(stop);
  ::CloseHandle(stop);
  EXPECT_EQ(WaitAndClose(updater, 10000), WAIT_OBJECT_0);
  EXPECT_FALSE(MutexExists());
  EXPECT_NE(ReadAll(record).find(" ended\r\n"), std::string::npos);
}

TEST_F(FakeDepotron, UpdaterLetsGoAfterItsHoldTime) {
  const std::wstring copy = FakeDir() + L"VarnelUpdate.exe";
  const std::wstring record = FakeDir() + L"VarnelUpdate.started.txt";
  ::DeleteFileW(record.c_str());
  ASSERT_TRUE(::SetEnvironmentVariableW(L"VTS_FAKE_UPDATER_HOLD_MS", L"300"));
  HANDLE first = Open(copy, L"--first");
  ::SetEnvironmentVariableW(L"VTS_FAKE_UPDATER_HOLD_MS", nullptr);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(WaitAndClose(first, 20000), WAIT_OBJECT_0);
  EXPECT_FALSE(MutexExists());
  std::string lines = ReadAll(record);
  EXPECT_NE(lines.find("started mutex=created hold=300 args=--first\r\n"), std::string::npos) << lines;
  EXPECT_NE(lines.find(" ended\r\n"), std::string::npos) << lines;
  ::DeleteFileW(record.c_str());
}

TEST_F(FakeDepotron, TerminalProgramRecordsItsStart) {
  const std::wstring record = FakeDir() + L"VarnelTerminal.started.txt";
  ::DeleteFileW(record.c_str());
  EXPECT_EQ(WaitAndClose(Open(FakeDir() + L"VarnelTerminal.exe", L"/auto"), 20000), WAIT_OBJECT_0);
  EXPECT_NE(ReadAll(record).find(" started args=/auto\r\n"), std::string::npos) << ReadAll(record);
  ::DeleteFileW(record.c_str());
}

}  // namespace
