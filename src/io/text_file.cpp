#include "io/text_file.h"

#include <cstring>

#include "base/text_codec.h"

namespace {
constexpr UINT kRetryPauseMs = 100;
constexpr unsigned char kByteOrderMark[2] = {0xFF, 0xFE};
}  // namespace

CTextFile::CTextFile() = default;

CTextFile::~CTextFile() = default;

ULONGLONG CTextFile::GetLength() const {
  ULONGLONG length = CStdioFile::GetLength();
  if (!m_bUnicode) return length;
  return length >= 2 ? length - 2 : 0;
}

UINT CTextFile::Read(void* buffer, UINT count) {
  if (m_bUnicode && m_bLineReadStarted) return 0;
  return CStdioFile::Read(buffer, count);
}

void CTextFile::WriteString(const wchar_t* text) {
  if (!text) return;
  std::wstring_view view(text);
  if (view.empty()) return;
  auto bytes = codec::ToUtf16LeBytes(view);
  Write(bytes.data(), static_cast<UINT>(bytes.size()));
}

int CTextFile::GetReadChunkSize() const { return 1024; }

BOOL CTextFile::IsUnicode() const { return m_bUnicode; }

BOOL CTextFile::OpenWithRetry(const wchar_t* path, UINT flags, UINT wait_ms) {
  m_bUnicode = (flags & typeBinary) ? 1 : 0;
  UINT attempts = wait_ms / kRetryPauseMs;
  if (attempts < 1) attempts = 1;

  // The C runtime's text-mode stream takes byte 0x1A for the end of the
  // file, so whatever follows it would be lost, and lost again by the next
  // save. An ANSI file opened for reading only is therefore read as the
  // bytes it holds, and the line reader turns CR LF into LF itself. Writes
  // stay in text mode, which puts a CR before each LF and passes 0x1A on.
  UINT streamFlags = flags;
  if (!m_bUnicode && (flags & (modeWrite | modeReadWrite)) == 0) {
    streamFlags = (flags & ~typeText) | typeBinary;
  }

  BOOL opened = FALSE;
  for (UINT i = 0; i < attempts; ++i) {
    if (Open(path, streamFlags, nullptr)) {
      opened = TRUE;
      break;
    }
    if (i > 0) ::Sleep(kRetryPauseMs);
  }
  if (!opened) return FALSE;
  if (!m_bUnicode) return TRUE;

  try {
    ULONGLONG length = CStdioFile::GetLength();
    if (length == 0 && (flags & (modeWrite | modeReadWrite))) {
      Write(kByteOrderMark, 2);
    } else if (length >= 2) {
      unsigned char mark[2] = {0, 0};
      if (CStdioFile::Read(mark, 2) != 2 || std::memcmp(mark, kByteOrderMark, 2) != 0) {
        Abort();
        return FALSE;
      }
    }
    // A read-write stream must not switch between reading and writing
    // without a seek in between: the runtime would drop the write or hand
    // out stale buffer bytes. The caller's first access may go either way.
    if (flags & modeReadWrite) CStdioFile::Seek(0, current);
    return TRUE;
  } catch (const CFileException&) {
    // A mark that cannot be checked or written is as bad as a wrong one.
    Abort();
    return FALSE;
  }
}

BOOL CTextFile::ReadRawLineAnsi(std::string& line, BOOL strip) {
  line.clear();
  const size_t n = static_cast<size_t>(GetReadChunkSize());
  for (;;) {
    size_t start = line.size();
    // Prefilled with a non-zero byte, the buffer's last zero after fgets is
    // its terminator, so a zero byte inside the line cannot cut it short.
    line.resize(start + n + 1, '\x01');
    if (!fgets(&line[start], static_cast<int>(n + 1), stream_)) {
      line.resize(start);
      if (!feof(stream_)) {
        clearerr(stream_);
        ThrowStreamError(CFileException::genericException);
      }
      break;
    }
    size_t got = n;
    while (got > 0 && line[start + got] != '\0') --got;
    line.resize(start + got);
    if (got < n || line.back() == '\n') break;
  }
  if (line.empty()) return FALSE;
  // A text-mode stream has already made CR LF a single LF; a byte stream
  // hands the CR on, and it goes here.
  if (line.size() >= 2 && line[line.size() - 2] == '\r' && line.back() == '\n') {
    line.erase(line.size() - 2, 1);
  }
  if (strip && line.back() == '\n') line.pop_back();
  return TRUE;
}

BOOL CTextFile::ReadRawLineUnicode(std::wstring& line, BOOL strip) {
  m_bLineReadStarted = 1;
  std::wstring result;
  size_t lf = m_strPending.find(L'\n');
  if (lf != std::wstring::npos) {
    result.assign(m_strPending, 0, lf + 1);
    m_strPending.erase(0, lf + 1);
  } else {
    const UINT chunkBytes = static_cast<UINT>(GetReadChunkSize());
    std::string chunk(chunkBytes, '\0');
    for (;;) {
      UINT got = CStdioFile::Read(&chunk[0], chunkBytes);
      if (got == 0) {
        if (m_strPending.empty()) return FALSE;
        result.swap(m_strPending);
        m_strPending.clear();
        break;
      }
      std::wstring units =
          codec::FromUtf16LeBytes(reinterpret_cast<const std::uint8_t*>(chunk.data()), got);
      size_t pos = units.find(L'\n');
      if (pos != std::wstring::npos) {
        result.reserve(m_strPending.size() + pos + 1);
        result = m_strPending;
        result.append(units, 0, pos + 1);
        m_strPending.assign(units, pos + 1, std::wstring::npos);
        break;
      }
      m_strPending += units;
    }
  }
  if (strip && !result.empty() && result.back() == L'\n') {
    result.pop_back();
    if (!result.empty() && result.back() == L'\r') result.pop_back();
  }
  line.swap(result);
  return TRUE;
}

BOOL CTextFile::ReadLineFromAnsi(std::wstring& line, BOOL strip) {
  std::string raw;
  BOOL ok = ReadRawLineAnsi(raw, strip);
  line = codec::Decode(raw, codec::CodePage::kThreadAnsi);
  return ok;
}

BOOL CTextFile::ReadLineFromUnicode(std::wstring& line, BOOL strip) {
  std::wstring raw;
  BOOL ok = ReadRawLineUnicode(raw, strip);
  line = raw;
  return ok;
}

BOOL WriteSignalFile(const wchar_t* path) {
  try {
    CTextFile file;
    if (!file.OpenWithRetry(path, CFile::typeText | CFile::modeCreate | CFile::shareDenyNone |
                                      CFile::modeWrite,
                            0)) {
      return FALSE;
    }
    file.Write(kSignalFileBytes, sizeof kSignalFileBytes);
    file.Close();
    return TRUE;
  } catch (...) {
    return FALSE;
  }
}
