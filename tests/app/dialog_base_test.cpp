// The framework dialog under the main dialog: the modal run, the end code,
// message answers, and the window handle that workers rely on going null
// once the window is gone.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <thread>

#include "app/resource.h"
#include "framework/dialog.h"
#include "framework/win_app.h"
#include "support/window_driver.h"

namespace {

using apptest::WaitUntil;

constexpr UINT kAsk = WM_USER + 200;

class PlainDialog : public fw::Dialog {
 public:
  PlainDialog() : fw::Dialog(IDD_VARNELTERMINALSETUPWIZARD_DIALOG) {}
  std::atomic<int> inits{0};
  std::atomic<HWND> seen_at_init{nullptr};

 protected:
  BOOL OnInitDialog() override {
    ++inits;
    seen_at_init = GetSafeHwnd();
    return fw::Dialog::OnInitDialog();
  }
  bool OnMessage(UINT message, WPARAM wParam, LPARAM, LRESULT* result) override {
    if (message != kAsk) return false;
    *result = static_cast<LRESULT>(wParam * 2);
    if (wParam == 21) EndDialog(77);
    return true;
  }
};

TEST(DialogBase, ModalRunAnswersMessagesAndForgetsItsWindow) {
  PlainDialog dialog;
  EXPECT_EQ(dialog.GetSafeHwnd(), nullptr);
  EXPECT_FALSE(dialog.PostToWindow(WM_NULL, 0, 0)) << "no window yet";

  std::atomic<INT_PTR> result{-5};
  std::thread ui([&] { result = dialog.DoModal(); });
  ASSERT_TRUE(WaitUntil([&] { return dialog.GetSafeHwnd() != nullptr; }));
  HWND hwnd = dialog.GetSafeHwnd();
  EXPECT_EQ(dialog.seen_at_init.load(), hwnd);
  EXPECT_EQ(dialog.inits.load(), 1);

  EXPECT_EQ(::SendMessageW(hwnd, kAsk, 5, 0), 10);
  EXPECT_TRUE(dialog.PostToWindow(WM_NULL, 0, 0));
  EXPECT_EQ(::SendMessageW(hwnd, kAsk, 21, 0), 42);
  ui.join();

  EXPECT_EQ(result.load(), 77);
  EXPECT_EQ(dialog.ModalResult(), 77);
  EXPECT_FALSE(::IsWindow(hwnd));
  EXPECT_EQ(dialog.GetSafeHwnd(), nullptr);
  EXPECT_FALSE(dialog.PostToWindow(WM_NULL, 0, 0)) << "the window is gone";
}

TEST(DialogBase, StandardCommandsEndTheDialog) {
  for (int command : {IDOK, IDCANCEL}) {
    SCOPED_TRACE(command);
    PlainDialog dialog;
    std::thread ui([&] { dialog.DoModal(); });
    ASSERT_TRUE(WaitUntil([&] { return dialog.GetSafeHwnd() != nullptr; }));
    ::PostMessageW(dialog.GetSafeHwnd(), WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), 0);
    ui.join();
    EXPECT_EQ(dialog.ModalResult(), command);
  }
}

TEST(DialogBase, MissingTemplateFailsTheModalRun) {
  class Missing : public fw::Dialog {
   public:
    Missing() : fw::Dialog(4242) {}
  } dialog;
  EXPECT_EQ(dialog.DoModal(), -1);
  EXPECT_EQ(dialog.GetSafeHwnd(), nullptr);
}

TEST(ApplicationObject, NamesMessageBoxesWhileItLives) {
  // Without an application object the caption is the executable's name.
  EXPECT_EQ(fw::AfxGetAppName(), L"app_dialog_base_test");
  {
    fw::WinApp app;
    app.SetAppName(L"名前");
    EXPECT_EQ(fw::WinApp::Current(), &app);
    EXPECT_EQ(fw::AfxGetAppName(), L"名前");
    fw::WinApp second;  // a stray second object does not take over
    EXPECT_EQ(fw::WinApp::Current(), &app);
  }
  EXPECT_EQ(fw::WinApp::Current(), nullptr);
}

}  // namespace
