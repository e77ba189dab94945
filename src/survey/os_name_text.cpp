#include "survey/os_name_text.h"

namespace survey {

namespace {

constexpr wchar_t kWindows10[] = L"Windows 10";
constexpr std::size_t kWindows10Length = sizeof(kWindows10) / sizeof(kWindows10[0]) - 1;
constexpr wchar_t kWindows11[] = L"Windows 11";
constexpr unsigned kFirstWindows11Build = 22000;

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// The registry holds the number as text; only plain ASCII digits count, so a
// damaged value reads as unreadable rather than as some number.
bool IsWindows11Build(const std::wstring& build_number) {
  if (build_number.empty()) return false;
  unsigned value = 0;
  for (const wchar_t c : build_number) {
    if (!IsDigit(c)) return false;
    if (value < kFirstWindows11Build) value = value * 10 + static_cast<unsigned>(c - L'0');
  }
  return value >= kFirstWindows11Build;
}

}  // namespace

std::wstring ShownOsName(const std::wstring& product_name, const std::wstring& build_number) {
  if (!IsWindows11Build(build_number)) return product_name;
  // "Windows 10" as a word of its own: "Windows 100" is no Windows 10.
  for (std::size_t at = product_name.find(kWindows10); at != std::wstring::npos;
       at = product_name.find(kWindows10, at + 1)) {
    const std::size_t end = at + kWindows10Length;
    if (end == product_name.size() || !IsDigit(product_name[end])) {
      std::wstring shown = product_name;
      shown.replace(at, kWindows10Length, kWindows11);
      return shown;
    }
  }
  return product_name;
}

}  // namespace survey
