// vts-simulated-pc.exe: sets the Wine prefix it runs in up as a PC about to
// become a terminal (see simulated_pc.h), for the demo and for anyone at a
// shell. It takes powercfg.exe and DISM.exe from its own folder.
//
//   vts-simulated-pc.exe prepare iot|iot11|ordinary
//   vts-simulated-pc.exe restart   (pending feature changes take effect)
//   vts-simulated-pc.exe show

#include <windows.h>

#include <cstdio>
#include <string>

#include "file_text.h"
#include "simulated_pc.h"

namespace {

int Usage() {
  std::fputs("usage: vts-simulated-pc.exe prepare iot|iot11|ordinary\n"
             "       vts-simulated-pc.exe restart\n"
             "       vts-simulated-pc.exe show\n",
             stderr);
  return 2;
}

std::wstring OwnFolder() {
  wchar_t path[MAX_PATH] = {};
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, n);
  const std::size_t slash = folder.find_last_of(L"\\/");
  return slash == std::wstring::npos ? L"." : folder.substr(0, slash);
}

void PrintUtf8(FILE* to, const std::wstring& text) {
  std::fputs(simulated_pc::ToUtf8(text).c_str(), to);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return Usage();
  const std::wstring command = argv[1];
  if (command == L"prepare" && argc == 3) {
    const std::wstring edition = argv[2];
    simulated_pc::Edition chosen = simulated_pc::Edition::kIot;
    if (edition == L"iot11") {
      chosen = simulated_pc::Edition::kIotOnWindows11;
    } else if (edition == L"ordinary") {
      chosen = simulated_pc::Edition::kOrdinary;
    } else if (edition != L"iot") {
      return Usage();
    }
    std::wstring failure;
    if (!simulated_pc::PreparePc(chosen, OwnFolder(), &failure)) {
      PrintUtf8(stderr, L"vts-simulated-pc: " + failure + L"\n");
      return 1;
    }
    PrintUtf8(stdout, L"prepared as the " + edition + L" edition; state in " +
                          simulated_pc::StateFilePath() + L"\n");
    return 0;
  }
  if (command == L"restart" && argc == 2) {
    if (!simulated_pc::RestartPc()) {
      PrintUtf8(stderr, L"vts-simulated-pc: no simulated PC to restart in this prefix\n");
      return 1;
    }
    PrintUtf8(stdout, L"restarted; pending feature changes have taken effect\n");
    return 0;
  }
  if (command == L"show" && argc == 2) {
    simulated_pc::State state;
    if (!simulated_pc::LoadState(&state)) {
      PrintUtf8(stderr, L"vts-simulated-pc: no simulated PC in this prefix\n");
      return 1;
    }
    std::fputs(simulated_pc::FormatState(state).c_str(), stdout);
    return 0;
  }
  return Usage();
}
