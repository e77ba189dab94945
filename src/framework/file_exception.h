#pragma once
// The exception that file reads and writes raise: what went wrong (cause), the
// operating-system error behind it and the file concerned.

#include <windows.h>

#include <exception>
#include <string>

class CFileException : public std::exception {
 public:
  enum Cause {
    none = 0,
    genericException = 1,
    fileNotFound = 2,
    badPath = 3,
    tooManyOpenFiles = 4,
    accessDenied = 5,
    invalidFile = 6,
    removeCurrentDir = 7,
    directoryFull = 8,
    badSeek = 9,
    hardIO = 10,
    sharingViolation = 11,
    lockViolation = 12,
    diskFull = 13,
    endOfFile = 14,
  };

  CFileException() = default;
  CFileException(int error_cause, LONG osError, std::wstring fileName)
      : cause(error_cause), os_error(osError), file_name(std::move(fileName)) {}

  const char* what() const noexcept override { return "CFileException"; }

  // Maps a Win32 error code to the nearest cause.
  static int OsErrorToCause(LONG osError);

  int cause = none;
  LONG os_error = -1;
  std::wstring file_name;
};
