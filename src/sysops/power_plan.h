#pragma once
// The survey's power line, read from the active plan through powercfg.

#include <string>

#include "sysops/power_plan_text.h"

namespace sysops {

// Runs "powercfg.exe /Q" and composes the power line from its listing:
// "スリープ OK　休止 OK　ディスク ×　ディスプレイ OK　" and the like, or
// "( ※取得失敗 )" when powercfg printed nothing. Blocks while powercfg runs.
[[nodiscard]] std::wstring ComposePowerSummary();

}  // namespace sysops
