#pragma once
// The one way the program runs a console tool and reads what it prints.

#include <cstdint>
#include <string>

namespace sysops {

// How one console command went, for whoever must tell why a step failed.
struct CommandResult {
  std::wstring command_line;
  bool started = false;
  std::uint32_t start_error = 0;  // the Windows error when it could not start
  std::uint32_t exit_code = 0;    // the child's, once it has ended
  std::wstring output;            // as RunCommandAndCapture returns it
};

// RunCommandAndCapture that also tells whether the child started (and if
// not, why) and the code it ended with.
CommandResult RunCommand(const std::wstring& command_line);

// Starts `command_line` (program and arguments, as CreateProcess takes them)
// with a hidden console of its own and the system folder as its current
// folder, collects everything it writes to standard
// output and standard error (one pipe, so in the order written) until it ends,
// and returns it decoded with the thread's ANSI code page, up to the first
// zero byte. Empty when the program could not be started or printed nothing;
// the exit code is not looked at. Blocks the calling thread until the child
// has ended, however long that takes: call it from a worker thread only.
std::wstring RunCommandAndCapture(const std::wstring& command_line);

// Where Windows keeps its console tools: the system folder and file_name.
// Empty when Windows cannot name the folder. A bare name would be looked for
// in the program's own folder and in the current folder first, where whoever
// could write there might have put a program of that name to run with the
// technician's rights.
[[nodiscard]] std::wstring GetSystemToolPath(const std::wstring& file_name);

// RunCommandAndCapture of the quoted path of the system's tool file_name,
// a blank and the arguments; empty without a system folder.
std::wstring RunSystemTool(const std::wstring& file_name, const std::wstring& arguments);
// The same, told in full; not started (ERROR_PATH_NOT_FOUND) without a
// system folder.
CommandResult RunSystemToolCommand(const std::wstring& file_name, const std::wstring& arguments);

}  // namespace sysops
