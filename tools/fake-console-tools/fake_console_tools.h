#pragma once
// Test side of the fake console tools: where they were built, installing them
// where Windows keeps the real ones, and writing the script that decides what
// they print (see fake_console_tool.cpp for the directives).
//
// A test target that uses this defines VTS_FAKE_TOOLS_DIR (the build folder of
// the fake tools, as a Unix path) and depends on vts_fake_powercfg/vts_fake_DISM.

#include <windows.h>

#include <string>

namespace vts_fake {

// A Unix path of the build tree as the Windows side sees it (drive Z: is /).
inline std::wstring WindowsPathOfUnixPath(const std::string& unix_path) {
  std::wstring path = L"Z:";
  for (char c : unix_path) path += c == '/' ? L'\\' : static_cast<wchar_t>(c);
  return path;
}

#ifdef VTS_FAKE_TOOLS_DIR
// The built fake, e.g. BuiltTool(L"powercfg.exe").
inline std::wstring BuiltTool(const wchar_t* file_name) {
  return WindowsPathOfUnixPath(VTS_FAKE_TOOLS_DIR) + L"\\" + file_name;
}
#endif

// The environment variables that name each fake's script.
inline constexpr wchar_t kPowercfgScriptVariable[] = L"VTS_FAKE_POWERCFG_SCRIPT";
inline constexpr wchar_t kDismScriptVariable[] = L"VTS_FAKE_DISM_SCRIPT";

// A fresh file name in the temporary folder (the file is not created).
inline std::wstring TempFileName(const wchar_t* stem) {
  static unsigned counter = 0;
  wchar_t folder[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  return std::wstring(folder) + L"vts-" + stem + L"-" + std::to_wstring(GetCurrentProcessId()) +
         L"-" + std::to_wstring(GetTickCount()) + L"-" + std::to_wstring(++counter) + L".tmp";
}

inline bool WriteBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = bytes.empty() || (WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()),
                                              &written, nullptr) &&
                                    written == bytes.size());
  CloseHandle(file);
  return ok;
}

inline std::string ReadBytes(const std::wstring& path) {
  std::string bytes;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) bytes.append(buffer, read);
  CloseHandle(file);
  return bytes;
}

inline std::string ToUtf8(const std::wstring& text) {
  if (text.empty()) return std::string();
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                    nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr,
                      nullptr);
  return out;
}

// Bytes as the argument of an "out"/"err" directive.
inline std::string Escape(const std::string& bytes) {
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    if (c == '\\') {
      out += "\\\\";
    } else if (c < 0x20 || c == 0x7f) {
      out += "\\x";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

// While alive, the fake tools started by this process (and their children)
// follow `script`; afterwards the variable is as it was and the file gone.
class ScopedScript {
 public:
  ScopedScript(const wchar_t* variable, const std::string& script)
      : variable_(variable), path_(TempFileName(L"script")) {
    wchar_t old[2048];
    const DWORD n = GetEnvironmentVariableW(variable, old, 2048);
    had_old_ = n > 0 && n < 2048;
    if (had_old_) old_ = old;
    WriteBytes(path_, script);
    SetEnvironmentVariableW(variable_.c_str(), path_.c_str());
  }
  ~ScopedScript() {
    SetEnvironmentVariableW(variable_.c_str(), had_old_ ? old_.c_str() : nullptr);
    DeleteFileW(path_.c_str());
  }
  ScopedScript(const ScopedScript&) = delete;
  ScopedScript& operator=(const ScopedScript&) = delete;

 private:
  std::wstring variable_;
  std::wstring path_;
  std::wstring old_;
  bool had_old_ = false;
};

// Puts `built` at `target` (e.g. C:\windows\system32\powercfg.exe) for the
// lifetime of the object, or removes `target` when `built` is empty; what was
// there before is put back afterwards.
class ScopedInstall {
 public:
  ScopedInstall(const std::wstring& built, const std::wstring& target)
      : target_(target), backup_(TempFileName(L"backup")) {
    had_old_ = GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES &&
               CopyFileW(target.c_str(), backup_.c_str(), FALSE);
    ok_ = built.empty() ? (DeleteFileW(target.c_str()) ||
                           GetFileAttributesW(target.c_str()) == INVALID_FILE_ATTRIBUTES)
                        : CopyFileW(built.c_str(), target.c_str(), FALSE) != FALSE;
  }
  ~ScopedInstall() {
    if (had_old_) {
      CopyFileW(backup_.c_str(), target_.c_str(), FALSE);
      DeleteFileW(backup_.c_str());
    } else {
      DeleteFileW(target_.c_str());
    }
  }
  ScopedInstall(const ScopedInstall&) = delete;
  ScopedInstall& operator=(const ScopedInstall&) = delete;
  bool ok() const { return ok_; }

 private:
  std::wstring target_;
  std::wstring backup_;
  bool had_old_ = false;
  bool ok_ = false;
};

}  // namespace vts_fake
