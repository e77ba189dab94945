#include "sysops/send_box_settings_text.h"

namespace sysops {
namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

bool IsEnclosed(const std::wstring& value) {
  const wchar_t first = value.front();
  return value.size() >= 2 && (first == L'"' || first == L'\'') && value.back() == first;
}

}  // namespace

std::wstring QuoteForProfile(const std::wstring& value) {
  if (value.empty()) return value;
  if (!IsBlank(value.front()) && !IsBlank(value.back()) && !IsEnclosed(value)) return value;
  return L'"' + value + L'"';
}

std::wstring UnquoteFromProfile(const std::wstring& stored) {
  std::size_t begin = 0;
  std::size_t end = stored.size();
  while (begin < end && IsBlank(stored[begin])) ++begin;
  while (end > begin && IsBlank(stored[end - 1])) --end;
  std::wstring value = stored.substr(begin, end - begin);
  if (!value.empty() && IsEnclosed(value)) value = value.substr(1, value.size() - 2);
  return value;
}

}  // namespace sysops
