#include "io/ini_text.h"

#include <cwctype>

namespace io {

namespace {

bool HoldsEqualsOrZero(const std::wstring& text) {
  return text.find(L'=') != std::wstring::npos || text.find(L'\0') != std::wstring::npos;
}

}  // namespace

void ReadIniLine(std::wstring line, std::wstring& section, CMultiStringMapStringKey& entries) {
  std::size_t end = line.size();
  while (end > 0 && std::iswspace(line[end - 1])) --end;
  line.resize(end);
  if (line.empty()) return;
  if (line[0] == L':' || line[0] == L';') return;
  if (line[0] == L'[') {
    if (line.back() != L']') return;
    section = line.substr(1, line.size() - 2);
    // The map files a value under section=key as a C text: a section name
    // with "=" would be split elsewhere on the next save, one with a zero
    // character would be cut. Its keys are not read rather than read into
    // another section.
    if (HoldsEqualsOrZero(section)) section.clear();
    return;
  }
  const std::size_t eq = line.find(L'=');
  if (eq == std::wstring::npos || section.empty()) return;
  // Likewise a key with a zero character would land under a shorter key.
  if (line.find(L'\0') < eq) return;
  std::size_t start = eq + 1;
  if (line.size() - start >= 2 && line[start] == L'"') ++start;
  std::size_t stop = line.size();
  if (line.back() == L'"') --stop;
  const std::wstring value = stop > start ? line.substr(start, stop - start) : std::wstring();
  const std::wstring entry = section + L"=" + line.substr(0, eq);
  entries.Add(entry.c_str(), value.c_str());
}

bool ComposeIniLines(const CMultiStringMapStringKey& entries,
                     const std::function<void(const std::wstring&)>& write_line) {
  std::wstring prefix;
  POSITION pos = entries.GetHeadPosition();
  while (pos) {
    std::wstring entry;
    const wchar_t* stored = entries.GetNext(pos, &entry);
    if (prefix.empty() || entry.compare(0, prefix.size(), prefix) != 0) {
      const std::size_t eq = entry.find(L'=');
      if (entry.empty() || eq == std::wstring::npos) return false;
      prefix = entry.substr(0, eq + 1);
      write_line(L"[" + prefix.substr(0, eq) + L"]");
    }
    std::wstring value = stored ? stored : L"";
    // A load strips trailing white space and one pair of quotes: quoting
    // keeps a value that ends in a space or has quotes at either end.
    if (!value.empty() && (value.front() == L'"' || value.back() == L' ' || value.back() == L'"')) {
      value = L"\"" + value + L"\"";
    }
    write_line(entry.substr(prefix.size()) + L"=" + value);
  }
  return true;
}

}  // namespace io
