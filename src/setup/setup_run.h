#pragma once
// The setup run: checks the technician's inputs against Windows, the delivery
// server and the status-notification service, and only when all three accept
// them rewrites the PC step by step and hands it over to Depotron.
//
// Failure model: a refused validation ends the run before anything on the PC
// has changed, with the message for that refusal. Of the configuration steps
// only the automatic log-on values, the send-box settings file, the Depotron
// version, the download and the start of Depotron can end the run; every other step ignores its own
// failures and the run goes on. Nothing is retried and nothing is timed out
// here: each request and each console tool takes as long as it takes, so the
// run belongs on a worker thread with COM initialised (the start-up shortcut
// uses shell-link objects). The run never shows anything itself; it reports
// progress through the sink and leaves its message in the outcome. What it
// did and why a step failed it tells its IRunEvents; RunSetup gives it the
// record of the run (run_record.h).

#include <string>

#include "base/binary.h"
#include "base/progress_sink.h"
#include "setup/run_events.h"

namespace setup {

// The seven inputs as the technician typed them; none is trimmed or tested
// for emptiness.
struct SetupInputs {
  std::wstring logon_user;
  std::wstring logon_domain;
  std::wstring logon_password;
  std::wstring delivery_group;
  std::wstring send_box_id;
  std::wstring send_box_password;
  std::wstring process_group_id;
};

// Whether Windows accepts a log-on with these texts.
class ILogonCheck {
 public:
  virtual bool LogOn(const std::wstring& user, const std::wstring& domain,
                     const std::wstring& password) = 0;

 protected:
  ~ILogonCheck() = default;
};

// An interactive log-on through the default provider (LogonUserW); the token
// is closed at once.
class WindowsLogonCheck : public ILogonCheck {
 public:
  bool LogOn(const std::wstring& user, const std::wstring& domain,
             const std::wstring& password) override;
};

// Starts a program or opens a document the way the technician would with a
// double click; the run hands Depotron over through it.
class IShellOpener {
 public:
  // False when nothing could be started.
  virtual bool Open(const std::wstring& file) = 0;

 protected:
  ~IShellOpener() = default;
};

// OpenWithShell (below).
class ShellOpener : public IShellOpener {
 public:
  bool Open(const std::wstring& file) override;
};

// The one ShellOpener of the process.
IShellOpener& TheShellOpener();

// Results of a run.
inline constexpr int kSetupFailed = -1;
inline constexpr int kUpdaterStarted = 0;
inline constexpr int kInstallerStarted = 1;

struct SetupOutcome {
  int result = kSetupFailed;
  std::wstring error_text;  // empty when the run left no message
};

// A whole run with its record (RunRecord): a run ended by an exception
// leaves a record that says so, and the exception goes on.
SetupOutcome RunSetup(IProgressSink& progress, const SetupInputs& inputs, ILogonCheck& logon);

// One run, step by step. Run does them all in order; the steps are public so
// that each can also be exercised on its own. A step that can end the run
// answers false (or kSetupFailed) after leaving its message, if any, through
// Fail or FailWithDetail.
class CSetupRun {
 public:
  // The run keeps its own copy of `inputs`; `events` hears what it does.
  CSetupRun(IProgressSink& progress, SetupInputs inputs, ILogonCheck& logon,
            IShellOpener& opener = TheShellOpener(), IRunEvents& events = NoEvents());
  CSetupRun(const CSetupRun&) = delete;
  CSetupRun& operator=(const CSetupRun&) = delete;

  // All steps in order; the events hear the run's end.
  int Run();
  const std::wstring& ErrorText() const { return error_text_; }

  // Keep `message` as the run's error text; kSetupFailed.
  int Fail(const std::wstring& message);
  // The send-box refusal message with the service's detail; kSetupFailed.
  int FailWithDetail(const std::wstring& detail);

  bool CheckWindowsLogon();       // 5 %
  bool LookUpDeliveryGroup();     // 10 %: keeps the descriptor
  bool CheckSendBox();            // 20 %, skipped while an upload is pending
  bool WriteAutoLogonValues();    // 30 %, ends the run without a message
  void ApplyPowerSettings();      // 40 %
  void StopWindowsUpdate();       // 50 %
  void AdjustLogonScreen();       // 60 %, only where the features are offered
  void RegisterTerminalStartup(); // 70 %
  // 75 %, skipped while an upload is pending; a file that cannot be
  // written ends the run with a message.
  bool WriteSendBoxSettings();
  bool PrepareDepotron(const CBinary& descriptor);  // 80 %
  // 90 %: starts the installed updater, or downloads and opens the
  // installer package when there is none.
  int HandOverToDepotron(const CBinary& descriptor);
  int StartUpdater(const std::wstring& updater);              // kUpdaterStarted
  // Downloads the package into the folder only administrators can write
  // (sysops::GetPrivateInstallerPath), holds it open without sharing write
  // or delete access, checks it, puts a copy of it into the public download
  // folder and opens that very file it holds. kInstallerStarted; a package
  // that is none, or that the public folder cannot take, ends the run with
  // the download message.
  int InstallDepotron(const CBinary& descriptor);
  int OpenInstallerPackage(const std::wstring& package);      // kInstallerStarted

  const CBinary& Descriptor() const { return descriptor_; }

 private:
  int RunSteps();
  // The step's report to the window, and its beginning to the events.
  void Begin(int percent, const wchar_t* status);
  // The last report and the pause that lets it reach the window before the
  // worker posts its result.
  int Finish(int result);

  IProgressSink& progress_;
  const SetupInputs inputs_;
  ILogonCheck& logon_;
  IShellOpener& opener_;
  IRunEvents& events_;
  CBinary descriptor_;
  std::wstring error_text_;
};

// Opens `file` with the shell's verb "open", shown normally, without waiting
// for it; false when the shell could not start it. The shell shows no error
// box of its own: the run reports the failure.
bool OpenWithShell(const std::wstring& file);

// Asks the service control manager to stop the Windows Update service; does
// not wait for it to stop and leaves its start type alone. Shows nothing;
// answers 0, or the Windows error of the call that failed.
unsigned long RequestWindowsUpdateStop();

}  // namespace setup
