#include "simulated_tools.h"

#include <windows.h>

#include <cstdlib>

#include "dism_listing.h"
#include "power_plan_listing.h"

namespace simulated_pc {

namespace {

// "/Q", "-q" and "q" are the same option; "/FeatureName:X" keeps its value.
std::wstring OptionName(const std::wstring& argument) {
  std::wstring name = argument;
  if (!name.empty() && (name[0] == L'/' || name[0] == L'-')) name.erase(0, 1);
  const std::size_t colon = name.find(L':');
  if (colon != std::wstring::npos) name.resize(colon);
  CharLowerBuffW(&name[0], static_cast<DWORD>(name.size()));
  return name;
}

bool ParseMinutes(const std::wstring& text, std::uint32_t* minutes) {
  if (text.empty() || text.size() > 6) return false;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') return false;
  }
  *minutes = static_cast<std::uint32_t>(std::wcstoul(text.c_str(), nullptr, 10));
  return true;
}

ToolAnswer PowercfgRefusal() {
  return {L"無効なパラメーターです -- \"/?\" でヘルプを参照してください\r\n", 1, false};
}

ToolAnswer NoSuchPlan() {
  return {L"操作を実行できません。予期しないエラー (0x65b) が発生しました: "
          L"関数の実行に失敗しました。\r\n",
          1, false};
}

std::wstring PlanLine(const Plan& plan) {
  return L"電源設定の GUID: " + plan.guid + L"  (" + plan.name + L")";
}

std::wstring Listing(const State& state, const Plan& plan) {
  power_listing::TimeOuts t;
  t.sleep_ac = plan.timeouts.standby_ac;
  t.sleep_dc = plan.timeouts.standby_dc;
  t.hibernate_ac = plan.timeouts.hibernate_ac;
  t.hibernate_dc = plan.timeouts.hibernate_dc;
  t.disk_ac = plan.timeouts.disk_ac;
  t.disk_dc = plan.timeouts.disk_dc;
  t.video_ac = plan.timeouts.monitor_ac;
  t.video_dc = plan.timeouts.monitor_dc;
  t.hibernation_available = state.hibernation;
  const power_listing::Plan named = {plan.guid.c_str(), plan.name.c_str(), plan.alias.c_str()};
  return power_listing::Listing(t, power_listing::Japanese(), named);
}

ToolAnswer DismError(const std::wstring& code, const std::wstring& text, int exit_code) {
  return {dism_listing::Banner() + L"\r\nError: " + code + L"\r\n\r\n" + text +
              L"\r\n\r\nThe DISM log file can be found at C:\\WINDOWS\\Logs\\DISM\\dism.log\r\n",
          exit_code, false};
}

}  // namespace

ToolAnswer RunPowercfg(State& state, const std::vector<std::wstring>& arguments) {
  if (arguments.empty()) return PowercfgRefusal();
  const std::wstring command = OptionName(arguments[0]);
  Plan* active = state.ActivePlan();
  if (!active) return NoSuchPlan();

  if (command == L"q" || command == L"query") {
    Plan* plan = arguments.size() > 1 ? state.FindPlan(arguments[1]) : active;
    if (!plan) return NoSuchPlan();
    return {Listing(state, *plan), 0, false};
  }
  if (command == L"getactivescheme") return {PlanLine(*active) + L"\r\n", 0, false};
  if (command == L"l" || command == L"list") {
    std::wstring text = L"\r\n既存の電源設定 (* アクティブ)\r\n-----------------------------------\r\n";
    for (const Plan& plan : state.plans) {
      text += PlanLine(plan) + (&plan == active ? L" *" : L"") + L"\r\n";
    }
    return {text, 0, false};
  }
  if (command == L"setactive" || command == L"s") {
    if (arguments.size() != 2) return PowercfgRefusal();
    Plan* plan = state.FindPlan(arguments[1]);
    if (!plan) return NoSuchPlan();
    state.active_plan = plan->alias;
    return {L"", 0, true};
  }
  if (command == L"x" || command == L"change") {
    std::uint32_t minutes = 0;
    if (arguments.size() != 3 || !ParseMinutes(arguments[2], &minutes)) return PowercfgRefusal();
    std::uint32_t* slot = TimeOutNamed(active->timeouts, OptionName(arguments[1]));
    if (!slot) return PowercfgRefusal();
    *slot = minutes * 60;
    return {L"", 0, true};
  }
  return PowercfgRefusal();
}

ToolAnswer RunDism(State& state, const std::vector<std::wstring>& arguments) {
  bool online = false;
  bool get_features = false;
  bool enable = false;
  bool no_restart = false;
  std::vector<std::wstring> names;
  for (const std::wstring& argument : arguments) {
    const std::wstring option = OptionName(argument);
    if (option == L"online") {
      online = true;
    } else if (option == L"get-features") {
      get_features = true;
    } else if (option == L"enable-feature") {
      enable = true;
    } else if (option == L"featurename") {
      const std::size_t colon = argument.find(L':');
      if (colon != std::wstring::npos) names.push_back(argument.substr(colon + 1));
    } else if (option == L"norestart") {
      no_restart = true;
    } else if (option != L"english" && option != L"all") {
      return DismError(L"87", L"The " + argument + L" option is unknown.", 87);
    }
  }
  if (!online || get_features == enable) {
    return DismError(L"87", L"The command line is not one this simulated DISM knows.", 87);
  }
  if (get_features) return {dism_listing::Listing(state.features), 0, false};

  if (names.empty()) {
    return DismError(L"87", L"The enable-feature option requires a feature name.", 87);
  }
  for (const std::wstring& name : names) {
    if (!state.FeatureState(name)) {
      // 0x800f080c, as the exit code Windows gives it.
      return DismError(L"0x800f080c",
                       L"Feature name " + name +
                           L" is unknown.\r\nA Windows feature name was not recognized.\r\n"
                           L"Use the /Get-Features option to find the name of the feature in "
                           L"the image and try the command again.",
                       static_cast<int>(0x800f080cu));
    }
  }
  // A feature switched on takes effect at the next start of Windows; until
  // then DISM lists it as pending and answers 3010 (ERROR_SUCCESS_REBOOT_REQUIRED).
  bool restart_needed = false;
  for (const std::wstring& name : names) {
    std::wstring& word = *state.FeatureState(name);
    if (word != L"Enabled") {
      word = L"Enable Pending";
      restart_needed = true;
    }
  }
  return {dism_listing::Banner() +
              L"Enabling feature(s)\r\n"
              L"[==========================100.0%==========================]\r\n"
              L"The operation completed successfully.\r\n" +
              (restart_needed && !no_restart ? L"Restart Windows to complete this operation.\r\n"
                                             : L""),
          restart_needed ? 3010 : 0, restart_needed};
}

}  // namespace simulated_pc
