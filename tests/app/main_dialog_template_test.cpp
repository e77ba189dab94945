// The main window as the technician first sees it, read from the real
// window: caption, frame, font, every control with its kind, text, place,
// size and style, and the start button's look.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/resource.h"
#include "support/programs.h"
#include "support/window_driver.h"

namespace {

using namespace apptest;

std::wstring ClassName(HWND hwnd) {
  wchar_t name[64] = {};
  ::GetClassNameW(hwnd, name, 64);
  return name;
}

// A control's rectangle in dialog units, converted the way the dialog
// manager converts them, against where the control really is.
RECT DialogUnitsToPixels(HWND dialog, int x, int y, int cx, int cy) {
  // The dialog manager converts position and size separately.
  RECT units{x, y, cx, cy};
  ::MapDialogRect(dialog, &units);
  return RECT{units.left, units.top, units.left + units.right, units.top + units.bottom};
}

void ExpectPlaced(HWND dialog, HWND control, int x, int y, int cx, int cy) {
  const RECT expected = DialogUnitsToPixels(dialog, x, y, cx, cy);
  RECT actual{};
  ::GetWindowRect(control, &actual);
  ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&actual), 2);
  EXPECT_EQ(actual.left, expected.left);
  EXPECT_EQ(actual.top, expected.top);
  EXPECT_EQ(actual.right, expected.right);
  EXPECT_EQ(actual.bottom, expected.bottom);
}

struct ChildSearch {
  std::wstring text;
  std::wstring cls;
  HWND found = nullptr;
};

BOOL CALLBACK FindChild(HWND child, LPARAM param) {
  auto* search = reinterpret_cast<ChildSearch*>(param);
  if (::GetDlgCtrlID(child) == IDC_STATIC && ClassName(child) == search->cls &&
      Text(child) == search->text) {
    search->found = child;
    return FALSE;
  }
  return TRUE;
}

// Controls without an ID are found by their kind and text.
HWND Unnamed(HWND dialog, const std::wstring& cls, const std::wstring& text) {
  ChildSearch search{text, cls};
  ::EnumChildWindows(dialog, &FindChild, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

LONG Style(HWND hwnd) { return ::GetWindowLongW(hwnd, GWL_STYLE); }

// Controls may trade WS_BORDER for a 3-D edge when they are created.
bool HasBorder(HWND hwnd) {
  return (Style(hwnd) & WS_BORDER) ||
         (::GetWindowLongW(hwnd, GWL_EXSTYLE) & (WS_EX_CLIENTEDGE | WS_EX_STATICEDGE));
}

class MainDialogTemplate : public ::testing::Test {
 protected:
  void SetUp() override {
    auto bodies = std::make_shared<TestBodies>();
    bodies->survey = [this](IProgressSink&) {
      survey_may_end_.Wait();
      return survey::SurveyOutcome();
    };
    run_ = std::make_unique<AppRun>(std::move(bodies));
    hwnd_ = run_->Dialog();
    ASSERT_NE(hwnd_, nullptr);
  }
  void TearDown() override {
    survey_may_end_.Open();
    run_.reset();
  }

  Gate survey_may_end_;
  std::unique_ptr<AppRun> run_;
  HWND hwnd_ = nullptr;
};

TEST_F(MainDialogTemplate, WindowFrameCaptionFontAndIcons) {
  EXPECT_EQ(Text(hwnd_), L"Varnelターミナル セットアップ Ver1.00L00");
  const LONG style = Style(hwnd_);
  EXPECT_TRUE(style & WS_POPUP);
  EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_TRUE(style & DS_MODALFRAME);
  EXPECT_TRUE(::GetWindowLongW(hwnd_, GWL_EXSTYLE) & WS_EX_APPWINDOW);

  RECT client{};
  ::GetClientRect(hwnd_, &client);
  RECT expected{0, 0, 396, 314};
  ::MapDialogRect(hwnd_, &expected);
  EXPECT_EQ(client.right, expected.right);
  EXPECT_EQ(client.bottom, expected.bottom);

  LOGFONTW font{};
  auto hfont = reinterpret_cast<HFONT>(::SendMessageW(hwnd_, WM_GETFONT, 0, 0));
  ASSERT_EQ(::GetObjectW(hfont, sizeof font, &font), static_cast<int>(sizeof font));
  EXPECT_STREQ(font.lfFaceName, L"MS UI Gothic");
  HDC dc = ::GetDC(hwnd_);
  EXPECT_EQ(font.lfHeight, -::MulDiv(11, ::GetDeviceCaps(dc, LOGPIXELSY), 72));
  ::ReleaseDC(hwnd_, dc);

  EXPECT_NE(::SendMessageW(hwnd_, WM_GETICON, ICON_BIG, 0), 0);
  EXPECT_NE(::SendMessageW(hwnd_, WM_GETICON, ICON_SMALL, 0), 0);
  EXPECT_EQ(::SendMessageW(hwnd_, WM_GETICON, ICON_BIG, 0),
            reinterpret_cast<LRESULT>(::LoadIconW(::GetModuleHandleW(nullptr),
                                                  MAKEINTRESOURCEW(IDR_MAINFRAME))));
}

TEST_F(MainDialogTemplate, EditsWithTheirStyles) {
  struct Edit {
    int id, x, y;
    bool password, read_only;
  };
  const Edit edits[] = {
      {IDC_EDIT_DELIVERY_GROUP, 144, 19, false, false},
      {IDC_EDIT_SENDBOX_ID, 144, 62, false, false},
      {IDC_EDIT_SENDBOX_PASSWORD, 144, 82, true, false},
      {IDC_EDIT_PROCESS_GROUP_ID, 144, 102, false, false},
      {IDC_EDIT_LOGON_USER, 144, 142, false, true},
      {IDC_EDIT_LOGON_PASSWORD, 144, 161, true, false},
      {IDC_EDIT_LOGON_DOMAIN, 144, 180, false, true},
  };
  for (const Edit& e : edits) {
    SCOPED_TRACE(e.id);
    HWND edit = Item(hwnd_, e.id);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(_wcsicmp(ClassName(edit).c_str(), L"Edit"), 0);
    ExpectPlaced(hwnd_, edit, e.x, e.y, 120, 14);
    const LONG style = Style(edit);
    EXPECT_TRUE(HasBorder(edit));
    EXPECT_TRUE(style & ES_AUTOHSCROLL);
    EXPECT_TRUE(style & WS_TABSTOP);
    EXPECT_EQ((style & ES_PASSWORD) != 0, e.password);
    EXPECT_EQ((style & ES_READONLY) != 0, e.read_only);
    EXPECT_EQ(Text(edit), L"");
  }
}

TEST_F(MainDialogTemplate, LabelsGroupsAndPictures) {
  struct Label {
    const wchar_t* cls;
    const wchar_t* text;
    int x, y, cx, cy;
    bool right_aligned;
  };
  const Label labels[] = {
      {L"Button", L"Depotron", 7, 5, 265, 38, false},
      {L"Static", L"配信グループ ：", 75, 21, 62, 8, true},
      {L"Button", L"ステイタス通知 送信BOX", 7, 47, 266, 78, false},
      {L"Static", L"送信BOX ID ：", 61, 64, 76, 8, true},
      {L"Static", L"工程管理 グループID ：", 61, 104, 76, 8, true},
      {L"Button", L"Windows 自動ログイン", 6, 129, 268, 74, false},
      {L"Static", L"ログインユーザ ：", 75, 147, 62, 8, true},
      {L"Static", L"ログイン先：", 75, 183, 62, 8, true},
      {L"Button", L"", 6, 208, 379, 83, false},
      {L"Static", L"OS名 : ", 16, 216, 125, 8, true},
      {L"Static", L"Windowsオートログイン : ", 16, 228, 125, 8, true},
      {L"Static", L"ターミナルソフト自動起動 : ", 16, 240, 125, 8, true},
      {L"Static", L"電源を常にON : ", 16, 252, 125, 8, true},
      {L"Static", L"WindowsUpdateの停止 ( IoT版のみ ) : ", 16, 264, 125, 8, true},
      {L"Static", L"ログイン画面の調整 ( IoT版のみ ) : ", 16, 276, 125, 8, true},
  };
  for (const Label& l : labels) {
    SCOPED_TRACE(testing::Message() << l.x << "," << l.y);
    HWND control = Unnamed(hwnd_, l.cls, l.text);
    ASSERT_NE(control, nullptr);
    ExpectPlaced(hwnd_, control, l.x, l.y, l.cx, l.cy);
    if (std::wstring(l.cls) == L"Button") {
      EXPECT_EQ(Style(control) & BS_TYPEMASK, BS_GROUPBOX);
    } else {
      EXPECT_EQ((Style(control) & SS_TYPEMASK) == SS_RIGHT, l.right_aligned);
    }
  }

  // The two "パスワード ：" labels, one per group.
  int passwordLabels = 0;
  for (HWND child = ::GetWindow(hwnd_, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    if (Text(child) != L"パスワード ：") continue;
    ++passwordLabels;
    EXPECT_EQ(Style(child) & SS_TYPEMASK, SS_RIGHT);
    RECT r{};
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&r), 2);
    const RECT sendBox = DialogUnitsToPixels(hwnd_, 61, 84, 76, 8);
    const RECT logon = DialogUnitsToPixels(hwnd_, 75, 165, 62, 8);
    EXPECT_TRUE(::EqualRect(&r, &sendBox) || ::EqualRect(&r, &logon));
  }
  EXPECT_EQ(passwordLabels, 2);

  // Pictures: icons 131 and 133 and bitmap 130, each showing an image.
  int icons = 0, bitmaps = 0;
  for (HWND child = ::GetWindow(hwnd_, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    if (ClassName(child) != L"Static") continue;
    const LONG type = Style(child) & SS_TYPEMASK;
    if (type == SS_ICON) {
      ++icons;
      EXPECT_NE(::SendMessageW(child, STM_GETICON, 0, 0), 0);
    } else if (type == SS_BITMAP) {
      ++bitmaps;
      EXPECT_NE(::SendMessageW(child, STM_GETIMAGE, IMAGE_BITMAP, 0), 0);
      RECT r{};
      ::GetWindowRect(child, &r);
      ::MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&r), 2);
      RECT origin{25, 78, 0, 0};
      ::MapDialogRect(hwnd_, &origin);
      EXPECT_EQ(r.left, origin.left);
      EXPECT_EQ(r.top, origin.top);
    }
  }
  EXPECT_EQ(icons, 2);
  EXPECT_EQ(bitmaps, 1);
}

TEST_F(MainDialogTemplate, StateLabelsStatusLineAndProgressBar) {
  const int stateLabels[] = {IDC_STATIC_OS_NAME,      IDC_STATIC_AUTO_LOGON,
                             IDC_STATIC_TERMINAL_STARTUP, IDC_STATIC_POWER,
                             IDC_STATIC_WINDOWS_UPDATE, IDC_STATIC_LOGON_SCREEN};
  int y = 217;
  for (int id : stateLabels) {
    SCOPED_TRACE(id);
    HWND label = Item(hwnd_, id);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(ClassName(label), L"Static");
    EXPECT_EQ(Text(label), L"-");
    ExpectPlaced(hwnd_, label, 144, y, id == IDC_STATIC_LOGON_SCREEN ? 125 : 230, 8);
    y += 12;
  }

  HWND status = Item(hwnd_, IDC_STATIC_STATUS);
  ASSERT_NE(status, nullptr);
  EXPECT_EQ(Style(status) & SS_TYPEMASK, SS_RIGHT);
  ExpectPlaced(hwnd_, status, 7, 295, 384, 8);

  HWND bar = Item(hwnd_, IDC_PROGRESS);
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(ClassName(bar), PROGRESS_CLASSW);
  ExpectPlaced(hwnd_, bar, 5, 305, 388, 6);
  PBRANGE range{};
  ::SendMessageW(bar, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
  EXPECT_EQ(range.iLow, 0);
  EXPECT_EQ(range.iHigh, 100);
}

TEST_F(MainDialogTemplate, StartButtonIsTheBoldDefaultButtonWithItsIcon) {
  HWND button = Item(hwnd_, IDC_BUTTON_START);
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(Text(button), L"設定開始");
  ExpectPlaced(hwnd_, button, 280, 18, 106, 52);
  EXPECT_EQ(Style(button) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
  EXPECT_EQ(LOWORD(::SendMessageW(hwnd_, DM_GETDEFID, 0, 0)), IDC_BUTTON_START);
  // Image and text together: no icon-only style.
  EXPECT_FALSE(Style(button) & BS_ICON);
  EXPECT_NE(::SendMessageW(button, BM_GETIMAGE, IMAGE_ICON, 0), 0);

  LOGFONTW dialogFont{}, buttonFont{};
  ASSERT_TRUE(::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(hwnd_, WM_GETFONT, 0, 0)),
                           sizeof dialogFont, &dialogFont));
  ASSERT_TRUE(::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(button, WM_GETFONT, 0, 0)),
                           sizeof buttonFont, &buttonFont));
  EXPECT_EQ(buttonFont.lfWeight, FW_BOLD);
  EXPECT_EQ(buttonFont.lfHeight, dialogFont.lfHeight * 8 / 5);
  EXPECT_STREQ(buttonFont.lfFaceName, dialogFont.lfFaceName);
}

// The dialog template as stored in the delivered executable (DLGTEMPLATEEX):
// what the dialog manager may adjust when it creates the window (the font's
// character set, borders turned into 3-D edges) is checked here.
struct TemplateItem {
  DWORD style = 0;
  int id = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
};
struct DialogTemplate {
  DWORD style = 0, ex_style = 0;
  short cx = 0, cy = 0;
  std::wstring title, face;
  WORD point_size = 0, weight = 0;
  BYTE italic = 0, charset = 0;
  std::vector<TemplateItem> items;
};

class TemplateReader {
 public:
  explicit TemplateReader(const BYTE* p) : start_(p), p_(p) {}
  template <typename T>
  T Take() {
    T value;
    std::memcpy(&value, p_, sizeof value);
    p_ += sizeof value;
    return value;
  }
  std::wstring SzOrOrd() {
    if (Peek() == 0xFFFF) {
      Take<WORD>();
      return L"#" + std::to_wstring(Take<WORD>());
    }
    return Sz();
  }
  std::wstring Sz() {
    std::wstring text;
    for (WORD c; (c = Take<WORD>()) != 0;) text += static_cast<wchar_t>(c);
    return text;
  }
  void AlignDword() {
    while ((p_ - start_) % 4) ++p_;
  }
  void Skip(size_t n) { p_ += n; }
  WORD Peek() const {
    WORD w;
    std::memcpy(&w, p_, sizeof w);
    return w;
  }

 private:
  const BYTE* start_;
  const BYTE* p_;
};

// The delivered program's file, mapped for its resources alone: the
// resources as the technician's copy carries them, after the release link
// that dropped what nothing reaches and stripped the rest.
HMODULE DeliveredProgram() {
  static const HMODULE program = ::LoadLibraryExW(
      test_support::NextToThisTest(L"..\\..\\src\\app\\VarnelTerminalSetupWizard.exe").c_str(),
      nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  return program;
}

DialogTemplate ReadDialogTemplate(int id) {
  DialogTemplate t;
  HMODULE program = DeliveredProgram();
  HRSRC info = ::FindResourceW(program, MAKEINTRESOURCEW(id), RT_DIALOG);
  if (!info) return t;
  auto* bytes = static_cast<const BYTE*>(::LockResource(::LoadResource(program, info)));
  TemplateReader r(bytes);
  if (r.Take<WORD>() != 1 || r.Take<WORD>() != 0xFFFF) return t;  // not DLGTEMPLATEEX
  r.Take<DWORD>();  // help ID
  t.ex_style = r.Take<DWORD>();
  t.style = r.Take<DWORD>();
  const WORD count = r.Take<WORD>();
  r.Take<short>();
  r.Take<short>();
  t.cx = r.Take<short>();
  t.cy = r.Take<short>();
  r.SzOrOrd();  // menu
  r.SzOrOrd();  // class
  t.title = r.Sz();
  if (t.style & DS_SETFONT) {
    t.point_size = r.Take<WORD>();
    t.weight = r.Take<WORD>();
    t.italic = r.Take<BYTE>();
    t.charset = r.Take<BYTE>();
    t.face = r.Sz();
  }
  for (WORD i = 0; i < count; ++i) {
    r.AlignDword();
    TemplateItem item;
    r.Take<DWORD>();  // help ID
    r.Take<DWORD>();  // extended style
    item.style = r.Take<DWORD>();
    item.x = r.Take<short>();
    item.y = r.Take<short>();
    item.cx = r.Take<short>();
    item.cy = r.Take<short>();
    item.id = static_cast<int>(r.Take<DWORD>());
    r.SzOrOrd();  // class
    r.SzOrOrd();  // text
    r.Skip(r.Take<WORD>());  // creation data
    t.items.push_back(item);
  }
  return t;
}

TEST(ProgramResources, DialogTemplateHeaderAndBorders) {
  ASSERT_NE(DeliveredProgram(), nullptr) << ::GetLastError();
  const DialogTemplate t = ReadDialogTemplate(IDD_VARNELTERMINALSETUPWIZARD_DIALOG);
  EXPECT_EQ(t.title, L"Varnelターミナル セットアップ Ver1.00L00");
  EXPECT_EQ(t.cx, 396);
  EXPECT_EQ(t.cy, 314);
  EXPECT_EQ(t.face, L"MS UI Gothic");
  EXPECT_EQ(t.point_size, 11);
  EXPECT_EQ(t.charset, SHIFTJIS_CHARSET);
  EXPECT_EQ(t.italic, 0);
  const DWORD frame = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  EXPECT_EQ(t.style & frame, frame);
  EXPECT_TRUE(t.ex_style & WS_EX_APPWINDOW);

  int edits = 0, bars = 0;
  for (const TemplateItem& item : t.items) {
    SCOPED_TRACE(item.id);
    if (item.id >= IDC_EDIT_DELIVERY_GROUP && item.id <= IDC_EDIT_LOGON_DOMAIN) {
      ++edits;
      EXPECT_TRUE(item.style & WS_BORDER);
      EXPECT_TRUE(item.style & WS_TABSTOP);
      EXPECT_TRUE(item.style & ES_AUTOHSCROLL);
    } else if (item.id == IDC_PROGRESS) {
      ++bars;
      EXPECT_TRUE(item.style & WS_BORDER);
    }
  }
  EXPECT_EQ(edits, 7);
  EXPECT_EQ(bars, 1);
  EXPECT_EQ(t.items.size(), 36u);
}

TEST(ProgramResources, StringsIconsBitmapAndManifestAreThere) {
  HMODULE program = DeliveredProgram();
  ASSERT_NE(program, nullptr) << ::GetLastError();
  wchar_t text[128] = {};
  ::LoadStringW(program, IDS_SOCKETS_INIT_FAILED, text, 128);
  EXPECT_STREQ(text, L"Windows ソケットの初期化に失敗しました。");
  for (int id : {IDR_MAINFRAME, IDI_DEPOTRON, IDI_LOGON, IDI_ICON_SEND}) {
    SCOPED_TRACE(id);
    EXPECT_NE(::FindResourceW(program, MAKEINTRESOURCEW(id), RT_GROUP_ICON), nullptr);
  }
  EXPECT_NE(::FindResourceW(program, MAKEINTRESOURCEW(IDB_SENDBOX), RT_BITMAP), nullptr);
  EXPECT_NE(::FindResourceW(program, MAKEINTRESOURCEW(IDD_VARNELTERMINALSETUPWIZARD_DIALOG),
                            RT_DIALOG),
            nullptr);
  // The manifest's contents are checked from the file (check-executable).
  EXPECT_NE(::FindResourceW(program, MAKEINTRESOURCEW(1), RT_MANIFEST), nullptr);
}

}  // namespace
