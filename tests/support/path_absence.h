#pragma once
// A file or folder that is not there for one test (for a file alone,
// ScopedFile without bytes does as much): whatever is at the path is
// moved aside (a sibling with a unique name) and comes back afterwards, in
// place of whatever the test left there. Nothing throws or asserts: see
// support/test_support.h.

#include <string>

namespace test_support {

class ScopedAbsence {
 public:
  explicit ScopedAbsence(const std::wstring& path);
  ~ScopedAbsence();
  ScopedAbsence(const ScopedAbsence&) = delete;
  ScopedAbsence& operator=(const ScopedAbsence&) = delete;

  bool ok() const { return ok_; }

 private:
  std::wstring path_;
  std::wstring aside_;  // empty when nothing was there
  bool ok_ = false;
};

}  // namespace test_support
