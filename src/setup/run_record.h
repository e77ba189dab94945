#pragma once
// The record every setup run leaves: a UTF-8 text file
// "setup-YYYYMMDD-HHMMSS.log" in the folder only administrators and SYSTEM
// may write (the folder of sysops::GetPrivateInstallerPath), one line per
// event with its local time to the millisecond. It names the program's
// version and the Windows it runs on, each step as it begins and how it
// ends, the cause of any failure, the message the window shows, the
// hand-over and the total time. The folder keeps the 20 newest records.
//
// Every line also goes to the debug channel (WriteDebugOutput, which is
// OutputDebugStringW in the program), so a debugger or a debug-output viewer
// shows the run live.
//
// Nothing secret reaches a line: the log-on and send-box passwords and the
// web services' credentials, as typed and as a URL carries them, are written
// as the window masks a password.
//
// Failure model: the record never changes the run. A record that cannot be
// begun or written (folder refused, disk full) says so once on the debug
// channel and goes on there alone. Each line is handed to Windows as it
// comes (WriteFile, no buffer of the program's own), so whatever ends the
// process leaves every line before it in the file. Nothing throws out of it.

#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "framework/scoped_handle.h"
#include "setup/run_events.h"
#include "setup/setup_run.h"
#include "sysops/held_folder.h"

namespace setup {

// The program's version as the record names it; the manifest's
// assemblyIdentity carries the same.
inline constexpr wchar_t kProgramVersion[] = L"1.0.0.0";

// Where the records are kept: Program Files + "Varnel\Setup", reached and
// prepared as sysops::HoldPrivateFolder does. Empty when it cannot be.
std::wstring RecordFolderPath();

// The record's files: the one place that writes them. The folder is reached
// and held as every folder of an elevated write (sysops::HeldFolder: no link
// followed); each file is created new in it, never opened over something
// that stands there already.
class RecordFiles {
 public:
  explicit RecordFiles(sysops::HeldFolder folder) : folder_(std::move(folder)) {}
  bool ok() const { return folder_.is_held(); }
  const std::wstring& folder() const { return folder_.path(); }
  // A new file `name`; empty with the thread's last error when it cannot be
  // made.
  fw::ScopedFileHandle CreateNew(const std::wstring& name) const;
  // The names of the records' files in the folder.
  std::vector<std::wstring> Names() const;
  bool Remove(const std::wstring& name) const;

 private:
  sysops::HeldFolder folder_;
};

class RunRecord : public IRunEvents {
 public:
  // Begins the record of a run of `inputs` in the private folder
  // (sysops::HoldPrivateFolder), or in `folder`, removes the records beyond
  // the newest 20 there, lets the folder go and writes the record's head:
  // version, Windows, the inputs with the passwords masked. While it lives
  // it is the record RecordWindowClosed speaks to.
  explicit RunRecord(const SetupInputs& inputs);
  RunRecord(const SetupInputs& inputs, sysops::HeldFolder folder);
  ~RunRecord();
  RunRecord(const RunRecord&) = delete;
  RunRecord& operator=(const RunRecord&) = delete;

  // The file being written; empty when there is none.
  const std::wstring& path() const { return path_; }

  void StepBegan(int percent, const std::wstring& status) override;
  void Detail(const std::wstring& text) override;
  void Ignored(const std::wstring& cause) override;
  void RunEnded(int result, const std::wstring& message) override;

  // The run was cut short by `what` (an exception, the window closed): that
  // is the record's last line; nothing is written after it.
  void EndedBy(const std::wstring& what);

 private:
  void Write(const std::wstring& text);
  void EndStep();

  std::vector<std::wstring> secrets_;
  std::wstring path_;
  fw::ScopedFileHandle file_;
  bool file_failed_ = false;
  bool closed_ = false;
  int step_percent_ = -1;
  int step_ignored_ = 0;
  std::uint64_t started_ms_ = 0;
  SRWLOCK lock_ = SRWLOCK_INIT;
};

// Notes in the record of the run in progress, if any, that the window was
// closed while it ran; the process ends after it. Callable from any thread.
void RecordWindowClosed();

// The system's text for a Windows or WinINet error code, one line.
std::wstring SystemErrorText(std::uint32_t code);

// DescribeWindowsError with the system's text.
std::wstring WindowsFailure(const std::wstring& what, std::uint32_t code);

// The size and SHA-256 of an open file, read from its start through
// `file` (which must have read access); false when it cannot be read.
bool DigestOpenFile(HANDLE file, std::uint64_t& size, std::string& sha256);

// "<path>: <size> bytes, SHA-256 <hex>" of the file read through `file`, or
// the reason it could not be read.
std::wstring DescribeHandedOverFile(const std::wstring& path, HANDLE file);

}  // namespace setup
