#include "sysops/command_runner.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/text_codec.h"
#include "framework/scoped_handle.h"
#include "sysops/folders.h"

namespace sysops {

namespace {

// Moves whatever is waiting in the pipe into `captured` without ever blocking:
// only the byte count PeekNamedPipe reports is read. Returns whether anything
// arrived. A failed read drops that read's bytes and ends the drain.
bool DrainPipe(HANDLE pipe, std::string& captured) {
  bool arrived = false;
  for (;;) {
    DWORD waiting = 0;
    if (!::PeekNamedPipe(pipe, nullptr, 0, nullptr, &waiting, nullptr) || waiting == 0) {
      return arrived;
    }
    const std::size_t before = captured.size();
    captured.resize(before + waiting);
    DWORD read = 0;
    if (!::ReadFile(pipe, &captured[before], waiting, &read, nullptr)) {
      captured.resize(before);
      return arrived;
    }
    captured.resize(before + read);
    if (read == 0) return arrived;  // nothing came although something was announced
    arrived = true;
  }
}

// How long to wait for the child to end before looking into the pipe again,
// after `quiet_drains` drains in a row that found nothing. A talkative child is
// drained back to back; a silent one (DISM thinking for minutes) costs some
// sixty short wake-ups a second instead of a busy processor core.
DWORD PauseAfterQuietDrains(unsigned quiet_drains) {
  static const DWORD kPauses[] = {0, 1, 2, 4, 8, 16};
  constexpr unsigned kCount = sizeof kPauses / sizeof kPauses[0];
  return kPauses[std::min(quiet_drains, kCount - 1)];
}

}  // namespace

std::wstring RunCommandAndCapture(const std::wstring& command_line) {
  return RunCommand(command_line).output;
}

CommandResult RunCommand(const std::wstring& command_line) {
  CommandResult result;
  result.command_line = command_line;
  const auto not_started = [&result] {
    result.start_error = ::GetLastError();
    return result;
  };
  SECURITY_ATTRIBUTES inheritable = {};
  inheritable.nLength = sizeof inheritable;
  inheritable.lpSecurityDescriptor = nullptr;
  inheritable.bInheritHandle = TRUE;

  fw::ScopedHandle read_end;
  fw::ScopedHandle write_end;
  if (!::CreatePipe(read_end.put(), write_end.put(), &inheritable, 0)) return not_started();

  const HANDLE self = ::GetCurrentProcess();
  fw::ScopedHandle error_end;  // second inheritable copy of the write end, for stderr
  if (!::DuplicateHandle(self, write_end.get(), self, error_end.put(), 0, TRUE,
                         DUPLICATE_SAME_ACCESS)) {
    return not_started();
  }
  fw::ScopedHandle reader;  // the only end read from; the child never gets it
  if (!::DuplicateHandle(self, read_end.get(), self, reader.put(), 0, FALSE,
                         DUPLICATE_SAME_ACCESS)) {
    return not_started();
  }

  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  startup.hStdInput = nullptr;
  startup.hStdOutput = write_end.get();
  startup.hStdError = error_end.get();

  // CreateProcessW may write into the command line, so it gets a copy.
  std::vector<wchar_t> writable(command_line.begin(), command_line.end());
  writable.push_back(L'\0');

  // The tool starts in the system folder, not in whatever folder the
  // program was started from: a tool that looks for files beside its
  // current folder finds only Windows' own there.
  wchar_t system_folder[MAX_PATH] = {};
  const UINT folder_length = ::GetSystemDirectoryW(system_folder, MAX_PATH);
  if (folder_length == 0 || folder_length >= MAX_PATH) return not_started();

  PROCESS_INFORMATION created = {};
  if (!::CreateProcessW(nullptr, writable.data(), nullptr, nullptr, TRUE, CREATE_NEW_CONSOLE,
                        nullptr, system_folder, &startup, &created)) {
    return not_started();
  }
  result.started = true;
  fw::ScopedHandle(created.hThread).reset();  // the child's thread is never needed
  const fw::ScopedHandle process(created.hProcess);

  ::WaitForInputIdle(process.get(), 1000);

  // Our own write ends stay open until we return, so the pipe never reports
  // its end; the child's exit is what ends the capture. That also keeps a
  // grandchild that inherited the pipe from holding us up.
  std::string captured;
  unsigned quiet_drains = 0;
  while (::WaitForSingleObject(process.get(), PauseAfterQuietDrains(quiet_drains)) ==
         WAIT_TIMEOUT) {
    quiet_drains = DrainPipe(reader.get(), captured) ? 0 : quiet_drains + 1;
  }
  // What the child wrote just before it ended.
  DrainPipe(reader.get(), captured);

  DWORD exit_code = 0;
  if (::GetExitCodeProcess(process.get(), &exit_code)) result.exit_code = exit_code;

  const std::size_t zero = captured.find('\0');
  if (zero != std::string::npos) captured.resize(zero);
  result.output = codec::Decode(captured, codec::CodePage::kThreadAnsi);
  return result;
}

std::wstring GetSystemToolPath(const std::wstring& file_name) {
  wchar_t folder[MAX_PATH] = {};
  const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::wstring();
  return AppendPath(folder, file_name);
}

std::wstring RunSystemTool(const std::wstring& file_name, const std::wstring& arguments) {
  return RunSystemToolCommand(file_name, arguments).output;
}

CommandResult RunSystemToolCommand(const std::wstring& file_name, const std::wstring& arguments) {
  const std::wstring program = GetSystemToolPath(file_name);
  if (program.empty()) {
    CommandResult result;
    result.command_line = file_name + L" " + arguments;
    result.start_error = ERROR_PATH_NOT_FOUND;
    return result;
  }
  return RunCommand(L"\"" + program + L"\" " + arguments);
}

}  // namespace sysops
