#include "sysops/dism.h"

#include <windows.h>
#include <shlwapi.h>

#include "sysops/command_runner.h"

namespace sysops {

std::wstring GetDismPath() {
  return ::PathFileExistsW(kDismSysnativePath) ? kDismSysnativePath
                                                : GetSystemToolPath(kDismFileName);
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
