// Stand-in for Depotron's updater, VarnelUpdate.exe: what the setup wizard
// relies on of the real one. While it runs it holds the global mutex
// "VarnelUpdateExecute Mutex 1.0" that marks a running Depotron.
//
// Records its start and end in VarnelUpdate.started.txt beside itself:
//   "<local time> pid=N started mutex=created|existed hold=MS args=<command line>"
//   "<local time> pid=N ended"
// Holds the mutex for VTS_FAKE_UPDATER_HOLD_MS milliseconds (default 5000),
// or until the named event "VtsFakeUpdaterStop" is set, then ends.

#include <windows.h>

#include <cwchar>
#include <string>

#include "fake_program.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  DWORD hold = 5000;
  wchar_t value[32];
  DWORD length = ::GetEnvironmentVariableW(L"VTS_FAKE_UPDATER_HOLD_MS", value, 32);
  if (length > 0 && length < 32) hold = static_cast<DWORD>(std::wcstoul(value, nullptr, 10));

  HANDLE mutex = ::CreateMutexW(nullptr, FALSE, L"Global\\VarnelUpdateExecute Mutex 1.0");
  bool existed = mutex && ::GetLastError() == ERROR_ALREADY_EXISTS;
  HANDLE stop = ::CreateEventW(nullptr, TRUE, FALSE, L"VtsFakeUpdaterStop");

  std::wstring record = fake::ProgramFolder() + L"VarnelUpdate.started.txt";
  fake::AppendRecord(record, std::wstring(L"started mutex=") +
                                 (mutex ? (existed ? L"existed" : L"created") : L"failed") +
                                 L" hold=" + std::to_wstring(hold) + L" args=" + fake::Arguments());
  if (stop) {
    ::WaitForSingleObject(stop, hold);
    ::CloseHandle(stop);
  } else {
    ::Sleep(hold);
  }
  if (mutex) ::CloseHandle(mutex);
  fake::AppendRecord(record, L"ended");
  return 0;
}
