// The simulated PC as the program meets it: prepared as an edition, the fake
// powercfg and DISM found where Windows keeps the real ones answer from the
// remembered state, and the commands of a setup run change that state as
// Windows would. Everything runs through the program's own operations.

#include "simulated_pc.h"

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "support/fake_console_tools.h"
#include "support/files.h"
#include "sysops/command_runner.h"
#include "sysops/dism.h"
#include "sysops/folders.h"
#include "sysops/power_plan.h"
#include "sysops/registry.h"

namespace {

using simulated_pc::Edition;
using simulated_pc::ScopedSimulatedPc;
using test_support::FakeToolsFolder;
using test_support::PathExists;
using test_support::ReadBytes;

const std::wstring kOk = L"OK";
const std::wstring kCross = L"\u00D7";
const std::wstring kDash = L"\uFF0D";
const wchar_t kProductName[] =
    L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProductName";
const wchar_t kBuildNumber[] =
    L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\CurrentBuildNumber";

std::wstring Summary(const std::wstring& sleep, const std::wstring& hibernate,
                     const std::wstring& disk, const std::wstring& display) {
  return L"\u30B9\u30EA\u30FC\u30D7 " + sleep + L"\u3000\u4F11\u6B62 " + hibernate +
         L"\u3000\u30C7\u30A3\u30B9\u30AF " + disk +
         L"\u3000\u30C7\u30A3\u30B9\u30D7\u30EC\u30A4 " + display + L"\u3000";
}

std::wstring GroupPolicyEditor() {
  return sysops::AppendPath(sysops::GetSpecialFolder(CSIDL_SYSTEM), L"gpedit.msc");
}

simulated_pc::State Load() {
  simulated_pc::State state;
  EXPECT_TRUE(simulated_pc::LoadState(&state));
  return state;
}

// The power commands of a setup run, in its order.
void RunSetupPowerCommands() {
  sysops::RunCommandAndCapture(L"powercfg.exe -setactive SCHEME_MIN");
  for (const wchar_t* setting : {L"monitor", L"standby", L"hibernate", L"disk"}) {
    for (const wchar_t* source : {L"ac", L"dc"}) {
      sysops::RunCommandAndCapture(std::wstring(L"powercfg /x /") + setting + L"-timeout-" +
                                   source + L" 0");
    }
  }
}

TEST(SimulatedPc, IotEditionBeforeAndAfterTheSetupCommands) {
  ScopedSimulatedPc pc(Edition::kIot, FakeToolsFolder());
  ASSERT_TRUE(pc.ok()) << testing::PrintToString(pc.failure());

  EXPECT_TRUE(PathExists(GroupPolicyEditor()));
  EXPECT_EQ(L"Windows 10 IoT Enterprise", sysops::ReadRegistryString(kProductName, L""));
  // The balanced plan as Windows ships it: nothing is switched off.
  EXPECT_EQ(Summary(kCross, kCross, kCross, kCross), sysops::ComposePowerSummary());
  EXPECT_EQ(0, sysops::QueryEmbeddedLogonFeatures());

  RunSetupPowerCommands();
  EXPECT_EQ(Summary(kOk, kOk, kOk, kOk), sysops::ComposePowerSummary());
  simulated_pc::State state = Load();
  EXPECT_EQ(L"SCHEME_MIN", state.active_plan);
  EXPECT_NE(std::wstring::npos,
            sysops::RunCommandAndCapture(L"powercfg.exe /GETACTIVESCHEME")
                .find(L"8c5e7fda-e8bf-4a96-9a85-a6e23a8c635c"));
  // The time-outs went to the plan made active, not the one before it.
  ASSERT_NE(nullptr, state.FindPlan(L"SCHEME_BALANCED"));
  EXPECT_EQ(600u, state.FindPlan(L"SCHEME_BALANCED")->timeouts.monitor_ac);

  // Enabled features wait for the next start of Windows; enabling one again
  // meanwhile changes nothing.
  sysops::EnableEmbeddedLogonFeature();
  sysops::EnableEmbeddedBootExpFeature();
  sysops::EnableEmbeddedBootExpFeature();
  EXPECT_EQ(0, sysops::QueryEmbeddedLogonFeatures()) << "pending is not enabled";
  state = Load();
  EXPECT_EQ(L"Enable Pending", *state.FeatureState(L"Client-EmbeddedLogon"));
  EXPECT_EQ(L"Enable Pending", *state.FeatureState(L"Client-EmbeddedBootExp"));
  ASSERT_TRUE(simulated_pc::RestartPc());
  EXPECT_EQ(1, sysops::QueryEmbeddedLogonFeatures());
  state = Load();
  EXPECT_EQ(L"Enabled", *state.FeatureState(L"Client-EmbeddedLogon"));
  EXPECT_EQ(L"Disabled", *state.FeatureState(L"Client-KeyboardFilter")) << "never asked for";
  sysops::EnableEmbeddedLogonFeature();
  EXPECT_EQ(1, sysops::QueryEmbeddedLogonFeatures()) << "enabling an enabled feature";

  // Every command line as the tool received it, the last one last.
  const std::vector<std::wstring> log = simulated_pc::ReadCommandLog();
  const std::wstring dism = L"\"" + sysops::GetDismPath() + L"\" /online ";
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back(), dism + L"/Get-Features /English");
  EXPECT_EQ(std::count(log.begin(), log.end(),
                       dism + L"/Enable-Feature /FeatureName:Client-EmbeddedBootExp /all /NoRestart"),
            2);
  EXPECT_EQ(std::count(log.begin(), log.end(), L"powercfg.exe -setactive SCHEME_MIN"), 1);
}

TEST(SimulatedPc, OrdinaryEditionOffersNeitherFeatureNorPolicyEditor) {
  ScopedSimulatedPc pc(Edition::kOrdinary, FakeToolsFolder());
  ASSERT_TRUE(pc.ok()) << testing::PrintToString(pc.failure());

  EXPECT_FALSE(PathExists(GroupPolicyEditor()));
  EXPECT_EQ(L"Windows 10 Pro", sysops::ReadRegistryString(kProductName, L""));
  EXPECT_EQ(-1, sysops::QueryEmbeddedLogonFeatures());
  const std::wstring refusal = sysops::RunCommandAndCapture(
      L"\"" + sysops::GetDismPath() +
      L"\" /online /Enable-Feature /FeatureName:Client-EmbeddedLogon /all /NoRestart");
  EXPECT_NE(std::wstring::npos, refusal.find(L"Error: 0x800f080c")) << refusal;
  EXPECT_EQ(nullptr, Load().FeatureState(L"Client-EmbeddedLogon"));
  EXPECT_EQ(Summary(kCross, kCross, kCross, kCross), sysops::ComposePowerSummary());
}

TEST(SimulatedPc, CommandsPowercfgRefusesLeaveTheStateAlone) {
  ScopedSimulatedPc pc(Edition::kIot, FakeToolsFolder());
  ASSERT_TRUE(pc.ok()) << testing::PrintToString(pc.failure());
  const std::string before = simulated_pc::FormatState(Load());
  for (const wchar_t* command :
       {L"powercfg /x /sleep-timeout-ac 0", L"powercfg /x /monitor-timeout-ac never",
        L"powercfg /x /monitor-timeout-ac", L"powercfg -setactive SCHEME_NONE",
        L"powercfg /frobnicate"}) {
    EXPECT_NE(L"", sysops::RunCommandAndCapture(command)) << command << " prints its refusal";
  }
  EXPECT_EQ(before, simulated_pc::FormatState(Load()));
}

TEST(SimulatedPc, HibernationOffHidesItsTimeOut) {
  ScopedSimulatedPc pc(Edition::kIot, FakeToolsFolder());
  ASSERT_TRUE(pc.ok()) << testing::PrintToString(pc.failure());
  simulated_pc::State state = Load();
  state.hibernation = false;
  ASSERT_TRUE(simulated_pc::SaveState(state));
  RunSetupPowerCommands();
  EXPECT_EQ(Summary(kOk, kDash, kOk, kOk), sysops::ComposePowerSummary());
}

TEST(SimulatedPc, AScriptStillDecidesWhatAToolPrints) {
  ScopedSimulatedPc pc(Edition::kIot, FakeToolsFolder());
  ASSERT_TRUE(pc.ok()) << testing::PrintToString(pc.failure());
  test_support::ScopedScript script(test_support::kPowercfgScriptVariable, "out scripted\n");
  EXPECT_EQ(L"scripted", sysops::RunCommandAndCapture(L"powercfg.exe /Q"));
  sysops::RunCommandAndCapture(L"powercfg.exe -setactive SCHEME_MIN");
  EXPECT_EQ(L"SCHEME_BALANCED", Load().active_plan);
}

// What the demo runs: the program next to the fake tools, in the same prefix.
TEST(SimulatedPc, TheProgramPreparesAnEditionFromAShell) {
  ScopedSimulatedPc pc(Edition::kIot, FakeToolsFolder());  // puts everything back afterwards
  ASSERT_TRUE(pc.ok()) << testing::PrintToString(pc.failure());
  const std::wstring program = FakeToolsFolder() + L"\\vts-simulated-pc.exe";
  const std::wstring answer =
      sysops::RunCommandAndCapture(L"\"" + program + L"\" prepare ordinary");
  EXPECT_NE(std::wstring::npos, answer.find(L"prepared")) << answer;
  EXPECT_FALSE(PathExists(GroupPolicyEditor()));
  EXPECT_EQ(-1, sysops::QueryEmbeddedLogonFeatures());
  EXPECT_NE(std::wstring::npos, sysops::RunCommandAndCapture(L"\"" + program + L"\" show")
                                    .find(L"active=SCHEME_BALANCED"));

  EXPECT_NE(std::wstring::npos,
            sysops::RunCommandAndCapture(L"\"" + program + L"\" prepare iot").find(L"prepared"));
  EXPECT_TRUE(simulated_pc::ReadCommandLog().empty()) << "a fresh PC has run nothing";
  sysops::EnableEmbeddedLogonFeature();
  sysops::EnableEmbeddedBootExpFeature();
  EXPECT_EQ(0, sysops::QueryEmbeddedLogonFeatures());
  EXPECT_NE(std::wstring::npos,
            sysops::RunCommandAndCapture(L"\"" + program + L"\" restart").find(L"restarted"));
  EXPECT_EQ(1, sysops::QueryEmbeddedLogonFeatures());
  EXPECT_EQ(L"19045", sysops::ReadRegistryString(kBuildNumber, L""));

  // Windows 11 kept the name of Windows 10; only its build tells.
  EXPECT_NE(std::wstring::npos,
            sysops::RunCommandAndCapture(L"\"" + program + L"\" prepare iot11").find(L"prepared"));
  EXPECT_EQ(L"Windows 10 IoT Enterprise", sysops::ReadRegistryString(kProductName, L""));
  EXPECT_EQ(L"22631", sysops::ReadRegistryString(kBuildNumber, L""));
  EXPECT_TRUE(PathExists(GroupPolicyEditor()));
  EXPECT_EQ(0, sysops::QueryEmbeddedLogonFeatures());
  EXPECT_NE(L"", sysops::RunCommandAndCapture(L"\"" + program + L"\" prepare windows-95"));
}

TEST(SimulatedPc, EverythingIsAsItWasAfterwards) {
  const std::wstring state_file = simulated_pc::StateFilePath();
  const std::wstring editor = GroupPolicyEditor();
  const std::wstring powercfg = simulated_pc::SystemFolders().back() + L"\\powercfg.exe";
  const bool had_state = PathExists(state_file);
  const bool had_editor = PathExists(editor);
  const std::string powercfg_bytes = ReadBytes(powercfg);
  const std::wstring product = sysops::ReadRegistryString(kProductName, L"<none>");
  const std::wstring build = sysops::ReadRegistryString(kBuildNumber, L"<none>");
  {
    ScopedSimulatedPc pc(Edition::kIotOnWindows11, FakeToolsFolder());
    ASSERT_TRUE(pc.ok()) << testing::PrintToString(pc.failure());
    ASSERT_NE(powercfg_bytes, ReadBytes(powercfg));
    RunSetupPowerCommands();
  }
  EXPECT_EQ(had_state, PathExists(state_file));
  EXPECT_EQ(had_editor, PathExists(editor));
  EXPECT_EQ(powercfg_bytes, ReadBytes(powercfg));
  EXPECT_EQ(product, sysops::ReadRegistryString(kProductName, L"<none>"));
  EXPECT_EQ(build, sysops::ReadRegistryString(kBuildNumber, L"<none>"));
}

}  // namespace
