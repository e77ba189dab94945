// Helper process for the tests: an application whose start-up leaves a worker
// running and a line waiting in a C stream's buffer, and which then ends the
// way the program does. Arguments: the file for that line, and the file that
// a global object's destructor creates if global destructors run.
// Exit code: 5 when all was set up, 6 when not, 2 for wrong arguments.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cwchar>
#include <string>

#include "framework/scoped_handle.h"
#include "framework/win_app.h"

namespace {

wchar_t g_markerPath[MAX_PATH] = {};

// Read by the worker without pause, as the program's workers read their
// constants.
const std::wstring g_sharedText = L"read by the worker until the process is gone";
std::atomic<unsigned long> g_charactersRead{0};

struct DestructionWitness {
  ~DestructionWitness() {
    fw::ScopedFileHandle marker(::CreateFileW(g_markerPath, GENERIC_WRITE, 0, nullptr,
                                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  }
} g_witness;

DWORD WINAPI Worker(LPVOID started) {
  ::SetEvent(static_cast<HANDLE>(started));
  for (;;) {
    const std::wstring copy = g_sharedText;
    g_charactersRead += static_cast<unsigned long>(copy.size());
  }
}

class ProbeApp : public fw::WinApp {
 public:
  std::wstring line_path;

  BOOL InitInstance() override {
    fw::ScopedHandle started(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!started) return FALSE;
    fw::ScopedHandle worker(::CreateThread(nullptr, 0, &Worker, started.get(), 0, nullptr));
    if (!worker || ::WaitForSingleObject(started.get(), 10000) != WAIT_OBJECT_0) return FALSE;
    // Left open: the line stays in the stream's buffer until someone flushes.
    std::FILE* stream = _wfopen(line_path.c_str(), L"wb");
    if (!stream || std::fputs("written before the end\n", stream) < 0) return FALSE;
    ready_ = true;
    return FALSE;
  }
  int ExitInstance() override { return ready_ ? 5 : 6; }

 private:
  bool ready_ = false;
};

ProbeApp theApp;

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) return 2;
  theApp.line_path = argv[1];
  std::wcsncpy(g_markerPath, argv[2], MAX_PATH - 1);
  fw::AfxWinMain();
}
