#pragma once
// `DISM /online /Get-Features /English` output as Windows 10 IoT Enterprise
// prints it, with the features and states the caller chooses: the tests of
// the readers and the simulated DISM. CR LF line ends.

#include <string>
#include <utility>
#include <vector>

namespace dism_listing {

using Features = std::vector<std::pair<std::wstring, std::wstring>>;  // name, state word

// What DISM prints first for every command on the running system.
inline std::wstring Banner() {
  return L"\r\n"
         L"Deployment Image Servicing and Management tool\r\n"
         L"Version: 10.0.19041.3636\r\n"
         L"\r\n"
         L"Image Version: 10.0.19044.4046\r\n"
         L"\r\n";
}

inline std::wstring Header() {
  return Banner() +
         L"Features listing for package : "
         L"Microsoft-Windows-Foundation-Package~31bf3856ad364e35~amd64~~10.0.19041.1\r\n"
         L"\r\n";
}

inline std::wstring Listing(const Features& features) {
  std::wstring text = Header();
  for (const auto& f : features) {
    text += L"Feature Name : " + f.first + L"\r\n";
    text += L"State : " + f.second + L"\r\n";
    text += L"\r\n";
  }
  text += L"The operation completed successfully.\r\n";
  return text;
}

// The IoT edition's list around the two log-on screen features, in the order
// DISM prints them (boot experience before log-on).
inline Features IotFeatures(const std::wstring& logon_state, const std::wstring& boot_exp_state) {
  return {
      {L"Printing-PrintToPDFServices-Features", L"Enabled"},
      {L"Printing-XPSServices-Features", L"Enabled"},
      {L"TelnetClient", L"Disabled"},
      {L"Client-DeviceLockdown", L"Disabled"},
      {L"Client-EmbeddedShellLauncher", L"Disabled"},
      {L"Client-EmbeddedBootExp", boot_exp_state},
      {L"Client-EmbeddedLogon", logon_state},
      {L"Client-KeyboardFilter", L"Disabled"},
      {L"Client-UnifiedWriteFilter", L"Disabled"},
      {L"NetFx4-AdvSrvs", L"Enabled"},
      {L"SMB1Protocol", L"Disabled"},
      {L"Microsoft-Windows-Subsystem-Linux", L"Disabled"},
  };
}

inline std::wstring IotListing(const std::wstring& logon_state, const std::wstring& boot_exp_state) {
  return Listing(IotFeatures(logon_state, boot_exp_state));
}

// A Pro edition: no embedded features at all.
inline Features ProFeatures() {
  return {
      {L"Printing-PrintToPDFServices-Features", L"Enabled"},
      {L"TelnetClient", L"Disabled"},
      {L"NetFx4-AdvSrvs", L"Enabled"},
      {L"SMB1Protocol", L"Disabled"},
  };
}

inline std::wstring ProListing() { return Listing(ProFeatures()); }

// What DISM says when it is not run elevated.
inline std::wstring RefusalText() {
  return L"\r\n"
         L"Deployment Image Servicing and Management tool\r\n"
         L"Version: 10.0.19041.3636\r\n"
         L"\r\n"
         L"\r\n"
         L"Error: 740\r\n"
         L"\r\n"
         L"Elevated permissions are required to run DISM.\r\n"
         L"Use an elevated command prompt to complete these tasks.\r\n";
}

}  // namespace dism_listing
