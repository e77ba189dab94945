// The cached-mode settings file over any bytes, ANSI or UTF-16LE: the lines
// are cut the way the text file hands them out, read into the entry map,
// written as a file again and read back; the second reading must give the
// same entries, save the losses the file format itself implies (white space
// at the end of an unquoted value, characters the ANSI code page lacks).
// The file access itself is Win32 and is tested under Wine.

#include <cwctype>
#include <utility>
#include <vector>

#include "fuzz_support.h"
#include "io/ini_text.h"

namespace {

using Entries = std::vector<std::pair<std::wstring, std::wstring>>;

// Lines of an ANSI file: cut after each LF, a CR LF counting as the line end,
// decoded from the ANSI code page.
std::vector<std::wstring> AnsiLines(const std::string& bytes) {
  std::vector<std::wstring> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t lf = bytes.find('\n', start);
    std::size_t end = lf == std::string::npos ? bytes.size() : lf;
    std::size_t next = lf == std::string::npos ? bytes.size() : lf + 1;
    if (lf != std::string::npos && end > start && bytes[end - 1] == '\r') --end;
    lines.push_back(codec::Decode(std::string_view(bytes).substr(start, end - start),
                                  codec::CodePage::kThreadAnsi));
    start = next;
  }
  return lines;
}

// Lines of a Unicode file after its byte-order mark.
std::vector<std::wstring> UnicodeLines(const std::wstring& text) {
  std::vector<std::wstring> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t lf = text.find(L'\n', start);
    std::size_t end = lf == std::wstring::npos ? text.size() : lf;
    std::size_t next = lf == std::wstring::npos ? text.size() : lf + 1;
    if (lf != std::wstring::npos && end > start && text[end - 1] == L'\r') --end;
    lines.push_back(text.substr(start, end - start));
    start = next;
  }
  return lines;
}

Entries Load(const std::vector<std::wstring>& lines, CMultiStringMapStringKey& map) {
  std::wstring section;
  for (const std::wstring& line : lines) io::ReadIniLine(line, section, map);
  Entries entries;
  POSITION pos = map.GetHeadPosition();
  while (pos) {
    std::wstring key;
    const wchar_t* value = map.GetNext(pos, &key);
    entries.emplace_back(key, value ? value : L"");
  }
  return entries;
}

std::wstring ThroughCodePage(const std::wstring& text) {
  return codec::Decode(codec::Encode(text, codec::CodePage::kThreadAnsi),
                       codec::CodePage::kThreadAnsi);
}

// What a value reads as after one save and load.
std::wstring Reloaded(std::wstring value, bool ansi) {
  const bool quoted =
      !value.empty() && (value.front() == L'"' || value.back() == L' ' || value.back() == L'"');
  if (ansi) value = ThroughCodePage(value);
  if (quoted) return value;
  while (!value.empty() && std::iswspace(value.back())) value.pop_back();
  if (!value.empty() && value.back() == L'"') value.pop_back();
  return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input input(data, size);
  const bool ansi = (input.Byte() & 1) == 0;
  const std::string bytes = input.RestBytes();

  CMultiStringMapStringKey first_map;
  const Entries first = Load(ansi ? AnsiLines(bytes) : UnicodeLines(fuzz::WideText(
                                                           reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                                           bytes.size())),
                             first_map);

  std::string saved_ansi;
  std::wstring saved_unicode;
  const bool saved = io::ComposeIniLines(first_map, [&](const std::wstring& line) {
    if (ansi) {
      saved_ansi += codec::Encode(line, codec::CodePage::kThreadAnsi) + "\r\n";
    } else {
      saved_unicode += line + L"\r\n";
    }
  });
  // Whatever a file gave, the map must be writable again.
  FUZZ_CHECK(saved);

  CMultiStringMapStringKey second_map;
  const Entries second = Load(ansi ? AnsiLines(saved_ansi) : UnicodeLines(saved_unicode), second_map);
  // Texts the code page turns into the same characters meet under one key,
  // in the order the file lists them.
  CMultiStringMapStringKey expected_map;
  for (const auto& entry : first) {
    const std::wstring key = ansi ? ThroughCodePage(entry.first) : entry.first;
    expected_map.Add(key.c_str(), Reloaded(entry.second, ansi).c_str());
  }
  const Entries expected = Load({}, expected_map);
  FUZZ_CHECK(second == expected);
  return 0;
}
