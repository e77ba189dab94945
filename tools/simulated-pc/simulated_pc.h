#pragma once
// A Wine prefix set up as a PC about to become a terminal, for the tests and
// the demo alike. Preparing it as an edition
//   - puts the fake powercfg.exe and DISM.EXE into both system folders (the
//     64-bit one, which a 32-bit process reaches as %windir%\sysnative, and
//     the 32-bit one), where Windows keeps the real tools;
//   - writes the simulated PC's state (simulated_pc_state.h): the balanced
//     plan active with the time-outs Windows ships (none of them 0),
//     hibernation on, and the edition's optional features;
//   - IoT edition: gpedit.msc in both system folders, Client-EmbeddedLogon and
//     Client-EmbeddedBootExp listed and disabled, ProductName "Windows 10 IoT
//     Enterprise"; ordinary edition: no gpedit.msc, neither feature listed,
//     ProductName "Windows 10 Pro" (EditionID to match, in both registry
//     views); both on Windows 10 (CurrentBuildNumber "19045");
//   - IoT edition on Windows 11: the IoT edition with CurrentBuildNumber
//     "22631" and the ProductName Windows 11 keeps, "Windows 10 IoT
//     Enterprise".
// From then on the fake tools answer from the state and change it as Windows
// would: "powercfg.exe -setactive SCHEME_MIN", "powercfg /x /<time-out> 0",
// "DISM.EXE /online /Enable-Feature /FeatureName:<name> /all /NoRestart"
// (which leaves the feature "Enable Pending" until the PC restarts), and note
// every command line they were given in the PC's command log.
// A fake tool given a script (tests/support/fake_console_tools.h) follows the
// script instead, so tests of the readers keep their fixed listings.
//
// From a test (C++, link vts_simulated_pc):
//   simulated_pc::ScopedSimulatedPc pc(simulated_pc::Edition::kIot,
//                                      test_support::FakeToolsFolder());
//   ASSERT_TRUE(pc.ok()) << pc.failure();
//   ... LoadState/SaveState to look at or change the PC ...
// and everything it changed is put back when `pc` goes. Such a test changes
// what every Wine test of the build tree sees: give it the ctest resource
// locks vts_wine_system_tools and vts_terminal_state.
//
// From a shell (the demo), with the program built next to the fake tools
// (build/win/tools/fake-console-tools/vts-simulated-pc.exe):
//   tools/wine/wine-run --prefix P .../vts-simulated-pc.exe prepare iot|iot11|ordinary
//   tools/wine/wine-run --prefix P .../vts-simulated-pc.exe restart
//   tools/wine/wine-run --prefix P .../vts-simulated-pc.exe show   (the state file)
// which changes the prefix for good.

#include <string>
#include <vector>

#include "simulated_pc_state.h"

namespace simulated_pc {

enum class Edition { kIot, kOrdinary, kIotOnWindows11 };

// The system folders as a 32-bit process names them: the 64-bit one (through
// sysnative, on 64-bit Windows only) and its own.
std::vector<std::wstring> SystemFolders();

// Prepares the prefix as `edition`, taking powercfg.exe and DISM.exe from
// `fake_tools_folder`. False, with what failed in `failure`, when a step did
// not work; the steps before it stay done.
bool PreparePc(Edition edition, const std::wstring& fake_tools_folder, std::wstring* failure);

// The simulated PC started again: pending feature changes take effect
// (simulated_pc_state.h). False when the prefix has no simulated PC or its
// state cannot be written.
bool RestartPc();

// PreparePc for the lifetime of the object; afterwards every file and
// registry value it touched, the state file included, is as it was before.
class ScopedSimulatedPc {
 public:
  ScopedSimulatedPc(Edition edition, const std::wstring& fake_tools_folder);
  ~ScopedSimulatedPc();
  ScopedSimulatedPc(const ScopedSimulatedPc&) = delete;
  ScopedSimulatedPc& operator=(const ScopedSimulatedPc&) = delete;

  bool ok() const { return ok_; }
  const std::wstring& failure() const { return failure_; }

  struct FileSnapshot;
  struct ValueSnapshot;

 private:
  std::vector<FileSnapshot> files_;
  std::vector<ValueSnapshot> values_;
  bool ok_ = false;
  std::wstring failure_;
};

}  // namespace simulated_pc
