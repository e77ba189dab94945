#include "sysops/power_plan.h"

#include "sysops/command_runner.h"

namespace sysops {

std::wstring ComposePowerSummary() {
  return ComposePowerSummaryFromListing(RunCommandAndCapture(kPowerQueryCommand));
}

}  // namespace sysops
