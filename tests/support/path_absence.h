#pragma once
// A file or folder that is not there for one test (for a file alone,
// ScopedFile without bytes does as much): whatever is at the path is
// moved aside (a sibling with a unique name) and comes back afterwards, in
// place of whatever the test left there. Nothing throws or asserts: see
// support/test_support.h.

#include <string>

#include "support/scoped.h"

namespace test_support {

class ScopedAbsence : public Scoped {
 public:
  explicit ScopedAbsence(const std::wstring& path);
  ~ScopedAbsence();


 private:
  std::wstring path_;
  std::wstring aside_;  // empty when nothing was there
};

}  // namespace test_support
