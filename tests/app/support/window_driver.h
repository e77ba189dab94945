#pragma once
// Drives the program's real main dialog the way a technician does: the
// application runs on a window thread of its own, the test thread finds the
// windows, reads them, types, presses buttons and answers message boxes.

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/wizard_app.h"
#include "app/wizard_dlg.h"
#include "framework/scoped_handle.h"

namespace apptest {

// Waits (pumping nothing) until `done` holds; false after `timeoutMs`.
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs = 15000);

// A manual-reset event a worker body waits on until the test opens it.
class Gate {
 public:
  Gate();
  void Open();
  bool Wait(DWORD timeoutMs = 60000) const;  // true once opened
 private:
  fw::ScopedHandle event_;
};

// The main dialog with worker bodies supplied by the test. The bodies run on
// the dialog's worker threads exactly as the real survey and setup do.
class TestDialog : public CVarnelTerminalSetupWizardDlg {
 public:
  using Body = std::function<int(TestDialog&)>;
  Body survey;
  Body setup;
  std::atomic<int> surveyRuns{0};
  std::atomic<int> setupRuns{0};
  // WM_PROGRESS messages the window has finished handling.
  std::atomic<int> progressHandled{0};
  // Completion messages of either worker that the window has finished
  // handling (which may mean only noting them).
  std::atomic<int> finishesHandled{0};

  // What a survey leaves behind for the window.
  void LeaveSurveyResult(SurveyResultMap map, bool sendBoxEditable);
  void LeaveErrorText(const std::wstring& text);
  // Empties the report channel's text and sets a percentage, then posts
  // WM_PROGRESS: a progress message with nothing to show.
  void PostProgressWithoutText(int percent);
  fw::SharedText ErrorText() const { return m_pErrorText.Load(); }
  // The seven input copies, in the order the setup run reads them.
  std::vector<std::wstring> InputCopies() const;

  // Receives the dialog's end code when the object goes.
  std::shared_ptr<std::atomic<INT_PTR>> endCodeSink;
  ~TestDialog() override;

 protected:
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
  int RunSurvey() override;
  int RunSetup() override;
};

class TestApp : public CVarnelTerminalSetupWizardApp {
 public:
  explicit TestApp(std::shared_ptr<TestDialog> dialog) : dialog_(std::move(dialog)) {}

 protected:
  std::shared_ptr<CVarnelTerminalSetupWizardDlg> CreateMainDialog() override {
    return std::move(dialog_);
  }

 private:
  std::shared_ptr<TestDialog> dialog_;
};

// A message box as the technician sees it.
struct MessageBoxView {
  HWND hwnd = nullptr;
  HWND owner = nullptr;
  std::wstring caption;
  std::wstring text;
  std::vector<int> buttons;  // IDs of the visible buttons, ascending
  int defaultButton = 0;
  enum Icon { kNone, kInformation, kExclamation, kQuestion, kError, kOther } icon = kNone;
};

// Runs the application (start-up and modal dialog) on a window thread.
class AppRun {
 public:
  // The run holds no reference to the dialog: the application and the
  // dialog's workers own it. `dialog` is used only while it lives.
  explicit AppRun(std::shared_ptr<TestDialog> dialog);
  ~AppRun();  // closes whatever is still open and joins the window thread
  AppRun(const AppRun&) = delete;
  AppRun& operator=(const AppRun&) = delete;

  // The main dialog window once it is shown (null after a time-out).
  HWND Dialog();
  // The message box currently shown by the window thread (null if none
  // appears within `timeoutMs`).
  HWND WaitForMessageBox(DWORD timeoutMs = 15000);
  HWND CurrentMessageBox() const;
  // Dialog windows created on the window thread besides the main dialog:
  // every message box ever shown in this run.
  int MessageBoxesShown() const;
  // Whether start-up has returned (the dialog has closed), and what it gave.
  bool Ended() const { return ended_.load(); }
  bool WaitForEnd(DWORD timeoutMs = 15000);
  BOOL InitInstanceResult() const { return initResult_; }
  std::weak_ptr<TestDialog> DialogObject() const { return weak_; }
  // The dialog's end code, once the dialog object has gone (-2 before).
  INT_PTR EndCode() const { return endCode_->load(); }

 private:
  void ThreadMain(std::shared_ptr<TestDialog> dialog);

  std::weak_ptr<TestDialog> weak_;
  std::thread thread_;
  std::atomic<DWORD> threadId_{0};
  std::atomic<bool> ended_{false};
  std::shared_ptr<std::atomic<INT_PTR>> endCode_ = std::make_shared<std::atomic<INT_PTR>>(-2);
  BOOL initResult_ = TRUE;
  HWND dialog_ = nullptr;
};

// Reading and operating windows of the window thread.
std::wstring Text(HWND hwnd);
HWND Item(HWND dialog, int id);
bool Enabled(HWND dialog, int id);
bool Visible(HWND dialog, int id);
MessageBoxView ReadMessageBox(HWND box);
void Press(HWND button);                   // a click, posted
void Answer(HWND box, int buttonId);       // clicks that button of a message box
void Type(HWND edit, const std::wstring& text);  // keystrokes into an edit
void ClearAndType(HWND edit, const std::wstring& text);
void PressKey(HWND control, UINT virtualKey);  // a key going to a control
void CloseWithCloseBox(HWND dialog);
int ProgressPosition(HWND dialog);

}  // namespace apptest
