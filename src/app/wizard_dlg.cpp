#include "app/wizard_dlg.h"

#include <commctrl.h>
#include <objbase.h>

#include "app/application_mutex.h"
#include "setup/run_record.h"
#include "setup/setup_run.h"

const wchar_t kDepotronMutexName[] = L"VarnelUpdateExecute Mutex 1.0";

namespace {

const wchar_t kInitializing[] = L"初期化中...";
const wchar_t kDepotronRunning[] =
    L"Varnel Depotronが起動しています。\nDepotronを終了して、もう一度実行してください\n";
const wchar_t kConfirmSetup[] =
    L"このコンピューターをVarnelターミナル設定用に書き換えます。\n本当によろしいですか？\n\n"
    L"（コンピュータは自動的に再起動されることがあります)";
const wchar_t kSurveyFailed[] = L"データ読み込み中にエラーが発生しました。\n\n※弊社サポートまでご連絡ください";
const wchar_t kSetupFailed[] =
    L"設定中にエラーが発生しました。\n正しく設定が終わっていない可能性があります\n\n弊社サポートまでご連絡ください";
const wchar_t kSetupCompleted[] =
    L"設定を完了しました。\n\nDepotronによるソフトインストール後\nコンピュータを再起動してください";
const wchar_t kConfirmClose[] =
    L"セットアップ中のため、中断しないでください\n設定が正しく完了しなくなる可能性があります\n\nそれでも終了しますか？";

constexpr DWORD kWorkerEndWaitMs = 5000;

// The bold start-button font, made once per process from the dialog font.
HFONT StartButtonFont(const LOGFONTW& dialogFont) {
  static fw::ScopedGdiObject font;
  if (!font) {
    LOGFONTW bold = dialogFont;
    bold.lfWeight = FW_BOLD;
    bold.lfHeight = dialogFont.lfHeight * 8 / 5;
    font.reset(::CreateFontIndirectW(&bold));
  }
  return static_cast<HFONT>(font.get());
}

}  // namespace

namespace {

class WindowsBodies : public IWorkerBodies {
 public:
  survey::SurveyOutcome Survey(IProgressSink& progress) override {
    return survey::RunSurvey(progress);
  }
  setup::SetupOutcome Setup(IProgressSink& progress, const setup::SetupInputs& inputs) override {
    setup::WindowsLogonCheck windows;
    return setup::RunSetup(progress, inputs, windows);
  }
};

}  // namespace

std::shared_ptr<IWorkerBodies> WindowsWorkerBodies() { return std::make_shared<WindowsBodies>(); }

CVarnelTerminalSetupWizardDlg::CVarnelTerminalSetupWizardDlg(std::shared_ptr<IWorkerBodies> bodies)
    : fw::Dialog(IDD), bodies_(std::move(bodies)) {
  m_hIcon = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME));
}

// Thread handles still held here belong to workers abandoned when the window
// closed; the members release them and every shared object.
CVarnelTerminalSetupWizardDlg::~CVarnelTerminalSetupWizardDlg() = default;

void CVarnelTerminalSetupWizardDlg::Report(int percent, const std::wstring& text) {
  m_pReportText.Assign(text);
  m_nPercent.store(percent);
  PostToWindow(WM_PROGRESS, 0, 0);
}

BOOL CVarnelTerminalSetupWizardDlg::OnInitDialog() {
  fw::Dialog::OnInitDialog();
  HWND hwnd = GetSafeHwnd();
  ::SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
  ::SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

  LOGFONTW dialogFont{};
  auto font = reinterpret_cast<HFONT>(::SendMessageW(hwnd, WM_GETFONT, 0, 0));
  if (font && ::GetObjectW(font, sizeof dialogFont, &dialogFont) == sizeof dialogFont) {
    if (HFONT bold = StartButtonFont(dialogFont)) {
      SendDlgItemMessage(IDC_BUTTON_START, WM_SETFONT, reinterpret_cast<WPARAM>(bold), TRUE);
    }
  }
  // With visual styles a push button shows its image left of its text.
  start_icon_.reset(static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr),
                                                    MAKEINTRESOURCEW(IDI_ICON_SEND), IMAGE_ICON,
                                                    32, 32, LR_DEFAULTCOLOR)));
  if (start_icon_) {
    SendDlgItemMessage(IDC_BUTTON_START, BM_SETIMAGE, IMAGE_ICON,
                       reinterpret_cast<LPARAM>(start_icon_.get()));
  }

  SendDlgItemMessage(IDC_PROGRESS, PBM_SETRANGE32, 0, 100);
  StartSurvey();
  return TRUE;
}

void CVarnelTerminalSetupWizardDlg::OnOK() {}

void CVarnelTerminalSetupWizardDlg::OnCancel() {
  // The question disables the window, so no second request should come
  // through while it is open; should one, the open question answers it.
  if (asking_to_close_) return;
  if (IsWorkerRunning()) {
    asking_to_close_ = true;
    const int answer = MessageBox(kConfirmClose, MB_YESNO | MB_ICONEXCLAMATION);
    asking_to_close_ = false;
    std::vector<PendingFinish> pending;
    pending.swap(pending_finishes_);
    if (answer != IDYES) {
      // Staying open: a worker that ended meanwhile is handled now, as if its
      // message had only just arrived.
      for (const PendingFinish& finish : pending) {
        if (finish.message == WM_SURVEY_FINISHED) {
          OnSurveyFinished(finish.result, 0);
        } else {
          OnSetupFinished(finish.result, 0);
        }
      }
      return;
    }
    // The process ends with the window: the run's record says so last.
    if (m_hSetupThread) setup::RecordWindowClosed();
  }
  fw::Dialog::OnCancel();
}

bool CVarnelTerminalSetupWizardDlg::OnCommand(WORD id, WORD code, HWND) {
  if (id == IDC_BUTTON_START && code == BN_CLICKED) {
    OnStart();
    return true;
  }
  return false;
}

bool CVarnelTerminalSetupWizardDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam,
                                              LRESULT* result) {
  switch (message) {
    case WM_SURVEY_FINISHED:
      *result = OnSurveyFinished(wParam, lParam);
      return true;
    case WM_SETUP_FINISHED:
      *result = OnSetupFinished(wParam, lParam);
      return true;
    case WM_PROGRESS:
      *result = OnProgress(wParam, lParam);
      return true;
    default:
      return false;
  }
}

bool CVarnelTerminalSetupWizardDlg::IsWorkerRunning() const {
  return m_hSurveyThread || m_hSetupThread;
}

void CVarnelTerminalSetupWizardDlg::UpdateControls() {
  const bool idle = !IsWorkerRunning();
  const bool sendBoxEditable = idle && m_bSendBoxEditable.load();
  for (int id : {IDC_EDIT_DELIVERY_GROUP, IDC_EDIT_LOGON_USER, IDC_EDIT_LOGON_PASSWORD,
                 IDC_EDIT_LOGON_DOMAIN, IDC_BUTTON_START}) {
    ::EnableWindow(GetDlgItem(id), idle);
  }
  for (int id : {IDC_EDIT_SENDBOX_ID, IDC_EDIT_SENDBOX_PASSWORD, IDC_EDIT_PROCESS_GROUP_ID}) {
    ::EnableWindow(GetDlgItem(id), sendBoxEditable);
  }
  for (int id : {IDC_STATIC_STATUS, IDC_PROGRESS}) {
    ::ShowWindow(GetDlgItem(id), idle ? SW_HIDE : SW_SHOW);
  }
}

void CVarnelTerminalSetupWizardDlg::ResetReportChannel() {
  m_nPercent.store(0);
  m_pReportText.Reset();
}

void CVarnelTerminalSetupWizardDlg::StartSurvey() {
  if (m_hSurveyThread) return;
  m_pSurveyResult.Reset();
  ResetReportChannel();
  Report(0, kInitializing);
  m_hSurveyThread.reset(StartWorker(&SurveyThreadProc));
  UpdateControls();
}

void CVarnelTerminalSetupWizardDlg::OnStart() {
  {
    // Depotron holds this name while it runs; one look, no waiting.
    CApplicationMutex depotron;
    if (!depotron.Create(kDepotronMutexName, 0, true)) {
      MessageBox(kDepotronRunning, MB_OK | MB_ICONINFORMATION);
      return;
    }
    depotron.Close();
  }
  if (MessageBox(kConfirmSetup, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES) return;
  // One worker at a time, whichever kind is running.
  if (IsWorkerRunning()) return;

  m_pErrorText.Reset();
  ResetReportChannel();
  Report(0, kInitializing);

  setup::SetupInputs inputs;
  inputs.logon_user = GetDlgItemText(IDC_EDIT_LOGON_USER);
  inputs.logon_domain = GetDlgItemText(IDC_EDIT_LOGON_DOMAIN);
  inputs.logon_password = GetDlgItemText(IDC_EDIT_LOGON_PASSWORD);
  inputs.delivery_group = GetDlgItemText(IDC_EDIT_DELIVERY_GROUP);
  inputs.send_box_id = GetDlgItemText(IDC_EDIT_SENDBOX_ID);
  inputs.send_box_password = GetDlgItemText(IDC_EDIT_SENDBOX_PASSWORD);
  inputs.process_group_id = GetDlgItemText(IDC_EDIT_PROCESS_GROUP_ID);
  inputs_.Assign(std::move(inputs));

  m_hSetupThread.reset(StartWorker(&SetupThreadProc));
  UpdateControls();
}

HANDLE CVarnelTerminalSetupWizardDlg::StartWorker(LPTHREAD_START_ROUTINE entry) {
  auto self = weak_from_this().lock();
  // A dialog that nobody holds by shared_ptr cannot lend itself to a worker.
  if (!self) return nullptr;
  auto* param = new std::shared_ptr<CVarnelTerminalSetupWizardDlg>(std::move(self));
  HANDLE thread = ::CreateThread(nullptr, 0, entry, param, 0, nullptr);
  if (!thread) delete param;
  return thread;
}

DWORD CVarnelTerminalSetupWizardDlg::RunWorker(LPVOID param, Body body, UINT finishedMessage) {
  std::unique_ptr<std::shared_ptr<CVarnelTerminalSetupWizardDlg>> self(
      static_cast<std::shared_ptr<CVarnelTerminalSetupWizardDlg>*>(param));
  const HRESULT com = ::CoInitialize(nullptr);
  int result = setup::kSetupFailed;
  try {
    result = ((**self).*body)();
  } catch (...) {
    // An exception (exhausted memory above all) ends the worker as a failure
    // the window can report, instead of ending the process.
    result = setup::kSetupFailed;
  }
  (*self)->PostToWindow(finishedMessage, static_cast<WPARAM>(result), 0);
  // The last reference may go here, when the window closed meanwhile.
  self.reset();
  if (SUCCEEDED(com)) ::CoUninitialize();
  return static_cast<DWORD>(result);
}

DWORD WINAPI CVarnelTerminalSetupWizardDlg::SurveyThreadProc(LPVOID param) {
  return RunWorker(param, &CVarnelTerminalSetupWizardDlg::RunSurvey, WM_SURVEY_FINISHED);
}

DWORD WINAPI CVarnelTerminalSetupWizardDlg::SetupThreadProc(LPVOID param) {
  return RunWorker(param, &CVarnelTerminalSetupWizardDlg::RunSetup, WM_SETUP_FINISHED);
}

LRESULT CVarnelTerminalSetupWizardDlg::OnProgress(WPARAM, LPARAM) {
  if (fw::SharedText text = m_pReportText.Load()) {
    SetDlgItemText(IDC_STATIC_STATUS, *text);
    SendDlgItemMessage(IDC_PROGRESS, PBM_SETPOS, static_cast<WPARAM>(m_nPercent.load()), 0);
  }
  return 0;
}

LRESULT CVarnelTerminalSetupWizardDlg::OnSurveyFinished(WPARAM wParam, LPARAM) {
  if (!m_hSurveyThread) return 0;
  if (asking_to_close_) {
    pending_finishes_.push_back({WM_SURVEY_FINISHED, wParam});
    return 0;
  }
  ::WaitForSingleObject(m_hSurveyThread.get(), kWorkerEndWaitMs);
  m_hSurveyThread.reset();

  const int result = static_cast<int>(wParam);
  const auto map = m_pSurveyResult.Load();
  if (!map || result != 0) {
    MessageBox(kSurveyFailed, MB_OK | MB_ICONINFORMATION);
    EndDialog(1);
  } else {
    for (const auto& [id, text] : *map) SetDlgItemText(static_cast<int>(id), text);
    if (m_bSetupCompleted) {
      MessageBox(kSetupCompleted, MB_OK | MB_ICONINFORMATION);
      EndDialog(1);
    }
  }
  UpdateControls();
  m_bSetupCompleted = false;
  return 0;
}

LRESULT CVarnelTerminalSetupWizardDlg::OnSetupFinished(WPARAM wParam, LPARAM) {
  if (!m_hSetupThread) return 0;
  if (asking_to_close_) {
    pending_finishes_.push_back({WM_SETUP_FINISHED, wParam});
    return 0;
  }
  ::WaitForSingleObject(m_hSetupThread.get(), kWorkerEndWaitMs);
  m_hSetupThread.reset();

  const int result = static_cast<int>(wParam);
  switch (result) {
    case setup::kUpdaterStarted:
      m_bSetupCompleted = true;
      StartSurvey();
      break;
    case setup::kInstallerStarted:
      EndDialog(1);
      break;
    default: {
      // Only a failed run speaks for itself; any other result gets the
      // general message whatever text was left behind.
      fw::SharedText error = result == setup::kSetupFailed ? m_pErrorText.Load() : nullptr;
      if (error && !error->empty()) {
        MessageBox(*error, MB_OK | MB_ICONEXCLAMATION);
      } else {
        MessageBox(kSetupFailed, MB_OK | MB_ICONINFORMATION);
      }
      UpdateControls();
      break;
    }
  }
  return 0;
}

// The survey names the controls it fills by these IDs.
static_assert(survey::kEntryDeliveryGroup == IDC_EDIT_DELIVERY_GROUP &&
              survey::kEntrySendBoxId == IDC_EDIT_SENDBOX_ID &&
              survey::kEntrySendBoxPassword == IDC_EDIT_SENDBOX_PASSWORD &&
              survey::kEntryProcessGroupId == IDC_EDIT_PROCESS_GROUP_ID &&
              survey::kEntryLogonUser == IDC_EDIT_LOGON_USER &&
              survey::kEntryLogonPassword == IDC_EDIT_LOGON_PASSWORD &&
              survey::kEntryLogonDomain == IDC_EDIT_LOGON_DOMAIN &&
              survey::kEntryOsName == IDC_STATIC_OS_NAME &&
              survey::kEntryAutoLogon == IDC_STATIC_AUTO_LOGON &&
              survey::kEntryTerminalStartup == IDC_STATIC_TERMINAL_STARTUP &&
              survey::kEntryPower == IDC_STATIC_POWER &&
              survey::kEntryWindowsUpdate == IDC_STATIC_WINDOWS_UPDATE &&
              survey::kEntryLogonScreen == IDC_STATIC_LOGON_SCREEN);

int CVarnelTerminalSetupWizardDlg::RunSurvey() {
  survey::SurveyOutcome outcome = bodies_->Survey(*this);
  if (outcome.result != 0) return outcome.result;
  // A survey that found nothing to show has no result for the window.
  if (!outcome.entries.empty()) m_pSurveyResult.Assign(std::move(outcome.entries));
  m_bSendBoxEditable.store(outcome.send_box_editable);
  return 0;
}

int CVarnelTerminalSetupWizardDlg::RunSetup() {
  const auto inputs = inputs_.Load();
  if (!inputs) return setup::kSetupFailed;
  const setup::SetupOutcome outcome = bodies_->Setup(*this, *inputs);
  if (!outcome.error_text.empty()) m_pErrorText.Assign(outcome.error_text);
  return outcome.result;
}
