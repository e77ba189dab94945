#pragma once
// Watching another program's windows from outside, as the tests and the
// demo driver do: waiting for a condition, and the dialog and message box a
// process shows. Windows only.

#include <windows.h>

#include <functional>
#include <string>

namespace kit {

// Polls `done` every `poll_ms` until it holds; false once `timeout_ms` have
// passed without it (it is asked once more at the end).
bool WaitUntil(const std::function<bool()>& done, DWORD timeout_ms, DWORD poll_ms = 5);

// Whether the window is of the dialog class, "#32770" (message boxes too).
bool IsDialogWindow(HWND hwnd);

// The visible dialogs of one process: its main dialog (owned by no window)
// and a message box (owned by one); null where there is none. With
// `main_title`, only a dialog with that caption counts as the main one.
struct ProcessWindows {
  DWORD process_id = 0;
  HWND main = nullptr;
  HWND box = nullptr;
};
ProcessWindows WindowsOf(DWORD process_id, const std::wstring& main_title = std::wstring());

}  // namespace kit
