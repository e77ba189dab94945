// The delivered program doing a technician's whole job on the simulated IoT
// PC, against the local services, with the Depotron stand-ins: the first run
// on a PC without Depotron closes the window and leaves the package
// installing; the second starts the installed updater, surveys again and only
// then shows the completion. The log-on screen features it switched on wait
// for the PC's restart, and only the survey after it finds them. The log-on
// goes to Windows itself here (Wine accepts it); everything the runs change
// is put back. It runs on a 64-bit and on a 32-bit Windows, and checks what
// differs between the two: how DISM is reached, the registry views and the
// program-files folder.

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <string>

#include "app/resource.h"
#include "framework/scoped_handle.h"
#include "support/fake_console_tools.h"
#include "support/files.h"
#include "support/programs.h"
#include "support/fake_depotron.h"
#include "support/local_services.h"
#include "run_messages.h"
#include "setup_test_support.h"
#include "simulated_pc.h"
#include "support/com.h"
#include "support/dialog_texts.h"
#include "support/other_process.h"
#include "support/terminal_state.h"
#include "support/window_driver.h"
#include "sysops/product_paths.h"
#include "sysops/folders.h"
#include "sysops/registry.h"
#include "sysops/startup_shortcut.h"
#include "sysops/terminal_values.h"

namespace {

using namespace apptest;
using test_support::NextToThisTest;
using test_support::StartedProgram;
using test_support::StartProgram;

using sysops::kWinlogonKey;

const std::wstring kNotInstalled = L"( 未インストール ）";

// The program DISM is started as: on a 64-bit Windows the 64-bit DISM
// through SYSNATIVE; on a 32-bit one, which has no SYSNATIVE, the only DISM
// there is, by its full path in the system folder (never by a bare name,
// which would be looked for beside the program first).
using test_support::ExpectedDismProgram;

// The quoted program at the start of a command line.
std::wstring QuotedProgram(const std::wstring& line) {
  if (line.empty() || line[0] != L'"') return std::wstring();
  const std::size_t end = line.find(L'"', 1);
  return end == std::wstring::npos ? std::wstring() : line.substr(1, end - 1);
}

using kit::WindowsOf;

class SetupProgram : public ::testing::Test {
 protected:
  test_support::ScopedCom com_;
  void SetUp() override {
    ASSERT_TRUE(com_.ok());
    ASSERT_TRUE(services_.ok()) << services_.problem();
    ASSERT_TRUE(proxy_.ok());
    ASSERT_TRUE(services_.WriteData("[group lf-group]\nversion=5.2.0\nline-ends=lf\n"
                                    "[box VT0001]\npassword=vts-demo-01\n"));
    ASSERT_TRUE(depotron_.ok());
    ASSERT_TRUE(pc_.ok());
    depotron_.Remove();
    files_.DeleteAll();
  }
  void TearDown() override {
    if (program_.process && ::WaitForSingleObject(program_.process.get(), 0) == WAIT_TIMEOUT) {
      ::TerminateProcess(program_.process.get(), 99);
    }
    depotron_.Remove();
  }

  // Starts the program (the built one unless told) and waits until its
  // survey has filled the window and the start button is enabled.
  void Open(const std::wstring& exe = kBuiltProgram()) {
    program_ = StartProgram(exe, L"");
    ASSERT_TRUE(program_.process) << ::GetLastError();
    ASSERT_TRUE(WaitUntil(
        [&] {
          window_ = WindowsOf(program_.id);
          return window_.main && !window_.box && Enabled(window_.main, IDC_BUTTON_START);
        },
        kRunWaitMs))
        << "the window did not become idle";
  }
  static std::wstring kBuiltProgram() {
    return test_support::BuiltProgramPath();
  }
  void TypeInputsAndStart(const wchar_t* group = L"lf-group") {
    ClearAndType(Item(window_.main, IDC_EDIT_DELIVERY_GROUP), group);
    ClearAndType(Item(window_.main, IDC_EDIT_SENDBOX_ID), L"VT0001");
    ClearAndType(Item(window_.main, IDC_EDIT_SENDBOX_PASSWORD), L"vts-demo-01");
    ClearAndType(Item(window_.main, IDC_EDIT_PROCESS_GROUP_ID), L"PG-1");
    ClearAndType(Item(window_.main, IDC_EDIT_LOGON_PASSWORD), L"secret");
    Press(Item(window_.main, IDC_BUTTON_START));
    ASSERT_TRUE(WaitUntil([&] { return (window_ = WindowsOf(program_.id)).box != nullptr; }));
    ASSERT_EQ(ReadMessageBox(window_.box).text, kConfirmSetup);
    Answer(window_.box, IDYES);
  }
  DWORD WaitForExit(DWORD timeoutMs) {
    if (::WaitForSingleObject(program_.process.get(), timeoutMs) != WAIT_OBJECT_0) return ~0u;
    DWORD code = ~0u;
    ::GetExitCodeProcess(program_.process.get(), &code);
    return code;
  }

  test_support::LocalServices services_;
  test_support::ProxyScope proxy_{services_.port()};
  test_support::FakeDepotron depotron_;
  simulated_pc::ScopedSimulatedPc pc_{simulated_pc::Edition::kIot,
                                      test_support::FakeToolsFolder()};
  test_support::TerminalValues saved_;
  test_support::ProductFiles files_;
  StartedProgram program_;
  kit::ProcessWindows window_;
};

TEST_F(SetupProgram, FirstRunInstallsDepotronSecondStartsItAndCompletes) {
  Open();
  const std::wstring powerBefore = Text(Item(window_.main, IDC_STATIC_POWER));
  const std::wstring autoLogonBefore = Text(Item(window_.main, IDC_STATIC_AUTO_LOGON));
  TypeInputsAndStart();
  // The installer was opened: the program ends without another word.
  ASSERT_NE(WaitForExit(kRunWaitMs), ~0u) << "the program did not end after the first run";
  ASSERT_TRUE(WaitUntil([&] { return depotron_.Installed(); }, kRunWaitMs));
  EXPECT_TRUE(depotron_.WaitForInstallers(kRunWaitMs));

  // The second run finds the updater: the window surveys again, and the
  // completion appears over the survey's new texts.
  Open();
  EXPECT_NE(Text(Item(window_.main, IDC_STATIC_POWER)), powerBefore)
      << "the first run's power settings show";
  TypeInputsAndStart();
  ASSERT_TRUE(WaitUntil(
      [&] {
        window_ = WindowsOf(program_.id);
        return window_.box && ReadMessageBox(window_.box).text == kSetupCompleted;
      },
      kRunWaitMs))
      << "no completion message";
  // The survey reads back the log-on the run wrote; the features the runs
  // switched on are pending until the PC restarts, so they count as not
  // enabled yet.
  EXPECT_NE(autoLogonBefore, L"OK");
  EXPECT_EQ(Text(Item(window_.main, IDC_STATIC_AUTO_LOGON)), L"OK");
  EXPECT_EQ(Text(Item(window_.main, IDC_STATIC_LOGON_SCREEN)), kNotInstalled);
  // A password edit gives its text to no other process, so the password is
  // looked at where the run wrote it: the 64-bit view, which on a 64-bit
  // Windows is not the one a 32-bit program sees by default, and on a 32-bit
  // Windows is the only one.
  EXPECT_EQ(sysops::ReadRegistryString(sysops::MachinePath(sysops::kDefaultPassword), L"<none>"),
            L"secret");
  const test_support::RawValue unflagged =
      test_support::QueryRaw(HKEY_LOCAL_MACHINE, kWinlogonKey, L"DefaultPassword", 0);
  if (test_support::OnWow64()) {
    EXPECT_EQ(unflagged.status, ERROR_FILE_NOT_FOUND) << "written into the 32-bit view";
  } else {
    EXPECT_EQ(unflagged.status, ERROR_SUCCESS) << "not in the one view";
    const std::wstring secret(L"secret", 7);  // with its terminator
    EXPECT_EQ(std::string(unflagged.bytes.begin(), unflagged.bytes.end()),
              test_support::Utf16Bytes(secret, false));
  }
  Answer(window_.box, IDOK);
  EXPECT_NE(WaitForExit(15000), ~0u) << "the program did not end after the completion";
  EXPECT_TRUE(depotron_.WaitForStartRecord(15000)) << "the updater was not started";
  EXPECT_EQ(sysops::GetDepotronUpdaterPath(),
            test_support::ExpectedProgramFiles() + L"\\Varnel\\VarnelDepotron\\VarnelUpdate.exe");
  EXPECT_EQ(depotron_.updater(), sysops::GetDepotronUpdaterPath()) << "installed elsewhere";
  EXPECT_EQ(sysops::GetTerminalProgramPath(), test_support::ExpectedProgramFiles() +
                                                  L"\\Varnel\\VarnelTerminal\\VarnelTerminal.exe");
  int dism_runs = 0;
  for (const std::wstring& line : simulated_pc::ReadCommandLog()) {
    if (line.find(L"DISM.EXE\" /online") == std::wstring::npos) continue;
    ++dism_runs;
    EXPECT_EQ(::lstrcmpiW(QuotedProgram(line).c_str(), ExpectedDismProgram().c_str()), 0)
        << testing::PrintToString(line);
  }
  EXPECT_GE(dism_runs, 4) << "the features listed and enabled in both runs";

  // The PC restarted: the same survey now finds the features enabled.
  ASSERT_TRUE(simulated_pc::RestartPc());
  Open();
  EXPECT_EQ(Text(Item(window_.main, IDC_STATIC_LOGON_SCREEN)), L"OK");
  CloseWithCloseBox(window_.main);
  EXPECT_NE(WaitForExit(15000), ~0u) << "the program did not end after its window closed";
}

// The modules loaded in a process, by full path.
std::vector<std::wstring> ModulesOf(DWORD process_id) {
  std::vector<std::wstring> modules;
  fw::ScopedFileHandle snapshot(
      ::CreateToolhelp32Snapshot(TH32CS_SNAPMODULE | TH32CS_SNAPMODULE32, process_id));
  if (!snapshot) return modules;
  MODULEENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = ::Module32FirstW(snapshot.get(), &entry); more;
       more = ::Module32NextW(snapshot.get(), &entry)) {
    modules.emplace_back(entry.szExePath);
  }
  return modules;
}

bool EndsWithName(const std::wstring& path, const wchar_t* name) {
  const std::size_t slash = path.find_last_of(L'\\');
  return ::lstrcmpiW(path.c_str() + (slash == std::wstring::npos ? 0 : slash + 1), name) == 0;
}

// One environment variable extended by `more` (after a ";") while the
// object lives; the programs started meanwhile inherit it.
class ScopedEnvironmentAddition {
 public:
  ScopedEnvironmentAddition(const wchar_t* name, const std::wstring& more) : name_(name) {
    wchar_t old[4096] = {};
    const DWORD length = ::GetEnvironmentVariableW(name, old, 4096);
    had_ = length > 0 && length < 4096;
    if (had_) old_ = old;
    ::SetEnvironmentVariableW(name, (had_ ? old_ + L";" + more : more).c_str());
  }
  ~ScopedEnvironmentAddition() { ::SetEnvironmentVariableW(name_, had_ ? old_.c_str() : nullptr); }
  ScopedEnvironmentAddition(const ScopedEnvironmentAddition&) = delete;
  ScopedEnvironmentAddition& operator=(const ScopedEnvironmentAddition&) = delete;

 private:
  const wchar_t* name_;
  std::wstring old_;
  bool had_ = false;
};

// Programs and libraries put beside the program under the names it starts
// and loads, and the program started from that folder, which is then also
// its current folder (a download folder, a USB stick): the survey runs
// powercfg and DISM, and a run that reaches the delivery server (with a
// group it does not know) loads WinINet, which loads mpr.dll in turn. None
// of the planted ones runs or is loaded. With WINEDLLOVERRIDES=...=n,b Wine
// looks for these DLLs in the program's folder first, as Windows looks for
// a DLL that is not a known DLL. (Wine's own start-up loads uxtheme.dll
// before the program's first line; a uxtheme.dll planted beside the program
// would be loaded there, see docs/reliability.md.)
TEST_F(SetupProgram, NothingPlacedBesideItOrInItsFolderRunsOrLoads) {
  test_support::ScratchFolder stick{L"vts-stick"};
  ASSERT_TRUE(stick.ok());
  const std::wstring program = stick / L"VarnelTerminalSetupWizard.exe";
  ASSERT_TRUE(::CopyFileW(kBuiltProgram().c_str(), program.c_str(), FALSE));
  const std::wstring planted_program = NextToThisTest(L"planted\\powercfg.exe");
  const std::wstring planted_library = NextToThisTest(L"planted\\wininet.dll");
  const wchar_t* const planted_names[] = {L"powercfg.exe", L"DISM.EXE", L"wininet.dll",
                                          L"mpr.dll"};
  for (const wchar_t* name : planted_names) {
    const std::wstring built =
        EndsWithName(name, L"powercfg.exe") || EndsWithName(name, L"DISM.EXE") ? planted_program
                                                                             : planted_library;
    ASSERT_TRUE(::CopyFileW(built.c_str(), (stick / name).c_str(), FALSE)) << built.c_str();
  }
  {
    wchar_t here[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, here);
    ScopedEnvironmentAddition native_first(L"WINEDLLOVERRIDES", L"wininet,mpr=n,b");
    ASSERT_TRUE(::SetCurrentDirectoryW(stick.path().c_str()));
    Open(program);
    ::SetCurrentDirectoryW(here);
  }
  TypeInputsAndStart(L"no-such-group");
  ASSERT_TRUE(WaitUntil(
      [&] {
        window_ = WindowsOf(program_.id);
        return window_.box && ReadMessageBox(window_.box).text == setup_test::kGroupNotFound;
      },
      60000))
      << "the run did not ask the delivery server";
  bool wininet_loaded = false;
  for (const std::wstring& module : ModulesOf(program_.id)) {
    if (::lstrcmpiW(module.c_str(), program.c_str()) == 0) continue;
    EXPECT_NE(::_wcsnicmp(module.c_str(), stick.path().c_str(), stick.path().size()), 0)
        << "loaded from beside the program: " << testing::PrintToString(module);
    wininet_loaded |= EndsWithName(module, L"wininet.dll");
  }
  EXPECT_TRUE(wininet_loaded) << "the run never loaded WinINet";
  for (const wchar_t* name : planted_names) {
    EXPECT_FALSE(test_support::PathExists(stick / (std::wstring(name) + L".ran")))
        << testing::PrintToString(std::wstring(name)) << " ran";
  }
  ::TerminateProcess(program_.process.get(), 99);
  ::WaitForSingleObject(program_.process.get(), 10000);
}

}  // namespace
