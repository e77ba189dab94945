// The delivered program on a simulated PC: once its survey is done the window
// shows the PC's state in its status lines and edits, the inputs are open,
// and the send-box edits stay closed while an upload is pending.

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/resource.h"
#include "simulated_pc.h"
#include "kit/windows_of.h"
#include "support/com.h"
#include "support/test_support.h"
#include "support/window_driver.h"
#include "sysops/dism.h"
#include "sysops/folders.h"
#include "sysops/product_paths.h"
#include "sysops/startup_shortcut.h"
#include "survey_test_support.h"

namespace {

using test_support::ScopedFile;

using namespace survey_test;

// What the window shows once it is idle, read before it is closed.
struct Shown {
  bool idle = false;
  std::wstring box_text;  // a message box instead of an idle window
  std::wstring texts[1018 - 1001 + 1];
  bool enabled[1018 - 1001 + 1] = {};
  bool status_visible = true;
  const std::wstring& Text(int id) const { return texts[id - 1001]; }
  bool Enabled(int id) const { return enabled[id - 1001]; }
};

// What the control holds, asked of its window: for an edit of another process
// GetWindowText gives only the text the control was made with.
std::wstring ControlText(HWND control) {
  wchar_t text[512] = {};
  ::SendMessageW(control, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
  return text;
}

// The window is idle once the survey's texts are in and the controls updated,
// the last of which hides the progress bar.
bool Idle(HWND main) {
  return apptest::Enabled(main, IDC_BUTTON_START) && !apptest::Visible(main, IDC_PROGRESS);
}

Shown RunProgramUntilIdle() {
  Shown shown;
  test_support::StartedProgram program =
      test_support::StartProgram(test_support::BuiltProgramPath(), L"");
  EXPECT_TRUE(program.process) << ::GetLastError();
  if (!program.process) return shown;
  kit::ProcessWindows windows;
  kit::WaitUntil(
      [&] {
        windows = kit::WindowsOf(program.id);
        return windows.box || (windows.main && Idle(windows.main));
      },
      apptest::kRunWaitMs);
  if (windows.box) {
    shown.box_text = ControlText(::GetDlgItem(windows.box, 0xFFFF));
  } else if (windows.main && Idle(windows.main)) {
    shown.idle = true;
    for (int id = 1001; id <= 1018; ++id) {
      shown.texts[id - 1001] = ControlText(apptest::Item(windows.main, id));
      shown.enabled[id - 1001] = apptest::Enabled(windows.main, id);
    }
    shown.status_visible = apptest::Visible(windows.main, IDC_STATIC_STATUS);
    apptest::CloseWithCloseBox(windows.main);
  }
  if (::WaitForSingleObject(program.process.get(), 15000) != WAIT_OBJECT_0) {
    ::TerminateProcess(program.process.get(), 99);
    ADD_FAILURE() << "the program did not end after its window closed";
  }
  return shown;
}

// The simulated PC as an IoT edition, the log-on of the user the tests run as
// stored (switched off), the send box's settings in their file.
class SurveyWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pc_.ok()) << testing::PrintToString(pc_.failure());
    ASSERT_TRUE(values_.RemoveAll());
    ASSERT_TRUE(values_.StoreLogon(L"0", L"logon-pass"));
    ASSERT_TRUE(settings_.ok());
  }

  simulated_pc::ScopedSimulatedPc pc_{simulated_pc::Edition::kIot,
                                      test_support::FakeToolsFolder()};
  TerminalValues values_;
  ScopedFile settings_{sysops::GetStatusBoxIniPath(),
                       "[MAIN]\r\nID=BOX-0042\r\nPASS=box-pass\r\nGROUP=PG-7\r\n"};
};

TEST_F(SurveyWindow, AFreshIotPcWithAnUploadPending) {
  ScopedFile marker(sysops::GetUploadMarkerPath(), "");
  ASSERT_TRUE(marker.ok());

  const Shown shown = RunProgramUntilIdle();
  ASSERT_TRUE(shown.idle) << "instead of an idle window: " << testing::PrintToString(shown.box_text);
  EXPECT_EQ(L"Windows 10 IoT Enterprise", shown.Text(IDC_STATIC_OS_NAME));
  EXPECT_EQ(kNotRegistered, shown.Text(IDC_STATIC_AUTO_LOGON));
  EXPECT_EQ(kNotRegistered, shown.Text(IDC_STATIC_TERMINAL_STARTUP));
  EXPECT_EQ(PowerLine(L"\u00D7"), shown.Text(IDC_STATIC_POWER));
  EXPECT_EQ(L"\u00D7", shown.Text(IDC_STATIC_WINDOWS_UPDATE));
  EXPECT_EQ(kNotInstalled, shown.Text(IDC_STATIC_LOGON_SCREEN));
  EXPECT_EQ(CurrentUser(), shown.Text(IDC_EDIT_LOGON_USER));
  EXPECT_EQ(ComputerName(), shown.Text(IDC_EDIT_LOGON_DOMAIN));
  EXPECT_EQ(L"", shown.Text(IDC_EDIT_DELIVERY_GROUP));
  EXPECT_EQ(L"BOX-0042", shown.Text(IDC_EDIT_SENDBOX_ID));
  EXPECT_EQ(L"PG-7", shown.Text(IDC_EDIT_PROCESS_GROUP_ID));

  for (int id : {IDC_EDIT_DELIVERY_GROUP, IDC_EDIT_LOGON_USER, IDC_EDIT_LOGON_PASSWORD,
                 IDC_EDIT_LOGON_DOMAIN, IDC_BUTTON_START}) {
    EXPECT_TRUE(shown.Enabled(id)) << id;
  }
  for (int id : {IDC_EDIT_SENDBOX_ID, IDC_EDIT_SENDBOX_PASSWORD, IDC_EDIT_PROCESS_GROUP_ID}) {
    EXPECT_FALSE(shown.Enabled(id)) << id << " while the upload marker exists";
  }
  EXPECT_FALSE(shown.status_visible);
}

TEST_F(SurveyWindow, ATerminalSetUpInFullWithNoUploadPending) {
  auto com = std::make_unique<test_support::ScopedCom>();
  ASSERT_TRUE(com->ok());
  ASSERT_TRUE(values_.auto_admin_logon.SetString(L"1"));
  ASSERT_TRUE(values_.no_auto_update.SetDword(1));
  ASSERT_TRUE(values_.SetLogonScreen(1));
  sysops::EnableEmbeddedLogonFeature();
  sysops::EnableEmbeddedBootExpFeature();
  ASSERT_TRUE(simulated_pc::RestartPc());
  RunSetupPowerCommands();
  ScopedFile program(sysops::GetTerminalProgramPath(), "");
  ScopedFile no_shortcut(
      sysops::AppendPath(sysops::GetSpecialFolder(CSIDL_COMMON_STARTUP),
                         sysops::kStartupShortcutName));
  ASSERT_TRUE(program.ok() && no_shortcut.ok());
  sysops::CreateTerminalStartupShortcut();
  ScopedFile no_marker(sysops::GetUploadMarkerPath());
  ASSERT_TRUE(no_marker.ok());
  com.reset();

  const Shown shown = RunProgramUntilIdle();
  ASSERT_TRUE(shown.idle) << "instead of an idle window: " << testing::PrintToString(shown.box_text);
  for (int id : {IDC_STATIC_AUTO_LOGON, IDC_STATIC_TERMINAL_STARTUP, IDC_STATIC_WINDOWS_UPDATE,
                 IDC_STATIC_LOGON_SCREEN}) {
    EXPECT_EQ(L"OK", shown.Text(id)) << id;
  }
  EXPECT_EQ(PowerLine(L"OK"), shown.Text(IDC_STATIC_POWER));
  for (int id = IDC_EDIT_DELIVERY_GROUP; id <= IDC_EDIT_LOGON_DOMAIN; ++id) {
    EXPECT_TRUE(shown.Enabled(id)) << id;
  }
}

}  // namespace
