#include "setup/setup_run.h"

#include <windows.h>

#include <exception>
#include <utility>

#include "base/text_codec.h"
#include "framework/scoped_handle.h"
#include "io/http_client.h"
#include "io/text_file.h"
#include "setup/run_record.h"
#include "setup/run_record_text.h"
#include "setup/setup_text.h"
#include "setup/web_services.h"
#include "sysops/command_runner.h"
#include "sysops/dism.h"
#include "sysops/power_plan_text.h"
#include "sysops/product_paths.h"
#include "sysops/registry.h"
#include "sysops/folders.h"
#include "sysops/held_folder.h"
#include "sysops/send_box_settings.h"
#include "sysops/startup_shortcut.h"
#include "sysops/terminal_values.h"

namespace setup {
namespace {

// Status texts, in the order of the run.
constexpr wchar_t kCheckingLogon[] = L"Windows ログイン情報 確認中...";
constexpr wchar_t kCheckingDelivery[] = L"Depotron 配信情報 確認中...";
constexpr wchar_t kCheckingSendBox[] = L"ステイタス通知 送信BOXID情報 確認中...";
constexpr wchar_t kSettingAutoLogon[] = L"オートログイン 設定中...";
constexpr wchar_t kSettingPower[] = L"電源設定 変更中...";
constexpr wchar_t kStoppingUpdate[] = L"Windows Update停止処理中...";
constexpr wchar_t kAdjustingLogonScreen[] = L"ログイン画面の調整 設定中...";
constexpr wchar_t kRegisteringStartup[] = L"Varnelターミナル をスタートアップに登録中...";
constexpr wchar_t kSettingSendBox[] = L"ステイタス通知 送信BOXの設定中...";
constexpr wchar_t kPreparingDepotron[] = L"Depotronの起動準備を開始しました...";
constexpr wchar_t kStartingUpdater[] = L"Depotronの起動処理...";
constexpr wchar_t kDownloadingInstaller[] =
    L"Depotronのダウンロード中...（回線の速度によって、時間がかかることがあります）";

// Messages of a failing run.
constexpr wchar_t kLogonRefused[] =
    L"Windows ログインパスワードが不正です\nパスワードをもう一度入力してください";
constexpr wchar_t kGroupNotFound[] =
    L"Depotron配信グループが見つかりません\nインターネットに接続されていないか、\n"
    L"グループ名が間違っている可能性があります\n\n・グループ名が正しいか確認してください\n"
    L"・VarnelのHPが表示できることを確認してもう一度実行してください";
constexpr wchar_t kSendBoxCheckFailed[] =
    L"ステイタス通知用 送信BOXの確認に失敗しました\nインターネットに接続されていない可能性があります\n\n"
    L"・データセンターのHPが表示できることを確認してもう一度実行してください";
constexpr wchar_t kSendBoxCheckError[] =
    L"加工ステイタス通知用 送信BOXの確認中にエラーが発生しました\n"
    L"インターネットに接続されていない可能性があります\n\n"
    L"・データセンターのHPが表示できることを確認してもう一度実行してください";
constexpr wchar_t kSendBoxSettingsNotSaved[] =
    L"ステイタス通知 送信BOXの設定を保存できませんでした\n\n※詳しくは弊社サポートまでご連絡ください";
// A signal file or its folder was a link someone planted.
constexpr wchar_t kDepotronNotPrepared[] =
    L"Depotronの起動準備に失敗しました\n\n※詳しくは弊社サポートまでご連絡ください";
constexpr wchar_t kDepotronNotDelivered[] =
    L"Depotronが配信されていません。\n\n※詳しくは弊社サポートまでご連絡ください";
constexpr wchar_t kDownloadFailed[] =
    L"Depotronのダウンロードに失敗しました\nVarnelのHPが表示できることを確認してもう一度実行してください";
// The shell could not start the updater or open the package: telling the
// technician to restart once Depotron has installed would send them waiting
// for something that never began.
constexpr wchar_t kDepotronNotStarted[] =
    L"Depotronの起動に失敗しました\n\n※詳しくは弊社サポートまでご連絡ください";

// The high-performance plan, then every time-out of it off on mains and on
// battery: powercfg's arguments, the tool taken from the system folder.
constexpr const wchar_t* kPowerArguments[] = {
    L"-setactive SCHEME_MIN",      L"/x /monitor-timeout-ac 0",   L"/x /monitor-timeout-dc 0",
    L"/x /standby-timeout-ac 0",   L"/x /standby-timeout-dc 0",   L"/x /hibernate-timeout-ac 0",
    L"/x /hibernate-timeout-dc 0", L"/x /disk-timeout-ac 0",      L"/x /disk-timeout-dc 0",
};

constexpr DWORD kFinalPauseMs = 100;

using sysops::FileExists;

// How much of an answer that is not what it should be the record shows.
constexpr std::size_t kAnswerShown = 120;
// DISM's "done, the change waits for a restart".
constexpr std::uint32_t kDismRestartNeeded = 3010;

// What the record says of one request.
std::wstring DescribeRequest(const std::wstring& url, const HttpOutcome& got) {
  if (got.status == 0) return DescribeHttpNoAnswer(url, got.error, SystemErrorText(got.error));
  std::wstring text = DescribeHttpAnswer(url, got.status, got.received);
  if (got.body_cut) {
    text += got.error ? L", " + WindowsFailure(L"the body", got.error) : L", the body broke off";
  }
  return text;
}

// What the record says of a console tool that did not end well.
std::wstring DescribeCommand(const sysops::CommandResult& ran) {
  if (!ran.started) return WindowsFailure(L"starting " + ran.command_line, ran.start_error);
  return DescribeToolRun(ran.command_line, ran.exit_code, ran.output);
}

std::string BytesOf(const CBinary& binary) {
  const BYTE* data = binary.GetData();
  return data ? std::string(reinterpret_cast<const char*>(data),
                            static_cast<std::size_t>(binary.GetLength()))
              : std::string();
}

bool UploadPending() { return FileExists(sysops::GetUploadMarkerPath()); }

// The first bytes of an open file; fewer (or none) when it is shorter or
// cannot be read.
std::string FileHead(HANDLE file, DWORD count) {
  std::string head(count, '\0');
  DWORD read = 0;
  if (!::ReadFile(file, head.data(), count, &read, nullptr)) read = 0;
  head.resize(read);
  return head;
}

// Puts a copy of the checked package where the terminal's programs have
// always found it, replacing an earlier download only once the copy is
// whole, as the download itself does. Anyone may write in that folder: the
// copy is made as a new file in the held folder and renamed over the old
// one by its handle, so a file or link another account put under either
// name is never written through, and a link under the public name stops
// the copy.
bool PlacePublicCopy(HANDLE package) {
  const sysops::HeldFolder folder = sysops::HoldProductFolder(sysops::kDownloadFolder);
  if (!folder.is_held()) return false;
  const std::wstring partial = std::wstring(sysops::kInstallerFileName) + L".download";
  if (!folder.RemoveFile(partial)) return false;
  fw::ScopedFileHandle copy = folder.CreateNewFile(partial);
  if (!copy) return false;
  LARGE_INTEGER start = {};
  bool placed = ::SetFilePointerEx(package, start, nullptr, FILE_BEGIN) != FALSE;
  for (std::string chunk(1 << 16, '\0'); placed;) {
    DWORD read = 0;
    placed = ::ReadFile(package, chunk.data(), static_cast<DWORD>(chunk.size()), &read,
                        nullptr) != FALSE;
    if (!placed || read == 0) break;
    placed = sysops::WriteAll(copy.get(), chunk.substr(0, read));
  }
  if (placed && folder.RenameFile(copy.get(), sysops::kInstallerFileName, true)) return true;
  FILE_DISPOSITION_INFO disposition = {};
  disposition.DeleteFile = TRUE;
  ::SetFileInformationByHandle(copy.get(), FileDispositionInfo, &disposition, sizeof disposition);
  return false;
}

}  // namespace

bool WindowsLogonCheck::LogOn(const std::wstring& user, const std::wstring& domain,
                              const std::wstring& password) {
  HANDLE token = nullptr;
  if (!::LogonUserW(user.c_str(), domain.c_str(), password.c_str(), LOGON32_LOGON_INTERACTIVE,
                    LOGON32_PROVIDER_DEFAULT, &token)) {
    return false;
  }
  fw::ScopedHandle owner(token);  // proof enough; the token serves nothing else
  return true;
}

SetupOutcome RunSetup(IProgressSink& progress, const SetupInputs& inputs, ILogonCheck& logon) {
  RunRecord record(inputs);
  CSetupRun run(progress, inputs, logon, TheShellOpener(), record);
  SetupOutcome outcome;
  try {
    outcome.result = run.Run();
  } catch (const std::exception& exception) {
    record.EndedBy(L"an exception (" + codec::Decode(exception.what(), codec::CodePage::kThreadAnsi) +
                   L")");
    throw;
  } catch (...) {
    record.EndedBy(L"an exception");
    throw;
  }
  outcome.error_text = run.ErrorText();
  return outcome;
}

IRunEvents& NoEvents() {
  static NoRunEvents none;
  return none;
}

bool ShellOpener::Open(const std::wstring& file) { return OpenWithShell(file); }

IShellOpener& TheShellOpener() {
  static ShellOpener opener;
  return opener;
}

CSetupRun::CSetupRun(IProgressSink& progress, SetupInputs inputs, ILogonCheck& logon,
                     IShellOpener& opener, IRunEvents& events)
    : progress_(progress), inputs_(std::move(inputs)), logon_(logon), opener_(opener),
      events_(events) {}

int CSetupRun::Run() {
  const int result = RunSteps();
  events_.RunEnded(result, error_text_);
  return result;
}

void CSetupRun::Begin(int percent, const wchar_t* status) {
  progress_.Report(percent, status);
  events_.StepBegan(percent, status);
}

int CSetupRun::RunSteps() {
  if (!CheckWindowsLogon()) return kSetupFailed;
  if (!LookUpDeliveryGroup()) return kSetupFailed;
  if (!CheckSendBox()) return kSetupFailed;
  if (!WriteAutoLogonValues()) return kSetupFailed;
  ApplyPowerSettings();
  StopWindowsUpdate();
  AdjustLogonScreen();
  RegisterTerminalStartup();
  if (!WriteSendBoxSettings()) return kSetupFailed;
  if (!PrepareDepotron(descriptor_)) return kSetupFailed;
  return HandOverToDepotron(descriptor_);
}

int CSetupRun::Fail(const std::wstring& message) {
  error_text_ = message;
  return kSetupFailed;
}

int CSetupRun::FailWithDetail(const std::wstring& detail) {
  return Fail(SendBoxRefusedMessage(detail));
}

bool CSetupRun::CheckWindowsLogon() {
  Begin(5, kCheckingLogon);
  if (logon_.LogOn(inputs_.logon_user, inputs_.logon_domain, inputs_.logon_password)) {
    events_.Detail(L"Windows accepted the log-on");
    return true;
  }
  events_.Detail(WindowsFailure(L"LogonUserW", ::GetLastError()));
  Fail(kLogonRefused);
  return false;
}

bool CSetupRun::LookUpDeliveryGroup() {
  Begin(10, kCheckingDelivery);
  // Whatever the body holds, an answer below 300 means the group exists; the
  // body is read only when Depotron is prepared.
  descriptor_.Empty();
  const std::wstring address = BuildDescriptorAddress(inputs_.delivery_group);
  HttpOutcome got;
  const bool found = HttpGetToBuffer(address, DeliveryCredential(), descriptor_, &got);
  events_.Detail(DescribeRequest(address, got));
  if (found) return true;
  Fail(kGroupNotFound);
  return false;
}

bool CSetupRun::CheckSendBox() {
  // With an upload pending the send-box inputs are locked in the window and
  // the settings they would replace are still in use.
  Begin(20, kCheckingSendBox);
  if (UploadPending()) {
    events_.Detail(L"skipped: an upload is pending");
    return true;
  }
  CBinary answer;
  const std::wstring address =
      BuildStatusCheckAddress(inputs_.send_box_id, inputs_.send_box_password);
  HttpOutcome got;
  const bool answered = HttpGetToBuffer(address, kStatusCredential, answer, &got);
  events_.Detail(DescribeRequest(address, got));
  if (!answered) {
    Fail(kSendBoxCheckFailed);
    return false;
  }
  const StatusVerdict verdict = JudgeStatusAnswer(answer.ToAnsiText(0, 0));
  switch (verdict.kind) {
    case StatusVerdict::kAccepted:
      events_.Detail(L"the service accepted the send box");
      return true;
    case StatusVerdict::kRefused:
      events_.Detail(L"the service refused the send box: " + verdict.detail);
      FailWithDetail(verdict.detail);
      return false;
    case StatusVerdict::kNotUnderstood:
      break;
  }
  events_.Detail(L"the answer is not the service's; it begins: " +
                 DescribeBytes(BytesOf(answer), kAnswerShown));
  Fail(kSendBoxCheckError);
  return false;
}

bool CSetupRun::WriteAutoLogonValues() {
  Begin(30, kSettingAutoLogon);
  using sysops::MachinePath;
  const auto failed = [this](const sysops::MachineValue& value) {
    const DWORD error = ::GetLastError();
    events_.Detail(WindowsFailure(L"writing " + MachinePath(value), error));
    return false;
  };
  // In this order: a failure leaves the values before it written.
  if (!sysops::WriteRegistryOneText(MachinePath(sysops::kAutoAdminLogon))) {
    return failed(sysops::kAutoAdminLogon);
  }
  if (!sysops::WriteRegistryString(MachinePath(sysops::kDefaultUserName), inputs_.logon_user)) {
    return failed(sysops::kDefaultUserName);
  }
  if (!sysops::WriteRegistryString(MachinePath(sysops::kDefaultDomainName),
                                   inputs_.logon_domain)) {
    return failed(sysops::kDefaultDomainName);
  }
  if (!sysops::WriteRegistryString(MachinePath(sysops::kDefaultPassword),
                                   inputs_.logon_password)) {
    return failed(sysops::kDefaultPassword);
  }
  events_.Detail(L"wrote AutoAdminLogon \"1\", DefaultUserName \"" + inputs_.logon_user +
                 L"\", DefaultDomainName \"" + inputs_.logon_domain + L"\", DefaultPassword \"" +
                 MaskedLike(inputs_.logon_password) + L"\"");
  return true;
}

void CSetupRun::ApplyPowerSettings() {
  Begin(40, kSettingPower);
  for (const wchar_t* arguments : kPowerArguments) {
    const sysops::CommandResult ran =
        sysops::RunSystemToolCommand(sysops::kPowercfgFileName, arguments);
    if (!ran.started || ran.exit_code != 0) events_.Ignored(DescribeCommand(ran));
  }
}

void CSetupRun::StopWindowsUpdate() {
  Begin(50, kStoppingUpdate);
  // The policy keeps updates off after a restart; stopping the service only
  // ends the one running now.
  if (!sysops::WriteRegistryDword(sysops::MachinePath(sysops::kNoAutoUpdate), 1)) {
    const DWORD error = ::GetLastError();
    events_.Ignored(WindowsFailure(L"writing " + sysops::MachinePath(sysops::kNoAutoUpdate), error));
  }
  if (const unsigned long error = RequestWindowsUpdateStop()) {
    events_.Ignored(WindowsFailure(L"stopping the service wuauserv", error));
  }
}

void CSetupRun::AdjustLogonScreen() {
  Begin(60, kAdjustingLogonScreen);
  // The feature list alone decides, not the edition's name.
  sysops::CommandResult ran;
  const int state = sysops::QueryEmbeddedLogonFeatures(&ran);
  if (state == sysops::kFeatureUnknown) {
    events_.Detail(L"skipped: the features are not offered, or DISM could not tell; " +
                   DescribeCommand(ran));
    return;
  }
  const auto enabled = [this](const sysops::CommandResult& enabling) {
    if (!enabling.started ||
        (enabling.exit_code != 0 && enabling.exit_code != kDismRestartNeeded)) {
      events_.Ignored(DescribeCommand(enabling));
    }
  };
  if (state == sysops::kFeatureNotEnabled) {
    events_.Detail(L"the features are offered and not all enabled");
    sysops::EnableEmbeddedLogonFeature(&ran);
    enabled(ran);
    sysops::EnableEmbeddedBootExpFeature(&ran);
    enabled(ran);
  } else {
    events_.Detail(L"the features are enabled");
  }
  for (const sysops::MachineValue& value : sysops::kLogonScreenValues) {
    if (!sysops::WriteRegistryDword(sysops::MachinePath(value), 1)) {
      const DWORD error = ::GetLastError();
      events_.Ignored(WindowsFailure(L"writing " + sysops::MachinePath(value), error));
    }
  }
}

void CSetupRun::RegisterTerminalStartup() {
  Begin(70, kRegisteringStartup);
  if (sysops::IsTerminalInStartup()) {
    events_.Detail(L"the terminal program is in the start-up folder already");
    return;
  }
  sysops::CreateTerminalStartupShortcut();
  if (sysops::IsTerminalInStartup()) {
    events_.Detail(L"made the start-up shortcut");
  } else {
    events_.Ignored(L"the start-up shortcut could not be made");
  }
}

bool CSetupRun::WriteSendBoxSettings() {
  Begin(75, kSettingSendBox);
  if (UploadPending()) {
    events_.Detail(L"skipped: an upload is pending");
    return true;
  }
  if (sysops::WriteSendBoxSettings(
          {inputs_.send_box_id, inputs_.send_box_password, inputs_.process_group_id})) {
    return true;
  }
  events_.Detail(WindowsFailure(L"writing the send-box settings file", ::GetLastError()));
  Fail(kSendBoxSettingsNotSaved);
  return false;
}

bool CSetupRun::PrepareDepotron(const CBinary& descriptor) {
  Begin(80, kPreparingDepotron);
  const std::wstring version = ExtractDepotronVersion(descriptor);
  if (version.empty()) {
    events_.Detail(L"the descriptor names no Depotron version; it begins: " +
                   DescribeBytes(BytesOf(descriptor), kAnswerShown));
    Fail(kDepotronNotDelivered);
    return false;
  }
  events_.Detail(L"Depotron " + version + L" is delivered" +
                 (IsPassiveUpdateVersion(version) ? L"; a passive update" : L""));
  if (!IsPassiveUpdateVersion(version)) return true;
  // Each signal file is a new file under its name: one standing there is
  // removed, never written through. The files only choose how Depotron
  // updates itself, so a folder or file that cannot be written is ignored
  // as it always was; a planted link stops the run here.
  const sysops::HeldFolder folder = sysops::HoldProductFolder(sysops::kDepotronDataFolder);
  if (!folder.is_held()) {
    const DWORD error = ::GetLastError();
    events_.Detail(WindowsFailure(L"reaching Depotron's data folder", error));
    if (!sysops::IsRefusal(error)) return true;
    Fail(kDepotronNotPrepared);
    return false;
  }
  const std::string signal(kSignalFileBytes, sizeof kSignalFileBytes);
  for (const wchar_t* name :
       {sysops::kPassiveRebootSignalFileName, sysops::kPassiveSignalFileName}) {
    if (folder.ReplaceFile(name, signal)) continue;
    const DWORD error = ::GetLastError();
    events_.Detail(WindowsFailure(std::wstring(L"writing the signal file ") + name, error));
    if (sysops::IsRefusal(error)) {
      Fail(kDepotronNotPrepared);
      return false;
    }
  }
  return true;
}

int CSetupRun::HandOverToDepotron(const CBinary& descriptor) {
  const std::wstring updater = sysops::GetDepotronUpdaterPath();
  if (FileExists(updater)) return StartUpdater(updater);
  return InstallDepotron(descriptor);
}

int CSetupRun::StartUpdater(const std::wstring& updater) {
  Begin(90, kStartingUpdater);
  {
    const fw::ScopedFileHandle file(::CreateFileW(updater.c_str(), GENERIC_READ,
                                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                  OPEN_EXISTING, 0, nullptr));
    events_.Detail(L"the updater " + DescribeHandedOverFile(updater, file.get()));
  }
  if (!opener_.Open(updater)) {
    events_.Detail(WindowsFailure(L"starting the updater", ::GetLastError()));
    return Fail(kDepotronNotStarted);
  }
  events_.Detail(L"the updater was started");
  return Finish(kUpdaterStarted);
}

int CSetupRun::InstallDepotron(const CBinary& descriptor) {
  Begin(90, kDownloadingInstaller);
  const std::wstring address = BuildInstallerAddress(descriptor);
  if (address.empty()) {
    events_.Detail(L"the descriptor names no Depotron version");
    return Fail(kDepotronNotDelivered);
  }
  // The public download folder is open to every account: a package checked
  // there could be another by the time the shell opens it, and Windows
  // Installer would install that with the technician's rights.
  // The private folder is held, so its path names it until the run is done.
  const sysops::HeldFolder own = sysops::HoldPrivateFolder();
  if (!own.is_held()) {
    events_.Detail(WindowsFailure(L"preparing the private download folder", ::GetLastError()));
    return Fail(kDownloadFailed);
  }
  const std::wstring package = own.PathOf(sysops::kInstallerFileName);
  HttpOutcome got;
  const bool downloaded = HttpDownloadToFile(address, DeliveryCredential(), package, &got);
  events_.Detail(DescribeRequest(address, got));
  if (!downloaded) return Fail(kDownloadFailed);
  // From the check until the installer has been started nobody may write,
  // rename or delete the file, administrators included; Windows Installer
  // only reads it, which the sharing allows.
  fw::ScopedFileHandle held =
      own.OpenFile(sysops::kInstallerFileName, GENERIC_READ, FILE_SHARE_READ);
  // A server may answer 200 with anything; what is no package is not kept
  // under the package's name, nor opened. Nor is a package the public folder
  // cannot take: the terminal's programs would miss it.
  const DWORD open_error = held ? 0 : ::GetLastError();
  const std::string head = held ? FileHead(held.get(), kAnswerShown + 1) : std::string();
  if (!held || !StartsLikeInstallerPackage(head) || !PlacePublicCopy(held.get())) {
    const DWORD error = ::GetLastError();
    events_.Detail(!held ? WindowsFailure(L"opening the download " + package, open_error)
                   : !StartsLikeInstallerPackage(head)
                       ? L"the download is no installer package; it begins: " +
                             DescribeBytes(head, kAnswerShown)
                       : WindowsFailure(L"placing the public copy", error));
    held.reset();
    own.RemoveFile(sysops::kInstallerFileName);
    return Fail(kDownloadFailed);
  }
  events_.Detail(L"the package " + DescribeHandedOverFile(package, held.get()));
  return OpenInstallerPackage(package);
}

int CSetupRun::OpenInstallerPackage(const std::wstring& package) {
  // Windows Installer opens the package with its own window and carries on
  // alone once the window has closed.
  if (!opener_.Open(package)) {
    events_.Detail(WindowsFailure(L"opening the package with the shell", ::GetLastError()));
    return Fail(kDepotronNotStarted);
  }
  events_.Detail(L"the package was opened with the shell");
  return Finish(kInstallerStarted);
}

int CSetupRun::Finish(int result) {
  progress_.Report(100, L"");
  ::Sleep(kFinalPauseMs);
  return result;
}

}  // namespace setup
