// The delivered program as a process: it opens its main window, every
// message box it shows carries the program's name, and closing the window
// in the ordinary way ends the process.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <set>
#include <string>

#include "framework/dialog.h"
#include "framework/scoped_handle.h"
#include "support/dialog_texts.h"
#include "support/programs.h"
#include "support/window_driver.h"

namespace {

using namespace apptest;

using kit::ProcessWindows;
using kit::WindowsOf;

TEST(Program, OpensItsWindowAndEndsWhenItCloses) {
  const std::wstring exe = test_support::BuiltProgramPath();
  ASSERT_TRUE(test_support::PathExists(exe));
  test_support::StartedProgram program = test_support::StartProgram(exe, L"");
  ASSERT_TRUE(program.process) << ::GetLastError();
  const fw::ScopedHandle& process = program.process;

  ProcessWindows windows;
  ASSERT_TRUE(WaitUntil([&] { return (windows = WindowsOf(program.id)).main != nullptr; },
                        30000));
  EXPECT_EQ(Text(windows.main), kWindowTitle);

  // Close it the way a technician would, answering whatever it asks, once
  // it has shown at least one box: a failed survey reports (and ends the
  // program); an idle window gets its start button pressed, and the setup
  // question is answered No, as the run would rewrite the test prefix's
  // Windows; the close question is answered Yes.
  std::set<std::wstring> captions;
  bool ended = WaitUntil(
      [&] {
        if (::WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0) return true;
        ProcessWindows now = WindowsOf(program.id);
        if (now.box) {
          MessageBoxView view = ReadMessageBox(now.box);
          captions.insert(view.caption);
          const bool hasYes = std::find(view.buttons.begin(), view.buttons.end(), IDYES) !=
                              view.buttons.end();
          if (!hasYes) {
            Answer(now.box, IDOK);
          } else {
            Answer(now.box, view.icon == MessageBoxView::kQuestion ? IDNO : IDYES);
          }
          ::Sleep(200);
        } else if (now.main) {
          if (!captions.empty()) {
            CloseWithCloseBox(now.main);
          } else if (Enabled(now.main, IDC_BUTTON_START)) {
            Press(Item(now.main, IDC_BUTTON_START));
          }
          // Otherwise the survey still runs: it ends in a box or an idle window.
          ::Sleep(200);
        }
        return false;
      },
      30000);
  if (!ended) ::TerminateProcess(process.get(), 99);
  ASSERT_TRUE(ended) << "the process did not end after its window closed";
  DWORD code = 1;
  ::GetExitCodeProcess(process.get(), &code);
  EXPECT_EQ(code, 0u);
  // Without a box seen the caption check below would prove nothing.
  ASSERT_FALSE(captions.empty()) << "no message box was seen";
  for (const std::wstring& caption : captions) EXPECT_EQ(caption, L"Varnel ターミナルセットアップ");
}

}  // namespace
