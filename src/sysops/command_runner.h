#pragma once
// The one way the program runs a console tool and reads what it prints.

#include <string>

namespace sysops {

// Starts `command_line` (program and arguments, as CreateProcess takes them)
// with a hidden console of its own, collects everything it writes to standard
// output and standard error (one pipe, so in the order written) until it ends,
// and returns it decoded with the thread's ANSI code page, up to the first
// zero byte. Empty when the program could not be started or printed nothing;
// the exit code is not looked at. Blocks the calling thread until the child
// has ended, however long that takes: call it from a worker thread only.
std::wstring RunCommandAndCapture(const std::wstring& command_line);

}  // namespace sysops
