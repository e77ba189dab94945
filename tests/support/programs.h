#pragma once
// Programs for the Wine tests: paths beside the test executable, programs
// started with arguments, and a fake program placed where the product looks
// for a real one. Nothing throws or asserts: see support/test_support.h.

#include <windows.h>

#include <string>

#include "framework/scoped_handle.h"
#include "support/files.h"

namespace test_support {

// The Windows this 32-bit test runs on: true on a 64-bit Windows, where
// WoW64 gives it SYSNATIVE, a registry view of its own beside the 64-bit one
// and "Program Files (x86)"; false on a 32-bit Windows, which has none of
// these. The tests of the delivered program run on both and check each.
bool OnWow64();
// The program-files folder such a program gets, as Windows spells it.
std::wstring ExpectedProgramFiles();

// A path relative to the folder of the running test executable.
std::wstring NextToThisTest(const std::wstring& relative);

// The delivered program as the build made it (src/app of the build tree).
std::wstring BuiltProgramPath();

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
