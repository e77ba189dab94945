#pragma once
// Programs for the Wine tests: paths beside the test executable, programs
// started with arguments, and a fake program placed where the product looks
// for a real one. Nothing throws or asserts: see support/test_support.h.

#include <windows.h>

#include <string>

#include "framework/scoped_handle.h"
#include "support/files.h"

namespace test_support {

// Whether this test is a 32-bit process, as the delivered program is, or one
// of the 64-bit twin (cmake/mingw-x86_64.cmake), which runs where 32-bit code
// cannot.
inline constexpr bool kThis32Bit = sizeof(void*) == 4;
// Why a check that needs a 32-bit process (WoW64: SYSNATIVE, the 32-bit
// registry view as its own) is skipped on the twin; for GTEST_SKIP.
inline constexpr char kNeeds32BitProcess[] =
    "needs a 32-bit process under WoW64, and this is the 64-bit twin (it runs where "
    "32-bit code cannot; the 32-bit build checks this where it can run)";

// The Windows this test runs on, as WoW64 shows it: true for a 32-bit test on
// a 64-bit Windows, where WoW64 gives it SYSNATIVE, a registry view of its own
// beside the 64-bit one and "Program Files (x86)"; false on a 32-bit Windows,
// which has none of these, and for the 64-bit twin, which needs none of them.
// The tests of the delivered program run on all three and check each.
bool OnWow64();
// The program-files folder such a program gets, as Windows spells it.
std::wstring ExpectedProgramFiles();
// The DISM the product runs on the Windows this test runs on, as the product
// spells it: the 64-bit one through SYSNATIVE for a 32-bit process on a 64-bit
// Windows; otherwise (a 32-bit Windows, or the 64-bit twin, for which
// SYSNATIVE does not exist) the one in the system folder. A test's fake DISM
// goes there.
std::wstring ExpectedDismProgram();

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
