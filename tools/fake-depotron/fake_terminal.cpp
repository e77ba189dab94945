// Stand-in for the Varnel terminal program, VarnelTerminal.exe, the target
// of the start-up shortcut. It only records that it was started, in
// VarnelTerminal.started.txt beside itself
// ("<local time> pid=N started args=<command line>"), and ends.

#include <windows.h>

#include "fake_program.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  fake::AppendRecord(fake::ProgramFolder() + L"VarnelTerminal.started.txt",
                     L"started args=" + fake::Arguments());
  return 0;
}
