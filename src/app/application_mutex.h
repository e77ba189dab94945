#pragma once
// A named kernel mutex used as a presence marker: Create succeeds only for
// the process that brings the name into existence. The mutex is never waited
// on or acquired; it marks presence while the handle is open.

#include <windows.h>

#include <string>

// The two system calls that CApplicationMutex makes, behind an interface so
// that a caller can watch how many attempts and pauses a Create takes.
class CMutexSystem {
 public:
  virtual ~CMutexSystem() = default;
  // CreateMutexW with default security, not initially owned. The thread's
  // last-error value is left as the system set it.
  virtual HANDLE CreateNamedMutex(const std::wstring& name) = 0;
  virtual void Sleep(DWORD milliseconds) = 0;

  // The system itself.
  static CMutexSystem& Default();
};

class CApplicationMutex {
 public:
  CApplicationMutex();
  explicit CApplicationMutex(CMutexSystem& system);
  virtual ~CApplicationMutex();
  CApplicationMutex(const CApplicationMutex&) = delete;
  CApplicationMutex& operator=(const CApplicationMutex&) = delete;

  // Tries waitMilliseconds / 10 times (at least once) to create the mutex
  // "Global\<name>" (global) or "<name>", pausing 10 ms after every failed
  // attempt but the first. True once a creation brought the name into
  // existence. When the name already existed, the thread's last-error value
  // is cleared. A handle held from an earlier Create is closed first, so the
  // object never holds more than one.
  [[nodiscard]] virtual bool Create(const std::wstring& name, int waitMilliseconds, bool global);
  // Closes the held handle, if any.
  virtual void Close();
  virtual bool IsCreated() const;

 private:
  CMutexSystem& system_;
  HANDLE mutex_ = nullptr;
};
