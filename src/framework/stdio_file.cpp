#include "framework/stdio_file.h"

#include <fcntl.h>
#include <io.h>

#include <cstdlib>
#include <string>

#include "base/text_codec.h"

CStdioFile::CStdioFile() = default;

CStdioFile::~CStdioFile() { Abort(); }

BOOL CStdioFile::Open(const wchar_t* fileName, UINT openFlags, CFileException* error) {
  if (stream_) {
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
  int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file_), osFlags);
  if (fd == -1) {
    CFile::Abort();
    if (error) *error = CFileException(CFileException::tooManyOpenFiles, ERROR_TOO_MANY_OPEN_FILES,
                                       fileName);
    return FALSE;
  }
  stream_ = _fdopen(fd, mode.c_str());
  if (!stream_) {
    _close(fd);
    file_ = INVALID_HANDLE_VALUE;
    if (error) *error = CFileException(CFileException::tooManyOpenFiles, ERROR_TOO_MANY_OPEN_FILES,
                                       fileName);
    return FALSE;
  }
  return TRUE;
}

void CStdioFile::Close() {
  if (!stream_) {
    CFile::Close();
    return;
  }
  FILE* stream = stream_;
  stream_ = nullptr;
  file_ = INVALID_HANDLE_VALUE;
  // What is still buffered goes out now: a failure there is a lost write.
  // Flushed apart from closing, because Wine's fclose answers 0 even when
  // writing out its buffer failed; the stream is closed either way.
  const bool flushed = fflush(stream) == 0;
  const LONG flushError = static_cast<LONG>(_doserrno);
  const bool closed = fclose(stream) == 0;
  if (!flushed || !closed) {
    throw CFileException(CFileException::genericException,
                         flushed ? static_cast<LONG>(_doserrno) : flushError, file_name_);
  }
}

void CStdioFile::Abort() {
  if (!stream_) {
    CFile::Abort();
    return;
  }
  fclose(stream_);
  stream_ = nullptr;
  file_ = INVALID_HANDLE_VALUE;
}

UINT CStdioFile::Read(void* buffer, UINT count) {
  if (count == 0) return 0;
  size_t got = fread(buffer, 1, count, stream_);
  if (got < count && ferror(stream_)) {
    clearerr(stream_);
    ThrowStreamError(CFileException::genericException);
  }
  return static_cast<UINT>(got);
}

void CStdioFile::Write(const void* buffer, UINT count) {
  if (count == 0) return;
  if (fwrite(buffer, 1, count, stream_) != count) {
    clearerr(stream_);
    ThrowStreamError(CFileException::genericException);
  }
}

void CStdioFile::Flush() {
  if (stream_ && fflush(stream_) != 0) ThrowStreamError(CFileException::diskFull);
}

ULONGLONG CStdioFile::GetLength() const {
  // Measured through the stream so that buffered writes count.
  long long here = _ftelli64(stream_);
  if (here < 0) ThrowStreamError(CFileException::badSeek);
  if (_fseeki64(stream_, 0, SEEK_END) != 0) ThrowStreamError(CFileException::badSeek);
  long long length = _ftelli64(stream_);
  if (_fseeki64(stream_, here, SEEK_SET) != 0 || length < 0) {
    ThrowStreamError(CFileException::badSeek);
  }
  return static_cast<ULONGLONG>(length);
}

ULONGLONG CStdioFile::Seek(LONGLONG offset, UINT from) {
  static const int kOrigin[] = {SEEK_SET, SEEK_CUR, SEEK_END};
  if (from > end || _fseeki64(stream_, offset, kOrigin[from]) != 0) {
    ThrowStreamError(CFileException::badSeek);
  }
  return static_cast<ULONGLONG>(_ftelli64(stream_));
}

void CStdioFile::WriteString(const wchar_t* text) {
  if (!text) return;
  std::string bytes = codec::Encode(text, codec::CodePage::kThreadAnsi);
  if (fputs(bytes.c_str(), stream_) == EOF) {
    clearerr(stream_);
    ThrowStreamError(CFileException::diskFull);
  }
}

void CStdioFile::ThrowStreamError(int cause) const {
  throw CFileException(cause, static_cast<LONG>(_doserrno), file_name_);
}
