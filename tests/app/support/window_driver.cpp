#include "support/window_driver.h"

#include <commctrl.h>

#include <algorithm>

#include "framework/dialog.h"

namespace apptest {
namespace {

constexpr wchar_t kDialogClass[] = L"#32770";

// Dialog windows created on the window thread of the current run.
thread_local std::atomic<int>* t_dialogsCreated = nullptr;
std::atomic<int> g_dialogsCreated{0};

LRESULT CALLBACK CountDialogs(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND && t_dialogsCreated) {
    const CREATESTRUCTW* cs = reinterpret_cast<CBT_CREATEWNDW*>(lParam)->lpcs;
    const bool isDialog = IS_INTRESOURCE(cs->lpszClass)
                              ? LOWORD(reinterpret_cast<ULONG_PTR>(cs->lpszClass)) == 0x8002
                              : lstrcmpW(cs->lpszClass, kDialogClass) == 0;
    if (isDialog && !(cs->style & WS_CHILD)) ++*t_dialogsCreated;
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

std::wstring ClassOf(HWND hwnd) {
  wchar_t name[64] = {};
  ::GetClassNameW(hwnd, name, 64);
  return name;
}

struct Search {
  bool owned;
  HWND found = nullptr;
};

BOOL CALLBACK FindDialogWindow(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  if (ClassOf(hwnd) != kDialogClass || !::IsWindowVisible(hwnd)) return TRUE;
  const bool owned = ::GetWindow(hwnd, GW_OWNER) != nullptr;
  if (owned != search->owned) return TRUE;
  search->found = hwnd;
  return FALSE;
}

HWND FindOnThread(DWORD threadId, bool owned) {
  if (!threadId) return nullptr;
  Search search{owned};
  ::EnumThreadWindows(threadId, &FindDialogWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace

Gate::Gate() : event_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
void Gate::Open() { ::SetEvent(event_.get()); }
bool Gate::Wait(DWORD timeoutMs) const {
  return ::WaitForSingleObject(event_.get(), timeoutMs) == WAIT_OBJECT_0;
}

survey::SurveyOutcome TestBodies::Survey(IProgressSink& progress) {
  ++survey_runs;
  return survey ? survey(progress) : survey::SurveyOutcome();
}

setup::SetupOutcome TestBodies::Setup(IProgressSink& progress, const setup::SetupInputs& inputs) {
  ++setup_runs;
  return setup ? setup(progress, inputs) : setup::SetupOutcome();
}

survey::SurveyOutcome SurveyShowing(SurveyResultMap map, bool sendBoxEditable, int result) {
  survey::SurveyOutcome outcome;
  outcome.result = result;
  outcome.entries = std::move(map);
  outcome.send_box_editable = sendBoxEditable;
  return outcome;
}

setup::SetupOutcome SetupEnding(int result, const std::wstring& message) {
  setup::SetupOutcome outcome;
  outcome.result = result;
  outcome.error_text = message;
  return outcome;
}

std::vector<std::wstring> InputList(const setup::SetupInputs& inputs) {
  return {inputs.logon_user,     inputs.logon_domain,     inputs.logon_password,
          inputs.delivery_group, inputs.send_box_id,       inputs.send_box_password,
          inputs.process_group_id};
}

TestDialog::TestDialog(std::shared_ptr<IWorkerBodies> bodies,
                       std::function<void(TestDialog&)> beforeInit)
    : CVarnelTerminalSetupWizardDlg(std::move(bodies)), before_init_(std::move(beforeInit)) {}

TestDialog::~TestDialog() {
  if (end_code_sink) end_code_sink->store(ModalResult());
}

BOOL TestDialog::OnInitDialog() {
  if (before_init_) before_init_(*this);
  return CVarnelTerminalSetupWizardDlg::OnInitDialog();
}

bool TestDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  const bool handled = CVarnelTerminalSetupWizardDlg::OnMessage(message, wParam, lParam, result);
  if (message == WM_PROGRESS) ++progress_handled;
  if (message == WM_SURVEY_FINISHED || message == WM_SETUP_FINISHED) ++finishes_handled;
  return handled;
}

// The application as the program runs it, making a watched dialog.
class AppRun::App : public CVarnelTerminalSetupWizardApp {
 public:
  App(AppRun& run, std::shared_ptr<IWorkerBodies> bodies,
      std::function<void(TestDialog&)> beforeInit)
      : CVarnelTerminalSetupWizardApp(std::move(bodies)),
        run_(run),
        before_init_(std::move(beforeInit)) {}

 protected:
  std::shared_ptr<CVarnelTerminalSetupWizardDlg> CreateMainDialog(
      std::shared_ptr<IWorkerBodies> bodies) override {
    auto dialog = std::make_shared<TestDialog>(std::move(bodies), std::move(before_init_));
    dialog->end_code_sink = run_.end_code_;
    std::lock_guard<std::mutex> lock(run_.mutex_);
    run_.weak_ = dialog;
    return dialog;
  }

 private:
  AppRun& run_;
  std::function<void(TestDialog&)> before_init_;
};

AppRun::AppRun(std::shared_ptr<IWorkerBodies> bodies, std::function<void(TestDialog&)> beforeInit) {
  thread_ = std::thread(&AppRun::ThreadMain, this, std::move(bodies), std::move(beforeInit));
  WaitUntil([this] { return thread_id_.load() != 0; });
}

std::weak_ptr<TestDialog> AppRun::DialogObject() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return weak_;
}

void AppRun::ThreadMain(std::shared_ptr<IWorkerBodies> bodies,
                        std::function<void(TestDialog&)> beforeInit) {
  g_dialogsCreated.store(0);
  t_dialogsCreated = &g_dialogsCreated;
  HHOOK hook = ::SetWindowsHookExW(WH_CBT, &CountDialogs, nullptr, ::GetCurrentThreadId());
  thread_id_.store(::GetCurrentThreadId());
  {
    App app(*this, std::move(bodies), std::move(beforeInit));
    init_result_ = app.InitInstance();
  }
  if (hook) ::UnhookWindowsHookEx(hook);
  t_dialogsCreated = nullptr;
  ended_.store(true);
}

AppRun::~AppRun() {
  // A test that failed half-way may leave boxes and the dialog open: answer
  // and close until the window thread is done.
  for (int round = 0; round < 200 && !ended_.load(); ++round) {
    if (HWND box = CurrentMessageBox()) {
      for (int id : {IDYES, IDOK}) ::PostMessageW(box, WM_COMMAND, id, 0);
    } else if (HWND dialog = FindOnThread(thread_id_.load(), false)) {
      ::PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    }
    ::Sleep(50);
  }
  if (thread_.joinable()) thread_.join();
}

HWND AppRun::Dialog() {
  if (!dialog_) {
    WaitUntil([this] { return (dialog_ = FindOnThread(thread_id_.load(), false)) != nullptr; });
  }
  return dialog_;
}

HWND AppRun::CurrentMessageBox() const { return FindOnThread(thread_id_.load(), true); }

HWND AppRun::WaitForMessageBox(DWORD timeoutMs) {
  HWND box = nullptr;
  WaitUntil([&] { return (box = CurrentMessageBox()) != nullptr; }, timeoutMs);
  return box;
}

int AppRun::MessageBoxesShown() const { return std::max(0, g_dialogsCreated.load() - 1); }

bool AppRun::WaitForEnd(DWORD timeoutMs) {
  return WaitUntil([this] { return ended_.load(); }, timeoutMs);
}

std::wstring Text(HWND hwnd) { return fw::GetWindowTextString(hwnd); }

HWND Item(HWND dialog, int id) { return ::GetDlgItem(dialog, id); }

bool Enabled(HWND dialog, int id) { return ::IsWindowEnabled(Item(dialog, id)) != FALSE; }

bool Visible(HWND dialog, int id) { return ::IsWindowVisible(Item(dialog, id)) != FALSE; }

namespace {
BOOL CALLBACK ReadBoxChild(HWND child, LPARAM param) {
  MessageBoxView& view = *reinterpret_cast<MessageBoxView*>(param);
  const std::wstring cls = ClassOf(child);
  const LONG style = ::GetWindowLongW(child, GWL_STYLE);
  const int id = ::GetDlgCtrlID(child);
  if (_wcsicmp(cls.c_str(), L"Button") == 0) {
    if (::IsWindowVisible(child)) {
      view.buttons.push_back(id);
      if ((style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) view.default_button = id;
    }
  } else if (_wcsicmp(cls.c_str(), L"Static") == 0) {
    if ((style & SS_TYPEMASK) == SS_ICON) {
      auto icon = reinterpret_cast<HICON>(::SendMessageW(child, STM_GETICON, 0, 0));
      if (!icon) {
        view.icon = MessageBoxView::kNone;
      } else if (icon == ::LoadIconW(nullptr, IDI_INFORMATION)) {
        view.icon = MessageBoxView::kInformation;
      } else if (icon == ::LoadIconW(nullptr, IDI_EXCLAMATION)) {
        view.icon = MessageBoxView::kExclamation;
      } else if (icon == ::LoadIconW(nullptr, IDI_QUESTION)) {
        view.icon = MessageBoxView::kQuestion;
      } else if (icon == ::LoadIconW(nullptr, IDI_ERROR)) {
        view.icon = MessageBoxView::kError;
      } else {
        view.icon = MessageBoxView::kOther;
      }
    } else if (id == 0xFFFF) {
      view.text = fw::GetWindowTextString(child);
    }
  }
  return TRUE;
}
}  // namespace

MessageBoxView ReadMessageBox(HWND box) {
  MessageBoxView view;
  if (!box) return view;
  view.hwnd = box;
  view.owner = ::GetWindow(box, GW_OWNER);
  view.caption = Text(box);
  ::EnumChildWindows(box, &ReadBoxChild, reinterpret_cast<LPARAM>(&view));
  std::sort(view.buttons.begin(), view.buttons.end());
  return view;
}

void Press(HWND button) { ::PostMessageW(button, BM_CLICK, 0, 0); }

void Answer(HWND box, int buttonId) { Press(::GetDlgItem(box, buttonId)); }

void Type(HWND edit, const std::wstring& text) {
  for (wchar_t c : text) ::SendMessageW(edit, WM_CHAR, c, 1);
}

void ClearAndType(HWND edit, const std::wstring& text) {
  ::SendMessageW(edit, EM_SETSEL, 0, -1);
  ::SendMessageW(edit, WM_CHAR, VK_BACK, 1);
  Type(edit, text);
}

void PressKey(HWND control, UINT virtualKey) {
  ::PostMessageW(control, WM_KEYDOWN, virtualKey, 1);
  ::PostMessageW(control, WM_KEYUP, virtualKey, 0xC0000001);
}

void CloseWithCloseBox(HWND dialog) { ::PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }

int ProgressPosition(HWND dialog) {
  return static_cast<int>(::SendMessageW(Item(dialog, IDC_PROGRESS), PBM_GETPOS, 0, 0));
}

}  // namespace apptest
