#include "support/programs.h"

namespace test_support {

bool OnWow64() {
  BOOL wow64 = FALSE;
  return ::IsWow64Process(::GetCurrentProcess(), &wow64) && wow64;
}

std::wstring ExpectedProgramFiles() {
  return OnWow64() ? L"C:\\Program Files (x86)" : L"C:\\Program Files";
}

std::wstring ExpectedDismProgram() {
  // SYSNATIVE in the Windows folder, as the prefix names it.
  if (OnWow64()) return L"C:\\windows\\SYSNATIVE\\DISM.EXE";
  wchar_t system[MAX_PATH] = {};
  ::GetSystemDirectoryW(system, MAX_PATH);
  return std::wstring(system) + L"\\DISM.EXE";
}

std::wstring NextToThisTest(const std::wstring& relative) {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path);
  folder.erase(folder.find_last_of(L'\\') + 1);
  return folder + relative;
}

std::wstring BuiltProgramPath() {
  return NextToThisTest(L"..\\..\\src\\app\\VarnelTerminalSetupWizard.exe");
}

std::wstring WindowsPathOfUnixPath(const std::string& unix_path) {
  std::wstring path = L"Z:";
  for (char c : unix_path) path += c == '/' ? L'\\' : static_cast<wchar_t>(c);
  return path;
}

StartedProgram StartProgram(const std::wstring& exe, const std::wstring& arguments) {
  std::wstring command = L"\"" + exe + L"\"";
  if (!arguments.empty()) command += L" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  StartedProgram started;
  if (::CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &info)) {
    ::CloseHandle(info.hThread);
    started.process.reset(info.hProcess);
    started.id = info.dwProcessId;
  }
  return started;
}

ScopedProgram::ScopedProgram(const std::wstring& built, const std::wstring& target)
    : ScopedFile(target) {
  if (ok_ && !built.empty()) {
    ok_ = MakeFolders() && ::CopyFileW(built.c_str(), target.c_str(), FALSE) != FALSE;
  }
}

}  // namespace test_support
