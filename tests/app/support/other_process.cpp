#include "support/other_process.h"

#include <atomic>
#include <utility>

namespace apptest {

std::wstring UniqueName(const wchar_t* stem) {
  static std::atomic<int> counter{0};
  return std::wstring(stem) + L" " + std::to_wstring(::GetCurrentProcessId()) + L"." +
         std::to_wstring(++counter);
}

std::wstring NextToThisTest(const std::wstring& relative) {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring dir(path);
  dir.erase(dir.find_last_of(L'\\') + 1);
  return dir + relative;
}

StartedProgram StartProgram(const std::wstring& exe, const std::wstring& arguments) {
  std::wstring command = L"\"" + exe + L"\"";
  if (!arguments.empty()) command += L" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  StartedProgram started;
  if (::CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &info)) {
    ::CloseHandle(info.hThread);
    started.process.reset(info.hProcess);
    started.id = info.dwProcessId;
  }
  return started;
}

bool MutexNameExists(const std::wstring& fullName) {
  fw::ScopedHandle mutex(::OpenMutexW(SYNCHRONIZE, FALSE, fullName.c_str()));
  return mutex.is_valid();
}

MutexHoldingProcess::MutexHoldingProcess(const std::wstring& fullName) {
  const std::wstring readyName = UniqueName(L"vts holder ready");
  const std::wstring releaseName = UniqueName(L"vts holder release");
  ready_.reset(::CreateEventW(nullptr, TRUE, FALSE, readyName.c_str()));
  release_.reset(::CreateEventW(nullptr, TRUE, FALSE, releaseName.c_str()));
  if (!ready_ || !release_) return;

  StartedProgram holder = StartProgram(
      NextToThisTest(L"app_mutex_holder.exe"),
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
