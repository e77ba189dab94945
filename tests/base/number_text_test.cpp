#include "base/number_text.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cwchar>
#include <cwctype>

namespace {

TEST(DecimalLikeWtoi, ReadsTheLeadingNumber) {
  EXPECT_EQ(ParseDecimalLikeWtoi(L"1"), 1);
  EXPECT_EQ(ParseDecimalLikeWtoi(L"0"), 0);
  EXPECT_EQ(ParseDecimalLikeWtoi(L"  -12x3"), -12);
  EXPECT_EQ(ParseDecimalLikeWtoi(L"+7"), 7);
  EXPECT_EQ(ParseDecimalLikeWtoi(L"\t\r\n\v\f 42 43"), 42);
  EXPECT_EQ(ParseDecimalLikeWtoi(L"\u3000\u00a0\u2000\u200a\u205f5"), 5);
  EXPECT_EQ(ParseDecimalLikeWtoi(L"007"), 7);
  EXPECT_EQ(ParseDecimalLikeWtoi(L"12.9"), 12);
  EXPECT_EQ(ParseDecimalLikeWtoi(L"0x10"), 0);
}

TEST(DecimalLikeWtoi, NoDigitsGiveZero) {
  EXPECT_EQ(ParseDecimalLikeWtoi(L""), 0);
  EXPECT_EQ(ParseDecimalLikeWtoi(L"abc"), 0);
  EXPECT_EQ(ParseDecimalLikeWtoi(L"-"), 0);
  EXPECT_EQ(ParseDecimalLikeWtoi(L"+-1"), 0);
  EXPECT_EQ(ParseDecimalLikeWtoi(L"- 1"), 0);
  EXPECT_EQ(ParseDecimalLikeWtoi(L"\u200b1"), 0);  // zero-width space is no white space
  EXPECT_EQ(ParseDecimalLikeWtoi(L"\uff11"), 0);   // full-width digit
  EXPECT_EQ(ParseDecimalLikeWtoi(std::wstring(L"\0" L"1", 2)), 0);
}

TEST(DecimalLikeWtoi, SaturatesAtTheRangeOfInt) {
  EXPECT_EQ(ParseDecimalLikeWtoi(L"2147483647"), INT_MAX);
  EXPECT_EQ(ParseDecimalLikeWtoi(L"2147483648"), INT_MAX);
  EXPECT_EQ(ParseDecimalLikeWtoi(L"99999999999"), INT_MAX);
  EXPECT_EQ(ParseDecimalLikeWtoi(L"-2147483647"), -INT_MAX);
  EXPECT_EQ(ParseDecimalLikeWtoi(L"-2147483648"), INT_MIN);
  EXPECT_EQ(ParseDecimalLikeWtoi(L"-2147483649"), INT_MIN);
  EXPECT_EQ(ParseDecimalLikeWtoi(std::wstring(400, L'9')), INT_MAX);
  EXPECT_EQ(ParseDecimalLikeWtoi(L"-" + std::wstring(400, L'9')), INT_MIN);
  EXPECT_EQ(ParseDecimalLikeWtoi(std::wstring(400, L'0') + L"12"), 12);
}

TEST(HexLikeWcstol, FollowsTheCLibrarysBase16Reading) {
  EXPECT_EQ(0x384, ParseHexLikeWcstol(L"00000384"));
  EXPECT_EQ(0x1f, ParseHexLikeWcstol(L" \t+1f"));
  EXPECT_EQ(-0x1f, ParseHexLikeWcstol(L"-1F"));
  EXPECT_EQ(0x12, ParseHexLikeWcstol(L"0x12"));
  EXPECT_EQ(0x12, ParseHexLikeWcstol(L"0X12"));
  EXPECT_EQ(-0x12, ParseHexLikeWcstol(L"-0x12"));
  EXPECT_EQ(0x12, ParseHexLikeWcstol(L"12g4"));
  EXPECT_EQ(0xabcdef, ParseHexLikeWcstol(L"\u3000AbCdEf"));
  EXPECT_EQ(0, ParseHexLikeWcstol(L"0xg"));
  EXPECT_EQ(0, ParseHexLikeWcstol(L"0x"));
  EXPECT_EQ(0, ParseHexLikeWcstol(L"0x0x1"));
  EXPECT_EQ(0, ParseHexLikeWcstol(L"-0"));
  EXPECT_EQ(0, ParseHexLikeWcstol(L""));
  EXPECT_EQ(0, ParseHexLikeWcstol(L"x12"));
  EXPECT_EQ(0, ParseHexLikeWcstol(L"\uff41"));  // full-width "a"
}

TEST(HexLikeWcstol, SaturatesAtTheRangeOfTheWindowsLong) {
  EXPECT_EQ(0x7fffffffL, ParseHexLikeWcstol(L"ffffffff"));
  EXPECT_EQ(0x7fffffffL, ParseHexLikeWcstol(L"80000000"));
  EXPECT_EQ(0x7fffffffL, ParseHexLikeWcstol(L"7fffffff"));
  EXPECT_EQ(-0x7fffffffL - 1, ParseHexLikeWcstol(L"-80000000"));
  EXPECT_EQ(-0x7fffffffL - 1, ParseHexLikeWcstol(L"-ffffffffffff"));
  EXPECT_EQ(-0x7fffffffL, ParseHexLikeWcstol(L"-7fffffff"));
  EXPECT_EQ(0x7fffffffL, ParseHexLikeWcstol(L"0x" + std::wstring(300, L'f')));
}

#ifdef _WIN32
// The Windows runtime itself is the reference: every text here must read the
// same through it. (Texts with digits of other scripts are left out: the
// runtime reads them, this reader does not.)
TEST(NumberText, AgreesWithTheWindowsRuntime) {
  const wchar_t* const texts[] = {
      L"", L"0", L"1", L"-1", L"+1", L"  42", L"\u3000\u202f-9x", L"\u1680+15", L"1f", L"-1F",
      L"0x1f", L"0X", L"0xz", L"-0x80000000", L"-80000001", L"80000000", L"7fffffff",
      L"2147483647", L"2147483648", L"-2147483648", L"-2147483649", L"99999999999999999999",
      L"+-3", L"- 3", L"\u200b3", L"abc", L"12 34", L"0012", L"\u2029\u00a0 0x7", L"ffffffffffffffff",
  };
  for (const wchar_t* text : texts) {
    const std::string shown = ::testing::PrintToString(std::wstring(text));
    EXPECT_EQ(ParseDecimalLikeWtoi(text), _wtoi(text)) << "decimal of " << shown;
    EXPECT_EQ(ParseHexLikeWcstol(text), std::wcstol(text, nullptr, 16)) << "hex of " << shown;
  }
  // Every white space character of the runtime's iswspace, and no other.
  for (std::uint32_t c = 1; c < 0x10000; ++c) {
    if (c == L'+' || (c >= L'0' && c <= L'9')) continue;
    const wchar_t text[] = {static_cast<wchar_t>(c), L'7', 0};
    const bool runtime_space = std::iswspace(static_cast<wint_t>(c)) != 0;
    EXPECT_EQ(ParseDecimalLikeWtoi(text) == 7, runtime_space) << std::hex << c;
  }
}
#endif

}  // namespace
