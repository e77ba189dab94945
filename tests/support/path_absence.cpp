#include "support/path_absence.h"

#include <windows.h>

#include "support/files.h"
#include "support/unique_name.h"

namespace test_support {

ScopedAbsence::ScopedAbsence(const std::wstring& path) : path_(path) {
  if (!PathExists(path)) {
    ok_ = true;
    return;
  }
  const std::wstring aside = path + L"." + UniqueName(L"aside");
  if (::MoveFileExW(path.c_str(), aside.c_str(), 0)) {
    aside_ = aside;
    ok_ = true;
  }
}

ScopedAbsence::~ScopedAbsence() {
  if (!ok_) return;
  RemoveTree(path_);
  if (!aside_.empty()) ::MoveFileExW(aside_.c_str(), path_.c_str(), 0);
}

}  // namespace test_support
