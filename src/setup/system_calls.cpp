#include <windows.h>
#include <shellapi.h>

#include "framework/scoped_handle.h"
#include "setup/setup_run.h"

namespace setup {

bool OpenWithShell(const std::wstring& file) {
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  // No process handle is asked for: nobody waits for Depotron. The shell's
  // own error box would appear on the worker thread, unowned, on top of the
  // message the window shows for the same failure.
  info.fMask = SEE_MASK_FLAG_NO_UI;
  info.hwnd = nullptr;
  info.lpVerb = L"open";
  info.lpFile = file.c_str();
  info.lpParameters = L"";
  info.lpDirectory = nullptr;
  info.nShow = SW_SHOW;
  return ::ShellExecuteExW(&info) != FALSE;
}

unsigned long RequestWindowsUpdateStop() {
  fw::ScopedServiceHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
  if (!manager) return ::GetLastError();
  fw::ScopedServiceHandle service(::OpenServiceW(manager.get(), L"wuauserv", SERVICE_STOP));
  if (!service) return ::GetLastError();
  SERVICE_STATUS status{};
  return ::ControlService(service.get(), SERVICE_CONTROL_STOP, &status) ? 0 : ::GetLastError();
}

}  // namespace setup
