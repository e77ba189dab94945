#pragma once
// A name no other test run uses at the same time: for scratch files and
// folders, registry keys, events and mutexes. See support/test_support.h.

#include <windows.h>

#include <atomic>
#include <string>

namespace test_support {

// `stem`, then this process, the tick count and a counter of this process:
// "stem-1234-5678901-1". Holds no backslash, so it also names kernel objects.
inline std::wstring UniqueName(const wchar_t* stem) {
  static std::atomic<unsigned> counter{0};
  return std::wstring(stem) + L"-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
         std::to_wstring(::GetTickCount()) + L"-" + std::to_wstring(++counter);
}

}  // namespace test_support
