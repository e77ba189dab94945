#pragma once
// Programs for the Wine tests: paths beside the test executable, programs
// started with arguments, and a fake program placed where the product looks
// for a real one. Nothing throws or asserts: see support/test_support.h.

#include <windows.h>

#include <string>

#include "framework/scoped_handle.h"
#include "support/files.h"

namespace test_support {

// A path relative to the folder of the running test executable.
std::wstring NextToThisTest(const std::wstring& relative);

// A Unix path of the build tree as the Windows side sees it (drive Z: is /).
std::wstring WindowsPathOfUnixPath(const std::string& unix_path);

// A program started with `arguments` after its quoted path; `process` is
// empty when it could not be started (GetLastError tells why).
struct StartedProgram {
  fw::ScopedHandle process;
  DWORD id = 0;
};
StartedProgram StartProgram(const std::wstring& exe, const std::wstring& arguments);

// While alive, `target` (e.g. C:\windows\system32\powercfg.exe) is a copy of
// the built program `built`, or absent when `built` is empty; folders missing
// on the way are created. Afterwards what was there before comes back.
class ScopedProgram : public ScopedFile {
 public:
  ScopedProgram(const std::wstring& built, const std::wstring& target);
};

}  // namespace test_support
