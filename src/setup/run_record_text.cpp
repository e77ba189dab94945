#include "setup/run_record_text.h"

#include <algorithm>
#include <cstdio>
#include <cwctype>
#include <tuple>

#include "setup/setup_text.h"

namespace setup {
namespace {

constexpr wchar_t kRecordPrefix[] = L"setup-";
constexpr wchar_t kRecordSuffix[] = L".log";
constexpr wchar_t kMaskCharacter = L'\u25CF';  // ●, the password edits' own

std::wstring Digits(int value, int width) {
  wchar_t text[16];
  std::swprintf(text, 16, L"%0*d", width, value);
  return text;
}

bool AllDigits(const std::wstring& text, std::size_t first, std::size_t count) {
  if (first + count > text.size()) return false;
  for (std::size_t i = first; i < first + count; ++i) {
    if (text[i] < L'0' || text[i] > L'9') return false;
  }
  return true;
}

// When a record was begun: its time stamp and its sequence within that
// second. False for any name RecordFileName does not make.
bool ReadRecordName(const std::wstring& name, std::wstring& stamp, long& sequence) {
  const std::size_t prefix = sizeof kRecordPrefix / sizeof kRecordPrefix[0] - 1;
  const std::size_t suffix = sizeof kRecordSuffix / sizeof kRecordSuffix[0] - 1;
  constexpr std::size_t kStamp = 15;  // YYYYMMDD-HHMMSS
  if (name.size() < prefix + kStamp + suffix || name.compare(0, prefix, kRecordPrefix) != 0 ||
      name.compare(name.size() - suffix, suffix, kRecordSuffix) != 0) {
    return false;
  }
  if (!AllDigits(name, prefix, 8) || name[prefix + 8] != L'-' || !AllDigits(name, prefix + 9, 6)) {
    return false;
  }
  stamp = name.substr(prefix, kStamp);
  const std::size_t rest = prefix + kStamp;
  const std::size_t rest_length = name.size() - suffix - rest;
  if (rest_length == 0) {
    sequence = 1;
    return true;
  }
  // "-N", N from 2, without leading zeros, short enough to compare as a number.
  if (rest_length < 2 || rest_length > 6 || name[rest] != L'-' || name[rest + 1] == L'0' ||
      !AllDigits(name, rest + 1, rest_length - 1)) {
    return false;
  }
  sequence = std::stol(name.substr(rest + 1, rest_length - 1));
  return sequence >= 2;
}

void ReplaceAll(std::wstring& text, const std::wstring& what, const std::wstring& with,
                bool ignore_case) {
  if (what.empty()) return;
  const auto same = [ignore_case](wchar_t a, wchar_t b) {
    return ignore_case ? std::towlower(a) == std::towlower(b) : a == b;
  };
  std::size_t from = 0;
  for (;;) {
    const auto found = std::search(text.begin() + static_cast<std::ptrdiff_t>(from), text.end(),
                                   what.begin(), what.end(), same);
    if (found == text.end()) return;
    const std::size_t at = static_cast<std::size_t>(found - text.begin());
    text.replace(at, what.size(), with);
    from = at + with.size();
  }
}

}  // namespace

std::wstring RecordFileName(const RecordTime& time, int sequence) {
  std::wstring name = kRecordPrefix + Digits(time.year, 4) + Digits(time.month, 2) +
                      Digits(time.day, 2) + L"-" + Digits(time.hour, 2) + Digits(time.minute, 2) +
                      Digits(time.second, 2);
  if (sequence > 1) name += L"-" + std::to_wstring(sequence);
  return name + kRecordSuffix;
}

std::vector<std::wstring> RecordsBeyondNewest(const std::vector<std::wstring>& names,
                                              std::size_t keep) {
  struct Record {
    std::wstring stamp;
    long sequence;
    const std::wstring* name;
  };
  std::vector<Record> records;
  for (const std::wstring& name : names) {
    Record record{std::wstring(), 0, &name};
    if (ReadRecordName(name, record.stamp, record.sequence)) records.push_back(record);
  }
  std::sort(records.begin(), records.end(), [](const Record& a, const Record& b) {
    return std::tie(a.stamp, a.sequence, *a.name) < std::tie(b.stamp, b.sequence, *b.name);
  });
  std::vector<std::wstring> beyond;
  for (std::size_t i = 0; i + keep < records.size(); ++i) beyond.push_back(*records[i].name);
  return beyond;
}

std::wstring OneLine(const std::wstring& text) {
  std::wstring line;
  line.reserve(text.size());
  for (wchar_t c : text) {
    if (c == L'\n') {
      line += L"\\n";
    } else if (c == L'\r') {
      line += L"\\r";
    } else if (c == L'\t') {
      line += L"\\t";
    } else if (c < 0x20 || c == 0x7F) {
      wchar_t escape[8];
      std::swprintf(escape, 8, L"\\x%02X", static_cast<unsigned>(c));
      line += escape;
    } else {
      line.push_back(c);
    }
  }
  return line;
}

std::wstring ComposeRecordLine(const RecordTime& time, const std::wstring& text) {
  return Digits(time.year, 4) + L"-" + Digits(time.month, 2) + L"-" + Digits(time.day, 2) + L" " +
         Digits(time.hour, 2) + L":" + Digits(time.minute, 2) + L":" + Digits(time.second, 2) +
         L"." + Digits(time.millisecond, 3) + L" " + OneLine(text) + L"\r\n";
}

std::wstring MaskedLike(const std::wstring& secret) {
  return std::wstring(secret.size(), kMaskCharacter);
}

std::wstring MaskSecrets(const std::wstring& text, const std::vector<std::wstring>& secrets) {
  std::vector<std::wstring> ordered(secrets.begin(), secrets.end());
  std::stable_sort(ordered.begin(), ordered.end(),
                   [](const std::wstring& a, const std::wstring& b) { return a.size() > b.size(); });
  std::wstring masked = text;
  for (const std::wstring& secret : ordered) {
    if (secret.empty()) continue;
    const std::wstring mask = MaskedLike(secret);
    // The encoded form first: it may contain the plain one ("a b" holds
    // neither, "ab%" holds "ab").
    const std::wstring encoded = EncodeUrlComponent(secret);
    if (encoded != secret) ReplaceAll(masked, encoded, mask, true);
    ReplaceAll(masked, secret, mask, false);
  }
  return masked;
}

std::wstring DescribeWindowsError(const std::wstring& what, std::uint32_t code,
                                  const std::wstring& system_text) {
  std::wstring text = system_text;
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) {
    text.pop_back();
  }
  if (text.empty()) text = L"no text";
  return what + L" failed: Windows error " + std::to_wstring(code) + L" (" + text + L")";
}

std::wstring DescribeHttpAnswer(const std::wstring& url, std::uint32_t status,
                                std::uint64_t bytes) {
  return L"GET " + url + L": HTTP " + std::to_wstring(status) + L", " + std::to_wstring(bytes) +
         L" bytes";
}

std::wstring DescribeHttpNoAnswer(const std::wstring& url, std::uint32_t error,
                                  const std::wstring& system_text) {
  return L"GET " + url + L": no answer, " +
         DescribeWindowsError(L"the request", error, system_text);
}

std::wstring LastLines(const std::wstring& output, std::size_t count) {
  std::vector<std::wstring> lines;
  std::wstring line;
  const auto end_line = [&] {
    std::size_t first = line.find_first_not_of(L" \t");
    if (first != std::wstring::npos) {
      std::size_t last = line.find_last_not_of(L" \t");
      lines.push_back(line.substr(first, last - first + 1));
    }
    line.clear();
  };
  for (wchar_t c : output) {
    if (c == L'\r' || c == L'\n') {
      end_line();
    } else {
      line.push_back(c);
    }
  }
  end_line();
  std::wstring joined;
  const std::size_t first = lines.size() > count ? lines.size() - count : 0;
  for (std::size_t i = first; i < lines.size(); ++i) {
    if (!joined.empty()) joined += L" | ";
    joined += lines[i];
  }
  return joined;
}

std::wstring DescribeToolRun(const std::wstring& command, std::uint32_t exit_code,
                             const std::wstring& output) {
  const std::wstring last = LastLines(output, kToolLinesKept);
  return command + L": exit code " + std::to_wstring(exit_code) + L", " +
         (last.empty() ? std::wstring(L"no output") : L"output: " + last);
}

std::wstring DescribeBytes(const std::string& bytes, std::size_t count) {
  std::wstring text;
  const std::size_t shown = std::min(bytes.size(), count);
  for (std::size_t i = 0; i < shown; ++i) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      text.push_back(static_cast<wchar_t>(c));
    } else {
      wchar_t escape[8];
      std::swprintf(escape, 8, L"\\x%02X", static_cast<unsigned>(c));
      text += escape;
    }
  }
  if (bytes.size() > count) text += L"...";
  return text;
}

std::wstring HexDigest(const std::string& digest) {
  static constexpr wchar_t kHex[] = L"0123456789abcdef";
  std::wstring hex;
  for (char byte : digest) {
    const auto c = static_cast<unsigned char>(byte);
    hex.push_back(kHex[c >> 4]);
    hex.push_back(kHex[c & 0x0F]);
  }
  return hex;
}

std::wstring DescribeDuration(std::uint64_t milliseconds) {
  return std::to_wstring(milliseconds / 1000) + L"." + Digits(static_cast<int>(milliseconds % 1000), 3) +
         L" s";
}

}  // namespace setup
