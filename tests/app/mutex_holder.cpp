// Helper process for the tests: creates the named mutex given as first
// argument, signals the event named second, and keeps the mutex until the
// event named third is signalled (at most a minute).
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) return 2;
  HANDLE mutex = ::CreateMutexW(nullptr, FALSE, argv[1]);
  if (!mutex) return 3;
  HANDLE ready = ::OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[2]);
  HANDLE release = ::OpenEventW(SYNCHRONIZE, FALSE, argv[3]);
  if (!ready || !release) return 4;
  ::SetEvent(ready);
  ::WaitForSingleObject(release, 60000);
  ::CloseHandle(release);
  ::CloseHandle(ready);
  ::CloseHandle(mutex);
  return 0;
}
