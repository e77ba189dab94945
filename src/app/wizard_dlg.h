#pragma once
// The main dialog: shows the state of the PC that the survey gathered, takes
// the inputs of a setup run and runs the survey and the setup run on a
// background worker, one at a time. Workers never touch controls: they report
// through Report, leave their results in the shared members below and post
// one completion message; the window thread does the rest.
//
// The dialog object is held by std::shared_ptr. Each worker holds a reference
// of its own, so a worker that is still running when the technician closes
// the window keeps the object alive until it ends; once the window is gone
// its reports and completion post go nowhere.

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/resource.h"
#include "base/progress_sink.h"
#include "framework/dialog.h"
#include "framework/scoped_handle.h"
#include "framework/shared_text.h"
#include "setup/setup_run.h"
#include "survey/terminal_survey.h"

// Private window messages of the dialog.
constexpr UINT WM_SURVEY_FINISHED = WM_USER + 100;  // wParam: survey result
constexpr UINT WM_SETUP_FINISHED = WM_USER + 101;   // wParam: setup result
constexpr UINT WM_PROGRESS = WM_USER + 102;         // the report channel changed

// The global mutex name that the Depotron updater holds while it runs.
extern const wchar_t kDepotronMutexName[];

// The two pieces of long work the dialog runs, one at a time, on its worker
// threads. Each reports through `progress` (the dialog) and hands back its
// outcome, which the dialog publishes to the window thread; a body never sees
// the dialog's state. The program runs the real survey and setup run
// (WindowsWorkerBodies); a test can give bodies that it controls.
class IWorkerBodies {
 public:
  virtual ~IWorkerBodies() = default;
  virtual survey::SurveyOutcome Survey(IProgressSink& progress) = 0;
  virtual setup::SetupOutcome Setup(IProgressSink& progress, const setup::SetupInputs& inputs) = 0;
};

// The survey of this PC and the setup run with Windows' own log-on check.
std::shared_ptr<IWorkerBodies> WindowsWorkerBodies();

class CVarnelTerminalSetupWizardDlg
    : public fw::Dialog,
      public IProgressSink,
      public std::enable_shared_from_this<CVarnelTerminalSetupWizardDlg> {
 public:
  enum { IDD = IDD_VARNELTERMINALSETUPWIZARD_DIALOG };

  explicit CVarnelTerminalSetupWizardDlg(std::shared_ptr<IWorkerBodies> bodies);
  ~CVarnelTerminalSetupWizardDlg() override;

  // Callable from any thread: replaces the status text, then the
  // percentage, and posts WM_PROGRESS. The workers' bodies report through
  // the dialog itself.
  void Report(int percent, const std::wstring& text) override;

 protected:
  BOOL OnInitDialog() override;
  // The window has no OK button: Enter presses the start button while it is
  // enabled and otherwise does nothing, never closing the window.
  void OnOK() override;
  void OnCancel() override;
  bool OnCommand(WORD id, WORD code, HWND control) override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

  virtual void UpdateControls();
  virtual void StartSurvey();

  void OnStart();
  LRESULT OnSurveyFinished(WPARAM wParam, LPARAM lParam);
  LRESULT OnSetupFinished(WPARAM wParam, LPARAM lParam);
  LRESULT OnProgress(WPARAM wParam, LPARAM lParam);

  static DWORD WINAPI SurveyThreadProc(LPVOID param);
  static DWORD WINAPI SetupThreadProc(LPVOID param);

 private:
  HICON m_hIcon = nullptr;
  std::atomic<int> m_nPercent{0};
  fw::AtomicSharedText m_pReportText;
  std::atomic<bool> m_bSendBoxEditable{false};
  bool m_bSetupCompleted = false;
  fw::ScopedHandle m_hSurveyThread;
  fw::AtomicShared<SurveyResultMap> m_pSurveyResult;
  fw::AtomicSharedText m_pErrorText;
  // The seven inputs, copied from their edits when the run starts.
  fw::AtomicShared<setup::SetupInputs> inputs_;
  fw::ScopedHandle m_hSetupThread;

  // The survey body's adapter, run on the survey worker: on success it
  // stores the map in m_pSurveyResult, sets m_bSendBoxEditable and returns 0.
  int RunSurvey();
  // The setup body's adapter, run on the setup worker: hands the inputs to
  // the run and leaves its message, if any, in m_pErrorText; returns the
  // run's result (setup::kSetupFailed, kUpdaterStarted or kInstallerStarted).
  int RunSetup();

  using Body = int (CVarnelTerminalSetupWizardDlg::*)();
  static DWORD RunWorker(LPVOID param, Body body, UINT finishedMessage);
  // Starts a worker that holds a reference to this dialog; null when the
  // thread could not be created.
  HANDLE StartWorker(LPTHREAD_START_ROUTINE entry);
  void ResetReportChannel();
  bool IsWorkerRunning() const;

  std::shared_ptr<IWorkerBodies> bodies_;
  fw::ScopedIcon start_icon_;

  // While the close question is open, a worker's completion message is only
  // noted: acting on it inside the question's own message loop would show
  // boxes over the question or start work that Yes then abandons.
  struct PendingFinish {
    UINT message;
    WPARAM result;
  };
  bool asking_to_close_ = false;
  std::vector<PendingFinish> pending_finishes_;
};
