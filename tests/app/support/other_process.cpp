#include "support/other_process.h"

#include <utility>

#include "support/programs.h"
#include "support/unique_name.h"

namespace apptest {

bool MutexNameExists(const std::wstring& fullName) {
  fw::ScopedHandle mutex(::OpenMutexW(SYNCHRONIZE, FALSE, fullName.c_str()));
  return mutex.is_valid();
}

MutexHoldingProcess::MutexHoldingProcess(const std::wstring& fullName) {
  const std::wstring readyName = test_support::UniqueName(L"vts holder ready");
  const std::wstring releaseName = test_support::UniqueName(L"vts holder release");
  ready_.reset(::CreateEventW(nullptr, TRUE, FALSE, readyName.c_str()));
  release_.reset(::CreateEventW(nullptr, TRUE, FALSE, releaseName.c_str()));
  if (!ready_ || !release_) return;

  test_support::StartedProgram holder = test_support::StartProgram(
      test_support::NextToThisTest(L"app_mutex_holder.exe"),
      L"\"" + fullName + L"\" \"" + readyName + L"\" \"" + releaseName + L"\"");
  if (!holder.process) return;
  process_ = std::move(holder.process);
  HANDLE waits[] = {ready_.get(), process_.get()};
  holding_ = ::WaitForMultipleObjects(2, waits, FALSE, 30000) == WAIT_OBJECT_0;
}

MutexHoldingProcess::~MutexHoldingProcess() {
  if (release_) ::SetEvent(release_.get());
  if (process_) ::WaitForSingleObject(process_.get(), 30000);
}

}  // namespace apptest
