// The byte buffer around bodies and stored values: the text conversions and
// searches over any bytes, at any offset and count, never read outside the
// content, the searches find what a plain search finds, and the hexadecimal
// form comes back unchanged.

#include <algorithm>
#include <cstring>
#include <vector>

#include "base/binary.h"
#include "fuzz_support.h"

namespace {

// Mostly offsets and counts around the content, sometimes far off it.
int Position(fuzz::Input& input, int length) {
  const std::uint8_t b = input.Byte();
  switch (b & 3) {
    case 0: return -static_cast<int>(b >> 2) - 1;
    case 1: return length + (b >> 2);
    default: return length ? static_cast<int>(input.Unit()) % (length + 1) : 0;
  }
}

int ReferenceFind(const std::string& hay, const std::string& needle, int start) {
  if (start < 0) start = 0;
  if (static_cast<std::size_t>(start) > hay.size()) return -1;
  const std::size_t at = hay.find(needle, static_cast<std::size_t>(start));
  return at == std::string::npos ? -1 : static_cast<int>(at);
}

CBinary Buffer(const std::string& bytes) {
  CBinary b;
  FUZZ_CHECK(b.SetData(bytes.data(), static_cast<int>(bytes.size())));
  return b;
}

std::string BytesOf(const CBinary& b) {
  return std::string(reinterpret_cast<const char*>(b.GetData()), static_cast<std::size_t>(b.GetLength()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input input(data, size);
  const std::string needle = input.Bytes(input.Byte() % 8);
  const std::string content = input.Bytes(input.Unit() % 4096);
  CBinary b = Buffer(content);
  const int length = b.GetLength();
  FUZZ_CHECK(length == static_cast<int>(content.size()));

  // The hexadecimal form, both ways round.
  const std::wstring hex = b.ToHexString();
  FUZZ_CHECK(hex.size() == content.size() * 2);
  CBinary back;
  back.FromHexString(hex.c_str());
  FUZZ_CHECK(back.GetLength() == length && back.Compare(b) == 0);

  // Conversions at positions in and around the content.
  const int count = Position(input, length);
  const int offset = Position(input, length);
  const std::wstring ansi = b.ToAnsiText(count, offset);
  const std::wstring wide = b.ToWideText(count);
  FUZZ_CHECK(wide.find(L'\0') == std::wstring::npos);
  FUZZ_CHECK(wide.size() * 2 <= content.size());
  FUZZ_CHECK(ansi.find(L'\0') == std::wstring::npos);
  b.DecodeUtf8();
  b.DecodeEucJp();
  const std::wstring ansi_line = b.ToAnsiLine(count);
  const std::wstring wide_line = b.ToWideLine(count);
  FUZZ_CHECK(wide_line.size() <= wide.size() || count != 0);
  FUZZ_CHECK(b.GetWordAt(Position(input, length / 2)) <= 0xFFFF);
  b.GetAt(offset);

  // Searches against a plain search.
  const CBinary pattern = Buffer(needle);
  const int start = Position(input, length);
  const int found = b.Find(pattern, start);
  if (!needle.empty()) FUZZ_CHECK(found == ReferenceFind(content, needle, start));
  if (found >= 0) FUZZ_CHECK(content.compare(found, needle.size(), needle) == 0);
  const int back_found = b.ReverseFind(pattern, start);
  if (!needle.empty() && back_found >= 0) {
    FUZZ_CHECK(back_found >= static_cast<int>(needle.size()) && back_found <= length);
    FUZZ_CHECK(content.compare(back_found - needle.size(), needle.size(), needle) == 0);
  }
  if (!needle.empty() && back_found < 0) {
    // The backward search starts at `start`, or at the last possible place
    // when `start` lies outside.
    const int last_place = length - static_cast<int>(needle.size());
    const int from = start < 0 || start >= last_place ? last_place : start;
    const std::size_t first = content.find(needle);
    FUZZ_CHECK(first == std::string::npos || static_cast<int>(first) > from);
  }
  for (BOOL ansi_mode : {TRUE, FALSE}) {
    const int end = b.FindLineEnd(ansi_mode, start);
    if (end >= 0) {
      FUZZ_CHECK(end >= start && end < length);
      FUZZ_CHECK(content[end] == '\n' || content[end] == '\r');
    }
    const int last = b.ReverseFindLineEnd(ansi_mode, start);
    if (last >= 0) FUZZ_CHECK(last < length && (content[last] == '\n' || content[last] == '\r'));
  }
  const std::string needle_text = needle.substr(0, needle.find('\0'));
  const int ansi_found = b.FindAnsiText(needle_text.c_str(), start);
  if (!needle_text.empty()) FUZZ_CHECK(ansi_found == ReferenceFind(content, needle_text, start));

  // Comparisons against texts shorter or longer than the content.
  b.CompareAnsiAt(needle_text.c_str(), offset, count);
  const std::wstring wide_needle = fuzz::WideText(reinterpret_cast<const std::uint8_t*>(needle.data()),
                                                  needle.size());
  const std::wstring wide_text = wide_needle.substr(0, wide_needle.find(L'\0'));
  b.CompareWideAt(wide_text.c_str(), offset, count);
  b.FindWideText(wide_text.c_str(), start);

  // Cutting and joining.
  const CBinary mid = b.Mid(offset, count);
  if (mid.GetLength() > 0) FUZZ_CHECK(BytesOf(mid) == content.substr(offset, count));
  const CBinary left = b.Left(count);
  const CBinary right = b.Right(count);
  if (count >= 0 && count <= length) {
    FUZZ_CHECK(BytesOf(left) == content.substr(0, count));
    FUZZ_CHECK(BytesOf(right) == content.substr(length - count));
    FUZZ_CHECK(b.EqualsLeft(left, count));
  }
  CBinary joined(left);
  joined.Append(b.Mid(count >= 0 && count <= length ? count : length));
  if (count >= 0 && count <= length) FUZZ_CHECK(joined.Compare(b) == 0);
  joined.AppendWideText(wide_text, Position(input, static_cast<int>(wide_text.size())),
                        Position(input, static_cast<int>(wide_text.size() * 2)));
  joined.AppendAnsiText(needle_text.c_str(), Position(input, static_cast<int>(needle_text.size())),
                        Position(input, static_cast<int>(needle_text.size())));
  joined.Append(joined);
  CBinary taken = joined.TakeLeft(count);
  taken.TrimNewLine();
  joined.RemoveLeft(offset);
  joined.TruncateRight(count);
  joined.SetBytesAt(offset, static_cast<int>(needle.size()), needle.data());

  // Any text read as hexadecimal gives one byte per two UTF-16 units, and
  // those bytes written out and read again stay the same.
  const std::wstring text = input.RestWide();
  CBinary parsed;
  parsed.FromHexString(text.c_str());
  const std::wstring text_to_nul = text.substr(0, text.find(L'\0'));
  FUZZ_CHECK(parsed.GetLength() ==
             static_cast<int>(codec::ToUtf16LeBytes(text_to_nul).size() / 4));
  CBinary again;
  again.FromHexString(parsed.ToHexString().c_str());
  FUZZ_CHECK(again.Compare(parsed) == 0 && again.GetLength() == parsed.GetLength());
  return 0;
}
