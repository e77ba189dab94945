#pragma once
// What the survey's tests share: the display texts spelled out, the account
// the tests run as, the power line, the setup run's power commands, and every
// registry value the survey reads, held for one test and put back after it.

#include <windows.h>

#include <string>

#include "support/test_support.h"
#include "sysops/command_runner.h"

namespace survey_test {

const std::wstring kOk = L"OK";
const std::wstring kCross = L"\u00D7";
const std::wstring kNotRegistered = L"( \u672A\u767B\u9332 )";
const std::wstring kNotSet = L"\uFF08 \u672A\u8A2D\u5B9A \uFF09";
const std::wstring kNotInstalled = L"( \u672A\u30A4\u30F3\u30B9\u30C8\u30FC\u30EB \uFF09";
const std::wstring kUnsupported = L"( OS\u672A\u5BFE\u5FDC )";

inline std::wstring CurrentUser() {
  wchar_t name[1024] = {};
  DWORD length = 1024;
  return ::GetUserNameW(name, &length) ? name : L"<no user name>";
}

// Windows names a local account's domain after the computer; so does Wine.
inline std::wstring ComputerName() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD length = MAX_COMPUTERNAME_LENGTH + 1;
  return ::GetComputerNameW(name, &length) ? name : L"<no computer name>";
}

// The power line with one verdict for all four time-outs.
inline std::wstring PowerLine(const std::wstring& verdict) {
  std::wstring line;
  for (const wchar_t* label : {L"\u30B9\u30EA\u30FC\u30D7 ", L"\u4F11\u6B62 ",
                               L"\u30C7\u30A3\u30B9\u30AF ",
                               L"\u30C7\u30A3\u30B9\u30D7\u30EC\u30A4 "}) {
    line += label + verdict + L"\u3000";
  }
  return line;
}

// The power commands of a setup run, in its order.
inline void RunSetupPowerCommands() {
  sysops::RunCommandAndCapture(L"powercfg.exe -setactive SCHEME_MIN");
  for (const wchar_t* setting : {L"monitor", L"standby", L"hibernate", L"disk"}) {
    for (const wchar_t* source : {L"ac", L"dc"}) {
      sysops::RunCommandAndCapture(std::wstring(L"powercfg /x /") + setting + L"-timeout-" +
                                   source + L" 0");
    }
  }
}

// The terminal's values in the 64-bit view, where the program reads them.
struct TerminalValues {
  using Value = test_support::ScopedRegistryValue;
  static constexpr wchar_t kWinlogon[] =
      L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
  static constexpr wchar_t kEmbedded[] =
      L"SOFTWARE\\Microsoft\\Windows\\Windows Embedded\\EmbeddedLogon";
  static constexpr wchar_t kUnattend[] =
      L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\UnattendSettings";
  static constexpr wchar_t kPolicy[] =
      L"SOFTWARE\\Policies\\Microsoft\\Windows\\WindowsUpdate\\AU";

  Value auto_admin_logon{HKEY_LOCAL_MACHINE, kWinlogon, L"AutoAdminLogon"};
  Value default_user{HKEY_LOCAL_MACHINE, kWinlogon, L"DefaultUserName"};
  Value default_domain{HKEY_LOCAL_MACHINE, kWinlogon, L"DefaultDomainName"};
  Value default_password{HKEY_LOCAL_MACHINE, kWinlogon, L"DefaultPassword"};
  Value branding_neutral{HKEY_LOCAL_MACHINE, kEmbedded, L"BrandingNeutral"};
  Value hide_auto_logon_ui{HKEY_LOCAL_MACHINE, kEmbedded, L"HideAutoLogonUI"};
  Value hide_first_logon_animation{HKEY_LOCAL_MACHINE, kEmbedded, L"HideFirstLogonAnimation"};
  Value hide_boot_logo{HKEY_LOCAL_MACHINE, kUnattend, L"HideBootLogo"};
  Value no_auto_update{HKEY_LOCAL_MACHINE, kPolicy, L"NoAutoUpdate"};

  // No value set: a PC nobody has made a terminal of.
  bool RemoveAll() {
    bool ok = true;
    for (Value* value : {&auto_admin_logon, &default_user, &default_domain, &default_password,
                         &branding_neutral, &hide_auto_logon_ui, &hide_first_logon_animation,
                         &hide_boot_logo, &no_auto_update}) {
      ok = value->Remove() && ok;
    }
    return ok;
  }
  // An automatic log-on stored for the user the tests run as.
  bool StoreLogon(const std::wstring& switched_on, const std::wstring& password) {
    return auto_admin_logon.SetString(switched_on) && default_user.SetString(CurrentUser()) &&
           default_domain.SetString(ComputerName()) && default_password.SetString(password);
  }
  // The four log-on screen values set to `value`.
  bool SetLogonScreen(DWORD value) {
    return branding_neutral.SetDword(value) && hide_auto_logon_ui.SetDword(value) &&
           hide_first_logon_animation.SetDword(value) && hide_boot_logo.SetDword(value);
  }
};

}  // namespace survey_test
