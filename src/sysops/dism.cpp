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

namespace {

CommandResult RunDism(DismCommand command, CommandResult* ran) {
  CommandResult result = RunCommand(ComposeDismCommand(GetDismPath(), command));
  if (ran) *ran = result;
  return result;
}

}  // namespace

int QueryEmbeddedLogonFeatures(CommandResult* ran) {
  return JudgeEmbeddedLogonFeatures(RunDism(DismCommand::kGetFeatures, ran).output);
}

void EnableEmbeddedLogonFeature(CommandResult* ran) {
  RunDism(DismCommand::kEnableEmbeddedLogon, ran);
}

void EnableEmbeddedBootExpFeature(CommandResult* ran) {
  RunDism(DismCommand::kEnableEmbeddedBootExp, ran);
}

}  // namespace sysops
