#include "simulated_pc.h"

#include <windows.h>

#include "dism_listing.h"
#include "file_text.h"
#include "sysops/folders.h"

namespace simulated_pc {

struct ScopedSimulatedPc::FileSnapshot {
  std::wstring path;
  bool existed = false;
  std::string bytes;
};

struct ScopedSimulatedPc::ValueSnapshot {
  REGSAM view = 0;
  std::wstring name;
  bool existed = false;
  DWORD type = 0;
  std::vector<BYTE> data;
};

namespace {

constexpr wchar_t kVersionKey[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
const REGSAM kViews[] = {KEY_WOW64_64KEY, KEY_WOW64_32KEY};

// The MMC console file Windows keeps as gpedit.msc, reduced to its frame: only
// its presence is ever looked at.
constexpr char kGroupPolicyConsole[] =
    "<?xml version=\"1.0\"?>\r\n"
    "<MMC_ConsoleFile ConsoleVersion=\"3.0\" ProgramMode=\"UserSDI\">\r\n"
    "  <StringTables><StringTable><Strings>"
    "<String ID=\"1\" Refs=\"1\">Local Group Policy Editor</String>"
    "</Strings></StringTable></StringTables>\r\n"
    "</MMC_ConsoleFile>\r\n";

using sysops::FileExists;

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  return WriteWholeFile(path, bytes);
}

bool RemoveFile(const std::wstring& path) {
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  return DeleteFileW(path.c_str()) || !FileExists(path);
}

bool SetVersionText(REGSAM view, const wchar_t* name, const std::wstring& text) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kVersionKey, 0, nullptr, 0, KEY_SET_VALUE | view,
                      nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const LONG status =
      RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                     static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
  return status == ERROR_SUCCESS;
}

std::vector<std::wstring> TouchedFiles() {
  std::vector<std::wstring> files = {StateFilePath(), CommandLogPath()};
  for (const std::wstring& folder : SystemFolders()) {
    for (const wchar_t* name : {L"powercfg.exe", L"DISM.EXE", L"gpedit.msc"}) {
      files.push_back(folder + L"\\" + name);
    }
  }
  return files;
}

}  // namespace

std::vector<std::wstring> SystemFolders() {
  std::vector<std::wstring> folders;
  wchar_t windows[MAX_PATH] = {};
  const UINT n = GetWindowsDirectoryW(windows, MAX_PATH);
  const std::wstring root = n > 0 && n < MAX_PATH ? windows : L"C:\\windows";
  BOOL wow64 = FALSE;
  if (IsWow64Process(GetCurrentProcess(), &wow64) && wow64) folders.push_back(root + L"\\sysnative");
  folders.push_back(root + L"\\system32");
  return folders;
}

bool PreparePc(Edition edition, const std::wstring& fake_tools_folder, std::wstring* failure) {
  const auto fail = [failure](const std::wstring& what) {
    if (failure) *failure = what;
    return false;
  };
  const bool iot = edition != Edition::kOrdinary;
  for (const std::wstring& folder : SystemFolders()) {
    for (const wchar_t* tool : {L"powercfg.exe", L"DISM.EXE"}) {
      const std::wstring from = fake_tools_folder + L"\\" + tool;
      const std::wstring to = folder + L"\\" + tool;
      SetFileAttributesW(to.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (!CopyFileW(from.c_str(), to.c_str(), FALSE)) {
        return fail(L"cannot copy " + from + L" to " + to + L" (error " +
                    std::to_wstring(GetLastError()) + L")");
      }
    }
    const std::wstring console = folder + L"\\gpedit.msc";
    if (iot ? !WriteBytes(console, kGroupPolicyConsole) : !RemoveFile(console)) {
      return fail(L"cannot " + std::wstring(iot ? L"write " : L"remove ") + console);
    }
  }

  State state = FreshPowerState();
  state.features = iot ? dism_listing::IotFeatures(L"Disabled", L"Disabled")
                       : dism_listing::ProFeatures();
  if (!SaveState(state)) return fail(L"cannot write " + StateFilePath());
  if (!RemoveFile(CommandLogPath())) return fail(L"cannot remove " + CommandLogPath());

  for (REGSAM view : kViews) {
    if (!SetVersionText(view, L"ProductName",
                        iot ? L"Windows 10 IoT Enterprise" : L"Windows 10 Pro") ||
        !SetVersionText(view, L"EditionID", iot ? L"IoTEnterprise" : L"Professional") ||
        !SetVersionText(view, L"CurrentBuildNumber",
                        edition == Edition::kIotOnWindows11 ? L"22631" : L"19045")) {
      return fail(L"cannot write the product name under HKLM\\" + std::wstring(kVersionKey));
    }
  }
  return true;
}

bool RestartPc() {
  State state;
  if (!LoadState(&state)) return false;
  Restart(state);
  return SaveState(state);
}

ScopedSimulatedPc::ScopedSimulatedPc(Edition edition, const std::wstring& fake_tools_folder) {
  for (const std::wstring& path : TouchedFiles()) {
    FileSnapshot snapshot;
    snapshot.path = path;
    snapshot.existed = FileExists(path);
    if (snapshot.existed && !ReadWholeFile(path, &snapshot.bytes)) {
      failure_ = L"cannot keep a copy of " + path;
      return;
    }
    files_.push_back(std::move(snapshot));
  }
  for (REGSAM view : kViews) {
    for (const wchar_t* name : {L"ProductName", L"EditionID", L"CurrentBuildNumber"}) {
      ValueSnapshot snapshot;
      snapshot.view = view;
      snapshot.name = name;
      HKEY key = nullptr;
      if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kVersionKey, 0, KEY_QUERY_VALUE | view, &key) ==
          ERROR_SUCCESS) {
        DWORD size = 0;
        if (RegQueryValueExW(key, name, nullptr, &snapshot.type, nullptr, &size) ==
            ERROR_SUCCESS) {
          snapshot.data.resize(size);
          snapshot.existed = RegQueryValueExW(key, name, nullptr, &snapshot.type,
                                              snapshot.data.data(), &size) == ERROR_SUCCESS;
          snapshot.data.resize(size);
        }
        RegCloseKey(key);
      }
      values_.push_back(std::move(snapshot));
    }
  }
  ok_ = PreparePc(edition, fake_tools_folder, &failure_);
}

ScopedSimulatedPc::~ScopedSimulatedPc() {
  for (const FileSnapshot& file : files_) {
    if (file.existed) {
      WriteBytes(file.path, file.bytes);
    } else {
      RemoveFile(file.path);
    }
  }
  for (const ValueSnapshot& value : values_) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kVersionKey, 0, KEY_SET_VALUE | value.view, &key) !=
        ERROR_SUCCESS) {
      continue;
    }
    if (value.existed) {
      RegSetValueExW(key, value.name.c_str(), 0, value.type, value.data.data(),
                     static_cast<DWORD>(value.data.size()));
    } else {
      RegDeleteValueW(key, value.name.c_str());
    }
    RegCloseKey(key);
  }
}

}  // namespace simulated_pc
