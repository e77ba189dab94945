#pragma once
// A binary file on a Win32 handle, opened with the framework's open bits. The
// file is closed when the object is destroyed.

#include <windows.h>

#include <string>

#include "framework/file_exception.h"

class CFile {
 public:
  enum OpenFlags : UINT {
    modeRead = 0x0000,
    modeWrite = 0x0001,
    modeReadWrite = 0x0002,
    shareCompat = 0x0000,
    shareExclusive = 0x0010,
    shareDenyWrite = 0x0020,
    shareDenyRead = 0x0030,
    shareDenyNone = 0x0040,
    modeNoInherit = 0x0080,
    modeCreate = 0x1000,
    modeNoTruncate = 0x2000,
    typeText = 0x4000,
    typeBinary = 0x8000,
  };
  enum SeekPosition { begin = 0, current = 1, end = 2 };

  CFile();
  CFile(const CFile&) = delete;
  CFile& operator=(const CFile&) = delete;
  virtual ~CFile();

  // Opens or creates the file. On failure the exception object (when given)
  // receives cause, OS error and path, and FALSE is returned; nothing is thrown.
  [[nodiscard]] virtual BOOL Open(const wchar_t* fileName, UINT openFlags,
                                  CFileException* error = nullptr);
  virtual void Close();
  // Closes without raising anything (for destructors and failure paths).
  virtual void Abort();

  // Reads up to `count` bytes; 0 at end of file. Raises CFileException.
  virtual UINT Read(void* buffer, UINT count);
  // Writes all `count` bytes or raises CFileException.
  virtual void Write(const void* buffer, UINT count);
  virtual void Flush();
  virtual ULONGLONG GetLength() const;
  virtual ULONGLONG Seek(LONGLONG offset, UINT from);

  BOOL IsOpen() const { return file_ != INVALID_HANDLE_VALUE; }
  const std::wstring& GetFilePath() const { return file_name_; }
  HANDLE GetHandle() const { return file_; }

 protected:
  // Raises CFileException for the given Win32 error and this file.
  [[noreturn]] void ThrowOsError(LONG osError) const;
  [[noreturn]] void Throw(int cause, LONG osError) const;

  HANDLE file_ = INVALID_HANDLE_VALUE;
  std::wstring file_name_;
};
