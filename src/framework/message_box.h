#pragma once
// Message boxes with the application name as caption.

#include <windows.h>

#include <string>

namespace fw {

// Shows `text` owned by `owner` (may be null) with the given MB_* flags and
// returns the button pressed (IDOK, IDYES, ...), or 0 when the box could not
// be shown.
int AfxMessageBox(HWND owner, const std::wstring& text, UINT type);

// Loads string resource `id` of the executable; empty when it is missing.
std::wstring LoadResourceString(UINT id);

}  // namespace fw
