#pragma once
// Drives the program's real main dialog the way a technician does: the
// application runs on a window thread of its own, the test thread finds the
// windows, reads them, types, presses buttons and answers message boxes.

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/wizard_app.h"
#include "app/wizard_dlg.h"
#include "framework/scoped_handle.h"
#include "kit/windows_of.h"

namespace apptest {

// How long a test waits for what takes longest here: a whole setup run, a
// survey of the simulated PC, Windows Installer with the Depotron package.
// Many times what each takes on this machine under load, and short enough
// that a case whose window never comes ends within half a minute.
constexpr DWORD kRunWaitMs = 20000;

// Waits (pumping nothing) until `done` holds; false after `timeoutMs`.
inline bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs = 15000) {
  return kit::WaitUntil(done, timeoutMs);
}

// A manual-reset event a worker body waits on until the test opens it.
class Gate {
 public:
  Gate();
  void Open();
  bool Wait(DWORD timeoutMs = 60000) const;  // true once opened
 private:
  fw::ScopedHandle event_;
};

// Worker bodies supplied by the test, given to the dialog as the program
// gives it the real ones. They run on the dialog's worker threads exactly as
// the real survey and setup do; an unset body fails.
class TestBodies : public IWorkerBodies {
 public:
  using SurveyBody = std::function<survey::SurveyOutcome(IProgressSink&)>;
  using SetupBody =
      std::function<setup::SetupOutcome(IProgressSink&, const setup::SetupInputs&)>;
  SurveyBody survey;
  SetupBody setup;
  std::atomic<int> survey_runs{0};
  std::atomic<int> setup_runs{0};

  survey::SurveyOutcome Survey(IProgressSink& progress) override;
  setup::SetupOutcome Setup(IProgressSink& progress, const setup::SetupInputs& inputs) override;
};

// A survey that hands the window `map` (result 0), or `result` with it.
survey::SurveyOutcome SurveyShowing(SurveyResultMap map, bool sendBoxEditable, int result = 0);
// A run that ends with `result`, leaving `message` (empty: none).
setup::SetupOutcome SetupEnding(int result, const std::wstring& message = L"");
// The seven inputs in the order the run reads them.
std::vector<std::wstring> InputList(const setup::SetupInputs& inputs);

// The real main dialog, watched from outside: it counts the messages its
// window has finished handling and hands over its end code when it goes.
class TestDialog : public CVarnelTerminalSetupWizardDlg {
 public:
  TestDialog(std::shared_ptr<IWorkerBodies> bodies, std::function<void(TestDialog&)> beforeInit);
  ~TestDialog() override;

  // WM_PROGRESS messages the window has finished handling.
  std::atomic<int> progress_handled{0};
  // Completion messages of either worker that the window has finished
  // handling (which may mean only noting them).
  std::atomic<int> finishes_handled{0};
  // Receives the dialog's end code when the object goes.
  std::shared_ptr<std::atomic<INT_PTR>> end_code_sink;

 protected:
  BOOL OnInitDialog() override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

 private:
  std::function<void(TestDialog&)> before_init_;
};

// A message box as the technician sees it.
struct MessageBoxView {
  HWND hwnd = nullptr;
  HWND owner = nullptr;
  std::wstring caption;
  std::wstring text;
  std::vector<int> buttons;  // IDs of the visible buttons, ascending
  int default_button = 0;
  enum Icon { kNone, kInformation, kExclamation, kQuestion, kError, kOther } icon = kNone;
};

// Runs the application (start-up and modal dialog) on a window thread.
class AppRun {
 public:
  // The application makes its dialog with `bodies`. The run holds no
  // reference to the dialog: the application and the dialog's workers own
  // it. `beforeInit` (if any) is called with the dialog on the window thread
  // when its window exists, before the dialog initialises it.
  explicit AppRun(std::shared_ptr<IWorkerBodies> bodies,
                  std::function<void(TestDialog&)> beforeInit = nullptr);
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
  BOOL InitInstanceResult() const { return init_result_; }
  // The dialog object, once Dialog() has found its window.
  std::weak_ptr<TestDialog> DialogObject() const;
  // The dialog's end code, once the dialog object has gone (-2 before).
  INT_PTR EndCode() const { return end_code_->load(); }

 private:
  class App;
  void ThreadMain(std::shared_ptr<IWorkerBodies> bodies,
                  std::function<void(TestDialog&)> beforeInit);

  mutable std::mutex mutex_;
  std::weak_ptr<TestDialog> weak_;  // guarded by mutex_
  std::thread thread_;
  std::atomic<DWORD> thread_id_{0};
  std::atomic<bool> ended_{false};
  std::shared_ptr<std::atomic<INT_PTR>> end_code_ = std::make_shared<std::atomic<INT_PTR>>(-2);
  BOOL init_result_ = TRUE;
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
