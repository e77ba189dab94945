#pragma once
// The application: prepares the window system and the sockets, then runs the
// main dialog modally on the process's main thread. The process ends when the
// dialog closes.

#include <memory>

#include "app/wizard_dlg.h"
#include "framework/win_app.h"

// The caption of every message box of the program.
extern const wchar_t kApplicationName[];

class CVarnelTerminalSetupWizardApp : public fw::WinApp {
 public:
  // `bodies` are the survey and setup run the main dialog runs.
  explicit CVarnelTerminalSetupWizardApp(
      std::shared_ptr<IWorkerBodies> bodies = WindowsWorkerBodies());

  // Runs the whole program; always FALSE, so that the process ends after it.
  BOOL InitInstance() override;

 protected:
  // The main dialog of this run, given the bodies it runs.
  virtual std::shared_ptr<CVarnelTerminalSetupWizardDlg> CreateMainDialog(
      std::shared_ptr<IWorkerBodies> bodies);

 private:
  std::shared_ptr<IWorkerBodies> bodies_;
};
