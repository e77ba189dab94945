// Entry point of VarnelTerminalSetupWizard.exe.
#include <windows.h>

#include "app/wizard_app.h"
#include "framework/win_app.h"

CVarnelTerminalSetupWizardApp theApp;

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return fw::AfxWinMain(); }
