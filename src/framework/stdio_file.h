#pragma once
// A buffered file: a C runtime stream (text or binary, from the open bits) on
// top of the Win32 handle of CFile. Stream read and write failures raise
// CFileException with the runtime's last OS error and the file path.

#include <cstdio>

#include "framework/file.h"

class CStdioFile : public CFile {
 public:
  CStdioFile();
  ~CStdioFile() override;

  [[nodiscard]] BOOL Open(const wchar_t* fileName, UINT openFlags,
                          CFileException* error = nullptr) override;
  // Writes out what is still buffered, then closes; raises CFileException
  // (generic) when the buffered bytes could not be written, the file being
  // closed all the same.
  void Close() override;
  void Abort() override;

  UINT Read(void* buffer, UINT count) override;
  void Write(const void* buffer, UINT count) override;
  // Raises CFileException (disk full) when the buffered bytes cannot be written.
  void Flush() override;
  ULONGLONG GetLength() const override;
  ULONGLONG Seek(LONGLONG offset, UINT from) override;

  // Writes the text converted to the thread's ANSI code page; in a text-mode
  // stream each LF lands on disk as CR LF. Raises CFileException (disk full)
  // when the stream refuses it.
  virtual void WriteString(const wchar_t* text);

  FILE* GetStream() const { return stream_; }

 protected:
  // Raises CFileException(cause) with the runtime's last OS error.
  [[noreturn]] void ThrowStreamError(int cause) const;

  FILE* stream_ = nullptr;
};
