// What someone put beside the wizard, under the name of a program it starts
// (powercfg.exe) or of a library it loads (wininet.dll): started or loaded,
// it leaves an empty file "<its own path>.ran" and does nothing else.
#include <windows.h>

namespace {

void LeaveTrace(HMODULE self) {
  wchar_t path[MAX_PATH + 8] = {};
  const DWORD length = ::GetModuleFileNameW(self, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  ::lstrcatW(path, L".ran");
  HANDLE trace = ::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (trace != INVALID_HANDLE_VALUE) ::CloseHandle(trace);
}

}  // namespace

#ifdef VTS_PLANTED_LIBRARY
BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) LeaveTrace(self);
  return TRUE;
}
#else
int main() {
  LeaveTrace(nullptr);
  return 0;
}
#endif
