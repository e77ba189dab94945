// winsock2.h has to come before windows.h, which the headers below include.
#include <winsock2.h>

#include "app/wizard_app.h"

#include <commctrl.h>

#include "app/resource.h"
#include "framework/message_box.h"

const wchar_t kApplicationName[] = L"Varnel ターミナルセットアップ";

CVarnelTerminalSetupWizardApp::CVarnelTerminalSetupWizardApp(
    std::shared_ptr<IWorkerBodies> bodies)
    : bodies_(std::move(bodies)) {
  restart_manager_support_flags = fw::kRestartManagerSupportRestart;
  // Named from the start, so that even a start-up failure carries the
  // program's name as caption.
  SetAppName(kApplicationName);
}

BOOL CVarnelTerminalSetupWizardApp::InitInstance() {
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof controls;
  controls.dwICC = ICC_WIN95_CLASSES;
  ::InitCommonControlsEx(&controls);

  fw::WinApp::InitInstance();

  WSADATA wsa{};
  if (::WSAStartup(MAKEWORD(1, 1), &wsa) != 0) {
    fw::AfxMessageBox(nullptr, fw::LoadResourceString(IDS_SOCKETS_INIT_FAILED),
                      MB_OK | MB_ICONEXCLAMATION);
    return FALSE;
  }

  SetRegistryKey(L"Varnel Terminal Setup Wizard");
  SetAppName(kApplicationName);

  std::shared_ptr<CVarnelTerminalSetupWizardDlg> dialog = CreateMainDialog(bodies_);
  main_wnd = dialog.get();
  dialog->DoModal();
  main_wnd = nullptr;
  // A worker still running keeps its own reference to the dialog; releasing
  // ours never pulls the object from under it.
  dialog.reset();

  ::WSACleanup();
  return FALSE;
}

std::shared_ptr<CVarnelTerminalSetupWizardDlg> CVarnelTerminalSetupWizardApp::CreateMainDialog(
    std::shared_ptr<IWorkerBodies> bodies) {
  return std::make_shared<CVarnelTerminalSetupWizardDlg>(std::move(bodies));
}
