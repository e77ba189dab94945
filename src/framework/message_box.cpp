#include "framework/message_box.h"

#include "framework/win_app.h"

namespace fw {

int AfxMessageBox(HWND owner, const std::wstring& text, UINT type) {
  const std::wstring caption = AfxGetAppName();
  return ::MessageBoxW(owner, text.c_str(), caption.c_str(), type);
}

std::wstring LoadResourceString(UINT id) {
  const wchar_t* text = nullptr;
  // With a zero buffer size LoadStringW hands out a pointer into the
  // resource itself, which is not null-terminated.
  int n = ::LoadStringW(::GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&text), 0);
  if (n <= 0 || !text) return std::wstring();
  return std::wstring(text, static_cast<size_t>(n));
}

}  // namespace fw
