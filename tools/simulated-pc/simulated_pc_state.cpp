#include "simulated_pc_state.h"

#include <windows.h>

#include <cstdlib>

#include "file_text.h"
#include "power_plan_listing.h"

namespace simulated_pc {

namespace {

bool SameLetters(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

bool ParseSeconds(const std::wstring& text, std::uint32_t* value) {
  if (text.empty()) return false;
  wchar_t* end = nullptr;
  const unsigned long n = std::wcstoul(text.c_str(), &end, 10);
  if (*end != L'\0') return false;
  *value = static_cast<std::uint32_t>(n);
  return true;
}

// The Windows folder is the same for 32- and 64-bit processes: it is not
// redirected.
std::wstring InWindowsFolder(const wchar_t* name) {
  wchar_t folder[MAX_PATH] = {};
  const UINT n = GetWindowsDirectoryW(folder, MAX_PATH);
  return (n == 0 || n >= MAX_PATH ? std::wstring(L"C:\\windows") : std::wstring(folder)) + L"\\" +
         name;
}

}  // namespace

const std::vector<std::wstring>& TimeOutNames() {
  static const std::vector<std::wstring> names = {
      L"monitor-timeout-ac",   L"monitor-timeout-dc", L"standby-timeout-ac",
      L"standby-timeout-dc",   L"hibernate-timeout-ac", L"hibernate-timeout-dc",
      L"disk-timeout-ac",      L"disk-timeout-dc"};
  return names;
}

std::uint32_t* TimeOutNamed(TimeOuts& t, const std::wstring& name) {
  std::uint32_t* slots[] = {&t.monitor_ac,   &t.monitor_dc,   &t.standby_ac, &t.standby_dc,
                            &t.hibernate_ac, &t.hibernate_dc, &t.disk_ac,    &t.disk_dc};
  const std::vector<std::wstring>& names = TimeOutNames();
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (SameLetters(names[i], name)) return slots[i];
  }
  return nullptr;
}

Plan* State::FindPlan(const std::wstring& alias_or_guid) {
  for (Plan& plan : plans) {
    if (SameLetters(plan.alias, alias_or_guid) || SameLetters(plan.guid, alias_or_guid)) {
      return &plan;
    }
  }
  return nullptr;
}

std::wstring* State::FeatureState(const std::wstring& name) {
  // DISM matches feature names without regard to letter case.
  for (auto& feature : features) {
    if (SameLetters(feature.first, name)) return &feature.second;
  }
  return nullptr;
}

State FreshPowerState() {
  State state;
  state.active_plan = power_listing::BalancedPlan().alias;
  const auto plan = [](const power_listing::Plan& p, TimeOuts t) {
    return Plan{p.alias, p.guid, p.name, t};
  };
  // Seconds, mains then battery: monitor, standby, hibernate, disk.
  state.plans.push_back(
      plan(power_listing::BalancedPlan(), {600, 300, 1800, 900, 10800, 10800, 1200, 600}));
  state.plans.push_back(
      plan(power_listing::HighPerformancePlan(), {900, 600, 0, 3600, 0, 10800, 1200, 600}));
  state.plans.push_back(
      plan(power_listing::PowerSaverPlan(), {300, 120, 900, 600, 10800, 10800, 1200, 600}));
  return state;
}

std::wstring StateFilePath() { return InWindowsFolder(L"vts-simulated-pc.ini"); }

std::wstring CommandLogPath() { return InWindowsFolder(L"vts-simulated-pc-commands.txt"); }

bool AppendToCommandLog(const std::wstring& command_line) {
  const HANDLE file = CreateFileW(CommandLogPath().c_str(), FILE_APPEND_DATA,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, 0,
                                  nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const std::string line = ToUtf8(command_line + L"\r\n");
  DWORD written = 0;
  const bool ok = WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written,
                            nullptr) &&
                  written == line.size();
  CloseHandle(file);
  return ok;
}

std::vector<std::wstring> ReadCommandLog() {
  std::vector<std::wstring> lines;
  std::string bytes;
  if (!ReadWholeFile(CommandLogPath(), &bytes)) return lines;
  const std::wstring text = FromUtf8(bytes);
  for (std::size_t pos = 0; pos < text.size();) {
    std::size_t end = text.find(L"\r\n", pos);
    if (end == std::wstring::npos) end = text.size();
    lines.push_back(text.substr(pos, end - pos));
    pos = end + 2;
  }
  return lines;
}

void Restart(State& state) {
  for (auto& feature : state.features) {
    if (feature.second == L"Enable Pending") {
      feature.second = L"Enabled";
    } else if (feature.second == L"Disable Pending") {
      feature.second = L"Disabled";
    }
  }
}

std::string FormatState(const State& state) {
  std::wstring text =
      L"; The simulated PC: what the fake powercfg.exe and DISM.EXE report and change.\r\n";
  text += L"[power]\r\nactive=" + state.active_plan + L"\r\nhibernation=" +
          (state.hibernation ? L"on" : L"off") + L"\r\n";
  for (const Plan& plan : state.plans) {
    text += L"[plan " + plan.alias + L"]\r\nguid=" + plan.guid + L"\r\nname=" + plan.name +
            L"\r\n";
    TimeOuts t = plan.timeouts;
    for (const std::wstring& name : TimeOutNames()) {
      text += name + L"=" + std::to_wstring(*TimeOutNamed(t, name)) + L"\r\n";
    }
  }
  text += L"[features]\r\n";
  for (const auto& feature : state.features) {
    text += feature.first + L"=" + feature.second + L"\r\n";
  }
  return ToUtf8(text);
}

bool ParseState(const std::string& bytes, State* state) {
  State parsed;
  const std::wstring text = FromUtf8(bytes);
  std::wstring section;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find(L'\n', pos);
    if (end == std::wstring::npos) end = text.size();
    std::wstring line = text.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    if (line.empty() || line[0] == L';') continue;
    if (line.front() == L'[' && line.back() == L']') {
      section = line.substr(1, line.size() - 2);
      if (section.compare(0, 5, L"plan ") == 0) {
        parsed.plans.push_back(Plan{section.substr(5), L"", L"", TimeOuts{}});
      }
      continue;
    }
    const std::size_t equals = line.find(L'=');
    if (equals == std::wstring::npos) return false;
    const std::wstring key = line.substr(0, equals);
    const std::wstring value = line.substr(equals + 1);
    if (section == L"power") {
      if (key == L"active") {
        parsed.active_plan = value;
      } else if (key == L"hibernation") {
        parsed.hibernation = value == L"on";
      }
    } else if (section.compare(0, 5, L"plan ") == 0) {
      Plan& plan = parsed.plans.back();
      if (key == L"guid") {
        plan.guid = value;
      } else if (key == L"name") {
        plan.name = value;
      } else if (std::uint32_t* slot = TimeOutNamed(plan.timeouts, key)) {
        if (!ParseSeconds(value, slot)) return false;
      }
    } else if (section == L"features") {
      parsed.features.emplace_back(key, value);
    }
  }
  if (!parsed.ActivePlan()) return false;
  *state = std::move(parsed);
  return true;
}

bool LoadState(State* state, const std::wstring& path) {
  std::string bytes;
  return ReadWholeFile(path, &bytes) && ParseState(bytes, state);
}

bool SaveState(const State& state, const std::wstring& path) {
  const std::wstring temporary = path + L".new";
  if (!WriteWholeFile(temporary, FormatState(state)) ||
      !MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    DeleteFileW(temporary.c_str());
    return false;
  }
  return true;
}

}  // namespace simulated_pc
