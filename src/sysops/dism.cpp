#include "sysops/dism.h"

#include <windows.h>
#include <shlwapi.h>

#include "sysops/command_runner.h"

namespace sysops {

std::wstring GetDismPath() {
  wchar_t windows[MAX_PATH] = {};
  const UINT length = ::GetSystemWindowsDirectoryW(windows, MAX_PATH);
  const std::wstring sysnative =
      length > 0 && length < MAX_PATH ? ComposeSysnativeDismPath(windows) : std::wstring();
  if (!sysnative.empty() && ::PathFileExistsW(sysnative.c_str())) return sysnative;
  return GetSystemToolPath(kDismFileName);
}

int QueryEmbeddedLogonFeatures() {
  return JudgeEmbeddedLogonFeatures(
      RunCommandAndCapture(ComposeDismCommand(GetDismPath(), DismCommand::kGetFeatures)));
}

void EnableEmbeddedLogonFeature() {
  RunCommandAndCapture(ComposeDismCommand(GetDismPath(), DismCommand::kEnableEmbeddedLogon));
}

void EnableEmbeddedBootExpFeature() {
  RunCommandAndCapture(ComposeDismCommand(GetDismPath(), DismCommand::kEnableEmbeddedBootExp));
}

}  // namespace sysops
