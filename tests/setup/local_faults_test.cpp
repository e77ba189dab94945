// Faults of the PC itself during a run: product files and folders that
// cannot be written (a settings file that cannot be written, a file standing
// where a product folder belongs, a destination that cannot be replaced),
// the console tools missing, silent or drowning the run in output, and a
// Winlogon key that refuses writing. Steps whose failure the run ignores must
// still end and leave everything else as it was; the settings file and the
// download must end the run with their messages, leaving nothing behind.
//
// Whole runs on the test prefix, successful and failing in every way a
// technician meets, each leave a record that names the step and the cause
// (the Windows error, the HTTP status, the tool's exit code and output) and
// holds none of the passwords; a record folder that is refused changes
// nothing of the run.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/debug_output.h"
#include "base/text_codec.h"
#include "dism_listing.h"
#include "setup/run_record.h"
#include "setup/run_record_text.h"

#include "support/fake_depotron.h"
#include "support/local_services.h"
#include "support/fake_console_tools.h"
#include "support/files.h"
#include "support/programs.h"
#include "support/terminal_state.h"
#include "support/unique_name.h"
#include "support/unix_side.h"
#include "base/debug_output.h"
#include "setup/setup_run.h"
#include "survey/terminal_survey.h"
#include "run_messages.h"
#include "setup_test_support.h"
#include "support/com.h"
#include "support/terminal_state.h"
#include "sysops/folders.h"
#include "sysops/product_paths.h"
#include "sysops/registry.h"
#include "sysops/startup_shortcut.h"
#include "sysops/terminal_values.h"

namespace {

using setup::CSetupRun;
using setup::SetupInputs;
using setup_test::kCheckError;
using setup_test::kCheckFailed;
using setup_test::kDownloadFailed;
using setup_test::kGroupNotFound;
using setup_test::kLogonRefused;
using setup_test::kNotDelivered;
using setup_test::kNotPrepared;
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

// A private folder whose rights cannot be set ends the download with its
// message, and nothing is downloaded or opened. Wine fails to store a list
// where it can change neither the mode bits nor the extended attributes: the
// folder open to all (mode 777) and immutable.
TEST_F(ServedFaults, APrivateFolderThatCannotBeRestrictedFailsTheDownload) {
  const std::wstring folder =
      sysops::GetSpecialFolder(CSIDL_PROGRAM_FILES) + L"\\" + sysops::kPrivateDownloadFolder;
  test_support::ScopedFolder place(folder);
  ASSERT_TRUE(place.ok());
  ASSERT_TRUE(sysops::GrantEveryoneFullAccess(folder));
  const size_t mark = services_.RequestCount();
  {
    test_support::ScopedImmutable frozen(folder);
    ASSERT_TRUE(frozen.ok());
    ExpectDownloadFailed();
  }
  EXPECT_EQ(services_.RequestsSince(mark).size(), 0u) << "downloaded into an open folder";
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

// Links another account planted in the Varnel folders before the window
// opened, or between the survey and the run. A Unix symbolic link stands in
// for a junction or symbolic link (support/unix_side.h); hard links are
// Wine's own. For each: the survey and a whole run. The survey shows the
// send-box values it could not read as empty; the run stops at the step that
// met the link, with that step's message, and writes the refused path to the
// debug channel; and the folder outside, which holds a settings file of its
// own, keeps its files, mode bits and stored access list.
enum class Plant { kFolderLink, kFileLink, kHardLink };

struct PlantedCase {
  const char* what;
  const wchar_t* relative;  // under the common application-data folder
  Plant plant;
  bool after_survey;        // appears between the survey and the run
  const std::wstring* message;
  bool survey_reads_nothing;
};

const std::wstring kOutsideSettings = L"VarnelDriveTerminalSend.ini";
constexpr char kOutsideBytes[] = "[MAIN]\r\nID=outside\r\nPASS=outside\r\nGROUP=outside\r\n";

const PlantedCase kPlantedCases[] = {
    {"Varnel", L"Varnel", Plant::kFolderLink, false, &kSettingsNotSaved, true},
    {"Tolvik", L"Varnel\\Tolvik", Plant::kFolderLink, false, &kSettingsNotSaved, true},
    {"Depotron", L"Varnel\\Depotron", Plant::kFolderLink, false, &kNotPrepared, false},
    {"Download", L"Varnel\\Download", Plant::kFolderLink, false, &kDownloadFailed, false},
    {"settings file", L"Varnel\\Tolvik\\VarnelDriveTerminalSend.ini", Plant::kFileLink, false,
     &kSettingsNotSaved, true},
    {"settings file, second name", L"Varnel\\Tolvik\\VarnelDriveTerminalSend.ini",
     Plant::kHardLink, false, &kSettingsNotSaved, true},
    {"settings file, after the survey", L"Varnel\\Tolvik\\VarnelDriveTerminalSend.ini",
     Plant::kFileLink, true, &kSettingsNotSaved, false},
    {"reboot signal file", L"Varnel\\Depotron\\UpdatePassiveReboot.signal.dat", Plant::kFileLink,
     false, &kNotPrepared, false},
    {"signal file, second name", L"Varnel\\Depotron\\UpdatePassive.signal.dat", Plant::kHardLink,
     false, &kNotPrepared, false},
    {"public package", L"Varnel\\Download\\VarnelDepotron.msi", Plant::kFileLink, false,
     &kDownloadFailed, false},
    {"public package, second name", L"Varnel\\Download\\VarnelDepotron.msi", Plant::kHardLink,
     false, &kDownloadFailed, false},
    {"partial package", L"Varnel\\Download\\VarnelDepotron.msi.download", Plant::kFileLink,
     false, &kDownloadFailed, false},
};

std::wstring* g_debug_lines = nullptr;
void KeepDebugLine(const wchar_t* text) {
  if (g_debug_lines) *g_debug_lines += text;
}

class PlantedLinks : public ServedFaults {
 protected:
  void SetUp() override {
    ServedFaults::SetUp();
    ASSERT_TRUE(::CreateDirectoryW(outside_.c_str(), nullptr));
    ASSERT_TRUE(test_support::WriteBytes(outside_file_, kOutsideBytes));
    g_debug_lines = &debug_lines_;
    previous_sink_ = SetDebugOutputSink(KeepDebugLine);
  }
  void TearDown() override {
    SetDebugOutputSink(previous_sink_);
    g_debug_lines = nullptr;
    test_support::RemoveTree(outside_);
    ServedFaults::TearDown();
  }

  // The folder outside as a text: its files and bytes, and the Unix facts
  // of the folder and of its file.
  std::string Outside() const {
    std::vector<std::wstring> files;
    sysops::ListFiles(&files, outside_, L"*", true);
    std::string text = test_support::UnixFacts(outside_) + "\n";
    for (const std::wstring& file : files) {
      text += test_support::ToUtf8(file) + ": " + test_support::ReadBytes(file) + "\n";
    }
    return text;
  }

  std::wstring outside_ = sysops::AppendPath(sysops::GetSpecialFolder(CSIDL_COMMON_APPDATA),
                                             L"..\\" + test_support::UniqueName(L"outside"));
  std::wstring outside_file_ = outside_ + L"\\" + kOutsideSettings;
  std::wstring debug_lines_;
  DebugOutputSink previous_sink_ = nullptr;
  test_support::TerminalValues values_;
  test_support::ScopedFile reboot_signal_{
      sysops::GetDepotronDataPath(sysops::kPassiveRebootSignalFileName)};
  test_support::ScopedFile passive_signal_{
      sysops::GetDepotronDataPath(sysops::kPassiveSignalFileName)};
  test_support::ScopedFile shortcut_{sysops::GetSpecialFolder(CSIDL_COMMON_STARTUP) + L"\\" +
                                     sysops::kStartupShortcutName};
};

// What stands at `path` for one case: the link, with whatever was there set
// aside and put back afterwards.
class PlantedThing {
 public:
  PlantedThing(const std::wstring& path, Plant plant, const std::wstring& outside,
               const std::wstring& outside_file)
      : path_(path), aside_(path + L".vts-aside") {
    if (test_support::PathExists(path_)) {
      if (!::MoveFileW(path_.c_str(), aside_.c_str())) return;
      moved_ = true;
    }
    switch (plant) {
      case Plant::kFolderLink:
        link_ = std::make_unique<test_support::ScopedUnixLink>(path_, outside);
        ok_ = link_->ok();
        break;
      case Plant::kFileLink:
        link_ = std::make_unique<test_support::ScopedUnixLink>(path_, outside_file);
        ok_ = link_->ok();
        break;
      case Plant::kHardLink:
        ok_ = ::CreateHardLinkW(path_.c_str(), outside_file.c_str(), nullptr) != FALSE;
        break;
    }
  }
  ~PlantedThing() {
    if (link_) {
      link_.reset();
    } else {
      ::DeleteFileW(path_.c_str());
    }
    if (moved_) ::MoveFileW(aside_.c_str(), path_.c_str());
  }
  bool ok() const { return ok_; }

 private:
  std::wstring path_, aside_;
  std::unique_ptr<test_support::ScopedUnixLink> link_;
  bool moved_ = false;
  bool ok_ = false;
};

TEST_F(PlantedLinks, NothingOutsideTheVarnelFoldersIsTouched) {
  const std::wstring common = sysops::GetSpecialFolder(CSIDL_COMMON_APPDATA);
  const std::string outside_before = Outside();
  ASSERT_NE(outside_before.find("0o"), std::string::npos) << outside_before;
  for (const PlantedCase& c : kPlantedCases) {
    SCOPED_TRACE(c.what);
    debug_lines_.clear();
    sink_.reports.clear();
    // Earlier cases' folders exist; the ones a case replaces are set aside.
    ASSERT_FALSE(sysops::GetStatusBoxIniPath().empty());
    ASSERT_FALSE(sysops::GetDepotronDataPath(L"").empty());
    ASSERT_FALSE(sysops::GetInstallerDownloadPath().empty());
    const std::wstring path = common + L"\\" + c.relative;
    std::unique_ptr<PlantedThing> planted;
    if (!c.after_survey) {
      planted = std::make_unique<PlantedThing>(path, c.plant, outside_, outside_file_);
      ASSERT_TRUE(planted->ok());
    }
    test_support::RecordingSink survey_sink;
    const survey::SurveyOutcome surveyed = survey::RunSurvey(survey_sink);
    if (c.survey_reads_nothing) {
      ASSERT_EQ(surveyed.result, 0);
      EXPECT_EQ(surveyed.entries.at(survey::kEntrySendBoxId), L"");
      EXPECT_EQ(surveyed.entries.at(survey::kEntryProcessGroupId), L"");
    }
    if (c.after_survey) {
      planted = std::make_unique<PlantedThing>(path, c.plant, outside_, outside_file_);
      ASSERT_TRUE(planted->ok());
    }
    const setup::SetupOutcome outcome = setup::RunSetup(sink_, inputs_, accepting_);
    EXPECT_EQ(outcome.result, setup::kSetupFailed);
    EXPECT_EQ(outcome.error_text, *c.message);
    EXPECT_NE(debug_lines_.find(L"refused"), std::wstring::npos) << "no debug line";
    planted.reset();
    EXPECT_EQ(Outside(), outside_before);
  }
}

// ------------------------------------------------------------------ records

// Passwords a record must never show, with characters a URL carries
// percent-encoded and characters the ANSI code page holds.
SetupInputs RecordInputs() {
  // user, domain, password, group, send box, its password, process group
  return {L"terminal", L"VARNEL-PC", L"ログオン#秘 1", L"group-a", L"BOX-001", L"box&秘=2", L"PG-7"};
}

const char kPackageBytes[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1" "a package for the record";
const char kPackageDigest[] = "2ec3b7d41e016f3cb0c1a4b15fc5d3cb503108f157f33a190c2e043a5fad50dc";
const char kUpdaterBytes[] = "MZ an updater for the record";
const char kUpdaterDigest[] = "641caba77d7eed93cbc20a84067e6624a93328e60629aab28f35bfd32cfceb2c";

// What the debug channel received meanwhile.
std::wstring g_debug_output;
void CaptureDebugOutput(const wchar_t* text) { g_debug_output += text; }

std::string Utf8(const std::wstring& text) { return codec::Encode(text, codec::CodePage::kUtf8); }

struct RecordedRun {
  const char* name = "";
  // The services' sections, each with its fault lines; "-" leaves the
  // section out. "nobody" as the group: no server answers at all.
  std::string group = "";
  std::string box = "";
  std::string installer = "";
  bool logon = true;
  bool updater = false;          // an updater installed: the run starts it
  std::string powercfg = "exit 0\n";
  std::string dism;              // empty: the IoT listing, both features enabled
  bool folder_refused = false;   // a file where the record folder belongs
  int result = setup::kInstallerStarted;
  std::wstring message;
  // Each a line of the record: the parts it holds.
  std::vector<std::vector<std::string>> lines;
};

const char kPowercfgFails[] =
    "err Invalid Parameters -- try \"/?\" for help\\r\\n\nexit 1\n";
const char kDismQueryFails[] =
    "err \\r\\nError: 1726\\r\\n\\r\\nThe remote procedure call failed.\\r\\n\nexit 1726\n";

std::vector<RecordedRun> RecordedRuns(const std::string& enable_fails) {
  const std::string page = "body=<html><body>Maintenance until 6:00</body></html>\n";
  const std::string status = "http://status.varnel.example/kakonotify_send/setup_check.cgi"
                             "?userid=BOX-001&password=" + Utf8(setup::MaskedLike(L"box&秘=2"));
  const std::string descriptor = "http://delivery.varnel.example/depotron/version/group-a.ini";
  const std::string package =
      "http://delivery.varnel.example/depotron/installer/Depotron/5.2.0/VarnelDepotron.msi";
  const std::string failed = "failed: the run stops here";
  std::vector<RecordedRun> runs;
  {
    RecordedRun run;
    run.name = "a whole run that opens the installer";
    run.lines = {{"setup run of VarnelTerminalSetupWizard 1.0.0.0"},
                 {"Windows: ", ", edition ", ", build "},
                 {"process: ", "-bit"},
                 {"inputs: user \"terminal\"", "password \"" + Utf8(setup::MaskedLike(L"ログオン#秘 1")),
                  "its password \"" + Utf8(setup::MaskedLike(L"box&秘=2")) + "\""},
                 {"step 5% began: Windows ログイン情報 確認中..."},
                 {"Windows accepted the log-on"},
                 {"step 5% ended"},
                 {"GET " + descriptor + ": HTTP 200"},
                 {"GET " + status + ": HTTP 200"},
                 {"the service accepted the send box"},
                 {"wrote AutoAdminLogon \"1\"",
                  "DefaultPassword \"" + Utf8(setup::MaskedLike(L"ログオン#秘 1")) + "\""},
                 {"made the start-up shortcut"},
                 {"step 40% ended"},
                 {"step 60% began: ログイン画面の調整 設定中..."},
                 {"the features are enabled"},
                 {"step 70% began"},
                 {"step 75% ended"},
                 {"Depotron 5.2.0 is delivered; a passive update"},
                 {"GET " + package + ": HTTP 200, 32 bytes"},
                 {"the package ", "VarnelDepotron.msi: 32 bytes, SHA-256 " + std::string(kPackageDigest)},
                 {"the package was opened with the shell"},
                 {"result: the installer was opened (1)"},
                 {"the window closes"},
                 {"total time: ", " s"}};
    runs.push_back(run);
  }
  {
    RecordedRun run;
    run.name = "a whole run that starts the updater";
    run.updater = true;
    run.result = setup::kUpdaterStarted;
    run.lines = {{"step 90% began: Depotronの起動処理..."},
                 {"the updater ", "VarnelUpdate.exe: 28 bytes, SHA-256 " + std::string(kUpdaterDigest)},
                 {"the updater was started"},
                 {"result: the updater was started (0)"},
                 {"the window surveys the PC again"}};
    runs.push_back(run);
  }
  {
    RecordedRun run;
    run.name = "the log-on refused";
    run.logon = false;
    run.result = setup::kSetupFailed;
    run.message = kLogonRefused;
    run.lines = {{"LogonUserW failed: Windows error 1326 ("},
                 {"step 5% " + failed},
                 {"result: failed (-1)"},
                 {"message shown: Windows ログインパスワードが不正です\\nパスワードをもう一度入力してください"}};
    runs.push_back(run);
  }
  const auto failing = [&](const char* name, std::string group, std::string box,
                           std::string installer, std::wstring message,
                           std::vector<std::vector<std::string>> lines) {
    RecordedRun run;
    run.name = name;
    run.group = std::move(group);
    run.box = std::move(box);
    run.installer = std::move(installer);
    run.result = setup::kSetupFailed;
    run.message = std::move(message);
    run.lines = std::move(lines);
    run.lines.push_back({"result: failed (-1)"});
    run.lines.push_back({"message shown: " + Utf8(setup::OneLine(run.message))});
    runs.push_back(run);
  };
  failing("the delivery group unknown", "-", "", "", kGroupNotFound,
          {{"GET " + descriptor + ": HTTP 404"}, {"step 10% " + failed}});
  failing("the delivery server answering 500", "status=500\n", "", "", kGroupNotFound,
          {{"GET " + descriptor + ": HTTP 500"}});
  failing("the delivery server answering a page", page, "", "", kNotDelivered,
          {{"GET " + descriptor + ": HTTP 200"},
           {"the descriptor names no Depotron version; it begins: <html><body>Maintenance"},
           {"step 80% " + failed}});
  failing("nobody answering", "nobody", "", "", kGroupNotFound,
          {{"GET " + descriptor + ": no answer, the request failed: Windows error 120"}});
  failing("the status service answering 500", "", "status=500\n", "", kCheckFailed,
          {{"GET " + status + ": HTTP 500"}, {"step 20% " + failed}});
  failing("the status service answering a page", "", page, "", kCheckError,
          {{"GET " + status + ": HTTP 200"},
           {"the answer is not the service's; it begins: <html><body>Maintenance"}});
  failing("the status service refusing the box", "",
          "body=<html><body>\\r\\n<p>##ERROR## 停止中です</p>\\r\\n</body></html>\n", "",
          L"ステイタス通知用 送信BOXが利用できません\n ( ※停止中です )",
          {{"the service refused the send box: 停止中です"}});
  failing("the installer answering 500", "", "", "status=500\n", kDownloadFailed,
          {{"GET " + package + ": HTTP 500"}, {"step 90% " + failed}});
  failing("the package not an installer", "", "", "file=page.html\n", kDownloadFailed,
          {{"GET " + package + ": HTTP 200"},
           {"the download is no installer package; it begins: <html><body>Maintenance"}});
  {
    RecordedRun run;
    run.name = "powercfg failing";
    run.powercfg = kPowercfgFails;
    run.lines = {{"ignored: \"", "powercfg.exe\" -setactive SCHEME_MIN: exit code 1, output: "
                  "Invalid Parameters -- try \"/?\" for help"},
                 {"ignored: \"", "powercfg.exe\" /x /disk-timeout-dc 0: exit code 1"},
                 {"step 40% ended with 9 failure(s) ignored"},
                 {"result: the installer was opened (1)"}};
    runs.push_back(run);
  }
  {
    RecordedRun run;
    run.name = "DISM failing to list the features";
    run.dism = kDismQueryFails;
    run.lines = {{"skipped: the features are not offered, or DISM could not tell; \"",
                  "DISM.EXE\" /online /Get-Features /English: exit code 1726, output: Error: 1726 | "
                  "The remote procedure call failed."},
                 {"result: the installer was opened (1)"}};
    runs.push_back(run);
  }
  {
    RecordedRun run;
    run.name = "DISM failing to enable the features";
    run.dism = enable_fails;
    run.lines = {{"the features are offered and not all enabled"},
                 {"ignored: \"", "/Enable-Feature /FeatureName:Client-EmbeddedLogon /all /NoRestart: "
                  "exit code 87, output: Error: 87 | The enable-feature option is unknown."},
                 {"ignored: \"", "/FeatureName:Client-EmbeddedBootExp", "exit code 87"},
                 {"step 60% ended with 2 failure(s) ignored"}};
    runs.push_back(run);
  }
  {
    RecordedRun run;
    run.name = "the record folder refused";
    run.updater = true;
    run.folder_refused = true;
    run.result = setup::kUpdaterStarted;
    runs.push_back(run);
  }
  return runs;
}

class RunRecords : public LocalFaults {
 protected:
  void SetUp() override {
    LocalFaults::SetUp();
    ASSERT_TRUE(services_.ok()) << services_.problem();
    ASSERT_TRUE(powercfg_.ok() && dism64_.ok() && dism32_.ok());
    ASSERT_TRUE(values_.RemoveAll());
    files_.DeleteAll();
    ::DeleteFileW(private_.path().c_str());
    ::DeleteFileW(updater_.path().c_str());
    const std::wstring folder = ParentOf(services_.dataPath());
    ASSERT_TRUE(test_support::WriteBytes(folder + L"\\record-package.msi",
                                         std::string(kPackageBytes, sizeof kPackageBytes - 1)));
    ASSERT_TRUE(test_support::WriteBytes(folder + L"\\page.html",
                                         "<html><body>Maintenance until 6:00</body></html>"));
    listing_ = test_support::TempFilePath(L"listing");
    ASSERT_TRUE(test_support::WriteBytes(
        listing_, codec::Encode(dism_listing::IotListing(L"Disabled", L"Disabled"),
                                codec::CodePage::kThreadAnsi)));
    enabled_listing_ = test_support::TempFilePath(L"enabled");
    ASSERT_TRUE(test_support::WriteBytes(
        enabled_listing_, codec::Encode(dism_listing::IotListing(L"Enabled", L"Enabled"),
                                        codec::CodePage::kThreadAnsi)));
    updater_bytes_ = test_support::TempFilePath(L"updater");
    ASSERT_TRUE(test_support::WriteBytes(updater_bytes_,
                                         std::string(kUpdaterBytes, sizeof kUpdaterBytes - 1)));
    previous_sink_ = SetDebugOutputSink(CaptureDebugOutput);
  }
  void TearDown() override {
    SetDebugOutputSink(previous_sink_);
    ::DeleteFileW(listing_.c_str());
    ::DeleteFileW(enabled_listing_.c_str());
    ::DeleteFileW(updater_bytes_.c_str());
    files_.DeleteAll();
    LocalFaults::TearDown();
  }

  // DISM lists both features not enabled and fails to enable either.
  std::string EnableFails() const {
    return "when /Get-Features\noutfile " + test_support::ToUtf8(listing_) +
           "\nexit 0\nwhen /Enable-Feature\n"
           "err Error: 87\\r\\n\\r\\nThe enable-feature option is unknown.\\r\\n\nexit 87\n";
  }

  std::string Data(const RecordedRun& run) const {
    std::string data;
    if (run.group != "-") data += "[group group-a]\nversion=5.2.0\n" + run.group;
    if (run.box != "-") data += "[box BOX-001]\npassword=box&秘=2\n" + run.box;
    if (run.installer != "-") data += "[installer 5.2.0]\nfile=record-package.msi\n" + run.installer;
    return data;
  }

  // The run, and the record it left (empty when it left none).
  std::wstring Run(const RecordedRun& arranged, setup::SetupOutcome& outcome) {
    const bool nobody = arranged.group == "nobody";
    test_support::ProxyScope proxy(nobody ? 9 : services_.port());  // the discard port: closed
    EXPECT_TRUE(proxy.ok());
    EXPECT_TRUE(services_.WriteData(Data(arranged)));
    test_support::ScopedScript power(test_support::kPowercfgScriptVariable, arranged.powercfg);
    test_support::ScopedScript dism(
        test_support::kDismScriptVariable,
        arranged.dism.empty() ? "outfile " + test_support::ToUtf8(enabled_listing_) + "\n"
                              : arranged.dism);
    std::unique_ptr<test_support::ScopedProgram> updater;
    if (arranged.updater) {
      updater = std::make_unique<test_support::ScopedProgram>(updater_bytes_, updater_.path());
      EXPECT_TRUE(updater->ok());
    } else {
      ::DeleteFileW(updater_.path().c_str());
    }
    std::unique_ptr<FileInPlaceOfFolder> refused;
    std::unique_ptr<test_support::ScopedFile> upload;
    if (arranged.folder_refused) {
      refused = std::make_unique<FileInPlaceOfFolder>(private_folder_);
      EXPECT_TRUE(refused->ok());
      // The run's own folder also takes the settings file's draft and the
      // download: with an upload pending (no settings written) and the
      // updater installed, the record is all that needs it.
      upload = std::make_unique<test_support::ScopedFile>(sysops::GetUploadMarkerPath(), "");
      EXPECT_TRUE(upload->ok());
    }
    const SetupInputs inputs = RecordInputs();
    FixedLogon logon(arranged.logon);
    setup_test::RecordingOpener opener;
    RecordingSink sink;
    g_debug_output.clear();
    std::wstring path;
    {
      setup::RunRecord record(inputs);
      CSetupRun run(sink, inputs, logon, opener, record);
      outcome.result = run.Run();
      outcome.error_text = run.ErrorText();
      path = record.path();
    }
    return path;
  }

  // The start-up shortcut is a shell-link object.
  test_support::ScopedCom com_;
  test_support::LocalServices services_;
  test_support::ScopedProgram powercfg_{test_support::BuiltFakeTool(L"powercfg.exe"),
                                        kSystemPowercfg};
  test_support::ScopedProgram dism64_{test_support::BuiltFakeTool(L"DISM.exe"), k64BitDism};
  test_support::ScopedProgram dism32_{test_support::BuiltFakeTool(L"DISM.exe"), k32BitDism};
  test_support::TerminalValues values_;
  test_support::ProductFiles files_;
  test_support::ScopedFile private_{sysops::GetPrivateInstallerPath()};
  test_support::ScopedFile updater_{sysops::GetDepotronUpdaterPath()};
  const std::wstring private_folder_ = ParentOf(sysops::GetPrivateInstallerPath());
  std::wstring listing_;
  std::wstring enabled_listing_;
  std::wstring updater_bytes_;
  DebugOutputSink previous_sink_ = nullptr;
};

TEST_F(RunRecords, EachRunNamesItsStepsAndCausesAndNoSecret) {
  const SetupInputs inputs = RecordInputs();
  for (const RecordedRun& arranged : RecordedRuns(EnableFails())) {
    SCOPED_TRACE(arranged.name);
    setup::SetupOutcome outcome;
    const std::wstring path = Run(arranged, outcome);
    // The record changes nothing of the run.
    EXPECT_EQ(outcome.result, arranged.result);
    EXPECT_EQ(outcome.error_text, arranged.message);
    // Every line went to the debug channel too; no secret went there either.
    setup_test::ExpectNoSecrets(Utf8(g_debug_output), inputs, "the debug output");
    const std::string debug(reinterpret_cast<const char*>(g_debug_output.data()),
                            g_debug_output.size() * sizeof(wchar_t));
    setup_test::ExpectNoSecrets(debug, inputs, "the debug output");
    if (arranged.folder_refused) {
      EXPECT_EQ(path, L"");
      EXPECT_NE(g_debug_output.find(L"setup record: beginning a record in the private folder "
                                    L"failed: Windows error "),
                std::wstring::npos)
          << Utf8(g_debug_output);
      EXPECT_NE(g_debug_output.find(L"result: the updater was started (0)"), std::wstring::npos);
      continue;
    }
    // setup-YYYYMMDD-HHMMSS.log (or -N for a second within the same second)
    // in the private folder.
    ASSERT_EQ(ParentOf(path), private_folder_);
    const std::wstring name = path.substr(private_folder_.size() + 1);
    EXPECT_EQ(name.compare(0, 6, L"setup-"), 0) << Utf8(name);
    EXPECT_EQ(name.substr(name.size() - 4), L".log");
    const std::string bytes = setup_test::RecordBytes(path);
    EXPECT_EQ(bytes.compare(0, 3, "\xEF\xBB\xBF"), 0) << "no UTF-8 byte-order mark";
    setup_test::ExpectNoSecrets(bytes, inputs, "the record");
    const std::vector<std::string> lines = setup_test::RecordLines(path);
    for (const std::vector<std::string>& parts : arranged.lines) {
      EXPECT_TRUE(setup_test::SomeLineHas(lines, parts))
          << parts.front() << " ... in\n" << setup_test::Joined(lines);
    }
    EXPECT_NE(g_debug_output.find(codec::Decode(lines.empty() ? "" : lines.back(),
                                                codec::CodePage::kUtf8)),
              std::wstring::npos);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back().compare(0, 12, "total time: "), 0) << lines.back();
    ::DeleteFileW(path.c_str());
  }
}

// The newest 20 records stay; older ones go, other files never.
// The names of the records' files in the private folder, held only for the
// look.
std::vector<std::wstring> RecordNames() {
  std::vector<std::wstring> names = sysops::HoldPrivateFolder().ListFileNames(L"setup-*.log");
  std::sort(names.begin(), names.end());
  return names;
}

TEST_F(RunRecords, TheFolderKeepsTheTwentyNewest) {
  for (const std::wstring& name : RecordNames()) {
    ASSERT_TRUE(sysops::HoldPrivateFolder().RemoveFile(name));
  }
  std::vector<std::wstring> planted;
  for (int second = 0; second < 25; ++second) {
    planted.push_back(setup::RecordFileName({2000, 1, 1, 0, 0, second, 0}));
    ASSERT_TRUE(test_support::WriteBytes(private_folder_ + L"\\" + planted.back(), "old record"));
  }
  test_support::ScopedFile notes{private_folder_ + L"\\setup-notes.log"};
  ASSERT_TRUE(test_support::WriteBytes(notes.path(), "not a record"));
  std::wstring path;
  {
    setup::RunRecord record(RecordInputs());
    path = record.path();
  }
  ASSERT_EQ(ParentOf(path), private_folder_);
  // 25 planted and the new one: the six oldest go.
  std::vector<std::wstring> expected(planted.begin() + 6, planted.end());
  expected.push_back(path.substr(private_folder_.size() + 1));
  expected.push_back(L"setup-notes.log");
  std::sort(expected.begin(), expected.end());
  const std::vector<std::wstring> left = RecordNames();
  EXPECT_EQ(left, expected);
  for (const std::wstring& name : left) ::DeleteFileW((private_folder_ + L"\\" + name).c_str());
}

// A log-on check that throws, or during which the window is closed: the
// record ends with that fact, everything before it on disk.
class ThrowingLogon : public setup::ILogonCheck {
 public:
  bool LogOn(const std::wstring&, const std::wstring&, const std::wstring&) override {
    throw std::runtime_error("the check broke");
  }
};
class ClosingLogon : public setup::ILogonCheck {
 public:
  bool LogOn(const std::wstring&, const std::wstring&, const std::wstring&) override {
    setup::RecordWindowClosed();
    return false;
  }
};

TEST_F(RunRecords, ARunCutShortEndsItsRecordWithWhatEndedIt) {
  const auto names = [] {
    const std::vector<std::wstring> list = RecordNames();
    return std::set<std::wstring>(list.begin(), list.end());
  };
  const auto newest = [this](const std::set<std::wstring>& before) {
    for (const std::wstring& name : RecordNames()) {
      if (!before.count(name)) return private_folder_ + L"\\" + name;
    }
    return std::wstring();
  };
  struct Cut {
    const char* name;
    std::function<void()> run;
    std::string last;
  };
  ThrowingLogon throwing;
  ClosingLogon closing;
  const Cut cuts[] = {
      {"an exception",
       [&] { EXPECT_THROW(setup::RunSetup(sink_, RecordInputs(), throwing), std::runtime_error); },
       "the run was ended by an exception (the check broke) after "},
      {"the window closed",
       [&] {
         EXPECT_EQ(setup::RunSetup(sink_, RecordInputs(), closing).result, setup::kSetupFailed);
       },
       "the run was ended by closing the window after "},
  };
  for (const Cut& cut : cuts) {
    SCOPED_TRACE(cut.name);
    const std::set<std::wstring> before = names();
    cut.run();
    const std::wstring path = newest(before);
    const std::vector<std::string> lines = setup_test::RecordLines(path);
    ASSERT_GE(lines.size(), 2u) << setup_test::Joined(lines);
    EXPECT_EQ(lines[lines.size() - 2], "step 5% began: Windows ログイン情報 確認中...");
    EXPECT_EQ(lines.back().compare(0, cut.last.size(), cut.last), 0) << lines.back();
    EXPECT_NE(lines.back().find(", in step 5%"), std::string::npos) << lines.back();
    ::DeleteFileW(path.c_str());
  }
}

}  // namespace
