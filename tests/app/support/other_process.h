#pragma once
// Other processes for the tests: programs started beside the test, and one
// that holds a named mutex, as a running Depotron would.

#include <windows.h>

#include <string>

#include "framework/scoped_handle.h"

namespace apptest {

// A path relative to the folder of the running test executable.
std::wstring NextToThisTest(const std::wstring& relative);

// A program started with `arguments` after its quoted path; `process` is
// empty when it could not be started (GetLastError tells why).
struct StartedProgram {
  fw::ScopedHandle process;
  DWORD id = 0;
};
StartedProgram StartProgram(const std::wstring& exe, const std::wstring& arguments);

class MutexHoldingProcess {
 public:
  // Starts app_mutex_holder.exe (next to the test executable) and waits until
  // it holds `fullName`. Check IsHolding() afterwards.
  explicit MutexHoldingProcess(const std::wstring& fullName);
  ~MutexHoldingProcess();  // lets go of the mutex and waits for the process
  MutexHoldingProcess(const MutexHoldingProcess&) = delete;
  MutexHoldingProcess& operator=(const MutexHoldingProcess&) = delete;

  bool IsHolding() const { return holding_; }

 private:
  fw::ScopedHandle ready_;
  fw::ScopedHandle release_;
  fw::ScopedHandle process_;
  bool holding_ = false;
};

// A name no other test run uses at the same time.
std::wstring UniqueName(const wchar_t* stem);

// True when a mutex of that name exists in this session or globally.
bool MutexNameExists(const std::wstring& fullName);

}  // namespace apptest
