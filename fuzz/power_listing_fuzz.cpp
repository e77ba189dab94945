// The power line read out of whatever powercfg printed: every verdict one of
// the three, and "not found" wherever the listing lacks the setting. (The
// index reading itself has its own target, number_text_fuzz.)

#include "fuzz_support.h"
#include "sysops/power_plan_text.h"

namespace {

const wchar_t* const kAliases[] = {L"SUB_SLEEP", L"HIBERNATEIDLE", L"SUB_DISK", L"SUB_VIDEO"};

// "現在の AC 電源設定のインデックス: 0x" and its battery twin.
const wchar_t kAcLine[] =
    L"\u73FE\u5728\u306E AC \u96FB\u6E90\u8A2D\u5B9A\u306E\u30A4\u30F3\u30C7\u30C3\u30AF\u30B9: 0x";
const wchar_t kDcLine[] =
    L"\u73FE\u5728\u306E DC \u96FB\u6E90\u8A2D\u5B9A\u306E\u30A4\u30F3\u30C7\u30C3\u30AF\u30B9: 0x";

bool IsVerdict(const std::wstring& v) {
  return v == sysops::kPowerVerdictNever || v == sysops::kPowerVerdictTimesOut ||
         v == sysops::kPowerVerdictNotFound;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::wstring listing = fuzz::WideText(data, size);

  const std::wstring summary = sysops::ComposePowerSummaryFromListing(listing);
  FUZZ_CHECK(!summary.empty());
  if (listing.empty()) FUZZ_CHECK(summary == sysops::kPowerSummaryFailed);
  for (const wchar_t* alias : kAliases) {
    const std::wstring verdict = sysops::JudgePowerSetting(listing, alias);
    FUZZ_CHECK(IsVerdict(verdict));
    if (listing.find(alias) == std::wstring::npos) {
      FUZZ_CHECK(verdict == sysops::kPowerVerdictNotFound);
    }
    if (!listing.empty()) FUZZ_CHECK(summary.find(verdict) != std::wstring::npos);
    // "Never" needs both index lines after the alias.
    if (verdict == sysops::kPowerVerdictNever) {
      const std::size_t at = listing.find(alias);
      FUZZ_CHECK(listing.find(kAcLine, at) != std::wstring::npos);
      FUZZ_CHECK(listing.find(kDcLine, at) != std::wstring::npos);
    }
  }
  return 0;
}
