#pragma once
// What powercfg.exe and DISM.EXE answer on the simulated PC (see
// tools/simulated-pc/simulated_pc_state.h): each reads the remembered state,
// prints what Windows 10 prints for the command, and changes the state as
// Windows would. Only the commands the program issues are known in full;
// anything else gets the tool's own refusal.

#include <string>
#include <vector>

#include "simulated_pc_state.h"

namespace simulated_pc {

struct ToolAnswer {
  std::wstring output;   // standard output, in the tool's wording
  int exit_code = 0;
  bool changed = false;  // the state was changed and is to be saved
};

// `arguments` without the program's own name.
//   /Q [scheme]                 the settings of the active (or named) plan, in Japanese
//   /GETACTIVESCHEME, /L        the active plan; all plans
//   -setactive <alias|GUID>     activates a plan
//   /x /<setting> <minutes>     sets a time-out of the active plan (/change too)
ToolAnswer RunPowercfg(State& state, const std::vector<std::wstring>& arguments);

//   /online /Get-Features [/English]
//   /online /Enable-Feature /FeatureName:<name> [/all] [/NoRestart]
//                               leaves a feature not yet enabled "Enable
//                               Pending" (exit code 3010) until the simulated
//                               PC restarts (simulated_pc::Restart); it never
//                               restarts by itself, nor asks to
ToolAnswer RunDism(State& state, const std::vector<std::wstring>& arguments);

}  // namespace simulated_pc
