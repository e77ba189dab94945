#pragma once
// demo-driver.exe: the demo's hands and eyes inside Wine. It reads the PC
// (registry, files, shortcut, service, simulated power and features) and
// operates the program's real window as a technician does, from another
// process, through ordinary window messages to its controls.
//
// Everything it reports goes to standard output as UTF-8 lines, one record a
// line, fields separated by tabs (tabs and line feeds inside a text are
// written as "\t" and "\n"):
//   row <stage> <label> <value>   a reading; stage "pc", "survey" or "completed"
//   progress <percent> <text>     the status line and bar changed
//   say <text>                    what is happening, for the person watching
//   snap <name> <x> <y> <w> <h>   a screen area worth a screenshot; the driver
//                                 then waits for one line on standard input,
//                                 so the picture shows what it announced
//   outcome <word> [<text>]       how the session ended; always the last line,
//                                 so a reader stops there rather than wait for
//                                 the pipe to close (Wine's explorer.exe
//                                 /desktop may inherit it and keep it open)
// A session that goes wrong ends with "outcome failed <why>" and exit code 1;
// the program it started is ended, so that nothing waits for a window that
// nobody will close.

#include <windows.h>

#include <string>

namespace demo_driver {

// The output channel of the driver (standard output, written unbuffered).
void Emit(const std::wstring& record);
std::wstring Escape(const std::wstring& text);
void Row(const wchar_t* stage, const std::wstring& label, const std::wstring& value);
void Say(const std::wstring& text);
void Outcome(const std::wstring& word, const std::wstring& text = std::wstring());

// demo-driver probe: one "row pc" line per item of the PC's state, then
// "outcome read".
int Probe();

struct Inputs {
  std::wstring delivery_group, send_box_id, send_box_password, process_group_id, windows_password;
};

// demo-driver technician: one program session from start to end.
int Technician(const std::wstring& exe, const Inputs& inputs);
// demo-driver look: opens the program, waits for its survey, reads and
// photographs the window, closes it.
int Look(const std::wstring& exe);

}  // namespace demo_driver
