#include "base/number_text.h"

#include <cstdint>

namespace {

bool IsRuntimeSpace(wchar_t c) {
  if (c == L' ' || (c >= L'\t' && c <= L'\r')) return true;
  switch (static_cast<std::uint32_t>(c)) {
    case 0x00A0: case 0x1680: case 0x2028: case 0x2029:
    case 0x202F: case 0x205F: case 0x3000:
      return true;
    default:
      return c >= 0x2000 && c <= 0x200A;
  }
}

int DigitValue(wchar_t c, int base) {
  int value = -1;
  if (c >= L'0' && c <= L'9') value = c - L'0';
  else if (c >= L'a' && c <= L'f') value = c - L'a' + 10;
  else if (c >= L'A' && c <= L'F') value = c - L'A' + 10;
  return value < base ? value : -1;
}

// The leading number of `text` in `base`, clamped to [low, high]. The running
// value stops growing once it has passed both ends, so it cannot overflow.
std::int64_t ParseClamped(const std::wstring& text, int base, std::int64_t low, std::int64_t high) {
  std::size_t i = 0;
  while (i < text.size() && IsRuntimeSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
  if (base == 16 && i + 2 < text.size() && text[i] == L'0' &&
      (text[i + 1] == L'x' || text[i + 1] == L'X') && DigitValue(text[i + 2], 16) >= 0) {
    i += 2;
  }
  const std::int64_t limit = -low > high ? -low : high;
  std::int64_t value = 0;
  for (; i < text.size(); ++i) {
    const int digit = DigitValue(text[i], base);
    if (digit < 0) break;
    if (value <= limit) value = value * base + digit;
  }
  if (negative) value = -value;
  if (value > high) return high;
  if (value < low) return low;
  return value;
}

}  // namespace

int ParseDecimalLikeWtoi(const std::wstring& text) {
  return static_cast<int>(ParseClamped(text, 10, INT32_MIN, INT32_MAX));
}

long ParseHexLikeWcstol(const std::wstring& text) {
  return static_cast<long>(ParseClamped(text, 16, INT32_MIN, INT32_MAX));
}
