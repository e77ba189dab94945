#include "sysops/power_plan_text.h"

#include <string_view>

#include "base/number_text.h"

namespace sysops {

namespace {

// Both index prefixes are 22 characters, the last two being "0x". Like every
// constant here they need no destructor: a worker abandoned when the window
// closes may still be reading them while the process ends.
constexpr std::wstring_view kAcIndexPrefix =
    L"\u73FE\u5728\u306E AC \u96FB\u6E90\u8A2D\u5B9A\u306E\u30A4\u30F3\u30C7\u30C3\u30AF\u30B9: 0x";
constexpr std::wstring_view kDcIndexPrefix =
    L"\u73FE\u5728\u306E DC \u96FB\u6E90\u8A2D\u5B9A\u306E\u30A4\u30F3\u30C7\u30C3\u30AF\u30B9: 0x";
static_assert(kAcIndexPrefix.size() == 22 && kDcIndexPrefix.size() == 22);
constexpr std::size_t kIndexDigits = 8;

struct PowerItem {
  const wchar_t* alias;
  const wchar_t* label;  // one "%s" for the verdict, ends in U+3000
};

const PowerItem kPowerItems[] = {
    {L"SUB_SLEEP", L"\u30B9\u30EA\u30FC\u30D7 %s\u3000"},                 // スリープ
    {L"HIBERNATEIDLE", L"\u4F11\u6B62 %s\u3000"},                          // 休止
    {L"SUB_DISK", L"\u30C7\u30A3\u30B9\u30AF %s\u3000"},                   // ディスク
    {L"SUB_VIDEO", L"\u30C7\u30A3\u30B9\u30D7\u30EC\u30A4 %s\u3000"},      // ディスプレイ
};

std::wstring FillLabel(const wchar_t* label, const std::wstring& verdict) {
  std::wstring text(label);
  const std::size_t slot = text.find(L"%s");
  if (slot != std::wstring::npos) text.replace(slot, 2, verdict);
  return text;
}

}  // namespace

std::wstring JudgePowerSetting(const std::wstring& listing, const std::wstring& alias) {
  const std::size_t at = listing.find(alias);
  if (at == std::wstring::npos) return kPowerVerdictNotFound;
  // Both lines are looked for from the alias on, each on its own: the first
  // battery line after the alias pairs with the first mains line after it.
  const std::size_t ac = listing.find(kAcIndexPrefix, at + 1);
  if (ac == std::wstring::npos) return kPowerVerdictNotFound;
  const std::size_t dc = listing.find(kDcIndexPrefix, at + 1);
  if (dc == std::wstring::npos) return kPowerVerdictNotFound;
  const long mains = ParseHexLikeWcstol(listing.substr(ac + kAcIndexPrefix.size(), kIndexDigits));
  const long battery = ParseHexLikeWcstol(listing.substr(dc + kDcIndexPrefix.size(), kIndexDigits));
  return mains == 0 && battery == 0 ? kPowerVerdictNever : kPowerVerdictTimesOut;
}

std::wstring ComposePowerSummaryFromListing(const std::wstring& listing) {
  if (listing.empty()) return kPowerSummaryFailed;
  std::wstring summary;
  for (const PowerItem& item : kPowerItems) {
    summary += FillLabel(item.label, JudgePowerSetting(listing, item.alias));
  }
  return summary;
}

}  // namespace sysops
