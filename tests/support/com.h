#pragma once
// COM for the test's thread while the object lives (single-threaded
// apartment, as the program's workers have it): the shell-link objects of
// the start-up shortcut need it. See support/test_support.h.

#include <objbase.h>

namespace test_support {

class ScopedCom {
 public:
  ScopedCom() : ok_(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ScopedCom() {
    if (ok_) ::CoUninitialize();
  }
  ScopedCom(const ScopedCom&) = delete;
  ScopedCom& operator=(const ScopedCom&) = delete;

  bool ok() const { return ok_; }

 private:
  bool ok_;
};

}  // namespace test_support
