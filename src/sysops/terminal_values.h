#pragma once
// The registry values that make a PC a terminal, in one place: what the
// survey reads, what the setup run writes, what the tests arrange and put
// back and what the demo shows. Every one is under HKEY_LOCAL_MACHINE, in the
// 64-bit view where the system has one (see registry.h).

#include <string>

namespace sysops {

inline constexpr wchar_t kWinlogonKey[] =
    L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
inline constexpr wchar_t kEmbeddedLogonKey[] =
    L"SOFTWARE\\Microsoft\\Windows\\Windows Embedded\\EmbeddedLogon";
inline constexpr wchar_t kUnattendSettingsKey[] =
    L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\UnattendSettings";
inline constexpr wchar_t kWindowsUpdatePolicyKey[] =
    L"SOFTWARE\\Policies\\Microsoft\\Windows\\WindowsUpdate\\AU";

// One value: its key under HKEY_LOCAL_MACHINE and its name.
struct MachineValue {
  const wchar_t* key;
  const wchar_t* name;
};

// The edition's name.
inline constexpr MachineValue kProductName{L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
                                           L"ProductName"};
// The build, as decimal text: Windows 11 from 22000 on, whatever the name says.
inline constexpr MachineValue kCurrentBuildNumber{
    L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", L"CurrentBuildNumber"};

// The automatic log-on, in the order the run writes it.
inline constexpr MachineValue kAutoAdminLogon{kWinlogonKey, L"AutoAdminLogon"};
inline constexpr MachineValue kDefaultUserName{kWinlogonKey, L"DefaultUserName"};
inline constexpr MachineValue kDefaultDomainName{kWinlogonKey, L"DefaultDomainName"};
inline constexpr MachineValue kDefaultPassword{kWinlogonKey, L"DefaultPassword"};
inline constexpr MachineValue kAutoLogonValues[] = {kAutoAdminLogon, kDefaultUserName,
                                                    kDefaultDomainName, kDefaultPassword};

// The log-on screen, in the order the run writes it and the survey reads it.
inline constexpr MachineValue kBrandingNeutral{kEmbeddedLogonKey, L"BrandingNeutral"};
inline constexpr MachineValue kHideAutoLogonUI{kEmbeddedLogonKey, L"HideAutoLogonUI"};
inline constexpr MachineValue kHideFirstLogonAnimation{kEmbeddedLogonKey,
                                                       L"HideFirstLogonAnimation"};
inline constexpr MachineValue kHideBootLogo{kUnattendSettingsKey, L"HideBootLogo"};
inline constexpr MachineValue kLogonScreenValues[] = {kBrandingNeutral, kHideAutoLogonUI,
                                                      kHideFirstLogonAnimation, kHideBootLogo};

// The policy that keeps Windows Update off.
inline constexpr MachineValue kNoAutoUpdate{kWindowsUpdatePolicyKey, L"NoAutoUpdate"};

// The path form the registry functions take: "HKEY_LOCAL_MACHINE\key\name".
inline std::wstring MachinePath(const MachineValue& value) {
  return std::wstring(L"HKEY_LOCAL_MACHINE\\") + value.key + L"\\" + value.name;
}

}  // namespace sysops
