// One session of the program, operated from outside its process the way a
// technician uses it: wait for the survey, type, press the start button,
// answer the question, watch the progress, read and answer every message box.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "app/resource.h"
#include "demo_driver.h"
#include "framework/scoped_handle.h"
#include "kit/windows_of.h"

namespace demo_driver {
namespace {

const wchar_t kTitle[] = L"Varnelターミナル セットアップ Ver1.00L00";
const wchar_t kCompleted[] =
    L"設定を完了しました。\n\nDepotronによるソフトインストール後\nコンピュータを再起動してください";

struct StatusLine {
  int id;
  const wchar_t* label;  // the label the window shows beside it, shortened
};
const StatusLine kStatusLines[] = {
    {IDC_STATIC_OS_NAME, L"OS名"},
    {IDC_STATIC_AUTO_LOGON, L"Windowsオートログイン"},
    {IDC_STATIC_TERMINAL_STARTUP, L"ターミナルソフト自動起動"},
    {IDC_STATIC_POWER, L"電源を常にON"},
    {IDC_STATIC_WINDOWS_UPDATE, L"WindowsUpdateの停止"},
    {IDC_STATIC_LOGON_SCREEN, L"ログイン画面の調整"},
    // The two log-on inputs the survey fills and nobody types into.
    {IDC_EDIT_LOGON_USER, L"ログインユーザ"},
    {IDC_EDIT_LOGON_DOMAIN, L"ログイン先"},
};

// Patience for one step of a session. Generous: under Wine on a loaded
// machine a survey or a run can take many times what it takes on Windows.
constexpr DWORD kSurveyMs = 120000;
constexpr DWORD kBoxMs = 20000;
constexpr DWORD kRunMs = 240000;
constexpr DWORD kPollMs = 20;

// Reads any window's text, also an edit of another process (which a plain
// GetWindowText does not ask).
std::wstring TextOf(HWND hwnd) {
  DWORD_PTR length = 0;
  if (!::SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length)) {
    return std::wstring();
  }
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  ::SendMessageTimeoutW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]),
                        SMTO_ABORTIFHUNG, 5000, &copied);
  text.resize(std::min<std::size_t>(copied, length));
  return text;
}

using Windows = kit::ProcessWindows;

Windows WindowsOf(DWORD process_id) { return kit::WindowsOf(process_id, kTitle); }

struct Box {
  std::wstring text;
  std::vector<int> buttons;
  bool Has(int id) const { return std::find(buttons.begin(), buttons.end(), id) != buttons.end(); }
};

BOOL CALLBACK ReadBoxChild(HWND child, LPARAM param) {
  auto* box = reinterpret_cast<Box*>(param);
  wchar_t name[16] = {};
  ::GetClassNameW(child, name, 16);
  const int id = ::GetDlgCtrlID(child);
  if (_wcsicmp(name, L"Button") == 0 && ::IsWindowVisible(child)) {
    box->buttons.push_back(id);
  } else if (_wcsicmp(name, L"Static") == 0 && id == 0xFFFF) {
    box->text = TextOf(child);
  }
  return TRUE;
}

Box ReadBox(HWND hwnd) {
  Box box;
  ::EnumChildWindows(hwnd, &ReadBoxChild, reinterpret_cast<LPARAM>(&box));
  return box;
}

bool WaitUntil(const std::function<bool()>& done, DWORD timeout_ms) {
  return kit::WaitUntil(done, timeout_ms, kPollMs);
}

// A click as the button's own window procedure takes it.
void Click(HWND button) { ::PostMessageW(button, BM_CLICK, 0, 0); }

// Keystrokes into an edit: select all, erase, then one character at a time.
void TypeInto(HWND edit, const std::wstring& text) {
  ::SendMessageW(edit, EM_SETSEL, 0, -1);
  ::SendMessageW(edit, WM_CHAR, VK_BACK, 1);
  for (wchar_t c : text) ::SendMessageW(edit, WM_CHAR, c, 1);
}

// Asks the shell for a screenshot of an area and waits until it has one;
// without anyone at the other end of standard input it goes on at once.
void Snap(const wchar_t* name, RECT area) {
  Emit(std::wstring(L"snap\t") + name + L"\t" + std::to_wstring(area.left) + L"\t" +
       std::to_wstring(area.top) + L"\t" + std::to_wstring(area.right - area.left) + L"\t" +
       std::to_wstring(area.bottom - area.top));
  char answer[64];
  DWORD got = 0;
  HANDLE in = ::GetStdHandle(STD_INPUT_HANDLE);
  while (in && in != INVALID_HANDLE_VALUE && ::ReadFile(in, answer, 1, &got, nullptr) && got == 1 &&
         answer[0] != '\n') {
  }
}

RECT RectOf(HWND hwnd) {
  RECT r{};
  ::GetWindowRect(hwnd, &r);
  return r;
}

RECT Union(RECT a, RECT b) {
  return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
              std::max(a.bottom, b.bottom)};
}

// The program under the driver's hands; ended if the driver gives up on it.
class Session {
 public:
  explicit Session(const std::wstring& exe) {
    std::wstring command = L"\"" + exe + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (::CreateProcessW(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                         &startup, &info)) {
      ::CloseHandle(info.hThread);
      process_.reset(info.hProcess);
      id_ = info.dwProcessId;
    }
  }
  ~Session() {
    if (process_ && !Ended()) {
      ::TerminateProcess(process_.get(), 1);
      ::WaitForSingleObject(process_.get(), 10000);
    }
  }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  bool Started() const { return process_.is_valid(); }
  bool Ended() const { return ::WaitForSingleObject(process_.get(), 0) == WAIT_OBJECT_0; }
  bool WaitForEnd(DWORD ms) const { return ::WaitForSingleObject(process_.get(), ms) == WAIT_OBJECT_0; }
  Windows Now() const { return WindowsOf(id_); }

  // Until the survey has finished: the start button enabled and the status
  // line hidden again, or a message box instead. False when neither comes.
  bool WaitForSurvey(Windows* seen) const {
    return WaitUntil(
        [&] {
          *seen = Now();
          if (seen->box || Ended()) return true;
          if (!seen->main) return false;
          return ::IsWindowEnabled(::GetDlgItem(seen->main, IDC_BUTTON_START)) &&
                 !::IsWindowVisible(::GetDlgItem(seen->main, IDC_STATIC_STATUS));
        },
        kSurveyMs);
  }

  HWND WaitForBox() const {
    Windows w;
    WaitUntil([&] { return (w = Now()).box != nullptr || Ended(); }, kBoxMs);
    return w.box;
  }

 private:
  fw::ScopedHandle process_;
  DWORD id_ = 0;
};

void ReadStatusLines(HWND main, const wchar_t* stage) {
  for (const StatusLine& line : kStatusLines) {
    Row(stage, line.label, TextOf(::GetDlgItem(main, line.id)));
  }
}

// Opens the program and waits for its first survey; null (after saying why)
// when the window does not come up idle.
HWND OpenAndSurvey(Session& session) {
  if (!session.Started()) {
    Outcome(L"failed", L"the program could not be started");
    return nullptr;
  }
  Say(L"waiting for the survey of the PC");
  Windows w;
  if (!session.WaitForSurvey(&w)) {
    Outcome(L"failed", L"the survey did not finish");
    return nullptr;
  }
  if (w.box) {
    const Box box = ReadBox(w.box);
    if (w.main) Snap(L"message", Union(RectOf(w.main), RectOf(w.box)));
    Outcome(L"message", box.text);
    Click(::GetDlgItem(w.box, box.buttons.empty() ? IDOK : box.buttons.front()));
    return nullptr;
  }
  if (!w.main) {
    Outcome(L"failed", L"the program ended before its window was idle");
    return nullptr;
  }
  // Let the window paint the texts it has just received.
  ::Sleep(300);
  return w.main;
}

}  // namespace

int Technician(const std::wstring& exe, const Inputs& inputs) {
  Session session(exe);
  HWND main = OpenAndSurvey(session);
  if (!main) return 1;
  ReadStatusLines(main, L"survey");
  Snap(L"survey", RectOf(main));

  const std::pair<int, const std::wstring*> typed[] = {
      {IDC_EDIT_DELIVERY_GROUP, &inputs.delivery_group},
      {IDC_EDIT_SENDBOX_ID, &inputs.send_box_id},
      {IDC_EDIT_SENDBOX_PASSWORD, &inputs.send_box_password},
      {IDC_EDIT_PROCESS_GROUP_ID, &inputs.process_group_id},
      {IDC_EDIT_LOGON_PASSWORD, &inputs.windows_password},
  };
  for (const auto& [id, text] : typed) {
    HWND edit = ::GetDlgItem(main, id);
    if (!::IsWindowEnabled(edit)) {
      Say(L"edit " + std::to_wstring(id) + L" is locked; left as the survey filled it");
      continue;
    }
    TypeInto(edit, *text);
  }
  Say(L"pressing 設定開始");
  Click(::GetDlgItem(main, IDC_BUTTON_START));
  HWND question = session.WaitForBox();
  if (!question) {
    Outcome(L"failed", L"no question after the start button");
    return 1;
  }
  const Box asked = ReadBox(question);
  if (!asked.Has(IDYES)) {
    Outcome(L"message", asked.text);
    Click(::GetDlgItem(question, IDOK));
    return 1;
  }
  Say(L"answering Yes to: " + Escape(asked.text));
  Click(::GetDlgItem(question, IDYES));
  WaitUntil([&] { return session.Now().box != question || session.Ended(); }, kBoxMs);

  // Follow the run: every change of the status line and the bar, until the
  // window closes by itself or shows a message.
  int lastPercent = -1;
  std::wstring lastText;
  bool progressShot = false;
  const ULONGLONG end = ::GetTickCount64() + kRunMs;
  while (::GetTickCount64() < end) {
    if (session.Ended()) {
      Outcome(L"installer");
      return 0;
    }
    const Windows w = session.Now();
    if (w.box) {
      const Box box = ReadBox(w.box);
      if (box.text == kCompleted && w.main) {
        ReadStatusLines(w.main, L"completed");
        Snap(L"completed", Union(RectOf(w.main), RectOf(w.box)));
        Click(::GetDlgItem(w.box, IDOK));
        if (!session.WaitForEnd(kBoxMs)) {
          Outcome(L"failed", L"the window stayed open after the completion message");
          return 1;
        }
        Outcome(L"completed");
        return 0;
      }
      if (w.main) Snap(L"message", Union(RectOf(w.main), RectOf(w.box)));
      Outcome(L"message", box.text);
      Click(::GetDlgItem(w.box, IDOK));
      return 1;
    }
    if (w.main && ::IsWindowVisible(::GetDlgItem(w.main, IDC_STATIC_STATUS))) {
      const int percent = static_cast<int>(
          ::SendMessageW(::GetDlgItem(w.main, IDC_PROGRESS), PBM_GETPOS, 0, 0));
      const std::wstring text = TextOf(::GetDlgItem(w.main, IDC_STATIC_STATUS));
      if (percent != lastPercent || text != lastText) {
        if (lastPercent == 100 && percent < 100) {
          Say(L"the run has handed over; the window surveys the PC again");
        }
        Emit(L"progress\t" + std::to_wstring(percent) + L"\t" + Escape(text));
        lastPercent = percent;
        lastText = text;
        // Half-way through the configuration steps the window shows best
        // what the run is doing.
        if (!progressShot && percent >= 40) {
          Snap(L"progress", RectOf(w.main));
          progressShot = true;
        }
      }
    }
    ::Sleep(kPollMs);
  }
  Outcome(L"failed", L"the run did not end");
  return 1;
}

int Look(const std::wstring& exe) {
  Session session(exe);
  HWND main = OpenAndSurvey(session);
  if (!main) return 1;
  ReadStatusLines(main, L"survey");
  Snap(L"look", RectOf(main));
  ::PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
  if (!session.WaitForEnd(kBoxMs)) {
    Outcome(L"failed", L"the idle window did not close");
    return 1;
  }
  Outcome(L"closed");
  return 0;
}

}  // namespace demo_driver
