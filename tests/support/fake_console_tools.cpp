#include "support/fake_console_tools.h"

#include "support/files.h"
#include "support/programs.h"

namespace test_support {

std::wstring FakeToolsFolder() { return WindowsPathOfUnixPath(VTS_FAKE_TOOLS_DIR); }

std::wstring BuiltFakeTool(const wchar_t* file_name) {
  return FakeToolsFolder() + L"\\" + file_name;
}

std::string ToUtf8(const std::wstring& text) {
  if (text.empty()) return std::string();
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0, nullptr, nullptr);
  if (n <= 0) return std::string();
  std::string out(static_cast<std::size_t>(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n,
                        nullptr, nullptr);
  return out;
}

std::string Escape(const std::string& bytes) {
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

ScopedScript::ScopedScript(const wchar_t* variable, const std::string& script)
    : variable_(variable), path_(TempFilePath(L"script")) {
  wchar_t old[2048];
  const DWORD n = ::GetEnvironmentVariableW(variable, old, 2048);
  had_old_ = n > 0 && n < 2048;
  if (had_old_) old_ = old;
  ok_ = WriteBytes(path_, script) && ::SetEnvironmentVariableW(variable_.c_str(), path_.c_str());
}

ScopedScript::~ScopedScript() {
  ::SetEnvironmentVariableW(variable_.c_str(), had_old_ ? old_.c_str() : nullptr);
  ::DeleteFileW(path_.c_str());
}

}  // namespace test_support
