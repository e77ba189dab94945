#pragma once
// Numbers read out of text the way the Windows C library reads them, for text
// that comes from the registry, an INI file or a tool's listing. Nothing here
// fails: text without a number gives 0, a number out of range gives the
// nearest end of the range, and only the leading number of `text` counts.
// Pure text logic, the same on every build.
//
// Both readers skip the same leading white space as the Windows runtime's
// iswspace: tab, line feed, vertical tab, form feed, carriage return, space,
// U+00A0, U+1680, U+2000-U+200A, U+2028, U+2029, U+202F, U+205F and U+3000.
// Only ASCII digits (and for base 16 ASCII letters a-f, A-F) are digits; the
// runtime's _wtoi would also read the decimal digits of other scripts, such
// as the full-width "１", which no text read here is meant to hold.

#include <string>

// Decimal in the manner of _wtoi: white space, then an optional "+" or "-",
// then digits up to the first other character. No digits give 0; values
// beyond int give INT_MAX or INT_MIN, as the Microsoft runtime documents.
[[nodiscard]] int ParseDecimalLikeWtoi(const std::wstring& text);

// Base 16 in the manner of wcstol(text, nullptr, 16): white space, an
// optional sign, an optional "0x" or "0X" (a prefix only when a hex digit
// follows it; otherwise the "0" is the number), then hex digits up to the
// first other character. No digits give 0. Values beyond the range of the
// 32-bit Windows long give its LONG_MAX or LONG_MIN, on every build, so that
// a native build reads what the program reads.
[[nodiscard]] long ParseHexLikeWcstol(const std::wstring& text);
