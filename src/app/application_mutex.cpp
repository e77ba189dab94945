#include "app/application_mutex.h"

namespace {

class SystemMutexCalls : public CMutexSystem {
 public:
  HANDLE CreateNamedMutex(const std::wstring& name) override {
    return ::CreateMutexW(nullptr, FALSE, name.c_str());
  }
  void Sleep(DWORD milliseconds) override { ::Sleep(milliseconds); }
};

constexpr DWORD kRetryPauseMs = 10;

}  // namespace

CMutexSystem& CMutexSystem::Default() {
  static SystemMutexCalls calls;
  return calls;
}

CApplicationMutex::CApplicationMutex() : CApplicationMutex(CMutexSystem::Default()) {}

CApplicationMutex::CApplicationMutex(CMutexSystem& system) : system_(system) {}

CApplicationMutex::~CApplicationMutex() { Close(); }

bool CApplicationMutex::Create(const std::wstring& name, int waitMilliseconds, bool global) {
  Close();
  const std::wstring fullName = global ? L"Global\\" + name : name;
  int attempts = waitMilliseconds / static_cast<int>(kRetryPauseMs);
  if (attempts < 1) attempts = 1;
  for (int attempt = 1; attempt <= attempts; ++attempt) {
    mutex_ = system_.CreateNamedMutex(fullName);
    if (mutex_) {
      if (::GetLastError() != ERROR_ALREADY_EXISTS) return true;
      // Someone else brought the name into existence: we only looked.
      Close();
      ::SetLastError(0);
    }
    if (attempt > 1) system_.Sleep(kRetryPauseMs);
  }
  return false;
}

void CApplicationMutex::Close() {
  if (mutex_) {
    ::CloseHandle(mutex_);
    mutex_ = nullptr;
  }
}

bool CApplicationMutex::IsCreated() const { return mutex_ != nullptr; }
