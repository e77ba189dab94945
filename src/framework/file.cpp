#include "framework/file.h"

int CFileException::OsErrorToCause(LONG osError) {
  switch (osError) {
    case NO_ERROR: return none;
    case ERROR_FILE_NOT_FOUND: return fileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_NAME:
    case ERROR_DIRECTORY:
    case ERROR_FILENAME_EXCED_RANGE: return badPath;
    case ERROR_TOO_MANY_OPEN_FILES: return tooManyOpenFiles;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return accessDenied;
    case ERROR_INVALID_HANDLE: return invalidFile;
    case ERROR_CURRENT_DIRECTORY: return removeCurrentDir;
    case ERROR_CANNOT_MAKE: return directoryFull;
    case ERROR_SEEK:
    case ERROR_NEGATIVE_SEEK: return badSeek;
    case ERROR_SHARING_VIOLATION: return sharingViolation;
    case ERROR_LOCK_VIOLATION: return lockViolation;
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_DISK_FULL: return diskFull;
    case ERROR_HANDLE_EOF: return endOfFile;
    default: return genericException;
  }
}

CFile::CFile() = default;

CFile::~CFile() { Abort(); }

BOOL CFile::Open(const wchar_t* fileName, UINT openFlags, CFileException* error) {
  auto fail = [&](LONG osError) {
    if (error) {
      error->cause = CFileException::OsErrorToCause(osError);
      error->os_error = osError;
      error->file_name = fileName ? fileName : L"";
    }
    return FALSE;
  };
  if (IsOpen()) return fail(ERROR_ALREADY_EXISTS);
  if (!fileName || !*fileName) return fail(ERROR_INVALID_NAME);

  DWORD access = 0;
  switch (openFlags & 3) {
    case modeRead: access = GENERIC_READ; break;
    case modeWrite: access = GENERIC_WRITE; break;
    case modeReadWrite: access = GENERIC_READ | GENERIC_WRITE; break;
    default: return fail(ERROR_INVALID_PARAMETER);
  }
  DWORD share = 0;  // shareCompat and shareExclusive: nobody else
  switch (openFlags & 0x70) {
    case shareCompat:
    case shareExclusive: share = 0; break;
    case shareDenyWrite: share = FILE_SHARE_READ; break;
    case shareDenyRead: share = FILE_SHARE_WRITE; break;
    case shareDenyNone: share = FILE_SHARE_READ | FILE_SHARE_WRITE; break;
    default: return fail(ERROR_INVALID_PARAMETER);
  }
  DWORD disposition = OPEN_EXISTING;
  if (openFlags & modeCreate) {
    disposition = (openFlags & modeNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;
  }
  // Never inheritable: the program starts console tools with handle
  // inheritance on, and they must not keep our files open.
  HANDLE h = ::CreateFileW(fileName, access, share, nullptr, disposition,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return fail(static_cast<LONG>(::GetLastError()));
  file_ = h;
  file_name_ = fileName;
  return TRUE;
}

void CFile::Close() {
  if (!IsOpen()) return;
  HANDLE h = file_;
  file_ = INVALID_HANDLE_VALUE;
  if (!::CloseHandle(h)) ThrowOsError(static_cast<LONG>(::GetLastError()));
}

void CFile::Abort() {
  if (!IsOpen()) return;
  ::CloseHandle(file_);
  file_ = INVALID_HANDLE_VALUE;
}

UINT CFile::Read(void* buffer, UINT count) {
  if (count == 0) return 0;
  DWORD got = 0;
  if (!::ReadFile(file_, buffer, count, &got, nullptr)) {
    ThrowOsError(static_cast<LONG>(::GetLastError()));
  }
  return got;
}

void CFile::Write(const void* buffer, UINT count) {
  if (count == 0) return;
  DWORD written = 0;
  if (!::WriteFile(file_, buffer, count, &written, nullptr)) {
    ThrowOsError(static_cast<LONG>(::GetLastError()));
  }
  if (written != count) Throw(CFileException::diskFull, ERROR_DISK_FULL);
}

void CFile::Flush() {
  if (IsOpen() && !::FlushFileBuffers(file_)) ThrowOsError(static_cast<LONG>(::GetLastError()));
}

ULONGLONG CFile::GetLength() const {
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file_, &size)) ThrowOsError(static_cast<LONG>(::GetLastError()));
  return static_cast<ULONGLONG>(size.QuadPart);
}

ULONGLONG CFile::Seek(LONGLONG offset, UINT from) {
  LARGE_INTEGER distance{};
  distance.QuadPart = offset;
  LARGE_INTEGER result{};
  if (!::SetFilePointerEx(file_, distance, &result, from)) {
    ThrowOsError(static_cast<LONG>(::GetLastError()));
  }
  return static_cast<ULONGLONG>(result.QuadPart);
}

void CFile::ThrowOsError(LONG osError) const {
  Throw(CFileException::OsErrorToCause(osError), osError);
}

void CFile::Throw(int cause, LONG osError) const {
  throw CFileException(cause, osError, file_name_);
}
