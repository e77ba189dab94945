#pragma once
// Another process that holds a named mutex, as a running Depotron would.

#include <windows.h>

#include <string>

#include "framework/scoped_handle.h"

namespace apptest {

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
