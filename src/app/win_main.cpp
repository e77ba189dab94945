// Entry point of VarnelTerminalSetupWizard.exe.
#include <windows.h>

#include "app/wizard_app.h"
#include "framework/win_app.h"

CVarnelTerminalSetupWizardApp theApp;

// Ends the process itself once the dialog has closed (ExitProcess): a worker
// abandoned with the window must not meet the global objects being destroyed.
// Before anything else, libraries are restricted to the system folder and
// redirections made by other accounts refused; the program goes on where
// Windows cannot do either, as it always has.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  fw::RestrictLibrarySearchToSystemFolder();
  fw::RefuseUntrustedRedirections();
  fw::AfxWinMain();
}
