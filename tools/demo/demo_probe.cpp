// The PC as the demo shows it before and after the run: only reads, so that
// looking changes nothing (no folder is created, no key either).
#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "demo_driver.h"
#include "framework/com_ptr.h"
#include "framework/scoped_handle.h"
#include "simulated_pc_state.h"
#include "sysops/folders.h"
#include "sysops/product_paths.h"
#include "sysops/send_box_settings_text.h"
#include "sysops/startup_shortcut.h"
#include "sysops/terminal_values.h"

namespace demo_driver {
namespace {

const wchar_t kNone[] = L"(none)";

std::wstring Folder(int csidl) {
  wchar_t path[MAX_PATH] = {};
  if (FAILED(::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return L"";
  return path;
}

std::wstring Join(const std::wstring& folder, const std::wstring& more) {
  return folder.empty() || folder.back() == L'\\' ? folder + more : folder + L"\\" + more;
}

using sysops::FileExists;

// A value of HKLM in the 64-bit view, which the program writes: "(none)"
// when it is missing, numbers in decimal, texts as they are (an empty one
// as "").
std::wstring MachineValue(const sysops::MachineValue& value) {
  const wchar_t* const name = value.name;
  fw::ScopedRegKey opened;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, value.key, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY,
                      opened.put()) != ERROR_SUCCESS) {
    return kNone;
  }
  DWORD type = 0, size = 0;
  if (::RegQueryValueExW(opened.get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
    return kNone;
  }
  std::wstring data(size / sizeof(wchar_t) + 1, L'\0');
  size = static_cast<DWORD>(data.size() * sizeof(wchar_t));
  if (::RegQueryValueExW(opened.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&data[0]),
                         &size) != ERROR_SUCCESS) {
    return kNone;
  }
  if (type == REG_DWORD && size == sizeof(DWORD)) {
    DWORD number = 0;
    std::memcpy(&number, data.data(), sizeof number);
    return std::to_wstring(number);
  }
  if (type == REG_SZ || type == REG_EXPAND_SZ) {
    data.resize(size / sizeof(wchar_t));
    while (!data.empty() && data.back() == L'\0') data.pop_back();
    return data.empty() ? L"\"\"" : data;
  }
  return L"(type " + std::to_wstring(type) + L")";
}

std::wstring ServiceState(const wchar_t* name) {
  fw::ScopedServiceHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
  if (!manager) return L"(no service manager)";
  fw::ScopedServiceHandle service(
      ::OpenServiceW(manager.get(), name, SERVICE_QUERY_STATUS | SERVICE_QUERY_CONFIG));
  if (!service) return kNone;
  SERVICE_STATUS status{};
  std::wstring text = L"?";
  if (::QueryServiceStatus(service.get(), &status)) {
    switch (status.dwCurrentState) {
      case SERVICE_RUNNING: text = L"running"; break;
      case SERVICE_STOPPED: text = L"stopped"; break;
      case SERVICE_STOP_PENDING: text = L"stopping"; break;
      case SERVICE_START_PENDING: text = L"starting"; break;
      default: text = L"state " + std::to_wstring(status.dwCurrentState);
    }
  }
  DWORD needed = 0;
  ::QueryServiceConfigW(service.get(), nullptr, 0, &needed);
  std::string buffer(needed ? needed : 1, '\0');
  auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(&buffer[0]);
  if (needed && ::QueryServiceConfigW(service.get(), config, needed, &needed)) {
    switch (config->dwStartType) {
      case SERVICE_AUTO_START: text += L", starts automatically"; break;
      case SERVICE_DEMAND_START: text += L", starts on demand"; break;
      case SERVICE_DISABLED: text += L", disabled"; break;
      default: text += L", start type " + std::to_wstring(config->dwStartType);
    }
  }
  return text;
}

// The first bytes of a file in hexadecimal ("31 00"), or "(none)".
std::wstring FileBytes(const std::wstring& path) {
  fw::ScopedFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
  if (!file) return kNone;
  unsigned char bytes[16] = {};
  DWORD got = 0;
  if (!::ReadFile(file.get(), bytes, sizeof bytes, &got, nullptr)) return L"(unreadable)";
  std::wstring text;
  for (DWORD i = 0; i < got; ++i) {
    wchar_t hex[4] = {};
    std::swprintf(hex, 4, L"%02x", bytes[i]);
    text += (i ? L" " : L"") + std::wstring(hex);
  }
  LARGE_INTEGER size{};
  if (::GetFileSizeEx(file.get(), &size) && size.QuadPart > got) text += L" ...";
  return got ? text : L"(empty file)";
}

std::wstring FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return kNone;
  const ULONGLONG size = (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return std::to_wstring(size) + L" bytes";
}

std::wstring IniValue(const std::wstring& path, const wchar_t* key) {
  if (!FileExists(path)) return kNone;
  // A default no file holds tells a missing key from an empty one.
  const wchar_t kMissing[] = L"\x1f";
  wchar_t value[512] = {};
  ::GetPrivateProfileStringW(sysops::kSendBoxSection, key, kMissing, value, 512, path.c_str());
  if (std::wstring(value) == kMissing) return kNone;
  return value[0] ? value : L"\"\"";
}

std::wstring ShortcutTarget(const std::wstring& path) {
  if (!FileExists(path)) return kNone;
  fw::ComPtr<IShellLinkW> link;
  fw::ComPtr<IPersistFile> file;
  wchar_t target[MAX_PATH] = {};
  if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                link.put_void())) ||
      FAILED(link->QueryInterface(IID_IPersistFile, file.put_void())) ||
      FAILED(file->Load(path.c_str(), STGM_READ)) ||
      FAILED(link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH))) {
    return L"(unreadable shortcut)";
  }
  return std::wstring(L"-> ") + target;
}

// How often the stand-in updater wrote that it was started (one line
// "... started ..." each time), or "(none)".
std::wstring StartRecords(const std::wstring& path) {
  fw::ScopedFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
  if (!file) return kNone;
  std::string text;
  char chunk[4096];
  DWORD got = 0;
  while (::ReadFile(file.get(), chunk, sizeof chunk, &got, nullptr) && got > 0) {
    text.append(chunk, got);
  }
  int starts = 0;
  for (std::size_t at = text.find(" started "); at != std::string::npos;
       at = text.find(" started ", at + 1)) {
    ++starts;
  }
  return std::to_wstring(starts) + (starts == 1 ? L" time" : L" times");
}

// The power plan and the log-on screen features as the fake powercfg and
// DISM remember them.
void SimulatedRows() {
  simulated_pc::State state;
  if (!simulated_pc::LoadState(&state)) {
    Row(L"pc", L"Power plan", L"(no simulated PC)");
    return;
  }
  const simulated_pc::Plan* plan = state.ActivePlan();
  Row(L"pc", L"Power plan", plan ? plan->alias + L" " + plan->name : L"(none active)");
  const std::pair<const wchar_t*, const wchar_t*> kinds[] = {
      {L"display", L"monitor"}, {L"sleep", L"standby"}, {L"hibernate", L"hibernate"},
      {L"disk", L"disk"}};
  for (const auto& [label, name] : kinds) {
    std::wstring value = kNone;
    if (plan) {
      simulated_pc::TimeOuts timeouts = plan->timeouts;
      const std::uint32_t* ac = simulated_pc::TimeOutNamed(timeouts, name + std::wstring(L"-timeout-ac"));
      const std::uint32_t* dc = simulated_pc::TimeOutNamed(timeouts, name + std::wstring(L"-timeout-dc"));
      if (ac && dc) value = std::to_wstring(*ac) + L" / " + std::to_wstring(*dc) + L" s";
    }
    Row(L"pc", std::wstring(L"Power ") + label + L" time-out ac / dc", value);
  }
  for (const wchar_t* feature : {L"Client-EmbeddedLogon", L"Client-EmbeddedBootExp"}) {
    const std::wstring* word = state.FeatureState(feature);
    Row(L"pc", std::wstring(L"Feature ") + feature, word ? *word : L"(not offered)");
  }
}

}  // namespace

int Probe() {
  const HRESULT com = ::CoInitialize(nullptr);
  // The values of the terminal, each as "<key's last name> <value name>".
  auto value_row = [](const sysops::MachineValue& value) {
    const std::wstring key = value.key;
    Row(L"pc", key.substr(key.find_last_of(L'\\') + 1) + L" " + value.name, MachineValue(value));
  };
  for (const sysops::MachineValue& value : sysops::kAutoLogonValues) value_row(value);
  Row(L"pc", L"Policy NoAutoUpdate", MachineValue(sysops::kNoAutoUpdate));
  Row(L"pc", L"Service wuauserv", ServiceState(L"wuauserv"));
  SimulatedRows();
  for (const sysops::MachineValue& value : sysops::kLogonScreenValues) value_row(value);

  // The product's files, each named from the Varnel folder on.
  auto below_varnel = [](const std::wstring& relative) {
    return relative.substr(relative.find(L'\\') + 1);
  };
  const std::wstring data = Folder(CSIDL_COMMON_APPDATA);
  const std::wstring ini =
      Join(Join(data, sysops::kStatusBoxFolder), sysops::kStatusBoxIniFileName);
  for (const wchar_t* key :
       {sysops::kSendBoxIdKey, sysops::kSendBoxPasswordKey, sysops::kProcessGroupKey}) {
    Row(L"pc", std::wstring(sysops::kStatusBoxIniFileName) + L" " + key, IniValue(ini, key));
  }
  for (const wchar_t* name :
       {sysops::kPassiveRebootSignalFileName, sysops::kPassiveSignalFileName}) {
    const std::wstring relative = Join(sysops::kDepotronDataFolder, name);
    Row(L"pc", below_varnel(relative), FileBytes(Join(data, relative)));
  }
  const std::wstring package = Join(sysops::kDownloadFolder, sysops::kInstallerFileName);
  Row(L"pc", below_varnel(package), FileSize(Join(data, package)));
  Row(L"pc", std::wstring(L"Startup\\") + sysops::kStartupShortcutName,
      ShortcutTarget(Join(Folder(CSIDL_COMMON_STARTUP), sysops::kStartupShortcutName)));
  const std::wstring program_files = Folder(CSIDL_PROGRAM_FILES);
  for (const wchar_t* program :
       {sysops::kTerminalProgramRelativePath, sysops::kDepotronUpdaterRelativePath}) {
    Row(L"pc", below_varnel(program),
        FileExists(Join(program_files, program)) ? L"installed" : kNone);
  }
  const std::wstring programs = Join(program_files, L"Varnel");
  Row(L"pc", L"VarnelUpdate.exe started",
      StartRecords(Join(programs, L"VarnelDepotron\\VarnelUpdate.started.txt")));
  if (SUCCEEDED(com)) ::CoUninitialize();
  Outcome(L"read");
  return 0;
}

}  // namespace demo_driver
