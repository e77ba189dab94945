#include "kit/windows_of.h"

#include "framework/dialog.h"

namespace kit {

namespace {

struct Search {
  ProcessWindows* found;
  const std::wstring* main_title;
};

BOOL CALLBACK Collect(HWND hwnd, LPARAM param) {
  const auto* search = reinterpret_cast<const Search*>(param);
  DWORD pid = 0;
  ::GetWindowThreadProcessId(hwnd, &pid);
  if (pid != search->found->process_id || !::IsWindowVisible(hwnd) || !IsDialogWindow(hwnd)) {
    return TRUE;
  }
  if (::GetWindow(hwnd, GW_OWNER)) {
    search->found->box = hwnd;
  } else if (search->main_title->empty() ||
             fw::GetWindowTextString(hwnd) == *search->main_title) {
    search->found->main = hwnd;
  }
  return TRUE;
}

}  // namespace

bool WaitUntil(const std::function<bool()>& done, DWORD timeout_ms, DWORD poll_ms) {
  const ULONGLONG end = ::GetTickCount64() + timeout_ms;
  while (!done()) {
    if (::GetTickCount64() >= end) return done();
    ::Sleep(poll_ms);
  }
  return true;
}

bool IsDialogWindow(HWND hwnd) {
  wchar_t name[16] = {};
  ::GetClassNameW(hwnd, name, 16);
  return std::wstring(name) == L"#32770";
}

ProcessWindows WindowsOf(DWORD process_id, const std::wstring& main_title) {
  ProcessWindows found;
  found.process_id = process_id;
  Search search{&found, &main_title};
  ::EnumWindows(&Collect, reinterpret_cast<LPARAM>(&search));
  return found;
}

}  // namespace kit
