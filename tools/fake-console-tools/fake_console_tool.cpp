// A console program standing in for powercfg.exe or DISM.EXE (which one is
// VTS_FAKE_TOOL_NAME). It does what a script tells it: the UTF-8 text file
// named by the environment variable VTS_FAKE_SCRIPT_VARIABLE. Without a
// script it plays the tool on the simulated PC when the prefix has one
// (simulated_tools.h), noting its command line in the PC's command log, and
// otherwise prints nothing and exits with 0. One
// directive a line:
//
//   when <text>        the directives up to the next "when" apply only when
//                      the command line contains <text>; "when *" for all
//   out <bytes>        write <bytes> to standard output
//   err <bytes>        write <bytes> to standard error
//   outfile <path>     write the file's bytes to standard output
//   fill <n> <bytes>   write n bytes to standard output, <bytes> repeated
//   sleep <ms>         pause
//   record <path>      append the command line (UTF-8) and CR LF to <path>
//   window <path>      write the console window's and start-up state to <path>
//   linger <ms>        start a copy of this program that inherits our
//                      standard handles and sleeps <ms>, and do not wait for it
//   exit <code>        end now with <code>
//
// In <bytes>, the escapes of kit/escape_text.h (\r \n \t \0 \\ \xHH) stand for
// the byte they name; all other bytes are taken as they are, so a script can
// hold any code page's text.

#include <windows.h>

#include <shellapi.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "file_text.h"
#include "kit/escape_text.h"
#include "simulated_tools.h"

namespace {

using simulated_pc::FromUtf8;
using simulated_pc::ToUtf8;

using kit::UnescapeBytes;

bool WriteAll(HANDLE to, const char* data, std::size_t size) {
  while (size > 0) {
    DWORD written = 0;
    const DWORD chunk = size > 0x100000 ? 0x100000 : static_cast<DWORD>(size);
    if (!WriteFile(to, data, chunk, &written, nullptr) || written == 0) return false;
    data += written;
    size -= written;
  }
  return true;
}

bool AppendToFile(const std::wstring& path, const std::string& bytes) {
  HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const bool ok = WriteAll(file, bytes.data(), bytes.size());
  CloseHandle(file);
  return ok;
}

void Fill(std::size_t total, const std::string& pattern) {
  if (pattern.empty()) return;
  std::string block;
  while (block.size() < 65536) block += pattern;
  const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  std::size_t offset = 0;  // where in the pattern the next block starts
  while (total > 0) {
    const std::size_t n = total < 65536 ? total : 65536;
    std::string chunk = block.substr(offset, n);
    while (chunk.size() < n) chunk += block.substr(0, n - chunk.size());
    if (!WriteAll(out, chunk.data(), chunk.size())) return;
    offset = (offset + n) % pattern.size();
    total -= n;
  }
}

std::string DescribeWindow() {
  const HWND console = GetConsoleWindow();
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  GetStartupInfoW(&startup);
  std::string text = "console=";
  text += console ? "1" : "0";
  text += " visible=";
  text += console && IsWindowVisible(console) ? "1" : "0";
  text += " flags=" + std::to_string(startup.dwFlags);
  text += " show=" + std::to_string(startup.wShowWindow);
  text += "\r\n";
  return text;
}

// Starts this program again with a script that only sleeps; it inherits our
// inheritable handles, the pipe among them.
void Linger(const std::wstring& ms) {
  wchar_t self[MAX_PATH];
  if (!GetModuleFileNameW(nullptr, self, MAX_PATH)) return;
  wchar_t temp[MAX_PATH];
  if (!GetTempPathW(MAX_PATH, temp)) return;
  const std::wstring script =
      std::wstring(temp) + L"vts-linger-" + std::to_wstring(GetCurrentProcessId()) + L".txt";
  DeleteFileW(script.c_str());
  if (!AppendToFile(script, "sleep " + ToUtf8(ms) + "\r\n")) return;
  SetEnvironmentVariableW(VTS_FAKE_SCRIPT_VARIABLE, script.c_str());
  std::wstring line = L"\"" + std::wstring(self) + L"\" linger";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION created = {};
  if (CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                     &created)) {
    CloseHandle(created.hThread);
    CloseHandle(created.hProcess);
  }
}

// The tool on the simulated PC; 0 and silence when this prefix has none.
int Simulate(const std::wstring& command_line) {
  simulated_pc::State state;
  if (!simulated_pc::LoadState(&state)) return 0;
  simulated_pc::AppendToCommandLog(command_line);
  std::vector<std::wstring> arguments;
  int count = 0;
  if (LPWSTR* argv = CommandLineToArgvW(command_line.c_str(), &count)) {
    for (int i = 1; i < count; ++i) arguments.emplace_back(argv[i]);
    LocalFree(argv);
  }
  const simulated_pc::ToolAnswer answer =
      std::wstring(VTS_FAKE_TOOL_NAME) == L"DISM" ? simulated_pc::RunDism(state, arguments)
                                                  : simulated_pc::RunPowercfg(state, arguments);
  if (answer.changed && !simulated_pc::SaveState(state)) return 5;
  // Console tools write in the OEM code page, 932 on a Japanese Windows.
  const std::string bytes = simulated_pc::EncodeForConsole(answer.output);
  WriteAll(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), bytes.size());
  return answer.exit_code;
}

}  // namespace

int wmain() {
  wchar_t script_path[MAX_PATH * 2];
  const DWORD n = GetEnvironmentVariableW(VTS_FAKE_SCRIPT_VARIABLE, script_path,
                                          sizeof script_path / sizeof script_path[0]);
  if (n == 0) return Simulate(GetCommandLineW());
  if (n >= sizeof script_path / sizeof script_path[0]) return 0;
  std::string script;
  if (!simulated_pc::ReadWholeFile(script_path, &script)) return 3;

  const std::wstring command_line = GetCommandLineW();
  // A lingering copy (see Linger) owns its one-line script.
  const std::wstring linger_mark = L" linger";
  if (command_line.size() > linger_mark.size() &&
      command_line.compare(command_line.size() - linger_mark.size(), linger_mark.size(),
                           linger_mark) == 0) {
    DeleteFileW(script_path);
  }
  const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
  bool active = true;

  std::size_t pos = 0;
  while (pos < script.size()) {
    std::size_t end = script.find('\n', pos);
    if (end == std::string::npos) end = script.size();
    std::string line = script.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    const std::size_t blank = line.find(' ');
    const std::string verb = line.substr(0, blank);
    const std::string arg = blank == std::string::npos ? std::string() : line.substr(blank + 1);

    if (verb == "when") {
      active = arg == "*" || command_line.find(FromUtf8(arg)) != std::wstring::npos;
      continue;
    }
    if (!active) continue;
    if (verb == "out" || verb == "err") {
      const std::string bytes = UnescapeBytes(arg);
      WriteAll(verb == "out" ? out : err, bytes.data(), bytes.size());
    } else if (verb == "outfile") {
      std::string bytes;
      if (!simulated_pc::ReadWholeFile(FromUtf8(arg), &bytes)) return 4;
      WriteAll(out, bytes.data(), bytes.size());
    } else if (verb == "fill") {
      const std::size_t space = arg.find(' ');
      const std::size_t total = std::strtoul(arg.substr(0, space).c_str(), nullptr, 10);
      Fill(total, space == std::string::npos ? std::string("x") : UnescapeBytes(arg.substr(space + 1)));
    } else if (verb == "sleep") {
      Sleep(std::strtoul(arg.c_str(), nullptr, 10));
    } else if (verb == "cwd") {  // where it was started
      wchar_t folder[MAX_PATH] = {};
      const DWORD length = GetCurrentDirectoryW(MAX_PATH, folder);
      const std::string bytes = ToUtf8(std::wstring(folder, length < MAX_PATH ? length : 0));
      WriteAll(out, bytes.data(), bytes.size());
    } else if (verb == "record") {
      AppendToFile(FromUtf8(arg), ToUtf8(command_line) + "\r\n");
    } else if (verb == "window") {
      AppendToFile(FromUtf8(arg), DescribeWindow());
    } else if (verb == "linger") {
      Linger(FromUtf8(arg));
    } else if (verb == "exit") {
      return static_cast<int>(std::strtol(arg.c_str(), nullptr, 10));
    }
  }
  return 0;
}
