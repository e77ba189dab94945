#include "survey/terminal_survey.h"

#include <windows.h>
#include <shlobj.h>

#include <cstdint>
#include <vector>

#include "base/number_text.h"
#include "survey/os_name_text.h"
#include "sysops/dism.h"
#include "sysops/folders.h"
#include "sysops/power_plan.h"
#include "sysops/product_paths.h"
#include "sysops/registry.h"
#include "sysops/send_box_settings.h"
#include "sysops/startup_shortcut.h"
#include "sysops/terminal_values.h"

namespace survey {

namespace {

// Progress texts, one per step.
const wchar_t kReportOs[] = L"OS情報の取得...";
const wchar_t kReportLogon[] = L"Windowsログイン情報確認中...";
const wchar_t kReportStartup[] = L"スタートアップ確認中...";
const wchar_t kReportPower[] = L"電源情報取得中...";
const wchar_t kReportLogonScreen[] = L"ログイン画面情報取得中...";
const wchar_t kReportWindowsUpdate[] = L"WindowsUpdate情報取得中...";
const wchar_t kReportSendBox[] = L"ステイタス通知 送信BOX情報取得中...";

// Display texts. The brackets are as the window has always shown them, half-
// and full-width mixed.
const wchar_t kOk[] = L"OK";
const wchar_t kNotSet[] = L"\u00D7";                                    // "×"
const wchar_t kNotRegistered[] = L"( 未登録 )";
const wchar_t kFeaturesNotSet[] = L"\uFF08 未設定 \uFF09";              // "（ 未設定 ）"
const wchar_t kFeaturesNotInstalled[] = L"( 未インストール \uFF09";     // "( 未インストール ）"
const wchar_t kEditionLacksIt[] = L"( OS未対応 )";

const wchar_t kGroupPolicyEditor[] = L"gpedit.msc";

constexpr DWORD kNameBufferLength = 1024;
constexpr DWORD kSidBufferBytes = 4096;
constexpr DWORD kSidBytesDeclared = 1024;
constexpr DWORD kFullBarPauseMs = 100;

class Windows final : public ICurrentAccount {
 public:
  bool UserName(std::wstring* name) override {
    std::vector<wchar_t> buffer(kNameBufferLength, L'\0');
    DWORD length = kNameBufferLength;
    if (!::GetUserNameW(buffer.data(), &length)) return false;
    *name = buffer.data();
    return true;
  }

  std::wstring DomainOf(const std::wstring& name) override {
    // The SID itself is never used; the buffer is larger than declared so
    // that no lookup can write past it.
    std::vector<BYTE> sid(kSidBufferBytes, 0);
    DWORD sid_bytes = kSidBytesDeclared;
    std::vector<wchar_t> domain(kNameBufferLength, L'\0');
    DWORD domain_length = kNameBufferLength;
    SID_NAME_USE use = SidTypeUnknown;
    ::LookupAccountNameW(nullptr, name.c_str(), sid.data(), &sid_bytes, domain.data(),
                         &domain_length, &use);
    domain.back() = L'\0';
    return domain.data();
  }
};

using sysops::FileExists;

std::wstring ReadText(const sysops::MachineValue& value) {
  return sysops::ReadRegistryString(sysops::MachinePath(value), L"");
}

std::uint32_t ReadDword(const sysops::MachineValue& value) {
  return sysops::ReadRegistryDword(sysops::MachinePath(value));
}

// Step 2. The password is entered only for the log-on the registry names as
// the current user's; registered also needs it switched on and not empty.
void SurveyAutoLogon(const std::wstring& user, const std::wstring& domain,
                     SurveyResultMap& entries) {
  const bool switched_on = ParseDecimalLikeWtoi(ReadText(sysops::kAutoAdminLogon)) != 0;
  bool registered = false;
  if (ReadText(sysops::kDefaultUserName) == user && ReadText(sysops::kDefaultDomainName) == domain) {
    const std::wstring password = ReadText(sysops::kDefaultPassword);
    entries[kEntryLogonPassword] = password;
    registered = !password.empty() && switched_on;
  }
  entries[kEntryAutoLogon] = registered ? kOk : kNotRegistered;
}

// Step 5.
std::wstring LogonScreenText() {
  switch (sysops::QueryEmbeddedLogonFeatures()) {
    case sysops::kFeatureNotEnabled:
      return kFeaturesNotInstalled;
    case sysops::kFeatureEnabled: {
      // In this order, stopping at the first value that is not as needed.
      const bool adjusted = ReadDword(sysops::kBrandingNeutral) == 1 &&
                            ReadDword(sysops::kHideAutoLogonUI) == 1 &&
                            ReadDword(sysops::kHideFirstLogonAnimation) == 1 &&
                            ReadDword(sysops::kHideBootLogo) != 0;
      return adjusted ? kOk : kFeaturesNotSet;
    }
    default:
      return kEditionLacksIt;
  }
}

// Step 6: only the editions with the group-policy editor can keep Windows
// Update off by policy.
std::wstring WindowsUpdateText() {
  const std::wstring editor =
      sysops::AppendPath(sysops::GetSpecialFolder(CSIDL_SYSTEM), kGroupPolicyEditor);
  if (!FileExists(editor)) return kEditionLacksIt;
  return ReadDword(sysops::kNoAutoUpdate) == 1 ? kOk : kNotSet;
}

}  // namespace

ICurrentAccount& WindowsAccount() {
  static Windows account;
  return account;
}

SurveyOutcome RunSurvey(IProgressSink& progress, ICurrentAccount& account) {
  SurveyOutcome outcome;
  SurveyResultMap& entries = outcome.entries;

  progress.Report(20, kReportOs);
  entries[kEntryOsName] =
      ShownOsName(ReadText(sysops::kProductName), ReadText(sysops::kCurrentBuildNumber));

  progress.Report(30, kReportLogon);
  std::wstring user;
  if (!account.UserName(&user)) {
    outcome.entries.clear();
    return outcome;
  }
  entries[kEntryLogonUser] = user;
  const std::wstring domain = account.DomainOf(user);
  entries[kEntryLogonDomain] = domain;
  SurveyAutoLogon(user, domain, entries);

  progress.Report(40, kReportStartup);
  entries[kEntryTerminalStartup] = sysops::IsTerminalInStartup() ? kOk : kNotRegistered;

  progress.Report(50, kReportPower);
  entries[kEntryPower] = sysops::ComposePowerSummary();

  progress.Report(60, kReportLogonScreen);
  entries[kEntryLogonScreen] = LogonScreenText();

  progress.Report(70, kReportWindowsUpdate);
  entries[kEntryWindowsUpdate] = WindowsUpdateText();

  progress.Report(90, kReportSendBox);
  {
    // Empty where the file cannot be read, a planted link included.
    const sysops::SendBoxSettings settings = sysops::ReadSendBoxSettings();
    entries[kEntrySendBoxId] = settings.id;
    entries[kEntrySendBoxPassword] = settings.password;
    entries[kEntryProcessGroupId] = settings.group;
  }
  outcome.send_box_editable = !FileExists(sysops::GetUploadMarkerPath());
  entries[kEntryDeliveryGroup] = kInitialDeliveryGroup;

  outcome.result = 0;
  progress.Report(100, L"");
  ::Sleep(kFullBarPauseMs);
  return outcome;
}

}  // namespace survey
