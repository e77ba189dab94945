// The WinINet loader as a program sees it that restricts nothing at start-up
// (tests/io/wininet_probe.cpp), so that only the loader's own choices count:
// where the library comes from, and what a caller learns when it cannot be
// loaded.

#include "io/wininet_library.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "support/files.h"
#include "support/programs.h"
#include "support/registry.h"

namespace {

// Runs the probe with Wine's load order for its wininet set to `order`
// (Wine's per-program DllOverrides: "native,builtin" or "" for none at all);
// its line, or empty when it did not run to its end. A WINEDLLOVERRIDES set
// in this process's environment does not reach the child's loader.
std::wstring Probe(const wchar_t* order) {
  const std::wstring out = test_support::TempFilePath(L"wininet-probe");
  test_support::ScopedRegistryValue load_order(
      HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\wininet_probe.exe\\DllOverrides",
      L"wininet");
  if (!load_order.SetString(order)) return L"<no load order>";
  test_support::StartedProgram probe = test_support::StartProgram(
      test_support::NextToThisTest(L"wininet-probe\\wininet_probe.exe"), L"\"" + out + L"\"");
  if (!probe.process || ::WaitForSingleObject(probe.process.get(), 20000) != WAIT_OBJECT_0) {
    return std::wstring();
  }
  const std::string bytes = test_support::ReadBytes(out);
  ::DeleteFileW(out.c_str());
  return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2);
}

std::wstring SystemWininet() {
  wchar_t folder[MAX_PATH] = {};
  ::GetSystemDirectoryW(folder, MAX_PATH);
  return std::wstring(folder) + L"\\wininet.dll";
}

// A wininet.dll beside the program and native-first loading: a load by the
// bare name would take it, since the probe restricts nothing; the full path
// takes the system's.
TEST(WininetLoader, TakesTheSystemLibraryWhateverLiesBesideTheProgram) {
  const std::wstring planted = test_support::NextToThisTest(L"wininet-probe\\wininet.dll");
  ASSERT_TRUE(test_support::PathExists(planted));
  ::DeleteFileW((planted + L".ran").c_str());
  const std::wstring line = Probe(L"native,builtin");
  ASSERT_FALSE(line.empty());
  const std::wstring module = line.substr(0, line.find(L'|'));
  EXPECT_EQ(::CompareStringOrdinal(module.c_str(), -1, SystemWininet().c_str(), -1, TRUE),
            CSTR_EQUAL)
      << testing::PrintToString(line);
  EXPECT_FALSE(test_support::PathExists(planted + L".ran")) << "the planted library was loaded";
}

// WinINet that cannot be loaded (no load order at all for the probe): each call fails as
// WinINet's own would, and the caller finds the loader's error as the
// thread's last error, also on a later call after something else cleared it.
TEST(WininetLoader, ALoadThatFailsLeavesTheLoadersErrorToEveryCaller) {
  const std::wstring line = Probe(L"");
  EXPECT_EQ(line, L"|126|126");  // ERROR_MOD_NOT_FOUND, no module
}

}  // namespace
