#include "base/binary.h"

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "base/text_codec.h"

namespace {

// The C library's block functions must not see null pointers, not even for
// zero lengths, so every copy goes through these.
void CopyBytes(void* to, const void* from, int count) {
  if (count > 0) std::memmove(to, from, static_cast<std::size_t>(count));
}

int CompareBytes(const BYTE* a, const BYTE* b, int count) {
  for (int i = 0; i < count; ++i) {
    if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
  }
  return 0;
}

// UTF-16LE bytes of a NUL-terminated wide text followed by the two bytes of
// its terminator, so that reads one unit beyond the text see what they would
// see in memory on Windows.
std::vector<std::uint8_t> WideBytesWithTerminator(const wchar_t* text) {
  std::vector<std::uint8_t> bytes =
      codec::ToUtf16LeBytes(text ? std::wstring_view(text) : std::wstring_view());
  bytes.push_back(0);
  bytes.push_back(0);
  return bytes;
}

int ByteCount(const std::vector<std::uint8_t>& bytes) { return static_cast<int>(bytes.size()); }

}  // namespace

CBinary::CBinary() = default;

CBinary::CBinary(const CBinary& other) : CDataValueCompareBase<CBinary>() {
  SetData(other.m_pData, other.m_nLength);
}

CBinary::CBinary(const CBinary& other, int offset, int count) : CDataValueCompareBase<CBinary>() {
  if (offset >= 0 && count > 0 && offset <= other.m_nLength - count) {
    SetData(other.m_pData + offset, count);
  }
}

CBinary::CBinary(CBinary&& other) noexcept
    : CDataValueCompareBase<CBinary>(),
      m_nLength(other.m_nLength),
      m_nCapacity(other.m_nCapacity),
      m_nGrowBy(other.m_nGrowBy),
      m_pData(other.m_pData) {
  other.m_nLength = 0;
  other.m_nCapacity = 0;
  other.m_pData = nullptr;
}

CBinary& CBinary::operator=(const CBinary& other) { return Assign(other); }

CBinary& CBinary::operator=(CBinary&& other) noexcept {
  if (this != &other) {
    std::free(m_pData);
    m_nLength = other.m_nLength;
    m_nCapacity = other.m_nCapacity;
    m_nGrowBy = other.m_nGrowBy;
    m_pData = other.m_pData;
    other.m_nLength = 0;
    other.m_nCapacity = 0;
    other.m_pData = nullptr;
  }
  return *this;
}

CBinary::~CBinary() { std::free(m_pData); }

int CBinary::Compare(const CBinary& other) const {
  if (m_nLength == 0 || other.m_nLength == 0) {
    if (m_nLength == other.m_nLength) return 0;
    return m_nLength == 0 ? -1 : 1;
  }
  const int n = m_nLength < other.m_nLength ? m_nLength : other.m_nLength;
  const int c = CompareBytes(m_pData, other.m_pData, n);
  if (c != 0) return c;
  return m_nLength - other.m_nLength;
}

int CBinary::GetGrowBy() const { return m_nGrowBy; }

void CBinary::SetGrowBy(int grow_by) { m_nGrowBy = grow_by; }

BOOL CBinary::SetText(std::wstring text, BOOL ansi) {
  if (ansi) {
    const std::string narrow = codec::Encode(text.c_str(), codec::CodePage::kThreadAnsi);
    return SetAnsiText(narrow.c_str());
  }
  return SetWideText(text.c_str());
}

BOOL CBinary::SetAnsiText(const char* text) {
  return SetData(text, text ? static_cast<int>(std::strlen(text)) : 0);
}

BOOL CBinary::SetWideText(const wchar_t* text) {
  const std::vector<std::uint8_t> bytes =
      codec::ToUtf16LeBytes(text ? std::wstring_view(text) : std::wstring_view());
  return SetData(bytes.data(), ByteCount(bytes));
}

BOOL CBinary::SetData(const void* data, int count) {
  if (count >= 1) {
    // The room comes first: a failure must leave the content as it was.
    if (!GetBuffer(count)) return FALSE;
    m_nLength = 0;
    if (data) {
      CopyBytes(m_pData, data, count);
      m_nLength = count;
    }
    return TRUE;
  }
  m_nLength = 0;
  return TRUE;
}

BYTE* CBinary::GetBuffer(int size) {
  if (m_nCapacity >= size) return m_pData;
  const std::int64_t step = m_nGrowBy < 1 ? 1 : m_nGrowBy;
  const std::int64_t capacity = size + step - (size % step);
  if (capacity > INT_MAX) return nullptr;
  auto* block = static_cast<BYTE*>(std::malloc(static_cast<std::size_t>(capacity)));
  if (!block) return nullptr;
  CopyBytes(block, m_pData, m_nLength);
  std::free(m_pData);
  m_pData = block;
  m_nCapacity = static_cast<int>(capacity);
  return m_pData;
}

BYTE* CBinary::GetData() const { return m_pData; }

BYTE* CBinary::GetBufferSetLength(int size) {
  BYTE* block = GetBuffer(size);
  if (!block || !SetLength(size)) return nullptr;
  return block;
}

BOOL CBinary::ReleaseBuffer(int length) { return SetLength(length); }

void CBinary::ReleaseBuffer() {}

void CBinary::Empty() { m_nLength = 0; }

void CBinary::Free() {
  std::free(m_pData);
  m_pData = nullptr;
  m_nLength = 0;
  m_nCapacity = 0;
}

int CBinary::GetCapacity() const { return m_nCapacity; }

int CBinary::GetLength() const { return m_nLength; }

BOOL CBinary::SetLength(int length) {
  if (length < 0 || length > m_nCapacity) return FALSE;
  m_nLength = length;
  return TRUE;
}

BOOL CBinary::IsEmpty() const { return m_nLength == 0; }

BYTE CBinary::GetAt(int offset) const {
  if (offset < 0 || offset >= m_nLength) return 0;
  return m_pData[offset];
}

BOOL CBinary::SetBytesAt(int offset, int count, const void* data) {
  if (offset < 0 || count < 0 || offset > m_nLength - count) return FALSE;
  if (count > 0 && !data) return FALSE;
  CopyBytes(m_pData + offset, data, count);
  return TRUE;
}

BOOL CBinary::SetAt(int offset, BYTE value) {
  if (offset < 0 || offset >= m_nLength) return FALSE;
  m_pData[offset] = value;
  return TRUE;
}

WORD CBinary::GetWordAt(int position) const {
  if (position < 0 || position >= m_nLength / 2) return 0;
  const int at = 2 * position;
  return static_cast<WORD>(m_pData[at] | (m_pData[at + 1] << 8));
}

int CBinary::CompareWideAt(const wchar_t* text, int offset, int count) const {
  const std::vector<std::uint8_t> bytes = WideBytesWithTerminator(text);
  if (count < 0) count = (ByteCount(bytes) - 2) - offset;
  return CompareBounded(bytes.data(), ByteCount(bytes), offset, count);
}

int CBinary::CompareAnsiAt(const char* text, int offset, int count) const {
  const int length = text ? static_cast<int>(std::strlen(text)) : 0;
  if (count < 0) count = length;
  // The terminator is part of the readable block.
  return CompareBounded(reinterpret_cast<const BYTE*>(text ? text : ""), length + 1, offset,
                        count);
}

int CBinary::CompareAt(const void* data, int offset, int count) const {
  return CompareBounded(static_cast<const BYTE*>(data), INT_MAX, offset, count);
}

int CBinary::CompareBounded(const BYTE* data, int available, int offset, int count) const {
  if (offset < 0 || offset > m_nLength) return -1;
  if (count < 0) count = 0;
  const int remaining = m_nLength - offset;
  const int n = count < remaining ? count : remaining;
  if (n > available) {
    // More bytes asked for than the other block holds: equal as far as it
    // goes means this side is the longer one.
    const int c = CompareBytes(m_pData + offset, data, available);
    return c != 0 ? c : 1;
  }
  const int c = CompareBytes(m_pData + offset, data, n);
  if (c != 0) return c;
  if (remaining < count) return remaining - count;
  return 0;
}

CBinary& CBinary::Assign(const CBinary& other) {
  if (this != &other) SetData(other.m_pData, other.m_nLength);
  return *this;
}

CBinary& CBinary::AppendWideText(const std::wstring& text, int index, int count) {
  return AppendWideText(text.c_str(), index, count);
}

CBinary& CBinary::AppendWideText(const wchar_t* text, int index, int count) {
  const std::vector<std::uint8_t> bytes = WideBytesWithTerminator(text);
  const int length = (ByteCount(bytes) - 2) / 2;
  if (index < 0 || index > length) return *this;
  if (count < 0) count = 2 * (length - index);
  if (index + count / 2 > length) return *this;
  AppendBytes(bytes.data() + 2 * index, count);
  return *this;
}

CBinary& CBinary::AppendAnsiText(const char* text, int index, int count) {
  const int length = text ? static_cast<int>(std::strlen(text)) : 0;
  if (index < 0 || index > length) return *this;
  if (count < 0) count = length - index;
  if (count > length - index) return *this;
  AppendBytes(text + index, count);
  return *this;
}

CBinary& CBinary::Append(const CBinary& other) {
  if (other.m_nLength == 0) return *this;
  AppendBytes(other.m_pData, other.m_nLength);
  return *this;
}

BOOL CBinary::AppendBytes(const void* data, int count) {
  if (count <= 0) return TRUE;
  if (m_nLength > INT_MAX - count) return FALSE;
  // The source may be this buffer's own block, which growing moves.
  const bool own = m_pData && data >= m_pData && data < m_pData + m_nCapacity;
  const std::ptrdiff_t own_offset = own ? static_cast<const BYTE*>(data) - m_pData : 0;
  const int old_length = m_nLength;
  if (!GetBufferSetLength(old_length + count)) return FALSE;
  const void* from = own ? m_pData + own_offset : data;
  CopyBytes(m_pData + old_length, from, count);
  return TRUE;
}

std::wstring CBinary::AnsiTextOf(int offset, int count) const {
  if (count <= 0) return std::wstring();
  const char* bytes = reinterpret_cast<const char*>(m_pData + offset);
  const void* nul = std::memchr(bytes, 0, static_cast<std::size_t>(count));
  const std::size_t n = nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - bytes)
                            : static_cast<std::size_t>(count);
  return codec::Decode(std::string_view(bytes, n), codec::CodePage::kThreadAnsi);
}

std::wstring CBinary::WideTextOf(int count) const {
  if (count <= 0) return std::wstring();
  int units = count / 2;
  for (int i = 0; i < units; ++i) {
    if (m_pData[2 * i] == 0 && m_pData[2 * i + 1] == 0) {
      units = i;
      break;
    }
  }
  return codec::FromUtf16LeBytes(m_pData, static_cast<std::size_t>(units) * 2);
}

std::wstring CBinary::ToAnsiText(int count, int offset) const {
  if (m_nLength == 0 || offset < 0 || offset > m_nLength || count < 0) return std::wstring();
  if (count == 0 || count > m_nLength - offset) count = m_nLength - offset;
  return AnsiTextOf(offset, count);
}

std::wstring CBinary::ToWideText(int count) const {
  if (m_nLength == 0 || count < 0) return std::wstring();
  if (count == 0 || count > m_nLength) count = m_nLength;
  return WideTextOf(count);
}

std::wstring CBinary::DecodeUtf8() const {
  if (m_nLength == 0) return std::wstring();
  return codec::Decode(
      std::string_view(reinterpret_cast<const char*>(m_pData), static_cast<std::size_t>(m_nLength)),
      codec::CodePage::kUtf8);
}

std::wstring CBinary::DecodeEucJp() const {
  if (m_nLength == 0) return std::wstring();
  return codec::Decode(
      std::string_view(reinterpret_cast<const char*>(m_pData), static_cast<std::size_t>(m_nLength)),
      codec::CodePage::kEucJp);
}

std::wstring CBinary::ToAnsiLine(int count) const {
  if (m_nLength == 0 || count < 0) return std::wstring();
  if (count == 0 || count > m_nLength) count = m_nLength;
  // The line break is looked for at the end of the whole content.
  if (m_pData[m_nLength - 1] == '\n') {
    count -= (m_nLength >= 2 && m_pData[m_nLength - 2] == '\r') ? 2 : 1;
    if (count < 0) count = 0;
  }
  return AnsiTextOf(0, count);
}

std::wstring CBinary::ToWideLine(int count) const {
  if (m_nLength == 0 || count < 0) return std::wstring();
  if (count == 0 || count > m_nLength) count = m_nLength;
  const int units = m_nLength / 2;
  auto unit = [this](int i) { return m_pData[2 * i] | (m_pData[2 * i + 1] << 8); };
  if (units >= 1 && unit(units - 1) == '\n') {
    count -= (units >= 2 && unit(units - 2) == '\r') ? 4 : 2;
    if (count < 0) count = 0;
  }
  return WideTextOf(count);
}

std::wstring CBinary::ToLine(BOOL ansi, int count) const {
  return ansi ? ToAnsiLine(count) : ToWideLine(count);
}

int CBinary::FindWideText(const wchar_t* text, int start) const {
  const std::vector<std::uint8_t> bytes =
      codec::ToUtf16LeBytes(text ? std::wstring_view(text) : std::wstring_view());
  return Find(bytes.data(), ByteCount(bytes), start);
}

int CBinary::FindAnsiText(const char* text, int start) const {
  return Find(text, text ? static_cast<int>(std::strlen(text)) : 0, start);
}

int CBinary::Find(const CBinary& pattern, int start) const {
  return Find(pattern.m_pData, pattern.m_nLength, start);
}

int CBinary::Find(const void* data, int count, int start) const {
  if (count < 0 || (count > 0 && !data)) return -1;
  if (start < 0) start = 0;
  const auto* pattern = static_cast<const BYTE*>(data);
  for (int at = start; at <= m_nLength - count; ++at) {
    if (CompareBytes(m_pData + at, pattern, count) == 0) return at;
  }
  return -1;
}

int CBinary::ReverseFind(const CBinary& pattern, int start) const {
  const int count = pattern.m_nLength;
  const int last = m_nLength - count;
  if (start < 0 || start >= last) start = last;
  for (int at = start; at >= 0; --at) {
    if (CompareBytes(m_pData + at, pattern.m_pData, count) == 0) return at + count;
  }
  return -1;
}

int CBinary::FindAnsiLineEnd(int start) const {
  if (start < 0) return -1;
  for (int i = start; i < m_nLength; ++i) {
    if (m_pData[i] == '\n') return i;
    if (m_pData[i] == '\r') return (i + 1 < m_nLength && m_pData[i + 1] == '\n') ? i + 1 : i;
  }
  return -1;
}

int CBinary::FindWideLineEnd(int start) const {
  if (start < 0) return -1;
  for (int i = start; i + 1 < m_nLength; i += 2) {
    if (m_pData[i + 1] != 0) continue;
    if (m_pData[i] == '\n') return i;
    if (m_pData[i] == '\r') {
      const bool lf_follows = i + 3 < m_nLength && m_pData[i + 2] == '\n' && m_pData[i + 3] == 0;
      return lf_follows ? i + 2 : i;
    }
  }
  return -1;
}

int CBinary::FindLineEnd(BOOL ansi, int start) const {
  return ansi ? FindAnsiLineEnd(start) : FindWideLineEnd(start);
}

int CBinary::ReverseFindAnsiLineEnd(int start) const {
  if (start < 0 || start >= m_nLength) start = m_nLength - 1;
  for (int i = start; i >= 0; --i) {
    if (m_pData[i] == '\n') return i;
    if (m_pData[i] == '\r') return (i + 1 < m_nLength && m_pData[i + 1] == '\n') ? i + 1 : i;
  }
  return -1;
}

int CBinary::ReverseFindWideLineEnd(int start) const {
  if (start < 0 || start >= m_nLength) start = m_nLength - 1;
  for (int i = start; i >= 1; --i) {
    if (m_pData[i] == '\n' && m_pData[i - 1] == 0) {
      return (i >= 2 && m_pData[i - 2] == '\r') ? i - 2 : i;
    }
  }
  return -1;
}

int CBinary::ReverseFindLineEnd(BOOL ansi, int start) const {
  return ansi ? ReverseFindAnsiLineEnd(start) : ReverseFindWideLineEnd(start);
}

CBinary& CBinary::TruncateRight(int count) {
  if (count >= 0 && count <= m_nLength) m_nLength -= count;
  return *this;
}

CBinary& CBinary::RemoveLeft(int count) {
  if (count >= 0 && count <= m_nLength) {
    CopyBytes(m_pData, m_pData + count, m_nLength - count);
    m_nLength -= count;
  }
  return *this;
}

CBinary& CBinary::TrimNewLine() {
  if (m_nLength >= 1 && m_pData[m_nLength - 1] == '\n') {
    m_nLength -= (m_nLength >= 2 && m_pData[m_nLength - 2] == '\r') ? 2 : 1;
  }
  return *this;
}

CBinary CBinary::TakeLeft(int count) {
  if (count < 0 || count > m_nLength) return CBinary();
  CBinary taken = Left(count);
  // Only bytes that were really copied out may go.
  if (taken.m_nLength == count) RemoveLeft(count);
  else taken.Free();
  return taken;
}

CBinary CBinary::Right(int count) const {
  if (count < 0 || count > m_nLength) return CBinary();
  if (count == m_nLength) return CBinary(*this);
  return CBinary(*this, m_nLength - count, count);
}

CBinary CBinary::Left(int count) const {
  if (count < 0 || count > m_nLength) return CBinary();
  if (count == m_nLength) return CBinary(*this);
  return CBinary(*this, 0, count);
}

CBinary CBinary::Mid(int offset, int count) const {
  if (count == -1) count = offset < m_nLength ? m_nLength - offset : 0;
  if (offset < 0 || count < 0 || offset > m_nLength - count) return CBinary();
  if (offset == 0 && count == m_nLength) return CBinary(*this);
  return CBinary(*this, offset, count);
}

BOOL CBinary::EqualsLeft(const CBinary& other, int count) const {
  if (count == -1) count = other.m_nLength;
  if (count < 0 || m_nLength < count || other.m_nLength < count) return FALSE;
  return CompareBytes(m_pData, other.m_pData, count) == 0;
}

std::wstring CBinary::ToHexString() const {
  static const wchar_t kDigits[] = L"0123456789abcdef";
  std::wstring out;
  out.reserve(static_cast<std::size_t>(m_nLength) * 2);
  for (int i = 0; i < m_nLength; ++i) {
    out.push_back(kDigits[m_pData[i] >> 4]);
    out.push_back(kDigits[m_pData[i] & 0x0F]);
  }
  return out;
}

CBinary& CBinary::FromHexString(const wchar_t* text) {
  Empty();
  // Counted in UTF-16 units so the result is the same whatever wchar_t is.
  const std::vector<std::uint8_t> units =
      codec::ToUtf16LeBytes(text ? std::wstring_view(text) : std::wstring_view());
  const int n = ByteCount(units) / 4;
  if (n == 0 || !GetBufferSetLength(n)) return *this;
  for (int i = 0; i < n; ++i) {
    // Each character is reduced to its low 8 bits, then read the way the C
    // runtime reads a base-16 number: blanks and a sign allowed, stopping at
    // the first character that is not a hexadecimal digit.
    const char pair[3] = {static_cast<char>(units[4 * i]), static_cast<char>(units[4 * i + 2]),
                          '\0'};
    const long value = std::strtol(pair, nullptr, 16);
    m_pData[i] = static_cast<BYTE>(static_cast<unsigned long>(value) & 0xFF);
  }
  return *this;
}
