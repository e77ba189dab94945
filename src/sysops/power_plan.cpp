#include "sysops/power_plan.h"

#include "sysops/command_runner.h"

namespace sysops {

std::wstring ComposePowerSummary() {
  return ComposePowerSummaryFromListing(RunSystemTool(kPowercfgFileName, kPowerQueryArguments));
}

}  // namespace sysops
