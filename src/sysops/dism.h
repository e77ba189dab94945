#pragma once
// The log-on screen features of the IoT editions, asked of and enabled through
// DISM. Every call runs DISM and blocks until it ends: worker threads only.

#include <string>

#include "sysops/command_runner.h"
#include "sysops/dism_text.h"

namespace sysops {

// "SYSNATIVE\DISM.EXE" in the Windows folder (GetSystemWindowsDirectoryW)
// when that file exists (the 64-bit tool as a 32-bit process on 64-bit
// Windows reaches it), else "DISM.EXE" in the system folder
// (GetSystemToolPath), never the bare name. Looked at afresh on every call.
[[nodiscard]] std::wstring GetDismPath();

// 1 both Client-EmbeddedLogon and Client-EmbeddedBootExp enabled, 0 either
// present and not enabled, -1 cannot tell (no such features, DISM did not run
// or said something else). `ran`, when given, receives how DISM ran.
[[nodiscard]] int QueryEmbeddedLogonFeatures(CommandResult* ran = nullptr);

// Enable one feature with what it depends on, without restarting Windows. The
// output is not examined; the next query shows whether it took. `ran`, when
// given, receives how DISM ran.
void EnableEmbeddedLogonFeature(CommandResult* ran = nullptr);
void EnableEmbeddedBootExpFeature(CommandResult* ran = nullptr);

}  // namespace sysops
