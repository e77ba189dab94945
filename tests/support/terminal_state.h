#pragma once
// The terminal's registry values (sysops/terminal_values.h) and the files a
// setup run leaves, as the tests hold them: each one noted when the object is
// made and put back after the test, whatever the test or the code under test
// did to it; and the account the tests run as. See support/test_support.h.

#include <windows.h>
#include <shlobj.h>

#include <string>

#include "support/files.h"
#include "support/registry.h"
#include "sysops/folders.h"
#include "sysops/product_paths.h"
#include "sysops/startup_shortcut.h"
#include "sysops/terminal_values.h"

namespace test_support {

// The user the test runs as, as GetUserNameW names it.
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

// One of the terminal's values (or any value under HKEY_LOCAL_MACHINE, in the
// 64-bit view) for one test.
class ScopedMachineValue : public ScopedRegistryValue {
 public:
  explicit ScopedMachineValue(const sysops::MachineValue& value)
      : ScopedRegistryValue(HKEY_LOCAL_MACHINE, value.key, value.name) {}
  ScopedMachineValue(const std::wstring& key, const std::wstring& name)
      : ScopedRegistryValue(HKEY_LOCAL_MACHINE, key, name) {}
};

// The value as stored now, past the code under test.
inline RawValue QueryMachine(const sysops::MachineValue& value) {
  return QueryRaw(HKEY_LOCAL_MACHINE, value.key, value.name);
}

// The REG_SZ text as stored, whatever its length (the product's own reader
// takes at most 1023 characters), trailing zero characters dropped;
// "<none>" when the value is missing or of another type.
inline std::wstring MachineText(const sysops::MachineValue& value) {
  const RawValue raw = QueryMachine(value);
  if (raw.status != ERROR_SUCCESS || raw.type != REG_SZ) return L"<none>";
  std::wstring text(raw.bytes.size() / sizeof(wchar_t), L'\0');
  for (std::size_t i = 0; i < text.size(); ++i) {
    text[i] = static_cast<wchar_t>(raw.bytes[2 * i] | (raw.bytes[2 * i + 1] << 8));
  }
  while (!text.empty() && text.back() == L'\0') text.pop_back();
  return text;
}

// Every value the survey reads and the run writes, for one test.
struct TerminalValues {
  using Value = ScopedMachineValue;

  Value auto_admin_logon{sysops::kAutoAdminLogon};
  Value default_user{sysops::kDefaultUserName};
  Value default_domain{sysops::kDefaultDomainName};
  Value default_password{sysops::kDefaultPassword};
  Value branding_neutral{sysops::kBrandingNeutral};
  Value hide_auto_logon_ui{sysops::kHideAutoLogonUI};
  Value hide_first_logon_animation{sysops::kHideFirstLogonAnimation};
  Value hide_boot_logo{sysops::kHideBootLogo};
  Value no_auto_update{sysops::kNoAutoUpdate};

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

// The files a setup run leaves on the PC, absent for the test (each comes
// back afterwards as it was; see ScopedFile).
struct ProductFiles {
  ScopedFile settings{sysops::GetStatusBoxIniPath()};
  ScopedFile marker{sysops::GetUploadMarkerPath()};
  ScopedFile reboot_signal{sysops::GetDepotronDataPath(sysops::kPassiveRebootSignalFileName)};
  ScopedFile passive_signal{sysops::GetDepotronDataPath(sysops::kPassiveSignalFileName)};
  ScopedFile package{sysops::GetInstallerDownloadPath()};
  ScopedFile shortcut{sysops::GetSpecialFolder(CSIDL_COMMON_STARTUP) + L"\\" +
                      sysops::kStartupShortcutName};

  // Deletes what is there now: a file the code under test made meanwhile
  // (what was there before the test still comes back afterwards).
  void DeleteAll() const {
    for (const ScopedFile* file :
         {&settings, &marker, &reboot_signal, &passive_signal, &package, &shortcut}) {
      ::DeleteFileW(file->path().c_str());
    }
  }
};

}  // namespace test_support
