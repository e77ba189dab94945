#include "sysops/dism.h"

#include <windows.h>
#include <shlwapi.h>

#include "sysops/command_runner.h"

namespace sysops {

std::wstring GetDismPath() {
  return ::PathFileExistsW(kDismSysnativePath) ? kDismSysnativePath
                                                : GetSystemToolPath(kDismFileName);
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
