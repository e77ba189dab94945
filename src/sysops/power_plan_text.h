#pragma once
// Reading the active power plan out of the Japanese `powercfg /Q` listing:
// four time-outs judged one by one and composed into the survey's power line.
// Text only, so that it builds and is exercised on every platform.

#include <string>

namespace sysops {

// Verdict texts for one power time-out.
inline constexpr wchar_t kPowerVerdictNever[] = L"OK";          // never times out
inline constexpr wchar_t kPowerVerdictTimesOut[] = L"\u00D7";   // "×"
inline constexpr wchar_t kPowerVerdictNotFound[] = L"\uFF0D";   // "－"

// The power line when powercfg gave no text at all.
inline constexpr wchar_t kPowerSummaryFailed[] = L"( \u203B\u53D6\u5F97\u5931\u6557 )";  // "( ※取得失敗 )"

// The tool and the arguments whose listing is read.
inline constexpr wchar_t kPowercfgFileName[] = L"powercfg.exe";
inline constexpr wchar_t kPowerQueryArguments[] = L"/Q";

// "OK" when the first mains and battery index lines after `alias` are both
// zero, "×" when either is not, "－" when the alias or a line is missing.
[[nodiscard]] std::wstring JudgePowerSetting(const std::wstring& listing,
                                             const std::wstring& alias);

// The power line for a listing: sleep, hibernate, disk and display verdicts,
// each label ending in an ideographic space; "( ※取得失敗 )" for an empty one.
[[nodiscard]] std::wstring ComposePowerSummaryFromListing(const std::wstring& listing);

}  // namespace sysops
