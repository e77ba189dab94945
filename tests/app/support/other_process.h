#pragma once
// A process that holds a named mutex, as a running Depotron would. Starting
// programs and unique names are in the shared test support (support/programs.h,
// support/unique_name.h).

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

// True when a mutex of that name exists in this session or globally.
bool MutexNameExists(const std::wstring& fullName);

}  // namespace apptest
