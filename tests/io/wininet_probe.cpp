// A program that restricts nothing at start-up and asks the HTTP client's
// WinINet loader for InternetOpenW twice, the thread's last error cleared in
// between; it writes "<module path>|<first error>|<second error>" into the
// file named by its argument. The WinINet tests start it beside a planted
// wininet.dll, or with WinINet disabled.
#include <windows.h>

#include <string>

#include "io/wininet_library.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  io::wininet::ScopedHandle first(
      io::wininet::InternetOpenW(L"probe", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
  const DWORD first_error = first ? 0 : ::GetLastError();
  ::SetLastError(0);
  io::wininet::ScopedHandle second(
      io::wininet::InternetOpenW(L"probe", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
  const DWORD second_error = second ? 0 : ::GetLastError();
  wchar_t module[MAX_PATH] = {};
  if (io::wininet::Module()) ::GetModuleFileNameW(io::wininet::Module(), module, MAX_PATH);
  const std::wstring line = std::wstring(module) + L"|" + std::to_wstring(first_error) + L"|" +
                            std::to_wstring(second_error);
  HANDLE out = ::CreateFileW(argv[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (out == INVALID_HANDLE_VALUE) return 3;
  DWORD written = 0;
  ::WriteFile(out, line.data(), static_cast<DWORD>(line.size() * sizeof(wchar_t)), &written,
              nullptr);
  ::CloseHandle(out);
  return 0;
}
