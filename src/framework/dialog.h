#pragma once
// A modal dialog built from a dialog template of the executable. Derived
// classes react through virtual handlers: OnInitDialog, OnOK and OnCancel for
// the standard commands, OnCommand for the other commands and OnMessage for
// everything else they want to handle.

#include <windows.h>

#include <atomic>
#include <string>

namespace fw {

class Dialog {
 public:
  explicit Dialog(UINT templateId);
  virtual ~Dialog();
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  // Creates the window and runs its modal loop on the calling thread. Returns
  // the code given to EndDialog, or -1 when the window could not be created.
  INT_PTR DoModal(HWND parent = nullptr);

  // The window while it exists, null before and after. Safe from any thread.
  HWND GetSafeHwnd() const { return hwnd_.load(); }

  // Posts to the window if it still exists; false when there was none or the
  // post failed. Safe from any thread.
  bool PostToWindow(UINT message, WPARAM wParam, LPARAM lParam) const;

  // The end code of the last modal run, once it has ended.
  INT_PTR ModalResult() const { return modal_result_; }

 protected:
  // The framework's part of the initialisation; returns TRUE so that the
  // dialog manager sets the initial focus.
  virtual BOOL OnInitDialog();
  virtual void OnOK();      // ends the dialog with IDOK
  virtual void OnCancel();  // ends the dialog with IDCANCEL
  // A WM_COMMAND other than IDOK/IDCANCEL; true when handled.
  virtual bool OnCommand(WORD id, WORD code, HWND control);
  // Any other message; true when handled, with *result as its answer.
  virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

  void EndDialog(INT_PTR result);
  HWND GetDlgItem(int id) const;
  std::wstring GetDlgItemText(int id) const;
  void SetDlgItemText(int id, const std::wstring& text);
  LRESULT SendDlgItemMessage(int id, UINT message, WPARAM wParam, LPARAM lParam) const;
  // A message box owned by this dialog with the application name as caption.
  int MessageBox(const std::wstring& text, UINT type) const;

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  UINT template_id_;
  std::atomic<HWND> hwnd_{nullptr};
  INT_PTR modal_result_ = 0;
};

// The text of any window; empty when it has none.
std::wstring GetWindowTextString(HWND hwnd);

}  // namespace fw
