#include "framework/win_app.h"

#include <atomic>
#include <cstdio>
#include <string>

#include "base/debug_output.h"

namespace fw {
namespace {
std::atomic<WinApp*> g_current_app{nullptr};
}  // namespace

WinApp::WinApp() {
  WinApp* expected = nullptr;
  // The first application object wins; a second one (which a program never
  // makes) stays unregistered rather than stealing the caption.
  g_current_app.compare_exchange_strong(expected, this);
}

WinApp::~WinApp() {
  WinApp* expected = this;
  g_current_app.compare_exchange_strong(expected, nullptr);
}

BOOL WinApp::InitInstance() {
  if (restart_manager_support_flags & kRestartManagerSupportRestart) {
    // The program has no command line of its own to hand back on restart.
    ::RegisterApplicationRestart(nullptr, 0);
  }
  return TRUE;
}

int WinApp::ExitInstance() { return 0; }

WinApp* WinApp::Current() { return g_current_app.load(); }

void AfxWinMain() {
  int code = -1;
  if (WinApp* app = WinApp::Current()) {
    app->InitInstance();
    code = app->ExitInstance();
  }
  // Whatever the program wrote through C streams reaches its file first;
  // ExitProcess then stops any other thread before anything is torn down.
  std::fflush(nullptr);
  ::ExitProcess(static_cast<UINT>(code));
}

bool RestrictLibrarySearchToSystemFolder() {
  ::SetDllDirectoryW(L"");
  using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
  HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
  // Looked up rather than imported, so that the program still starts where
  // Windows lacks it; the detour through void (*)() keeps the cast warning-free.
  const auto set_default_dll_directories = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
      reinterpret_cast<void (*)()>(::GetProcAddress(kernel, "SetDefaultDllDirectories")));
  return set_default_dll_directories &&
         set_default_dll_directories(LOAD_LIBRARY_SEARCH_SYSTEM32) != FALSE;
}

bool RefuseUntrustedRedirections() {
  // PROCESS_MITIGATION_REDIRECTION_TRUST_POLICY and its place in the policy
  // list, which older SDK headers do not name.
  constexpr int kRedirectionTrustPolicy = 16;
  constexpr DWORD kEnforceRedirectionTrust = 0x1;
  using SetPolicyFunction = BOOL(WINAPI*)(int, PVOID, SIZE_T);
  HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
  const auto set_policy = reinterpret_cast<SetPolicyFunction>(
      reinterpret_cast<void (*)()>(::GetProcAddress(kernel, "SetProcessMitigationPolicy")));
  DWORD flags = kEnforceRedirectionTrust;
  if (set_policy && set_policy(kRedirectionTrustPolicy, &flags, sizeof flags)) return true;
  const DWORD error = set_policy ? ::GetLastError() : ERROR_PROC_NOT_FOUND;
  WriteDebugOutput((L"Varnel: redirection trust not available (error " +
                    std::to_wstring(error) + L")\n")
                       .c_str());
  return false;
}

std::wstring AfxGetAppName() {
  if (WinApp* app = WinApp::Current(); app && !app->AppName().empty()) return app->AppName();
  wchar_t path[MAX_PATH] = {};
  DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring name(path, n);
  if (auto slash = name.find_last_of(L"\\/"); slash != std::wstring::npos) name.erase(0, slash + 1);
  if (auto dot = name.find_last_of(L'.'); dot != std::wstring::npos) name.erase(dot);
  return name;
}

}  // namespace fw
