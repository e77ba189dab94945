#pragma once
// Windows tests' side of the Depotron stand-ins (tools/fake-depotron): the
// package, the updater it installs, its start record and its mutex.
//
// A test finds the Windows build's tools/fake-depotron folder in
// VTS_FAKE_DEPOTRON_DIR (a Unix path; the local_services ctest fixture sets
// it, or ENVIRONMENT VTS_FAKE_DEPOTRON_DIR=${CMAKE_BINARY_DIR}/tools/fake-depotron).
//
//   test_support::FakeDepotron depotron;       // ok(), package(), updater()
//   depotron.Install();                   // as an earlier first run would
//   HANDLE updater = depotron.StartUpdater(30000);  // holds the mutex 30 s
//   depotron.StopUpdaters();              // lets go at once
//   depotron.WaitForInstallers(20000);    // after the product opened the package
//   depotron.Remove();                    // the prefix without Depotron again
//
// Header only, on Win32, the shell and the shared test support.

#include <shlobj.h>
#include <tlhelp32.h>
#include <windows.h>

#include <cstdlib>
#include <string>

#include "support/files.h"
#include "support/programs.h"

namespace test_support {

class FakeDepotron {
 public:
  static constexpr const wchar_t* kMutex = L"Global\\VarnelUpdateExecute Mutex 1.0";
  static constexpr const wchar_t* kStopEvent = L"VtsFakeUpdaterStop";
  // Windows Installer takes a few seconds over the package here; many times
  // that, and no more, so that a test whose install never ends fails soon.
  static constexpr DWORD kInstallerWaitMs = 20000;

  FakeDepotron() {
    const char* dir = std::getenv("VTS_FAKE_DEPOTRON_DIR");
    if (dir) built_ = WindowsPathOfUnixPath(dir) + L"\\";
    wchar_t programFiles[MAX_PATH];
    if (::SHGetSpecialFolderPathW(nullptr, programFiles, CSIDL_PROGRAM_FILES, FALSE)) {
      varnel_ = std::wstring(programFiles) + L"\\Varnel";
    }
  }

  bool ok() const { return !built_.empty() && !varnel_.empty() && PathExists(package()); }

  // The built stand-ins.
  std::wstring package() const { return built_ + L"VarnelDepotron.msi"; }
  std::wstring builtUpdater() const { return built_ + L"VarnelUpdate.exe"; }
  std::wstring builtTerminal() const { return built_ + L"VarnelTerminal.exe"; }

  // Where the package installs the updater, and its start record beside it.
  std::wstring folder() const { return varnel_ + L"\\VarnelDepotron"; }
  std::wstring updater() const { return folder() + L"\\VarnelUpdate.exe"; }
  std::wstring startRecord() const { return folder() + L"\\VarnelUpdate.started.txt"; }
  bool Installed() const { return PathExists(updater()); }

  // The start record's text (UTF-8, one line per start and per end).
  std::string StartRecordText() const { return ReadBytes(startRecord()); }

  // Until the start record shows a start: the product starts the updater and
  // does not wait for it. False after `milliseconds`.
  bool WaitForStartRecord(DWORD milliseconds) const {
    const ULONGLONG end = ::GetTickCount64() + milliseconds;
    while (StartRecordText().find("started") == std::string::npos) {
      if (::GetTickCount64() >= end) return false;
      ::Sleep(20);
    }
    return true;
  }

  // Installs the package without any user interface and waits.
  bool Install() const { return RunMsiexec(L"/i") && Installed(); }

  // Ends running updaters, uninstalls, and removes what the stand-ins leave
  // (the start record, the folders) and the run's own copy of the package
  // beside them, so the prefix is as before.
  void Remove() const {
    StopUpdaters();
    WaitForInstallers(kInstallerWaitMs);
    if (Installed()) RunMsiexec(L"/x");
    ::DeleteFileW(startRecord().c_str());
    ::DeleteFileW(updater().c_str());
    ::RemoveDirectoryW(folder().c_str());
    test_support::RemoveTree(varnel_ + L"\\Setup");
    ::RemoveDirectoryW(varnel_.c_str());
  }

  // Starts the installed updater (or, when none is, the built one) holding
  // the mutex for `holdMs`; the process handle is the caller's.
  HANDLE StartUpdater(DWORD holdMs) const {
    std::wstring program = Installed() ? updater() : builtUpdater();
    ::SetEnvironmentVariableW(L"VTS_FAKE_UPDATER_HOLD_MS", std::to_wstring(holdMs).c_str());
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::wstring command = L"\"" + program + L"\"";
    BOOL started = ::CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0,
                                    nullptr, nullptr, &startup, &process);
    ::SetEnvironmentVariableW(L"VTS_FAKE_UPDATER_HOLD_MS", nullptr);
    if (!started) return nullptr;
    ::CloseHandle(process.hThread);
    // Started means holding: wait until the mutex is there.
    for (int i = 0; i < 400 && !MutexExists(); ++i) ::Sleep(25);
    return process.hProcess;
  }

  // Every running fake updater lets go of the mutex and ends.
  static void StopUpdaters() {
    if (HANDLE stop = ::OpenEventW(EVENT_MODIFY_STATE, FALSE, kStopEvent)) {
      ::SetEvent(stop);
      ::CloseHandle(stop);
    }
    for (int i = 0; i < 400 && MutexExists(); ++i) ::Sleep(25);
    // A manual-reset event: put it back for the next updater.
    if (HANDLE stop = ::OpenEventW(EVENT_MODIFY_STATE, FALSE, kStopEvent)) {
      ::ResetEvent(stop);
      ::CloseHandle(stop);
    }
  }

  // Whether the updater's global mutex exists now (what the product tests).
  static bool MutexExists() {
    HANDLE mutex = ::CreateMutexW(nullptr, FALSE, kMutex);
    bool existed = mutex && ::GetLastError() == ERROR_ALREADY_EXISTS;
    if (mutex) ::CloseHandle(mutex);
    return existed;
  }

  // Waits until no msiexec.exe runs any more (the product opens the package
  // and does not wait); false when one still runs after `milliseconds`.
  static bool WaitForInstallers(DWORD milliseconds) {
    DWORD start = ::GetTickCount();
    while (MsiexecRunning()) {
      if (::GetTickCount() - start > milliseconds) return false;
      ::Sleep(50);
    }
    return true;
  }

 private:
  static bool MsiexecRunning() {
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return false;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    bool found = false;
    for (BOOL more = ::Process32FirstW(snapshot, &entry); more && !found;
         more = ::Process32NextW(snapshot, &entry)) {
      found = ::lstrcmpiW(entry.szExeFile, L"msiexec.exe") == 0;
    }
    ::CloseHandle(snapshot);
    return found;
  }

  bool RunMsiexec(const wchar_t* action) const {
    std::wstring command = std::wstring(L"msiexec.exe ") + action + L" \"" + package() + L"\" /qn";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &process)) {
      return false;
    }
    ::CloseHandle(process.hThread);
    DWORD waited = ::WaitForSingleObject(process.hProcess, kInstallerWaitMs);
    DWORD code = 1;
    ::GetExitCodeProcess(process.hProcess, &code);
    ::CloseHandle(process.hProcess);
    return waited == WAIT_OBJECT_0 && code == 0;
  }

  std::wstring built_, varnel_;
};

}  // namespace test_support
