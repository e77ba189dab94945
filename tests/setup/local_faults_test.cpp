// Faults of the PC itself during a run: product files and folders that
// cannot be written (a settings file that cannot be written, a file standing
// where a product folder belongs, a destination that cannot be replaced),
// the console tools missing, silent or drowning the run in output, and a
// Winlogon key that refuses writing. Steps whose failure the run ignores must
// still end and leave everything else as it was; the settings file and the
// download must end the run with their messages, leaving nothing behind.

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/fake_depotron.h"
#include "support/local_services.h"
#include "support/fake_console_tools.h"
#include "support/files.h"
#include "support/programs.h"
#include "setup/setup_run.h"
#include "run_messages.h"
#include "setup_test_support.h"
#include "sysops/folders.h"
#include "sysops/product_paths.h"
#include "sysops/registry.h"
#include "sysops/terminal_values.h"

namespace {

using setup::CSetupRun;
using setup::SetupInputs;
using setup_test::kDownloadFailed;
using setup_test::kSettingsNotSaved;
using setup_test::FixedLogon;
using setup_test::RecordingSink;
using setup_test::Report;

const wchar_t kSystemPowercfg[] = L"C:\\windows\\system32\\powercfg.exe";
const wchar_t k64BitDism[] = L"C:\\windows\\sysnative\\DISM.EXE";
const wchar_t k32BitDism[] = L"C:\\windows\\system32\\DISM.EXE";
SetupInputs Inputs() {
  // user, domain, password, group, send box, its password, process group
  return {L"terminal", L"VARNEL-PC", L"pw", L"group-a", L"BOX-001", L"box-pw", L"PG-7"};
}

CBinary Descriptor(const std::string& version) {
  CBinary bytes;
  const std::string text = "[License]\r\n0=" + version + "\r\n";
  bytes.SetData(text.data(), static_cast<int>(text.size()));
  return bytes;
}

std::wstring ParentOf(const std::wstring& path) { return path.substr(0, path.rfind(L'\\')); }

// A plain file where a product folder belongs, for the object's lifetime;
// the folder (with whatever it holds) is set aside meanwhile and put back.
class FileInPlaceOfFolder {
 public:
  explicit FileInPlaceOfFolder(std::wstring folder)
      : folder_(std::move(folder)), aside_(folder_ + L".vts-aside") {
    if (test_support::PathExists(folder_)) {
      if (!::MoveFileW(folder_.c_str(), aside_.c_str())) return;
      moved_ = true;
    }
    EXPECT_TRUE(test_support::WriteBytes(folder_, "not a folder"));
    ok_ = (::GetFileAttributesW(folder_.c_str()) & FILE_ATTRIBUTE_DIRECTORY) == 0;
  }
  ~FileInPlaceOfFolder() {
    ::DeleteFileW(folder_.c_str());
    if (moved_) ::MoveFileW(aside_.c_str(), folder_.c_str());
  }
  bool ok() const { return ok_; }
  bool StillAFile() const {
    return test_support::ReadBytes(folder_) == "not a folder";
  }

 private:
  std::wstring folder_, aside_;
  bool moved_ = false;
  bool ok_ = false;
};

class LocalFaults : public ::testing::Test {
 protected:
  void SetUp() override { ::DeleteFileW(marker_.path().c_str()); }

  RecordingSink sink_;
  FixedLogon accepting_{true};
  SetupInputs inputs_ = Inputs();
  test_support::ScopedFile marker_{sysops::GetUploadMarkerPath()};
  test_support::ScopedFile settings_{sysops::GetStatusBoxIniPath()};
};

// The settings file held open by another program that shares nothing: the
// writes fail, the run ends with its message rather than report a send box
// it did not store, and the file keeps what it had. (A
// read-only file would do on Windows; the tests run as root, and Wine's file
// access then writes into it regardless of the read-only attribute.)
TEST_F(LocalFaults, ASettingsFileThatCannotBeWrittenIsLeftAsItWas) {
  const char kOld[] = "[MAIN]\r\nID=old\r\nPASS=old\r\nGROUP=old\r\n";
  EXPECT_TRUE(test_support::WriteBytes(settings_.path(), kOld));
  CSetupRun run(sink_, inputs_, accepting_);
  {
    fw::ScopedFileHandle held(::CreateFileW(settings_.path().c_str(), GENERIC_READ, 0, nullptr,
                                            OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    EXPECT_FALSE(run.WriteSendBoxSettings());
  }
  EXPECT_EQ(test_support::ReadBytes(settings_.path()), kOld);
  EXPECT_EQ(run.ErrorText(), kSettingsNotSaved);
}

TEST_F(LocalFaults, AStatusBoxFolderThatCannotBeMadeEndsTheRunWithAMessage) {
  FileInPlaceOfFolder blocked(ParentOf(settings_.path()));
  ASSERT_TRUE(blocked.ok());
  CSetupRun run(sink_, inputs_, accepting_);
  EXPECT_FALSE(run.WriteSendBoxSettings());
  EXPECT_EQ(run.ErrorText(), kSettingsNotSaved);
  EXPECT_TRUE(blocked.StillAFile());
  EXPECT_EQ(sink_.reports, (std::vector<Report>{{75, L"ステイタス通知 送信BOXの設定中..."}}));
}

// The signal files only choose how Depotron updates itself; the run ignores
// their failure, as it always has.
TEST_F(LocalFaults, AFileWhereTheSignalFolderBelongsStopsNothing) {
  const std::wstring signal = sysops::GetDepotronDataPath(sysops::kPassiveSignalFileName);
  FileInPlaceOfFolder blocked(ParentOf(signal));
  ASSERT_TRUE(blocked.ok());
  CSetupRun run(sink_, inputs_, accepting_);
  EXPECT_TRUE(run.PrepareDepotron(Descriptor("5.2.0")));
  EXPECT_TRUE(blocked.StillAFile());
  EXPECT_EQ(run.ErrorText(), L"");
}

// The console tools: missing, silent, or printing 10 MB of noise. Their
// output is ignored by the power step and judged by the log-on screen step,
// which must then leave the PC alone.
class ConsoleToolFaults : public LocalFaults {
 protected:
  void SetUp() override {
    LocalFaults::SetUp();
    ASSERT_TRUE(powercfg_.ok());
  }
  void TearDown() override { ::DeleteFileW(record_.c_str()); }

  int PowerCommandsRun(const std::string& script) {
    test_support::ScopedScript scoped(test_support::kPowercfgScriptVariable,
                                  "record " + test_support::ToUtf8(record_) + "\n" + script);
    ::DeleteFileW(record_.c_str());
    CSetupRun run(sink_, inputs_, accepting_);
    run.ApplyPowerSettings();
    const std::string recorded = test_support::ReadBytes(record_);
    int lines = 0;
    for (size_t at = recorded.find("\r\n"); at != std::string::npos; at = recorded.find("\r\n", at + 2)) {
      ++lines;
    }
    return lines;
  }

  // The log-on screen step with DISM printing what `script` says; whether it
  // wrote the first of its values.
  bool LogonScreenChanged(const std::string& script) {
    test_support::ScopedScript scoped(test_support::kDismScriptVariable,
                                  "record " + test_support::ToUtf8(record_) + "\n" + script);
    ::DeleteFileW(record_.c_str());
    fw::ScopedRegKey key;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, sysops::kEmbeddedLogonKey, 0,
                        KEY_SET_VALUE | KEY_WOW64_64KEY, key.put()) == ERROR_SUCCESS) {
      ::RegDeleteValueW(key.get(), sysops::kBrandingNeutral.name);
    }
    CSetupRun run(sink_, inputs_, accepting_);
    run.AdjustLogonScreen();
    return sysops::ReadRegistryDword(sysops::MachinePath(sysops::kBrandingNeutral)) != 0;
  }
  // DISM calls recorded: the query alone, never an enabling command.
  std::string DismCalls() const { return test_support::ReadBytes(record_); }

  test_support::ScopedProgram powercfg_{test_support::BuiltFakeTool(L"powercfg.exe"), kSystemPowercfg};
  setup_test::SavedMachineValue branding_{sysops::kBrandingNeutral};
  std::wstring record_ = test_support::TempFilePath(L"record");
};

TEST_F(ConsoleToolFaults, PowercfgSilentOrNoisyStillGetsAllNineCommands) {
  EXPECT_EQ(PowerCommandsRun("exit 0\n"), 9);
  EXPECT_EQ(PowerCommandsRun("exit 1\n"), 9);
  EXPECT_EQ(PowerCommandsRun("fill 10485760 noise\\x00\\xff\\r\\n\n"), 9);
  EXPECT_EQ(sink_.reports.size(), 3u);
}

TEST_F(ConsoleToolFaults, PowercfgMissingEndsTheStepAtOnce) {
  test_support::ScopedProgram removed(L"", kSystemPowercfg);
  ASSERT_TRUE(removed.ok());
  EXPECT_EQ(PowerCommandsRun(""), 0);
  EXPECT_EQ(sink_.reports, (std::vector<Report>{{40, L"電源設定 変更中..."}}));
}

TEST_F(ConsoleToolFaults, DismSilentOrNoisyLeavesTheLogonScreenAlone) {
  test_support::ScopedProgram dism64(test_support::BuiltFakeTool(L"DISM.exe"),
                                     test_support::ExpectedDismProgram());
  ASSERT_TRUE(dism64.ok());
  for (const char* script : {"exit 0\n", "fill 10485760 Feature Name : Client-EmbeddedLogon\\r\\n\n"}) {
    SCOPED_TRACE(script);
    EXPECT_FALSE(LogonScreenChanged(script));
    const std::string calls = DismCalls();
    EXPECT_NE(calls.find("/Get-Features"), std::string::npos) << calls;
    EXPECT_EQ(calls.find("/Enable-Feature"), std::string::npos) << calls;
  }
}

TEST_F(ConsoleToolFaults, DismMissingLeavesTheLogonScreenAlone) {
  test_support::ScopedProgram no64(L"", k64BitDism);
  test_support::ScopedProgram no32(L"", k32BitDism);
  ASSERT_TRUE(no64.ok() && no32.ok());
  EXPECT_FALSE(LogonScreenChanged(""));
  EXPECT_EQ(DismCalls(), "");
}

// Faults that need the delivery server: the download and the whole run.
class ServedFaults : public LocalFaults {
 protected:
  void SetUp() override {
    LocalFaults::SetUp();
    ASSERT_TRUE(services_.ok()) << services_.problem();
    proxy_ = std::make_unique<test_support::ProxyScope>(services_.port());
    ASSERT_TRUE(proxy_->ok());
    ASSERT_TRUE(services_.WriteData("[group group-a]\nversion=5.2.0\n[box BOX-001]\npassword=box-pw\n"));
    ::DeleteFileW(package_.path().c_str());
    ::DeleteFileW(partial_.path().c_str());
  }

  void TearDown() override {
    // A download that went through opened the package, which installed the
    // stand-in updater: the prefix is put back for the tests after this one.
    test_support::FakeDepotron depotron;
    depotron.WaitForInstallers(60000);
    if (depotron.Installed()) {
      ADD_FAILURE() << "the package was opened and installed";
      depotron.Remove();
    }
    LocalFaults::TearDown();
  }

  void ExpectDownloadFailed() {
    CSetupRun run(sink_, inputs_, accepting_);
    EXPECT_EQ(run.InstallDepotron(Descriptor("5.2.0")), setup::kSetupFailed);
    EXPECT_EQ(run.ErrorText(), kDownloadFailed);
    EXPECT_FALSE(test_support::PathExists(partial_.path()));
    EXPECT_EQ(sink_.reports.size(), 1u) << "the package was opened";
  }

  test_support::LocalServices services_;
  std::unique_ptr<test_support::ProxyScope> proxy_;
  test_support::ScopedFile package_{sysops::GetInstallerDownloadPath()};
  test_support::ScopedFile partial_{sysops::GetInstallerDownloadPath() + L".download"};
};

TEST_F(ServedFaults, AFileWhereTheDownloadFolderBelongsFailsTheDownload) {
  FileInPlaceOfFolder blocked(ParentOf(package_.path()));
  ASSERT_TRUE(blocked.ok());
  ExpectDownloadFailed();
  EXPECT_TRUE(blocked.StillAFile());
}

TEST_F(ServedFaults, ADestinationThatCannotBeReplacedFailsTheDownload) {
  // A folder under the package's name.
  ASSERT_TRUE(::CreateDirectoryW(package_.path().c_str(), nullptr));
  ExpectDownloadFailed();
  EXPECT_NE(::GetFileAttributesW(package_.path().c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
  ::RemoveDirectoryW(package_.path().c_str());

  // An earlier package held open by another program that shares nothing.
  // (A read-only one would do on Windows, where a rename does not replace a
  // read-only file; Wine's does.)
  sink_.reports.clear();
  EXPECT_TRUE(test_support::WriteBytes(package_.path(), "earlier package"));
  {
    fw::ScopedFileHandle held(::CreateFileW(package_.path().c_str(), GENERIC_READ, 0, nullptr,
                                            OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    ExpectDownloadFailed();
  }
  EXPECT_EQ(test_support::ReadBytes(package_.path()), "earlier package");
}

// The whole run with the Winlogon key refusing writes: the validations pass,
// the run stops at the automatic log-on without a message of its own, and
// nothing after it happens.
TEST_F(ServedFaults, AWinlogonKeyThatRefusesWritingEndsTheRunAtThirtyPercent) {
  setup_test::SavedMachineValue user{sysops::kDefaultUserName};
  setup_test::SavedMachineValue admin{sysops::kAutoAdminLogon};
  const std::string settingsBefore = test_support::ReadBytes(settings_.path());
  const size_t mark = services_.RequestCount();
  setup::SetupOutcome outcome;
  {
    setup_test::MachineKeyWritingDenied denial(sysops::kWinlogonKey);
    ASSERT_TRUE(denial.denied());
    outcome = setup::RunSetup(sink_, inputs_, accepting_);
  }
  EXPECT_EQ(outcome.result, setup::kSetupFailed);
  EXPECT_EQ(outcome.error_text, L"");
  ASSERT_FALSE(sink_.reports.empty());
  EXPECT_EQ(sink_.reports.back(), (Report{30, L"オートログイン 設定中..."}));
  EXPECT_EQ(services_.RequestsSince(mark).size(), 2u) << "only the two validations were sent";
  EXPECT_EQ(test_support::ReadBytes(settings_.path()), settingsBefore);
  EXPECT_FALSE(test_support::PathExists(package_.path()));
}

}  // namespace
