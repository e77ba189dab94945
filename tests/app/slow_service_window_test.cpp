// The real window while the setup run waits for a delivery server that
// answers slowly: the run has no time-out of its own and waits as WinINet
// does, on its worker; the window keeps answering, and closing it still asks
// and works, either way the technician answers. The run is the real one,
// against the local services through the prefix's proxy, with a log-on check
// that accepts (Wine's accepts everything anyway). No send box is known to
// the services, so every run ends at the send-box check, before it would
// change anything on the PC.

#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>

#include "support/local_services.h"
#include "app/resource.h"
#include "setup/setup_run.h"
#include "support/window_driver.h"

namespace {

using namespace apptest;

const std::wstring kCheckingDelivery = L"Depotron 配信情報 確認中...";
const std::wstring kConfirmClose =
    L"セットアップ中のため、中断しないでください\n設定が正しく完了しなくなる可能性があります\n\n"
    L"それでも終了しますか？";
const std::wstring kUnknownBox =
    L"ステイタス通知用 送信BOXが利用できません\n ( ※送信BOXIDが登録されていません )";

// How long the delivery server takes over the descriptor.
constexpr DWORD kAnswerDelayMs = 8000;

class AcceptingLogon : public setup::ILogonCheck {
 public:
  bool LogOn(const std::wstring&, const std::wstring&, const std::wstring&) override { return true; }
};

class SlowServiceWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(services_.ok()) << services_.problem();
    proxy_ = std::make_unique<test_support::ProxyScope>(services_.port());
    ASSERT_TRUE(proxy_->ok());
    ASSERT_TRUE(services_.WriteData("[group slow]\nversion=5.2.0\ndelay=" +
                                    std::to_string(kAnswerDelayMs) + "\n"));

    bodies_->survey = [](IProgressSink&) {
      return SurveyShowing({{IDC_EDIT_DELIVERY_GROUP, L"slow"},
                            {IDC_EDIT_SENDBOX_ID, L"NO-SUCH-BOX"},
                            {IDC_EDIT_SENDBOX_PASSWORD, L"pw"},
                            {IDC_EDIT_LOGON_USER, L"terminal"}},
                           true);
    };
    bodies_->setup = [](IProgressSink& progress, const setup::SetupInputs&) {
      // user, domain, password, group, send box, its password, process group
      const setup::SetupInputs inputs{L"terminal", L"", L"", L"slow", L"NO-SUCH-BOX", L"pw", L""};
      AcceptingLogon logon;
      return setup::RunSetup(progress, inputs, logon);
    };
    run_ = std::make_unique<AppRun>(bodies_);
    hwnd_ = run_->Dialog();
    weak_ = run_->DialogObject();
    ASSERT_NE(hwnd_, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return Enabled(hwnd_, IDC_BUTTON_START); }));
  }
  void TearDown() override {
    run_.reset();
    // The abandoned run ends at the send-box check once the slow answer is in.
    WaitUntil([&] { return weak_.expired(); }, 30000);
  }

  // Starts the run and waits until it is waiting for the descriptor.
  void StartAndWaitForTheSlowAnswer() {
    const size_t mark = services_.RequestCount();
    Press(Item(hwnd_, IDC_BUTTON_START));
    HWND confirm = run_->WaitForMessageBox();
    ASSERT_NE(confirm, nullptr);
    Answer(confirm, IDYES);
    ASSERT_TRUE(WaitUntil([&] { return services_.RequestCount() > mark; }))
        << "the descriptor was never asked for";
    ASSERT_TRUE(WaitUntil([&] { return Text(Item(hwnd_, IDC_STATIC_STATUS)) == kCheckingDelivery; }));
  }

  // The window thread handles a message well before the answer can have
  // come (the limit is generous: the test machine's cores are shared).
  void ExpectResponsive() {
    DWORD_PTR result = 0;
    EXPECT_NE(::SendMessageTimeoutW(hwnd_, WM_NULL, 0, 0, SMTO_NORMAL, kAnswerDelayMs / 2, &result),
              0)
        << "the window did not answer while the run waited";
  }

  HWND AskToClose() {
    CloseWithCloseBox(hwnd_);
    HWND question = run_->WaitForMessageBox();
    EXPECT_NE(question, nullptr);
    if (question) {
      EXPECT_EQ(ReadMessageBox(question).text, kConfirmClose);
    }
    return question;
  }

  test_support::LocalServices services_;
  std::unique_ptr<test_support::ProxyScope> proxy_;
  std::shared_ptr<TestBodies> bodies_ = std::make_shared<TestBodies>();
  std::weak_ptr<TestDialog> weak_;
  std::unique_ptr<AppRun> run_;
  HWND hwnd_ = nullptr;
};

TEST_F(SlowServiceWindow, ClosingWhileTheRunWaitsAsksAndYesEndsAtOnce) {
  StartAndWaitForTheSlowAnswer();
  ExpectResponsive();
  HWND question = AskToClose();
  ASSERT_NE(question, nullptr);
  Answer(question, IDYES);
  ASSERT_TRUE(run_->WaitForEnd());
  EXPECT_FALSE(::IsWindow(hwnd_));
  EXPECT_FALSE(weak_.expired()) << "the run did not wait for the slow answer";
}

TEST_F(SlowServiceWindow, AnsweringNoKeepsTheRunWhichGoesOnOnceTheAnswerComes) {
  StartAndWaitForTheSlowAnswer();
  HWND question = AskToClose();
  ASSERT_NE(question, nullptr);
  ExpectResponsive();
  Answer(question, IDNO);
  ASSERT_TRUE(WaitUntil([&] { return run_->CurrentMessageBox() == nullptr; }));
  EXPECT_FALSE(run_->Ended());
  ExpectResponsive();
  // The descriptor arrives, the send-box check refuses the unknown box.
  HWND refusal = run_->WaitForMessageBox(30000);
  ASSERT_NE(refusal, nullptr);
  EXPECT_EQ(ReadMessageBox(refusal).text, kUnknownBox);
  Answer(refusal, IDOK);
  ASSERT_TRUE(WaitUntil([&] { return Enabled(hwnd_, IDC_BUTTON_START); }));
  EXPECT_FALSE(run_->Ended());
}

}  // namespace
