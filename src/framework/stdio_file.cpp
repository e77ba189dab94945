#include "framework/stdio_file.h"

#include <fcntl.h>
#include <io.h>

#include <cstdlib>
#include <string>

#include "base/text_codec.h"

CStdioFile::CStdioFile() = default;

CStdioFile::~CStdioFile() { Abort(); }

BOOL CStdioFile::Open(const wchar_t* fileName, UINT openFlags, CFileException* error) {
  if (m_pStream) {
    if (error) *error = CFileException(CFileException::genericException, ERROR_ALREADY_EXISTS,
                                       fileName ? fileName : L"");
    return FALSE;
  }
  if (!CFile::Open(fileName, openFlags & ~(typeText | typeBinary), error)) return FALSE;

  int osFlags = 0;
  std::string mode;
  switch (openFlags & 3) {
    case modeReadWrite: osFlags = _O_RDWR; mode = "r+"; break;
    case modeWrite: osFlags = _O_WRONLY; mode = "w"; break;
    default: osFlags = _O_RDONLY; mode = "r"; break;
  }
  if (openFlags & typeBinary) {
    osFlags |= _O_BINARY;
    mode += 'b';
  } else {
    osFlags |= _O_TEXT;
    mode += 't';
  }

  // From here the descriptor, then the stream, owns the handle.
  int fd = _open_osfhandle(reinterpret_cast<intptr_t>(m_hFile), osFlags);
  if (fd == -1) {
    CFile::Abort();
    if (error) *error = CFileException(CFileException::tooManyOpenFiles, ERROR_TOO_MANY_OPEN_FILES,
                                       fileName);
    return FALSE;
  }
  m_pStream = _fdopen(fd, mode.c_str());
  if (!m_pStream) {
    _close(fd);
    m_hFile = INVALID_HANDLE_VALUE;
    if (error) *error = CFileException(CFileException::tooManyOpenFiles, ERROR_TOO_MANY_OPEN_FILES,
                                       fileName);
    return FALSE;
  }
  return TRUE;
}

void CStdioFile::Close() {
  if (!m_pStream) {
    CFile::Close();
    return;
  }
  FILE* stream = m_pStream;
  m_pStream = nullptr;
  m_hFile = INVALID_HANDLE_VALUE;
  // What is still buffered goes out now: a failure there is a lost write.
  // Flushed apart from closing, because Wine's fclose answers 0 even when
  // writing out its buffer failed; the stream is closed either way.
  const bool flushed = fflush(stream) == 0;
  const LONG flushError = static_cast<LONG>(_doserrno);
  const bool closed = fclose(stream) == 0;
  if (!flushed || !closed) {
    throw CFileException(CFileException::genericException,
                         flushed ? static_cast<LONG>(_doserrno) : flushError, m_strFileName);
  }
}

void CStdioFile::Abort() {
  if (!m_pStream) {
    CFile::Abort();
    return;
  }
  fclose(m_pStream);
  m_pStream = nullptr;
  m_hFile = INVALID_HANDLE_VALUE;
}

UINT CStdioFile::Read(void* buffer, UINT count) {
  if (count == 0) return 0;
  size_t got = fread(buffer, 1, count, m_pStream);
  if (got < count && ferror(m_pStream)) {
    clearerr(m_pStream);
    ThrowStreamError(CFileException::genericException);
  }
  return static_cast<UINT>(got);
}

void CStdioFile::Write(const void* buffer, UINT count) {
  if (count == 0) return;
  if (fwrite(buffer, 1, count, m_pStream) != count) {
    clearerr(m_pStream);
    ThrowStreamError(CFileException::genericException);
  }
}

void CStdioFile::Flush() {
  if (m_pStream && fflush(m_pStream) != 0) ThrowStreamError(CFileException::diskFull);
}

ULONGLONG CStdioFile::GetLength() const {
  // Measured through the stream so that buffered writes count.
  long long here = _ftelli64(m_pStream);
  if (here < 0) ThrowStreamError(CFileException::badSeek);
  if (_fseeki64(m_pStream, 0, SEEK_END) != 0) ThrowStreamError(CFileException::badSeek);
  long long length = _ftelli64(m_pStream);
  if (_fseeki64(m_pStream, here, SEEK_SET) != 0 || length < 0) {
    ThrowStreamError(CFileException::badSeek);
  }
  return static_cast<ULONGLONG>(length);
}

ULONGLONG CStdioFile::Seek(LONGLONG offset, UINT from) {
  static const int kOrigin[] = {SEEK_SET, SEEK_CUR, SEEK_END};
  if (from > end || _fseeki64(m_pStream, offset, kOrigin[from]) != 0) {
    ThrowStreamError(CFileException::badSeek);
  }
  return static_cast<ULONGLONG>(_ftelli64(m_pStream));
}

void CStdioFile::WriteString(const wchar_t* text) {
  if (!text) return;
  std::string bytes = codec::Encode(text, codec::CodePage::kThreadAnsi);
  if (fputs(bytes.c_str(), m_pStream) == EOF) {
    clearerr(m_pStream);
    ThrowStreamError(CFileException::diskFull);
  }
}

void CStdioFile::ThrowStreamError(int cause) const {
  throw CFileException(cause, static_cast<LONG>(_doserrno), m_strFileName);
}
