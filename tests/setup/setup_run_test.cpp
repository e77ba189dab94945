// The setup run's steps on the test prefix, each on its own where it needs no
// web service: the log-on refusal, the automatic log-on values (also when
// Windows refuses to write them), Windows Update, the start-up shortcut, the
// send-box settings file, the Depotron signal files and a hand-over that
// cannot start anything. Everything changed in the prefix is put back.

#include "setup/setup_run.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/scoped_handle.h"
#include "run_messages.h"
#include "setup_test_support.h"
#include "support/com.h"
#include "support/files.h"
#include "support/registry.h"
#include "sysops/folders.h"
#include "sysops/product_paths.h"
#include "sysops/registry.h"
#include "sysops/startup_shortcut.h"
#include "sysops/terminal_values.h"

namespace {

using setup::CSetupRun;
using setup::SetupInputs;
using setup_test::FixedLogon;
using setup_test::RecordingSink;
using setup_test::Report;

using sysops::kWindowsUpdatePolicyKey;
using sysops::kWinlogonKey;
using setup_test::kNotDelivered;
using setup_test::kNotStarted;

SetupInputs SomeInputs() {
  // user, domain, password, group, send box, its password, process group
  return {L"端末ユーザー", L"VARNEL-PC", L"p a&ss", L"GroupA", L"BOX-001", L"box pass", L"PG-7"};
}

CBinary Bytes(const std::string& text) {
  CBinary binary;
  binary.SetData(text.data(), static_cast<int>(text.size()));
  return binary;
}

DWORD MachineValueType(const std::wstring& key, const std::wstring& value) {
  return test_support::QueryRaw(HKEY_LOCAL_MACHINE, key, value).type;
}

TEST(SetupValidation, ARefusedLogOnEndsTheRunBeforeAnythingElse) {
  RecordingSink sink;
  FixedLogon refusing(false);
  SetupInputs inputs = SomeInputs();
  inputs.logon_password = L"";
  const setup::SetupOutcome outcome = setup::RunSetup(sink, inputs, refusing);
  EXPECT_EQ(outcome.result, -1);
  EXPECT_EQ(outcome.error_text,
            L"Windows ログインパスワードが不正です\nパスワードをもう一度入力してください");
  // Nothing after the first report: no request, no step of the configuration.
  EXPECT_EQ(sink.reports, (std::vector<Report>{{5, L"Windows ログイン情報 確認中..."}}));
  // The three texts go to Windows unchanged, the empty password included.
  ASSERT_EQ(refusing.asked.size(), 1u);
  EXPECT_EQ(refusing.asked[0], (std::vector<std::wstring>{L"端末ユーザー", L"VARNEL-PC", L""}));
}

// Wine's LogonUserW accepts any user and password; on Windows a wrong
// password is refused here. The call and the token's release still run.
TEST(SetupValidation, WindowsLogOnCheckAnswersWithWindowsVerdict) {
  setup::WindowsLogonCheck windows;
  EXPECT_TRUE(windows.LogOn(L"nobody-here", L".", L"not the password"));
}

TEST(SetupFailure, FailKeepsTheMessageAndFailWithDetailQuotesTheService) {
  setup_test::AcceptedRun accepted(SomeInputs());
  CSetupRun& run = accepted.run;
  EXPECT_EQ(run.ErrorText(), L"");
  EXPECT_EQ(run.Fail(L"first"), -1);
  EXPECT_EQ(run.ErrorText(), L"first");
  EXPECT_EQ(run.FailWithDetail(L"停止中"), -1);
  EXPECT_EQ(run.ErrorText(), L"ステイタス通知用 送信BOXが利用できません\n ( ※停止中 )");
}

// Tests that write the prefix's Winlogon values; the survey reads them too.
class AutoLogonValues : public ::testing::Test {
 protected:
  test_support::ScopedMachineValue auto_admin_{sysops::kAutoAdminLogon};
  test_support::ScopedMachineValue user_{sysops::kDefaultUserName};
  test_support::ScopedMachineValue domain_{sysops::kDefaultDomainName};
  test_support::ScopedMachineValue password_{sysops::kDefaultPassword};

  static std::wstring Read(const wchar_t* value) {
    return sysops::ReadRegistryString(sysops::MachinePath({kWinlogonKey, value}), L"<none>");
  }
};

TEST_F(AutoLogonValues, AreWrittenExactlyAsTypedInClearText) {
  for (const std::wstring& password : {std::wstring(L" p a&ss \u00E9"), std::wstring()}) {
    RecordingSink sink;
    FixedLogon accepting(true);
    SetupInputs inputs = SomeInputs();
    inputs.logon_password = password;
    CSetupRun run(sink, inputs, accepting);
    inputs = SetupInputs();  // the run holds its own copy
    ASSERT_TRUE(run.WriteAutoLogonValues());
    EXPECT_EQ(sink.reports, (std::vector<Report>{{30, L"オートログイン 設定中..."}}));
    EXPECT_EQ(Read(L"AutoAdminLogon"), L"1");
    EXPECT_EQ(Read(L"DefaultUserName"), L"端末ユーザー");
    EXPECT_EQ(Read(L"DefaultDomainName"), L"VARNEL-PC");
    EXPECT_EQ(Read(L"DefaultPassword"), password);
    for (const wchar_t* value :
         {L"AutoAdminLogon", L"DefaultUserName", L"DefaultDomainName", L"DefaultPassword"}) {
      EXPECT_EQ(MachineValueType(kWinlogonKey, value), static_cast<DWORD>(REG_SZ)) << value;
    }
    EXPECT_EQ(run.ErrorText(), L"");
  }
}

TEST_F(AutoLogonValues, AKeyThatRefusesWritingEndsTheStepWithoutMessage) {
  const std::wstring before = Read(L"DefaultUserName");
  {
    setup_test::MachineKeyWritingDenied denial(kWinlogonKey);
    ASSERT_TRUE(denial.denied());
    RecordingSink sink;
    FixedLogon accepting(true);
    SetupInputs inputs = SomeInputs();
    inputs.logon_user = L"someone-else";
    CSetupRun run(sink, inputs, accepting);
    EXPECT_FALSE(run.WriteAutoLogonValues());
    EXPECT_EQ(run.ErrorText(), L"");
    EXPECT_EQ(sink.reports.size(), 1u);
  }
  EXPECT_EQ(Read(L"DefaultUserName"), before);
}

// Windows Update: Wine has a wuauserv service that can be started and
// stopped like Windows' own.
class WindowsUpdateStep : public ::testing::Test {
 protected:
  test_support::ScopedMachineValue policy_{sysops::kNoAutoUpdate};
};

DWORD ServiceState(SC_HANDLE service) {
  SERVICE_STATUS status{};
  return ::QueryServiceStatus(service, &status) ? status.dwCurrentState : 0;
}

DWORD StartType(SC_HANDLE service) {
  DWORD size = 0;
  ::QueryServiceConfigW(service, nullptr, 0, &size);
  std::vector<BYTE> buffer(size);
  auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
  if (size == 0 || !::QueryServiceConfigW(service, config, size, &size)) return 0xFFFFFFFF;
  return config->dwStartType;
}

bool WaitForState(SC_HANDLE service, DWORD state) {
  for (int i = 0; i < 600; ++i) {
    if (ServiceState(service) == state) return true;
    ::Sleep(50);
  }
  return ServiceState(service) == state;
}

TEST_F(WindowsUpdateStep, StopsTheRunningServiceAndKeepsItsStartType) {
  fw::ScopedServiceHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
  ASSERT_TRUE(manager);
  fw::ScopedServiceHandle service(::OpenServiceW(
      manager.get(), L"wuauserv", SERVICE_START | SERVICE_STOP | SERVICE_QUERY_STATUS |
                                      SERVICE_QUERY_CONFIG));
  ASSERT_TRUE(service) << ::GetLastError();
  const DWORD startType = StartType(service.get());
  if (ServiceState(service.get()) != SERVICE_RUNNING) {
    ASSERT_TRUE(::StartServiceW(service.get(), 0, nullptr)) << ::GetLastError();
  }
  ASSERT_TRUE(WaitForState(service.get(), SERVICE_RUNNING));

  setup_test::AcceptedRun accepted(SomeInputs());
  RecordingSink& sink = accepted.sink;
  CSetupRun& run = accepted.run;
  run.StopWindowsUpdate();

  EXPECT_EQ(sink.reports, (std::vector<Report>{{50, L"Windows Update停止処理中..."}}));
  EXPECT_TRUE(WaitForState(service.get(), SERVICE_STOPPED));
  EXPECT_EQ(StartType(service.get()), startType);
  EXPECT_EQ(sysops::ReadRegistryDword(sysops::MachinePath(sysops::kNoAutoUpdate)), 1u);
  EXPECT_EQ(MachineValueType(kWindowsUpdatePolicyKey, L"NoAutoUpdate"),
            static_cast<DWORD>(REG_DWORD));
}

TEST_F(WindowsUpdateStep, AStoppedServiceIsNoFailure) {
  setup_test::AcceptedRun accepted(SomeInputs());
  RecordingSink& sink = accepted.sink;
  CSetupRun& run = accepted.run;
  run.StopWindowsUpdate();
  run.StopWindowsUpdate();
  EXPECT_EQ(sink.reports.size(), 2u);
  EXPECT_EQ(sysops::ReadRegistryDword(sysops::MachinePath(sysops::kNoAutoUpdate)), 1u);
}

// The all-users Startup folder, with the terminal program where the
// shortcut points; shortcuts already there to the terminal are set aside.
class StartupStep : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(com_.ok());
    startup_ = sysops::GetSpecialFolder(CSIDL_COMMON_STARTUP);
    terminal_ = sysops::GetTerminalProgramPath();
    ASSERT_FALSE(startup_.empty());
    link_ = startup_ + L"\\" + sysops::kStartupShortcutName;
    if (test_support::PathExists(link_)) {
      aside_ = link_ + L".aside";
      ASSERT_TRUE(::MoveFileW(link_.c_str(), aside_.c_str()));
    }
    // The terminal program, an empty file, with the folders above it as needed.
    terminal_program_ = std::make_unique<test_support::ScopedFile>(terminal_, "");
    ASSERT_TRUE(terminal_program_->ok()) << testing::PrintToString(terminal_);
    ASSERT_FALSE(sysops::IsTerminalInStartup()) << "a shortcut of another test is in the way";
  }
  void TearDown() override {
    for (const std::wstring& link : {link_, other_}) {
      if (!link.empty()) ::DeleteFileW(link.c_str());
    }
    if (!aside_.empty()) ::MoveFileW(aside_.c_str(), link_.c_str());
    terminal_program_.reset();
  }

  test_support::ScopedCom com_;  // the shell-link objects of the shortcut

  std::wstring startup_;
  std::wstring terminal_;
  std::wstring link_;
  std::wstring other_;
  std::wstring aside_;
  std::unique_ptr<test_support::ScopedFile> terminal_program_;
};

FILETIME WriteTime(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  ::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
  return data.ftLastWriteTime;
}

TEST_F(StartupStep, MakesTheShortcutOnceAndLeavesItThen) {
  setup_test::AcceptedRun accepted(SomeInputs());
  RecordingSink& sink = accepted.sink;
  CSetupRun& run = accepted.run;
  run.RegisterTerminalStartup();
  ASSERT_TRUE(test_support::PathExists(link_));
  EXPECT_TRUE(sysops::IsTerminalInStartup());
  // A shortcut overwritten would show a new write time and bytes.
  const std::string bytes = test_support::ReadBytes(link_);
  const FILETIME first = WriteTime(link_);
  ::Sleep(20);
  run.RegisterTerminalStartup();
  const FILETIME second = WriteTime(link_);
  EXPECT_EQ(::CompareFileTime(&first, &second), 0);
  EXPECT_EQ(test_support::ReadBytes(link_), bytes);
  EXPECT_EQ(sink.reports,
            (std::vector<Report>{{70, L"Varnelターミナル をスタートアップに登録中..."},
                                 {70, L"Varnelターミナル をスタートアップに登録中..."}}));
}

TEST_F(StartupStep, AShortcutOfAnotherNameCounts) {
  other_ = startup_ + L"\\Terminal by hand.lnk";
  sysops::SaveShortcut(other_, terminal_);
  ASSERT_TRUE(sysops::IsTerminalInStartup());
  setup_test::AcceptedRun accepted(SomeInputs());
  CSetupRun& run = accepted.run;
  run.RegisterTerminalStartup();
  EXPECT_FALSE(test_support::PathExists(link_));
}

// The send-box settings file and the upload marker in the common
// application-data folder, both put back as they were.
class SendBoxSettingsStep : public ::testing::Test {
 protected:
  test_support::ScopedFile settings_{sysops::GetStatusBoxIniPath()};
  test_support::ScopedFile marker_{sysops::GetUploadMarkerPath()};

  void Run(const SetupInputs& inputs) {
    FixedLogon accepting(true);
    CSetupRun run(sink_, inputs, accepting);
    run.WriteSendBoxSettings();
  }
  RecordingSink sink_;
};

TEST_F(SendBoxSettingsStep, WritesTheThreeKeysInClearText) {
  ::DeleteFileW(settings_.path().c_str());
  ::DeleteFileW(marker_.path().c_str());
  Run(SomeInputs());
  EXPECT_EQ(test_support::ReadBytes(settings_.path()),
            "[MAIN]\r\nID=BOX-001\r\nPASS=box pass\r\nGROUP=PG-7\r\n");
  EXPECT_EQ(sink_.reports, (std::vector<Report>{{75, L"ステイタス通知 送信BOXの設定中..."}}));

  // A second run replaces the values and keeps whatever else the file holds.
  ASSERT_TRUE(test_support::WriteBytes(settings_.path(),
                                       "[MAIN]\r\nID=old\r\nPASS=old\r\nGROUP=old\r\n"
                                       "[OTHER]\r\nKEEP=1\r\n"));
  SetupInputs empty;
  Run(empty);
  EXPECT_EQ(test_support::ReadBytes(settings_.path()),
            "[MAIN]\r\nID=\r\nPASS=\r\nGROUP=\r\n[OTHER]\r\nKEEP=1\r\n");
}

TEST_F(SendBoxSettingsStep, APendingUploadLeavesTheFileAlone) {
  const std::wstring marker = marker_.path();
  ASSERT_TRUE(sysops::CreateFolderPath(sysops::GetParentFolder(marker)));
  ASSERT_TRUE(test_support::WriteBytes(marker, ""));
  ::DeleteFileW(settings_.path().c_str());
  Run(SomeInputs());
  EXPECT_FALSE(test_support::PathExists(settings_.path()));

  ASSERT_TRUE(test_support::WriteBytes(settings_.path(), "[MAIN]\r\nID=kept\r\n"));
  Run(SomeInputs());
  EXPECT_EQ(test_support::ReadBytes(settings_.path()), "[MAIN]\r\nID=kept\r\n");
  EXPECT_EQ(sink_.reports.size(), 2u);
}

// The Depotron signal files in the common application-data folder.
class DepotronPreparation : public ::testing::Test {
 protected:
  test_support::ScopedFile reboot_{sysops::GetDepotronDataPath(sysops::kPassiveRebootSignalFileName)};
  test_support::ScopedFile passive_{sysops::GetDepotronDataPath(sysops::kPassiveSignalFileName)};

  void SetUp() override {
    ::DeleteFileW(reboot_.path().c_str());
    ::DeleteFileW(passive_.path().c_str());
  }
  bool Prepare(const std::string& descriptor) {
    FixedLogon accepting(true);
    const SetupInputs inputs = SomeInputs();
    CSetupRun run(sink_, inputs, accepting);
    const bool prepared = run.PrepareDepotron(Bytes(descriptor));
    error_ = run.ErrorText();
    return prepared;
  }
  bool SignalsWritten() const {
    const std::string one("1\0", 2);
    return test_support::ReadBytes(reboot_.path()) == one &&
           test_support::ReadBytes(passive_.path()) == one;
  }
  bool NoSignals() const {
    return !test_support::PathExists(reboot_.path()) && !test_support::PathExists(passive_.path());
  }
  RecordingSink sink_;
  std::wstring error_;
};

TEST_F(DepotronPreparation, APassiveUpdateVersionLeavesBothSignalFiles) {
  EXPECT_TRUE(Prepare("[License]\r\n0=5.2.0\r\n"));
  EXPECT_TRUE(SignalsWritten());
  EXPECT_EQ(error_, L"");
  EXPECT_EQ(sink_.reports, (std::vector<Report>{{80, L"Depotronの起動準備を開始しました..."}}));
  SetUp();
  EXPECT_TRUE(Prepare("[License]\n0=5.2.0\n"));
  EXPECT_TRUE(SignalsWritten());
}

TEST_F(DepotronPreparation, OtherVersionsLeaveNone) {
  for (const char* descriptor : {"[License]\r\n0=6.0.0\r\n", "[License]\r\n0=5.2\r\n",
                                 "[License]\r\n0=4.9.9\r\n"}) {
    EXPECT_TRUE(Prepare(descriptor)) << descriptor;
    EXPECT_TRUE(NoSignals()) << descriptor;
  }
}

TEST_F(DepotronPreparation, NoVersionEndsTheRunWithTheNotDeliveredMessage) {
  for (const char* descriptor : {"", "[Depotron]\r\n0=5.2.0\r\n", "[License]\r\n1=5.2.0\r\n"}) {
    EXPECT_FALSE(Prepare(descriptor)) << descriptor;
    EXPECT_EQ(error_, kNotDelivered) << descriptor;
    EXPECT_TRUE(NoSignals()) << descriptor;
  }
}

// Hand-overs the shell cannot start end the run with a message instead of
// the completion the technician would wait on in vain.
class HandOver : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(folder_.ok()); }
  std::wstring Make(const wchar_t* name, const std::string& bytes) {
    const std::wstring path = folder_ / name;
    EXPECT_TRUE(test_support::WriteBytes(path, bytes));
    return path;
  }
  test_support::ScratchFolder folder_{L"vts-setup"};
  RecordingSink sink_;
  FixedLogon accepting_{true};
  SetupInputs inputs_ = SomeInputs();
};

TEST_F(HandOver, AnUpdaterThatCannotRunEndsTheRunWithAMessage) {
  for (const std::wstring& updater :
       {Make(L"VarnelUpdate.exe", "this is no program"), folder_ / L"Missing\\VarnelUpdate.exe"}) {
    RecordingSink sink;
    CSetupRun run(sink, inputs_, accepting_);
    EXPECT_EQ(run.StartUpdater(updater), -1);
    EXPECT_EQ(run.ErrorText(), kNotStarted);
    EXPECT_EQ(sink.reports, (std::vector<Report>{{90, L"Depotronの起動処理..."}}));
  }
}

TEST_F(HandOver, AStartedUpdaterCompletesTheRun) {
  wchar_t system[MAX_PATH];
  ASSERT_GT(::GetSystemDirectoryW(system, MAX_PATH), 0u);
  CSetupRun run(sink_, inputs_, accepting_);
  EXPECT_EQ(run.StartUpdater(std::wstring(system) + L"\\hostname.exe"), 0);
  EXPECT_EQ(run.ErrorText(), L"");
  EXPECT_EQ(sink_.reports,
            (std::vector<Report>{{90, L"Depotronの起動処理..."}, {100, L""}}));
}

TEST_F(HandOver, APackageThatCannotBeOpenedEndsTheRunWithAMessage) {
  CSetupRun run(sink_, inputs_, accepting_);
  EXPECT_EQ(run.OpenInstallerPackage(folder_ / L"Missing\\VarnelDepotron.msi"), -1);
  EXPECT_EQ(run.ErrorText(), kNotStarted);
  EXPECT_TRUE(sink_.reports.empty());
}

// The choice itself: the updater where it is installed, the installer
// package only where it is not. The descriptor names no version, so the
// package's way ends before any download; the opener starts nothing.
TEST_F(HandOver, TheInstalledUpdaterIsStartedOtherwiseThePackageFetched) {
  const std::wstring updater = sysops::GetDepotronUpdaterPath();
  ASSERT_FALSE(updater.empty());
  const std::wstring starting = L"Depotronの起動処理...";
  const std::wstring downloading =
      L"Depotronのダウンロード中...（回線の速度によって、時間がかかることがあります）";
  struct Case {
    bool installed;
    int result;
    std::vector<std::wstring> opened;
    std::wstring error;
    std::vector<Report> reports;
  };
  const Case cases[] = {
      {true, setup::kUpdaterStarted, {updater}, L"", {{90, starting}, {100, L""}}},
      {false, setup::kSetupFailed, {}, kNotDelivered, {{90, downloading}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.installed ? "installed" : "not installed");
    std::unique_ptr<test_support::ScopedFile> place =
        c.installed ? std::make_unique<test_support::ScopedFile>(updater, "MZ")
                    : std::make_unique<test_support::ScopedFile>(updater);
    ASSERT_TRUE(place->ok());
    ASSERT_EQ(test_support::PathExists(updater), c.installed);
    setup_test::RecordingOpener opener;
    RecordingSink sink;
    CSetupRun run(sink, inputs_, accepting_, opener);
    EXPECT_EQ(run.HandOverToDepotron(Bytes("[License]\r\n")), c.result);
    EXPECT_EQ(opener.opened, c.opened);
    EXPECT_EQ(run.ErrorText(), c.error);
    EXPECT_EQ(sink.reports, c.reports);
  }
}

TEST_F(HandOver, NoVersionForTheInstallerEndsTheRunBeforeAnyDownload) {
  CSetupRun run(sink_, inputs_, accepting_);
  EXPECT_EQ(run.InstallDepotron(Bytes("[License]\r\n")), -1);
  EXPECT_EQ(run.ErrorText(), kNotDelivered);
  EXPECT_EQ(sink_.reports,
            (std::vector<Report>{
                {90, L"Depotronのダウンロード中...（回線の速度によって、時間がかかることがあります）"}}));
}

}  // namespace
