// The log-on screen features read out of whatever DISM printed: always one
// of the three answers, and a feature is never reported enabled unless the
// word after its state label really is "Enabled".

#include "fuzz_support.h"
#include "sysops/dism_text.h"

namespace {

bool IsTriState(int v) {
  return v == sysops::kFeatureEnabled || v == sysops::kFeatureNotEnabled ||
         v == sysops::kFeatureUnknown;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::wstring list = fuzz::WideText(data, size);
  const int logon = sysops::QueryFeatureState(list, sysops::kEmbeddedLogonFeature);
  const int boot = sysops::QueryFeatureState(list, sysops::kEmbeddedBootExpFeature);
  FUZZ_CHECK(IsTriState(logon));
  FUZZ_CHECK(IsTriState(boot));
  const int both = sysops::JudgeEmbeddedLogonFeatures(list);
  FUZZ_CHECK(IsTriState(both));
  if (list.empty()) FUZZ_CHECK(both == sysops::kFeatureUnknown);
  if (both == sysops::kFeatureEnabled) {
    FUZZ_CHECK(logon == sysops::kFeatureEnabled && boot == sysops::kFeatureEnabled);
    FUZZ_CHECK(list.find(L"State : Enabled\r") != std::wstring::npos);
  }
  if (list.find(sysops::kEmbeddedLogonFeature) == std::wstring::npos) {
    FUZZ_CHECK(logon == sysops::kFeatureUnknown);
  }
  if (list.find(L"State : ") == std::wstring::npos) {
    FUZZ_CHECK(logon == sysops::kFeatureUnknown && boot == sysops::kFeatureUnknown);
  }
  return 0;
}
