// Numbers read out of registry values, INI values and listings: on ASCII
// text both readers agree with the C library's reading clamped to the 32-bit
// ranges of Windows; on any text they read past the Windows runtime's blanks
// and stop at the first character that is no digit.

#include <climits>
#include <cwchar>

#include "base/number_text.h"
#include "fuzz_support.h"

namespace {

long long Clamp(long long v, long long lo, long long hi) { return v < lo ? lo : v > hi ? hi : v; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input input(data, size);
  const bool lead_blank = input.Byte() & 1;
  const std::wstring whole = input.RestWide();
  const std::wstring text = whole.substr(0, whole.find(L'\0'));

  const int decimal = ParseDecimalLikeWtoi(text);
  const long hex = ParseHexLikeWcstol(text);
  FUZZ_CHECK(hex >= -2147483647L - 1 && hex <= 2147483647L);
  if (fuzz::IsAscii(text)) {
    FUZZ_CHECK(decimal == Clamp(std::wcstoll(text.c_str(), nullptr, 10), INT_MIN, INT_MAX));
    FUZZ_CHECK(hex == Clamp(std::wcstoll(text.c_str(), nullptr, 16), -2147483647LL - 1, 2147483647LL));
  }
  // An ideographic space (as a Japanese listing has) before the number
  // changes nothing.
  if (lead_blank) {
    const std::wstring spaced = L"\u3000" + text;
    FUZZ_CHECK(ParseDecimalLikeWtoi(spaced) == decimal);
    FUZZ_CHECK(ParseHexLikeWcstol(spaced) == hex);
  }
  return 0;
}
