// The power line read out of whatever powercfg printed: every verdict one of
// the three, never a crash, and the index reading agreeing with the C
// library's base-16 reading wherever both are defined.

#include <climits>
#include <cwchar>

#include "base/number_text.h"
#include "fuzz_support.h"
#include "sysops/power_plan_text.h"

namespace {

const wchar_t* const kAliases[] = {L"SUB_SLEEP", L"HIBERNATEIDLE", L"SUB_DISK", L"SUB_VIDEO"};

bool IsVerdict(const std::wstring& v) {
  return v == sysops::kPowerVerdictNever || v == sysops::kPowerVerdictTimesOut ||
         v == sysops::kPowerVerdictNotFound;
}

// The C library's reading clamped to 32 bits: the Windows long the reader
// imitates is 32 bits wide, Linux's is 64.
long ReferenceHex(const std::wstring& text) {
  const long long value = std::wcstoll(text.c_str(), nullptr, 16);
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<long>(value);
}

bool HasWideCharacter(const std::wstring& text) {
  for (wchar_t c : text) {
    if (static_cast<unsigned long>(c) > 0x7F) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input input(data, size);
  const std::wstring number = input.Wide(input.Byte() % 24);
  const std::wstring listing = input.RestWide();

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
  }

  // Only ASCII text: the C library's notion of a digit or a blank outside
  // ASCII depends on the locale, the reader's does not.
  const std::wstring ascii_number = number.substr(0, number.find(L'\0'));
  if (!HasWideCharacter(ascii_number)) {
    FUZZ_CHECK(ParseHexLikeWcstol(ascii_number) == ReferenceHex(ascii_number));
  }
  return 0;
}
