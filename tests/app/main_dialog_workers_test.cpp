// The main dialog driven as a technician uses it, with survey and setup
// bodies given to it as the program gives it the real ones: the controls in
// every state, every message box (text, caption, buttons, icon), and what the
// window does with each worker result.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/resource.h"
#include "support/dialog_texts.h"
#include "support/other_process.h"
#include "support/window_driver.h"

namespace {

using namespace apptest;

const std::wstring kDepotronMutex = L"Global\\VarnelUpdateExecute Mutex 1.0";

const int kAllInputs[] = {IDC_EDIT_DELIVERY_GROUP,   IDC_EDIT_SENDBOX_ID,
                          IDC_EDIT_SENDBOX_PASSWORD, IDC_EDIT_PROCESS_GROUP_ID,
                          IDC_EDIT_LOGON_USER,       IDC_EDIT_LOGON_PASSWORD,
                          IDC_EDIT_LOGON_DOMAIN,     IDC_BUTTON_START};
const int kStateLabels[] = {IDC_STATIC_OS_NAME,          IDC_STATIC_AUTO_LOGON,
                            IDC_STATIC_TERMINAL_STARTUP, IDC_STATIC_POWER,
                            IDC_STATIC_WINDOWS_UPDATE,   IDC_STATIC_LOGON_SCREEN};

SurveyResultMap FirstSurvey() {
  return {{IDC_EDIT_DELIVERY_GROUP, L"配信A"},
          {IDC_EDIT_SENDBOX_ID, L"BOX-001"},
          {IDC_EDIT_SENDBOX_PASSWORD, L"boxpass"},
          {IDC_EDIT_PROCESS_GROUP_ID, L"PG-7"},
          {IDC_EDIT_LOGON_USER, L"terminal"},
          {IDC_EDIT_LOGON_PASSWORD, L""},
          {IDC_EDIT_LOGON_DOMAIN, L"VARNEL-PC"},
          {IDC_STATIC_OS_NAME, L"Windows 10 IoT Enterprise"},
          {IDC_STATIC_AUTO_LOGON, L"無効"},
          {IDC_STATIC_TERMINAL_STARTUP, L"未登録"},
          {IDC_STATIC_POWER, L"未設定"},
          {IDC_STATIC_WINDOWS_UPDATE, L"有効"},
          {IDC_STATIC_LOGON_SCREEN, L"未調整"}};
}

SurveyResultMap SecondSurvey() {
  SurveyResultMap map = FirstSurvey();
  map[IDC_STATIC_AUTO_LOGON] = L"有効 (terminal)";
  map[IDC_STATIC_TERMINAL_STARTUP] = L"登録済み";
  map[IDC_STATIC_POWER] = L"設定済み";
  return map;
}

bool IsBusy(HWND dialog) {
  for (int id : kAllInputs) {
    if (Enabled(dialog, id)) return false;
  }
  return Visible(dialog, IDC_STATIC_STATUS) && Visible(dialog, IDC_PROGRESS);
}

// Inputs disabled, status line and bar shown: a worker runs. The window
// thread may still be on its way there when the test looks.
void ExpectBusy(HWND dialog) {
  WaitUntil([&] { return IsBusy(dialog); }, 5000);
  for (int id : kAllInputs) {
    SCOPED_TRACE(id);
    EXPECT_FALSE(Enabled(dialog, id));
  }
  EXPECT_TRUE(Visible(dialog, IDC_STATIC_STATUS));
  EXPECT_TRUE(Visible(dialog, IDC_PROGRESS));
}

void ExpectIdle(HWND dialog, bool sendBoxEditable) {
  for (int id : {IDC_EDIT_DELIVERY_GROUP, IDC_EDIT_LOGON_USER, IDC_EDIT_LOGON_PASSWORD,
                 IDC_EDIT_LOGON_DOMAIN, IDC_BUTTON_START}) {
    SCOPED_TRACE(id);
    EXPECT_TRUE(Enabled(dialog, id));
  }
  for (int id : {IDC_EDIT_SENDBOX_ID, IDC_EDIT_SENDBOX_PASSWORD, IDC_EDIT_PROCESS_GROUP_ID}) {
    SCOPED_TRACE(id);
    EXPECT_EQ(Enabled(dialog, id), sendBoxEditable);
  }
  EXPECT_FALSE(Visible(dialog, IDC_STATIC_STATUS));
  EXPECT_FALSE(Visible(dialog, IDC_PROGRESS));
}

void ExpectTexts(HWND dialog, const SurveyResultMap& map) {
  for (const auto& [id, text] : map) {
    SCOPED_TRACE(id);
    EXPECT_EQ(Text(Item(dialog, static_cast<int>(id))), text);
  }
}

void ExpectBox(const MessageBoxView& box, HWND owner, const std::wstring& text,
               std::vector<int> buttons, MessageBoxView::Icon icon) {
  EXPECT_EQ(box.caption, kAppName);
  EXPECT_EQ(box.owner, owner);
  EXPECT_EQ(box.text, text);
  EXPECT_EQ(box.buttons, buttons);
  EXPECT_EQ(box.icon, icon);
}

class MainDialogWorkers : public ::testing::Test {
 protected:
  // A survey that shows "初期化中..." until `report_gate_` opens, reports,
  // waits for `survey_gate_` and leaves the first survey's result.
  void UseGatedSurvey(bool sendBoxEditable = true) {
    bodies_->survey = [this, sendBoxEditable](IProgressSink& progress) {
      if (!report_gate_.Wait()) return survey::SurveyOutcome();
      progress.Report(35, L"OS情報を取得中");
      if (!survey_gate_.Wait()) return survey::SurveyOutcome();
      progress.Report(100, L"調査完了");
      return SurveyShowing(bodies_->survey_runs == 1 ? FirstSurvey() : SecondSurvey(),
                           sendBoxEditable);
    };
  }
  void UseImmediateSurvey(bool sendBoxEditable = true) {
    report_gate_.Open();
    survey_gate_.Open();
    UseGatedSurvey(sendBoxEditable);
  }
  // A setup body that notes its inputs, waits for `setup_gate_`, then does
  // `finish`.
  using Finish = std::function<setup::SetupOutcome(IProgressSink&)>;
  void UseSetup(Finish finish) {
    bodies_->setup = [this, finish](IProgressSink& progress, const setup::SetupInputs& inputs) {
      inputs_seen_ = InputList(inputs);
      if (!setup_gate_.Wait()) return SetupEnding(-1);
      return finish(progress);
    };
  }

  void Open(std::function<void(TestDialog&)> beforeInit = nullptr) {
    run_ = std::make_unique<AppRun>(bodies_, std::move(beforeInit));
    hwnd_ = run_->Dialog();
    weak_ = run_->DialogObject();  // the application and its workers own it
    ASSERT_NE(hwnd_, nullptr);
  }
  void OpenIdle(bool sendBoxEditable = true) {
    UseImmediateSurvey(sendBoxEditable);
    Open();
    ASSERT_TRUE(WaitForIdle());
  }
  // UpdateControls hides the status line and the bar last.
  bool WaitForIdle() {
    return WaitUntil([&] {
      return Enabled(hwnd_, IDC_BUTTON_START) && !Visible(hwnd_, IDC_PROGRESS) &&
             run_->CurrentMessageBox() == nullptr;
    });
  }
  TestDialog& Dlg() {
    auto locked = weak_.lock();
    EXPECT_TRUE(locked);
    return *locked;  // kept alive by the application while the test looks
  }

  // Presses the start button and answers the confirmation.
  void StartSetup(int answer) {
    Press(Item(hwnd_, IDC_BUTTON_START));
    HWND box = run_->WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    MessageBoxView view = ReadMessageBox(box);
    ExpectBox(view, hwnd_, kConfirmSetup, {IDYES, IDNO}, MessageBoxView::kQuestion);
    EXPECT_EQ(view.default_button, IDNO);
    Answer(box, answer);
    ASSERT_TRUE(WaitUntil([&] { return run_->CurrentMessageBox() == nullptr; }));
  }

  // Reads the box shown now, checks it and presses `answer`.
  void ExpectBoxAndAnswer(const std::wstring& text, std::vector<int> buttons,
                          MessageBoxView::Icon icon, int answer) {
    HWND box = run_->WaitForMessageBox();
    ASSERT_NE(box, nullptr) << "no message box appeared";
    ExpectBox(ReadMessageBox(box), hwnd_, text, std::move(buttons), icon);
    Answer(box, answer);
    ASSERT_TRUE(WaitUntil([&] { return run_->CurrentMessageBox() != box; }));
  }

  // Asks to close and returns the question, checked, still open.
  HWND AskToClose() {
    CloseWithCloseBox(hwnd_);
    HWND question = run_->WaitForMessageBox();
    EXPECT_NE(question, nullptr) << "no close question appeared";
    if (question) {
      ExpectBox(ReadMessageBox(question), hwnd_, kConfirmClose, {IDYES, IDNO},
                MessageBoxView::kExclamation);
    }
    return question;
  }
  // Lets `gate` open so that the worker ends while `question` is open, and
  // waits until the window has had the worker's completion message (or has
  // shown something more). Nothing may then have happened behind the
  // question: no further box, no new worker, the inputs still locked.
  void EndWorkerBehind(HWND question, Gate& gate) {
    const int handledBefore = Dlg().finishes_handled.load();
    const int shownBefore = run_->MessageBoxesShown();
    const int surveysBefore = bodies_->survey_runs.load();
    gate.Open();
    ASSERT_TRUE(WaitUntil([&] {
      return Dlg().finishes_handled.load() > handledBefore ||
             run_->MessageBoxesShown() > shownBefore;
    }));
    ::Sleep(300);
    EXPECT_EQ(run_->MessageBoxesShown(), shownBefore) << "a box appeared over the question";
    EXPECT_EQ(run_->CurrentMessageBox(), question);
    EXPECT_EQ(bodies_->survey_runs.load(), surveysBefore) << "a survey started behind the question";
    for (int id : kAllInputs) {
      SCOPED_TRACE(id);
      EXPECT_FALSE(Enabled(hwnd_, id));
    }
  }
  void AnswerAndWaitUntilGone(HWND box, int answer) {
    Answer(box, answer);
    ASSERT_TRUE(WaitUntil([&] { return run_->CurrentMessageBox() != box; }));
  }

  void EndAndExpect(INT_PTR endCode) {
    ASSERT_TRUE(run_->WaitForEnd());
    EXPECT_FALSE(run_->InitInstanceResult());
    ASSERT_TRUE(WaitUntil([&] { return weak_.expired(); }));
    EXPECT_EQ(run_->EndCode(), endCode);
  }

  void TearDown() override {
    report_gate_.Open();
    survey_gate_.Open();
    setup_gate_.Open();
    run_.reset();
    WaitUntil([&] { return weak_.expired(); });
  }

  std::shared_ptr<TestBodies> bodies_ = std::make_shared<TestBodies>();
  std::weak_ptr<TestDialog> weak_;
  std::unique_ptr<AppRun> run_;
  HWND hwnd_ = nullptr;
  Gate report_gate_, survey_gate_, setup_gate_;
  std::vector<std::wstring> inputs_seen_;
};

TEST_F(MainDialogWorkers, SurveyingThenIdleWithEditableSendBox) {
  UseGatedSurvey(true);
  Open();

  ExpectBusy(hwnd_);
  EXPECT_TRUE(WaitUntil([&] { return Text(Item(hwnd_, IDC_STATIC_STATUS)) == kInitializing; }));
  EXPECT_EQ(ProgressPosition(hwnd_), 0);

  report_gate_.Open();
  ASSERT_TRUE(WaitUntil([&] { return Text(Item(hwnd_, IDC_STATIC_STATUS)) == L"OS情報を取得中"; }));
  EXPECT_EQ(ProgressPosition(hwnd_), 35);
  ExpectBusy(hwnd_);

  survey_gate_.Open();
  ASSERT_TRUE(WaitForIdle());
  ExpectIdle(hwnd_, true);
  ExpectTexts(hwnd_, FirstSurvey());
  EXPECT_EQ(run_->MessageBoxesShown(), 0);

  // Idle, the window closes without a question.
  CloseWithCloseBox(hwnd_);
  EndAndExpect(IDCANCEL);
  EXPECT_EQ(run_->MessageBoxesShown(), 0);
}

TEST_F(MainDialogWorkers, IdleWithPendingUploadKeepsTheSendBoxLocked) {
  OpenIdle(false);
  ExpectIdle(hwnd_, false);
  ExpectTexts(hwnd_, FirstSurvey());

  // The technician can type where the window lets them, and only there.
  ClearAndType(Item(hwnd_, IDC_EDIT_DELIVERY_GROUP), L"配信B");
  ClearAndType(Item(hwnd_, IDC_EDIT_LOGON_PASSWORD), L"secret");
  Type(Item(hwnd_, IDC_EDIT_LOGON_USER), L"x");
  Type(Item(hwnd_, IDC_EDIT_LOGON_DOMAIN), L"y");
  EXPECT_EQ(Text(Item(hwnd_, IDC_EDIT_DELIVERY_GROUP)), L"配信B");
  EXPECT_EQ(Text(Item(hwnd_, IDC_EDIT_LOGON_PASSWORD)), L"secret");
  EXPECT_EQ(Text(Item(hwnd_, IDC_EDIT_LOGON_USER)), L"terminal") << "read-only";
  EXPECT_EQ(Text(Item(hwnd_, IDC_EDIT_LOGON_DOMAIN)), L"VARNEL-PC") << "read-only";
}

TEST_F(MainDialogWorkers, FailedSurveyEndsTheProgramWithoutTouchingControls) {
  struct Case {
    const char* name;
    TestBodies::SurveyBody body;
  };
  const Case cases[] = {
      {"result -1 with a map",
       [](IProgressSink&) { return SurveyShowing(FirstSurvey(), true, -1); }},
      {"result 0 without a map", [](IProgressSink&) { return SurveyShowing({}, true); }},
      {"result 3 with a map", [](IProgressSink&) { return SurveyShowing(FirstSurvey(), true, 3); }},
      {"an exception",
       [](IProgressSink&) -> survey::SurveyOutcome { throw std::runtime_error("out of memory"); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    bodies_ = std::make_shared<TestBodies>();
    bodies_->survey = c.body;
    Open();
    HWND box = run_->WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    ExpectBox(ReadMessageBox(box), hwnd_, kSurveyFailed, {IDOK}, MessageBoxView::kInformation);
    for (int id : kStateLabels) EXPECT_EQ(Text(Item(hwnd_, id)), L"-");
    for (int id : kAllInputs) {
      if (id != IDC_BUTTON_START) {
        EXPECT_EQ(Text(Item(hwnd_, id)), L"");
      }
    }
    Answer(box, IDOK);
    EndAndExpect(1);
    EXPECT_EQ(run_->MessageBoxesShown(), 1);
    run_.reset();
  }
}

TEST_F(MainDialogWorkers, RunningDepotronRefusesWithoutAskingForConfirmation) {
  UseSetup([](IProgressSink&) { return SetupEnding(-1); });
  OpenIdle();
  MutexHoldingProcess depotron(kDepotronMutex);
  ASSERT_TRUE(depotron.IsHolding());

  Press(Item(hwnd_, IDC_BUTTON_START));
  ExpectBoxAndAnswer(kDepotronRunning, {IDOK}, MessageBoxView::kInformation, IDOK);
  ::Sleep(300);
  EXPECT_EQ(run_->CurrentMessageBox(), nullptr) << "no confirmation follows";
  EXPECT_EQ(run_->MessageBoxesShown(), 1);
  EXPECT_EQ(bodies_->setup_runs.load(), 0);
  ExpectIdle(hwnd_, true);
}

TEST_F(MainDialogWorkers, AnsweringNoChangesNothing) {
  setup_gate_.Open();
  UseSetup([](IProgressSink& progress) {
    progress.Report(20, L"アカウント確認中");
    return SetupEnding(-1, L"前回のエラー");
  });
  OpenIdle();
  StartSetup(IDYES);
  ExpectBoxAndAnswer(L"前回のエラー", {IDOK}, MessageBoxView::kExclamation, IDOK);
  ASSERT_TRUE(WaitForIdle());

  StartSetup(IDNO);
  ::Sleep(200);
  EXPECT_EQ(bodies_->setup_runs.load(), 1);
  // What the earlier run left is as it was: the start of a run drops its
  // message and starts the report channel over, and neither happened.
  EXPECT_EQ(Text(Item(hwnd_, IDC_STATIC_STATUS)), L"アカウント確認中");
  EXPECT_EQ(ProgressPosition(hwnd_), 20);
  ExpectIdle(hwnd_, true);
  EXPECT_FALSE(MutexNameExists(kDepotronMutex)) << "the look at Depotron's name left nothing behind";
}

TEST_F(MainDialogWorkers, SetupFailureWithMessageKeepsWhatWasTyped) {
  UseSetup([this](IProgressSink& progress) {
    if (!report_gate_.Wait()) return SetupEnding(-1);
    progress.Report(20, L"アカウント確認中");
    return SetupEnding(-1, L"送信BOXのアカウントを確認できませんでした。");
  });
  // The survey opens both gates itself; the setup needs them shut again.
  UseImmediateSurvey();
  Open();
  ASSERT_TRUE(WaitForIdle());
  report_gate_ = Gate();

  const std::vector<std::pair<int, std::wstring>> typed = {
      {IDC_EDIT_DELIVERY_GROUP, L"配信C"},
      {IDC_EDIT_SENDBOX_ID, L"BOX-002"},
      {IDC_EDIT_SENDBOX_PASSWORD, L"p@ss"},
      {IDC_EDIT_PROCESS_GROUP_ID, L"PG-8"},
      {IDC_EDIT_LOGON_PASSWORD, L"logon-pw"}};
  for (const auto& [id, text] : typed) ClearAndType(Item(hwnd_, id), text);

  StartSetup(IDYES);
  ExpectBusy(hwnd_);
  EXPECT_TRUE(WaitUntil([&] { return Text(Item(hwnd_, IDC_STATIC_STATUS)) == kInitializing; }));
  EXPECT_EQ(ProgressPosition(hwnd_), 0) << "the channel starts over for the run";

  setup_gate_.Open();
  report_gate_.Open();
  ExpectBoxAndAnswer(L"送信BOXのアカウントを確認できませんでした。", {IDOK},
                     MessageBoxView::kExclamation, IDOK);
  ASSERT_TRUE(WaitForIdle());
  ExpectIdle(hwnd_, true);
  for (const auto& [id, text] : typed) EXPECT_EQ(Text(Item(hwnd_, id)), text);

  const std::vector<std::wstring> expected = {L"terminal", L"VARNEL-PC", L"logon-pw", L"配信C",
                                              L"BOX-002",  L"p@ss",      L"PG-8"};
  EXPECT_EQ(inputs_seen_, expected);
}

TEST_F(MainDialogWorkers, InputsAreCopiedEvenFromLockedEdits) {
  setup_gate_.Open();
  UseSetup([](IProgressSink&) { return SetupEnding(-1); });
  OpenIdle(false);
  StartSetup(IDYES);
  ExpectBoxAndAnswer(kSetupFailed, {IDOK}, MessageBoxView::kInformation, IDOK);
  const std::vector<std::wstring> expected = {L"terminal", L"VARNEL-PC", L"",    L"配信A",
                                              L"BOX-001",  L"boxpass",   L"PG-7"};
  EXPECT_EQ(inputs_seen_, expected);
}

TEST_F(MainDialogWorkers, SetupFailureWithoutMessageShowsTheGeneralOne) {
  setup_gate_.Open();
  std::vector<int> results = {-1, 2, 7, -1};
  UseSetup([this, &results](IProgressSink&) {
    const int run = bodies_->setup_runs - 1;
    // A result other than -1 is not a failure the run explained, whatever
    // text it left; an empty text is nothing worth showing.
    return SetupEnding(results[static_cast<size_t>(run)], run == 2 ? L"説明にならない" : L"");
  });
  OpenIdle();
  for (size_t i = 0; i < results.size(); ++i) {
    SCOPED_TRACE(i);
    StartSetup(IDYES);
    ExpectBoxAndAnswer(kSetupFailed, {IDOK}, MessageBoxView::kInformation, IDOK);
    ASSERT_TRUE(WaitForIdle());
    ExpectIdle(hwnd_, true);
  }
  EXPECT_EQ(bodies_->survey_runs.load(), 1);
}

TEST_F(MainDialogWorkers, CompletedSetupSurveysAgainThenReportsAndEnds) {
  setup_gate_.Open();
  UseSetup([](IProgressSink&) { return SetupEnding(0); });
  OpenIdle();
  // The second survey waits until the test has seen the window surveying.
  report_gate_ = Gate();
  survey_gate_ = Gate();
  StartSetup(IDYES);

  ASSERT_TRUE(WaitUntil([&] { return bodies_->survey_runs.load() == 2; }));
  ExpectBusy(hwnd_);
  EXPECT_TRUE(WaitUntil([&] { return Text(Item(hwnd_, IDC_STATIC_STATUS)) == kInitializing; }));
  ::Sleep(200);
  EXPECT_EQ(run_->CurrentMessageBox(), nullptr) << "no message before the survey has finished";

  report_gate_.Open();
  survey_gate_.Open();
  HWND box = run_->WaitForMessageBox();
  ASSERT_NE(box, nullptr);
  ExpectBox(ReadMessageBox(box), hwnd_, kSetupCompleted, {IDOK}, MessageBoxView::kInformation);
  ExpectTexts(hwnd_, SecondSurvey());
  Answer(box, IDOK);
  EndAndExpect(1);
  EXPECT_EQ(run_->MessageBoxesShown(), 2);  // the confirmation and the completion
}

TEST_F(MainDialogWorkers, InstallerStartedEndsAtOnceWithoutMessage) {
  setup_gate_.Open();
  UseSetup([](IProgressSink&) { return SetupEnding(1); });
  OpenIdle();
  StartSetup(IDYES);
  EndAndExpect(1);
  EXPECT_EQ(run_->MessageBoxesShown(), 1);  // the confirmation only
}

TEST_F(MainDialogWorkers, ClosingWhileSurveyingAsksAndNoKeepsBothRunning) {
  UseGatedSurvey();
  Open();
  report_gate_.Open();

  CloseWithCloseBox(hwnd_);
  ExpectBoxAndAnswer(kConfirmClose, {IDYES, IDNO}, MessageBoxView::kExclamation, IDNO);
  // Esc asks the same question.
  PressKey(hwnd_, VK_ESCAPE);
  ExpectBoxAndAnswer(kConfirmClose, {IDYES, IDNO}, MessageBoxView::kExclamation, IDNO);
  EXPECT_FALSE(run_->Ended());
  ExpectBusy(hwnd_);

  survey_gate_.Open();
  ASSERT_TRUE(WaitForIdle());
  ExpectTexts(hwnd_, FirstSurvey());
  ExpectIdle(hwnd_, true);
}

TEST_F(MainDialogWorkers, ClosingDuringSetupAbandonsTheWorkerSafely) {
  UseSetup([](IProgressSink& progress) {
    // Reports after the window has gone reach nobody.
    progress.Report(50, L"設定中");
    return SetupEnding(0, L"late");
  });
  OpenIdle();
  StartSetup(IDYES);
  CloseWithCloseBox(hwnd_);
  ExpectBoxAndAnswer(kConfirmClose, {IDYES, IDNO}, MessageBoxView::kExclamation, IDYES);
  ASSERT_TRUE(run_->WaitForEnd());
  EXPECT_FALSE(::IsWindow(hwnd_));
  EXPECT_FALSE(weak_.expired()) << "the running worker still holds the dialog object";

  setup_gate_.Open();
  ASSERT_TRUE(WaitUntil([&] { return weak_.expired(); }));
  EXPECT_EQ(run_->EndCode(), IDCANCEL);
  EXPECT_EQ(run_->MessageBoxesShown(), 2);  // the confirmation and the close question
}

TEST_F(MainDialogWorkers, SetupEndingBehindTheCloseQuestionIsHandledAfterNo) {
  UseSetup([](IProgressSink&) { return SetupEnding(-1, L"自動ログオンを設定できませんでした。"); });
  OpenIdle();
  StartSetup(IDYES);
  HWND question = AskToClose();
  ASSERT_NE(question, nullptr);
  EndWorkerBehind(question, setup_gate_);

  // Staying open: the run's failure is reported now, and the window is idle.
  AnswerAndWaitUntilGone(question, IDNO);
  ExpectBoxAndAnswer(L"自動ログオンを設定できませんでした。", {IDOK},
                     MessageBoxView::kExclamation, IDOK);
  ASSERT_TRUE(WaitForIdle());
  ExpectIdle(hwnd_, true);
  EXPECT_FALSE(run_->Ended());
  EXPECT_EQ(run_->MessageBoxesShown(), 3);  // the confirmation, the question, the failure
}

TEST_F(MainDialogWorkers, SurveyEndingBehindTheCloseQuestionFillsTheWindowAfterNo) {
  UseGatedSurvey();
  Open();
  report_gate_.Open();
  HWND question = AskToClose();
  ASSERT_NE(question, nullptr);
  EndWorkerBehind(question, survey_gate_);
  for (int id : kStateLabels) EXPECT_EQ(Text(Item(hwnd_, id)), L"-");

  AnswerAndWaitUntilGone(question, IDNO);
  ASSERT_TRUE(WaitForIdle());
  ExpectTexts(hwnd_, FirstSurvey());
  ExpectIdle(hwnd_, true);
  EXPECT_EQ(run_->MessageBoxesShown(), 1);
}

TEST_F(MainDialogWorkers, SetupEndingBehindTheCloseQuestionThenYesJustCloses) {
  // A completed run would start a fresh survey and then report completion;
  // the technician has chosen to close, so neither happens.
  UseSetup([](IProgressSink&) { return SetupEnding(0); });
  OpenIdle();
  StartSetup(IDYES);
  HWND question = AskToClose();
  ASSERT_NE(question, nullptr);
  EndWorkerBehind(question, setup_gate_);

  Answer(question, IDYES);
  EndAndExpect(IDCANCEL);
  EXPECT_EQ(run_->MessageBoxesShown(), 2);  // the confirmation and the question
}

TEST_F(MainDialogWorkers, ProgressWithoutTextChangesNothing) {
  // The report channel holds no text only until the window's first report,
  // which the window makes as it opens: a progress message that arrives
  // before then finds the status line and the bar as they were.
  std::wstring statusAfter;
  int positionAfter = -1;
  int handled = 0;
  auto beforeInit = [&](TestDialog& d) {
    HWND dialog = d.GetSafeHwnd();
    ::SetWindowTextW(Item(dialog, IDC_STATIC_STATUS), L"準備中");
    ::SendMessageW(Item(dialog, IDC_PROGRESS), PBM_SETPOS, 40, 0);
    const int handledBefore = d.progress_handled.load();
    ::SendMessageW(dialog, WM_PROGRESS, 0, 0);
    handled = d.progress_handled.load() - handledBefore;
    statusAfter = Text(Item(dialog, IDC_STATIC_STATUS));
    positionAfter = ProgressPosition(dialog);
  };
  bodies_->survey = [&](IProgressSink& progress) {
    progress.Report(60, L"取得中");
    if (!survey_gate_.Wait()) return survey::SurveyOutcome();
    return SurveyShowing(FirstSurvey(), true);
  };
  Open(beforeInit);
  EXPECT_EQ(handled, 1);
  EXPECT_EQ(statusAfter, L"準備中");
  EXPECT_EQ(positionAfter, 40);

  // The channel carries the reports that come after.
  ASSERT_TRUE(WaitUntil([&] { return Text(Item(hwnd_, IDC_STATIC_STATUS)) == L"取得中"; }));
  EXPECT_EQ(ProgressPosition(hwnd_), 60);
  survey_gate_.Open();
  ASSERT_TRUE(WaitForIdle());
}

TEST_F(MainDialogWorkers, EnterPressesStartOnlyWhenIdleAndNeverCloses) {
  setup_gate_.Open();
  UseSetup([](IProgressSink&) { return SetupEnding(-1); });
  UseGatedSurvey();
  Open();

  PressKey(hwnd_, VK_RETURN);
  ::Sleep(300);
  EXPECT_EQ(run_->CurrentMessageBox(), nullptr);
  EXPECT_FALSE(run_->Ended());

  report_gate_.Open();
  survey_gate_.Open();
  ASSERT_TRUE(WaitForIdle());
  PressKey(Item(hwnd_, IDC_EDIT_DELIVERY_GROUP), VK_RETURN);
  ExpectBoxAndAnswer(kConfirmSetup, {IDYES, IDNO}, MessageBoxView::kQuestion, IDNO);
  EXPECT_FALSE(run_->Ended());
  EXPECT_EQ(bodies_->setup_runs.load(), 0);
}

}  // namespace
