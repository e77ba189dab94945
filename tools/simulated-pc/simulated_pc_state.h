#pragma once
// The remembered state of the simulated PC: the power plans with their
// time-outs and which one is active, and the optional features with their
// states. It lives in one file of the Wine prefix, outside the product's
// folders, so that every fake powercfg.exe and DISM.EXE started in that
// prefix reads and changes the same PC. No locking: the product runs one
// console tool at a time, and tests that share the prefix's state hold a
// ctest resource lock.
//
// The file is UTF-8 text, one "key=value" a line under "[section]" headers:
//
//   [power]                 active=<plan alias>  hibernation=on|off
//   [plan <alias>]          guid=  name=  and the eight time-outs in seconds:
//                           monitor-timeout-ac=600, ... disk-timeout-dc=600
//   [features]              <feature name>=<state word>, in DISM's order
//
// A file that cannot be read or parsed counts as no simulated PC at all.
//
// A feature enabled on a running Windows waits for the next start: DISM lists
// it as "Enable Pending" until then, and Restart makes it "Enabled". Beside
// the state, the fake tools keep a log of the command lines they were given,
// exactly as each process received its own, so that a test can tell how the
// program started a tool (by which path, with which arguments).

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace simulated_pc {

// The time-outs powercfg /x changes, in the order the setup run sets them
// (seconds; 0 never times out).
struct TimeOuts {
  std::uint32_t monitor_ac = 0, monitor_dc = 0;
  std::uint32_t standby_ac = 0, standby_dc = 0;
  std::uint32_t hibernate_ac = 0, hibernate_dc = 0;
  std::uint32_t disk_ac = 0, disk_dc = 0;
};

// The powercfg /x setting names ("monitor-timeout-ac", ...) and the time-out
// each one addresses; null for a name powercfg does not know.
std::uint32_t* TimeOutNamed(TimeOuts& t, const std::wstring& name);
const std::vector<std::wstring>& TimeOutNames();

struct Plan {
  std::wstring alias;  // SCHEME_BALANCED, SCHEME_MIN, SCHEME_MAX
  std::wstring guid;
  std::wstring name;   // as the Japanese listing shows it
  TimeOuts timeouts;
};

struct State {
  std::wstring active_plan;  // alias of one of `plans`
  bool hibernation = true;   // off: powercfg does not list the hibernate time-out
  std::vector<Plan> plans;
  std::vector<std::pair<std::wstring, std::wstring>> features;  // name, state word

  Plan* FindPlan(const std::wstring& alias_or_guid);
  Plan* ActivePlan() { return FindPlan(active_plan); }
  std::wstring* FeatureState(const std::wstring& name);
};

// The plans of a fresh Windows 10 with their shipped time-outs, the balanced
// one active, hibernation on, and no features.
State FreshPowerState();

// %SystemRoot%\vts-simulated-pc.ini: the same file for 32- and 64-bit
// processes, as the Windows folder is not redirected.
std::wstring StateFilePath();

std::string FormatState(const State& state);
bool ParseState(const std::string& text, State* state);

// False when there is no readable state file (no simulated PC here).
bool LoadState(State* state, const std::wstring& path = StateFilePath());
// Replaces the file as a whole (written beside it, then moved over it).
bool SaveState(const State& state, const std::wstring& path = StateFilePath());

// What a start of Windows does to the state: every pending change of a
// feature ("Enable Pending", "Disable Pending") takes effect.
void Restart(State& state);

// %SystemRoot%\vts-simulated-pc-commands.txt: one command line a line, UTF-8,
// CR LF, in the order the tools were started.
std::wstring CommandLogPath();
bool AppendToCommandLog(const std::wstring& command_line);
// Empty when nothing was logged (or there is no log).
std::vector<std::wstring> ReadCommandLog();

}  // namespace simulated_pc
