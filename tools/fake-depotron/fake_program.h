#pragma once
// What the fake Varnel programs share: a line of their start record, appended
// to a UTF-8 text file beside the program.

#include <windows.h>

#include <string>

#include "base/text_codec.h"

namespace fake {

// The folder of the running program, with a trailing backslash.
inline std::wstring ProgramFolder() {
  wchar_t path[MAX_PATH * 2];
  DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
  std::wstring folder(path, length);
  return folder.substr(0, folder.rfind(L'\\') + 1);
}

// "2026-12-09 12:00:00.123 pid=42 <what>\r\n", appended; several processes
// may append at once, each line in one write.
inline void AppendRecord(const std::wstring& file, const std::wstring& what) {
  SYSTEMTIME now;
  ::GetLocalTime(&now);
  wchar_t stamp[64];
  wsprintfW(stamp, L"%04u-%02u-%02u %02u:%02u:%02u.%03u pid=%lu ", now.wYear, now.wMonth, now.wDay,
            now.wHour, now.wMinute, now.wSecond, now.wMilliseconds, ::GetCurrentProcessId());
  std::string line = codec::Encode(stamp + what, codec::CodePage::kUtf8) + "\r\n";
  HANDLE handle = ::CreateFileW(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  ::WriteFile(handle, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  ::CloseHandle(handle);
}

// The command line after the program's own name.
inline std::wstring Arguments() {
  const wchar_t* line = ::GetCommandLineW();
  bool quoted = false;
  for (; *line; ++line) {
    if (*line == L'"') quoted = !quoted;
    else if (*line == L' ' && !quoted) break;
  }
  while (*line == L' ') ++line;
  return line;
}

}  // namespace fake
