#include "framework/dialog.h"

#include <vector>

#include "framework/message_box.h"

namespace fw {

Dialog::Dialog(UINT templateId) : template_id_(templateId) {}

Dialog::~Dialog() = default;

INT_PTR Dialog::DoModal(HWND parent) {
  INT_PTR result = ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(template_id_),
                                     parent, &Dialog::DialogProc, reinterpret_cast<LPARAM>(this));
  modal_result_ = result;
  return result;
}

bool Dialog::PostToWindow(UINT message, WPARAM wParam, LPARAM lParam) const {
  HWND hwnd = hwnd_.load();
  // A null window would turn the post into a message to the calling thread.
  return hwnd && ::PostMessageW(hwnd, message, wParam, lParam);
}

BOOL Dialog::OnInitDialog() { return TRUE; }

void Dialog::OnOK() { EndDialog(IDOK); }

void Dialog::OnCancel() { EndDialog(IDCANCEL); }

bool Dialog::OnCommand(WORD, WORD, HWND) { return false; }

bool Dialog::OnMessage(UINT, WPARAM, LPARAM, LRESULT*) { return false; }

void Dialog::EndDialog(INT_PTR result) {
  if (HWND hwnd = hwnd_.load()) ::EndDialog(hwnd, result);
}

HWND Dialog::GetDlgItem(int id) const { return ::GetDlgItem(hwnd_.load(), id); }

std::wstring Dialog::GetDlgItemText(int id) const { return GetWindowTextString(GetDlgItem(id)); }

void Dialog::SetDlgItemText(int id, const std::wstring& text) {
  ::SetDlgItemTextW(hwnd_.load(), id, text.c_str());
}

LRESULT Dialog::SendDlgItemMessage(int id, UINT message, WPARAM wParam, LPARAM lParam) const {
  return ::SendDlgItemMessageW(hwnd_.load(), id, message, wParam, lParam);
}

int Dialog::MessageBox(const std::wstring& text, UINT type) const {
  return AfxMessageBox(hwnd_.load(), text, type);
}

INT_PTR CALLBACK Dialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<Dialog*>(lParam);
    ::SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
    self->hwnd_.store(hwnd);
    return self->OnInitDialog();
  }
  auto* self = reinterpret_cast<Dialog*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
  if (!self) return FALSE;
  switch (message) {
    case WM_COMMAND: {
      const WORD id = LOWORD(wParam);
      if (id == IDOK) {
        self->OnOK();
        return TRUE;
      }
      if (id == IDCANCEL) {
        self->OnCancel();
        return TRUE;
      }
      return self->OnCommand(id, HIWORD(wParam), reinterpret_cast<HWND>(lParam)) ? TRUE : FALSE;
    }
    case WM_NCDESTROY:
      // From here on nobody may reach the window through this object.
      self->hwnd_.store(nullptr);
      ::SetWindowLongPtrW(hwnd, DWLP_USER, 0);
      return FALSE;
    default: {
      LRESULT result = 0;
      if (!self->OnMessage(message, wParam, lParam, &result)) return FALSE;
      ::SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, result);
      return TRUE;
    }
  }
}

std::wstring GetWindowTextString(HWND hwnd) {
  if (!hwnd) return std::wstring();
  int length = ::GetWindowTextLengthW(hwnd);
  if (length <= 0) return std::wstring();
  std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1);
  int copied = ::GetWindowTextW(hwnd, buffer.data(), length + 1);
  return std::wstring(buffer.data(), static_cast<size_t>(copied > 0 ? copied : 0));
}

}  // namespace fw
