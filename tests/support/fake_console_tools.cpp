#include "support/fake_console_tools.h"

#include "support/files.h"
#include "support/programs.h"

namespace test_support {

std::wstring FakeToolsFolder() { return WindowsPathOfUnixPath(VTS_FAKE_TOOLS_DIR); }

std::wstring BuiltFakeTool(const wchar_t* file_name) {
  return FakeToolsFolder() + L"\\" + file_name;
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
