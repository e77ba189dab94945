#pragma once
// The survey of the PC's current state: which Windows it is, whether
// automatic log-on is set up for the current user, whether the terminal
// program starts at log-on, whether the power plan never times out, whether
// Windows Update is stopped, whether the log-on screen is adjusted, and which
// send box the PC reports to. It turns each into the display text of one
// dialog control and hands the texts back as a whole, with the flag that says
// whether the send-box inputs may be edited.
//
// Failure model: the survey only reads, and every read falls back to a
// default (empty text, 0, "cannot tell"), which is then judged like any other
// answer; no step shows anything. Its one lasting effect is the status-box
// folder, prepared (created and opened to everybody) when missing. Only a
// current user name that Windows will not give stops it: result -1, no map.
// It blocks while powercfg and DISM run: call it from a worker thread that
// has initialised COM (the start-up shortcut test uses shell links).

#include <cstdint>
#include <map>
#include <string>

#include "base/progress_sink.h"

// Display texts by dialog control ID, applied to the controls in ascending
// ID order.
using SurveyResultMap = std::map<std::uint32_t, std::wstring>;

namespace survey {

// The dialog controls the survey fills; the dialog's resource IDs.
enum SurveyEntry : std::uint32_t {
  kEntryDeliveryGroup = 1001,
  kEntrySendBoxId = 1002,
  kEntrySendBoxPassword = 1003,
  kEntryProcessGroupId = 1004,
  kEntryLogonUser = 1005,
  kEntryLogonPassword = 1006,
  kEntryLogonDomain = 1007,
  kEntryOsName = 1012,
  kEntryAutoLogon = 1013,
  kEntryTerminalStartup = 1014,
  kEntryPower = 1015,
  kEntryWindowsUpdate = 1016,
  kEntryLogonScreen = 1017,
};

// The delivery group input starts empty: nothing on the PC records the group
// in a form this program reads, and a filled-in guess would be sent to the
// delivery server as it stands if the technician overlooked it.
inline constexpr wchar_t kInitialDeliveryGroup[] = L"";

struct SurveyOutcome {
  int result = -1;  // 0: the entries are complete; -1: the survey stopped early
  SurveyResultMap entries;
  bool send_box_editable = false;  // no upload is pending
};

// Who the survey runs as. Windows answers in production (GetUserNameW,
// LookupAccountNameW); a test hands in an account Windows cannot produce on
// demand, one whose name lookup fails.
class ICurrentAccount {
 public:
  // The current user's name; false when Windows does not give it.
  virtual bool UserName(std::wstring* name) = 0;
  // The domain (or computer) text that the account lookup of `name` left,
  // empty when it left none; whether the lookup succeeded is not asked.
  virtual std::wstring DomainOf(const std::wstring& name) = 0;

 protected:
  ~ICurrentAccount() = default;
};

ICurrentAccount& WindowsAccount();

// Runs the eight steps, reporting 20, 30, 40, 50, 60, 70 and 90 % with their
// texts as each begins and 100 % with the empty text at the end, then pauses
// 100 ms so that the full bar is seen. A stop (result -1) reports nothing
// further and hands back no entries.
SurveyOutcome RunSurvey(IProgressSink& progress, ICurrentAccount& account = WindowsAccount());

}  // namespace survey
