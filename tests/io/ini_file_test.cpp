#include "io/ini_file.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <array>
#include <initializer_list>
#include <string>

#include "framework/file_exception.h"
#include "support/files.h"

using test_support::PathExists;
using test_support::ReadBytes;
using test_support::ScratchFolder;
using test_support::Utf16Bytes;
using test_support::WriteBytes;

namespace {

// Loads `content` (ANSI bytes) in cached mode.
void LoadAnsi(CMultiIniFile& ini, const ScratchFolder& dir, const std::string& content) {
  std::wstring path = dir / L"load.ini";
  ASSERT_TRUE(WriteBytes(path, content));
  ASSERT_TRUE(ini.Open(path.c_str(), FALSE));
}

// Saves in cached mode and answers the file's bytes.
std::string SavedBytes(CMultiIniFile& ini, const ScratchFolder& dir, BOOL unicode) {
  std::wstring path = dir / (unicode ? L"saved_u.ini" : L"saved_a.ini");
  EXPECT_TRUE(ini.SaveFile(path.c_str(), unicode));
  return ReadBytes(path);
}

// What a cached file holds after these writes (section, key, value), saved
// in the ANSI code page.
std::string SavedAfter(std::initializer_list<std::array<const wchar_t*, 3>> writes,
                       const ScratchFolder& dir) {
  CMultiIniFile ini(nullptr);
  ini.SetCached(TRUE);
  for (const auto& [section, key, value] : writes) ini.WriteString(section, key, value);
  return SavedBytes(ini, dir, FALSE);
}

std::wstring SpecialFolder(int csidl) {
  wchar_t buffer[MAX_PATH] = {};
  ::SHGetSpecialFolderPathW(nullptr, buffer, csidl, TRUE);
  return buffer;
}

}  // namespace

TEST(IniCachedLoad, DuplicatesAndReplacement) {
  ScratchFolder dir;
  CMultiIniFile ini(nullptr);
  LoadAnsi(ini, dir, "[S]\r\na=1\r\na=2\r\n");
  EXPECT_TRUE(ini.IsCached());
  EXPECT_EQ(ini.GetString(L"S", L"a", L"d"), L"1");
  EXPECT_EQ(SavedBytes(ini, dir, FALSE), "[S]\r\na=1\r\na=2\r\n");  // both kept
  EXPECT_TRUE(ini.WriteString(L"S", L"a", L"3"));
  EXPECT_EQ(ini.GetString(L"S", L"a", L"d"), L"3");
  EXPECT_EQ(SavedBytes(ini, dir, FALSE), "[S]\r\na=3\r\n");
}

TEST(IniCachedLoad, LineGrammar) {
  ScratchFolder dir;
  CMultiIniFile ini(nullptr);
  LoadAnsi(ini, dir,
           "early=ignored\r\n"
           "[S]   \r\n"
           "key = value  \r\n"
           " ;semi=1\r\n"
           ";comment=1\r\n"
           ":colon=1\r\n"
           "noequals\r\n"
           "=empty key\r\n"
           "[broken\r\n"
           "after=still S\r\n"
           "  \t\r\n"
           "q1=\"x\"\r\n"
           "q2=\"x\r\n"
           "q3=x\"\r\n"
           "q4=\"\r\n"
           "q5=\r\n"
           "q6=\"\"\r\n"
           "q7=\"a=b\" \r\n"
           "[]\r\n"
           "lost=1\r\n"
           "[Case]\r\n"
           "Key=upper\r\n");
  EXPECT_EQ(ini.GetString(L"S", L"key ", L"-"), L" value");
  EXPECT_EQ(ini.GetString(L"S", L"key", L"-"), L"-");
  EXPECT_EQ(ini.GetString(L"S", L" ;semi", L"-"), L"1");
  EXPECT_EQ(ini.GetString(L"S", L";comment", L"-"), L"-");
  EXPECT_EQ(ini.GetString(L"S", L":colon", L"-"), L"-");
  EXPECT_EQ(ini.GetString(L"S", L"after", L"-"), L"still S");
  EXPECT_EQ(ini.GetString(L"S", L"early", L"-"), L"-");
  for (const wchar_t* key : {L"q1", L"q2", L"q3"}) EXPECT_EQ(ini.GetString(L"S", key, L"-"), L"x");
  EXPECT_EQ(ini.GetString(L"S", L"q4", L"-"), L"");
  EXPECT_EQ(ini.GetString(L"S", L"q5", L"-"), L"");
  EXPECT_EQ(ini.GetString(L"S", L"q6", L"-"), L"");
  EXPECT_EQ(ini.GetString(L"S", L"q7", L"-"), L"a=b");
  EXPECT_EQ(ini.GetString(L"Case", L"Key", L"-"), L"upper");
  EXPECT_EQ(ini.GetString(L"Case", L"key", L"-"), L"-");  // case-sensitive
  EXPECT_EQ(ini.GetString(L"case", L"Key", L"-"), L"-");
  // The empty key, and the keys under "[]", cannot be asked for; the save
  // shows what the map holds.
  EXPECT_EQ(SavedBytes(ini, dir, FALSE),
            "[Case]\r\nKey=upper\r\n"
            "[S]\r\n=empty key\r\n ;semi=1\r\nafter=still S\r\nkey = value\r\n"
            "q1=x\r\nq2=x\r\nq3=x\r\nq4=\r\nq5=\r\nq6=\r\nq7=a=b\r\n");
}

TEST(IniCachedLoad, EncodingsAndMissingFiles) {
  ScratchFolder dir;
  std::wstring path = dir / L"u.ini";
  ASSERT_TRUE(WriteBytes(path, Utf16Bytes(L"[\u8a2d\u5b9a]\r\n\u540d\u524d=\u5024\xD83D\xDE00\r\n")));
  CMultiIniFile unicode(nullptr);
  ASSERT_TRUE(unicode.Open(path.c_str(), TRUE));
  EXPECT_EQ(unicode.GetString(L"\u8a2d\u5b9a", L"\u540d\u524d", L""), L"\u5024\xD83D\xDE00");

  // A Unicode load wants the byte-order mark.
  CMultiIniFile wrong(nullptr);
  ASSERT_TRUE(WriteBytes(path, std::string("[S]\r\na=1\r\n")));
  EXPECT_FALSE(wrong.Open(path.c_str(), TRUE));

  // Code page 932 bytes in ANSI mode.
  CMultiIniFile ansi(nullptr);
  LoadAnsi(ansi, dir, "[\x90\xdd\x92\xe8]\r\nk=\x82\xa0\x82\xa2\r\n");
  EXPECT_EQ(ansi.GetString(L"\u8a2d\u5b9a", L"k", L""), L"\u3042\u3044");

  CMultiIniFile missing(nullptr);
  EXPECT_TRUE(missing.Open((dir / L"none.ini").c_str(), FALSE));
  EXPECT_EQ(missing.GetString(L"S", L"a", L"d"), L"d");
  EXPECT_FALSE(PathExists(dir / L"none.ini"));

  // Reload drops what was written since and reads the file again.
  CMultiIniFile reload(nullptr);
  LoadAnsi(reload, dir, "[S]\r\na=1\r\n");
  reload.WriteString(L"S", L"b", L"2");
  EXPECT_TRUE(reload.Reload(FALSE));
  EXPECT_EQ(reload.GetString(L"S", L"b", L"-"), L"-");
  EXPECT_EQ(reload.GetString(L"S", L"a", L"-"), L"1");
}

TEST(IniCachedSave, OrderAndQuoting) {
  ScratchFolder dir;
  CMultiIniFile ini(nullptr);
  ini.SetCached(TRUE);
  ini.WriteString(L"NET", L"Host", L"h");
  ini.WriteString(L"MAIN", L"ID", L"a b ");
  ini.WriteString(L"MAIN", L"GROUP", L"g1");
  EXPECT_EQ(SavedBytes(ini, dir, FALSE), "[MAIN]\r\nGROUP=g1\r\nID=\"a b \"\r\n[NET]\r\nHost=h\r\n");
  EXPECT_EQ(SavedBytes(ini, dir, TRUE),
            Utf16Bytes(L"[MAIN]\r\nGROUP=g1\r\nID=\"a b \"\r\n[NET]\r\nHost=h\r\n"));

  EXPECT_EQ(SavedAfter({{L"S", L"a", L"1"}, {L"S", L"B", L"2"}, {L"S2", L"x", L"3"},
                        {L"Sa", L"y", L"4"}},
                       dir),
            "[S2]\r\nx=3\r\n[S]\r\nB=2\r\na=1\r\n[Sa]\r\ny=4\r\n");
  EXPECT_EQ(SavedAfter({{L"Q", L"a", L"\"lead"},
                        {L"Q", L"b", L"trail\""},
                        {L"Q", L"c", L"mid\"dle"},
                        {L"Q", L"d", L""},
                        {L"Q", L"e", L"tab\t"},
                        {L"Q", L"f", L" lead space"}},
                       dir),
            "[Q]\r\na=\"\"lead\"\r\nb=\"trail\"\"\r\nc=mid\"dle\r\nd=\r\ne=tab\t\r\nf= lead space\r\n");
}

TEST(IniCachedSave, RoundTrips) {
  ScratchFolder dir;
  for (BOOL unicode : {FALSE, TRUE}) {
    std::wstring path = dir / (unicode ? L"round_u.ini" : L"round_a.ini");
    {
      CMultiIniFile ini(nullptr);
      ASSERT_TRUE(ini.Open(path.c_str(), unicode));
      ini.WriteString(L"S", L"space", L"ends in space ");
      ini.WriteString(L"S", L"tab", L"ends in tab\t");
      ini.WriteString(L"S", L"quoted", L"\"q\"");
      ini.WriteString(L"S", L"jp", L"\u65e5\u672c\u8a9e");
      ASSERT_TRUE(ini.Flush(unicode));
    }
    CMultiIniFile again(nullptr);
    ASSERT_TRUE(again.Open(path.c_str(), unicode));
    EXPECT_EQ(again.GetString(L"S", L"space", L""), L"ends in space ");
    EXPECT_EQ(again.GetString(L"S", L"tab", L""), L"ends in tab");  // the tab is lost
    EXPECT_EQ(again.GetString(L"S", L"quoted", L""), L"\"q\"");
    EXPECT_EQ(again.GetString(L"S", L"jp", L""), L"\u65e5\u672c\u8a9e");
  }
}

TEST(IniCachedSave, EmptyMapsFlushAndDestruction) {
  ScratchFolder dir;
  CMultiIniFile empty(nullptr);
  EXPECT_EQ(SavedBytes(empty, dir, TRUE), "\xFF\xFE");
  EXPECT_EQ(SavedBytes(empty, dir, FALSE), "");

  std::wstring path = dir / L"keep.ini";
  const std::string original = "[S]\r\na=1\r\n";
  ASSERT_TRUE(WriteBytes(path, original));
  {
    CMultiIniFile cached(nullptr);
    ASSERT_TRUE(cached.Open(path.c_str(), FALSE));
    cached.WriteString(L"S", L"a", L"changed");
  }  // not flushed
  EXPECT_EQ(ReadBytes(path), original);

  CMultiIniFile direct(path.c_str());
  EXPECT_FALSE(direct.IsCached());
  EXPECT_TRUE(direct.Flush(FALSE));
  EXPECT_EQ(ReadBytes(path), original);

  // A file someone else holds cannot be saved.
  HANDLE hold = ::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(hold, INVALID_HANDLE_VALUE);
  CMultiIniFile blocked(nullptr);
  blocked.SetCached(TRUE);
  blocked.WriteString(L"S", L"a", L"2");
  EXPECT_FALSE(blocked.SaveFile(path.c_str(), FALSE));
  CMultiIniFile blockedLoad(nullptr);
  EXPECT_FALSE(blockedLoad.Open(path.c_str(), FALSE));
  ::CloseHandle(hold);
  EXPECT_EQ(ReadBytes(path), original);
}

TEST(IniCachedSave, WritesThatFailOnlyAtCloseRaise) {
  const std::wstring full = test_support::FullDiskFile();
  if (full.empty()) GTEST_SKIP() << "no /dev/full behind Z:";
  // Two short keys never leave the stream's buffer before the file closes.
  for (BOOL unicode : {FALSE, TRUE}) {
    CMultiIniFile ini(nullptr);
    ini.SetCached(TRUE);
    ini.WriteString(L"MAIN", L"ID", L"box01");
    ini.WriteString(L"MAIN", L"GROUP", L"g1");
    try {
      ini.SaveFile(full.c_str(), unicode);
      ADD_FAILURE() << "saving to a full disk raised nothing, unicode " << unicode;
    } catch (const CFileException& e) {
      EXPECT_EQ(e.cause, unicode ? CFileException::genericException : CFileException::diskFull);
      EXPECT_EQ(e.os_error, ERROR_DISK_FULL);
      EXPECT_EQ(e.file_name, full);
    }
  }
}

TEST(IniCachedLoad, ByteOneAKeepsTheRestOfTheFile) {
  ScratchFolder dir;
  std::wstring path = dir / L"ctrlz.ini";
  const std::string original = "[S]\r\nc=x\x1A y\r\nd=after\r\n[T]\r\ne=1\r\n";
  ASSERT_TRUE(WriteBytes(path, original));
  CMultiIniFile ini(nullptr);
  ASSERT_TRUE(ini.Open(path.c_str(), FALSE));
  EXPECT_EQ(ini.GetString(L"S", L"c", L"-"), L"x\x1A y");
  EXPECT_EQ(ini.GetString(L"S", L"d", L"-"), L"after");
  EXPECT_EQ(ini.GetString(L"T", L"e", L"-"), L"1");
  // Saved again, the file is what it was.
  ASSERT_TRUE(ini.Flush(FALSE));
  EXPECT_EQ(ReadBytes(path), original);
}

TEST(IniDirectMode, ProfileFunctionsReadAndWriteTheSameFile) {
  ScratchFolder dir;
  std::wstring path = dir / L"VarnelDriveTerminalSend.ini";
  CMultiIniFile ini(path.c_str());
  EXPECT_EQ(ini.GetFilePath(), path);
  EXPECT_EQ(ini.GetString(L"MAIN", L"ID", L"none"), L"none");
  EXPECT_TRUE(ini.WriteString(L"MAIN", L"ID", L"box01"));
  EXPECT_TRUE(ini.WriteString(L"MAIN", L"PASS", L""));
  EXPECT_TRUE(PathExists(path));
  EXPECT_EQ(ini.GetString(L"MAIN", L"ID", L"none"), L"box01");
  EXPECT_EQ(ini.GetString(L"MAIN", L"PASS", L"none"), L"");

  // Values longer than the first buffers come back whole.
  for (size_t length : {1022u, 1023u, 1024u, 5000u}) {
    std::wstring value(length, L'v');
    value[0] = L'<';
    value[length - 1] = L'>';
    ASSERT_TRUE(ini.WriteString(L"BIG", L"value", value.c_str()));
    EXPECT_EQ(ini.GetString(L"BIG", L"value", L""), value) << length;
  }

  // The cached mode reads what the profile functions wrote.
  CMultiIniFile cached(nullptr);
  ASSERT_TRUE(cached.Open(path.c_str(), FALSE));
  EXPECT_EQ(cached.GetString(L"MAIN", L"ID", L""), L"box01");

  // Invalid arguments.
  EXPECT_FALSE(ini.WriteString(nullptr, L"k", L"v"));
  EXPECT_FALSE(ini.WriteString(L"", L"k", L"v"));
  EXPECT_FALSE(ini.WriteString(L"S", L"", L"v"));
  EXPECT_FALSE(ini.WriteString(L"S", L"k", nullptr));
  EXPECT_EQ(ini.GetString(L"MAIN", L"ID", static_cast<const wchar_t*>(nullptr)), L"");
  EXPECT_EQ(ini.GetString(L"MAIN", nullptr, L"d"), L"");
  EXPECT_EQ(ini.GetString(L"", L"ID", L"d"), L"");
  EXPECT_EQ(cached.GetString(nullptr, L"ID", L"d"), L"");
  EXPECT_FALSE(cached.WriteString(L"S", nullptr, L"v"));

  // Without a file name nothing lands in the Windows folder.
  CMultiIniFile nameless(nullptr);
  EXPECT_FALSE(nameless.WriteString(L"S", L"k", L"v"));
  EXPECT_EQ(nameless.GetString(L"S", L"k", L"d"), L"d");
}

TEST(IniTypedValues, NumbersAndBooleans) {
  ScratchFolder dir;
  CMultiIniFile ini((dir / L"typed.ini").c_str());  // direct mode
  ini.WriteString(L"S", L"text", L"abc");
  ini.WriteString(L"S", L"minus", L"-1");
  ini.WriteString(L"S", L"mixed", L"  -12x3");
  ini.WriteString(L"S", L"plus", L"+7");
  ini.WriteString(L"S", L"huge", L"99999999999");
  EXPECT_EQ(ini.GetInt(L"S", L"mixed", 5), -12);
  EXPECT_EQ(ini.GetInt(L"S", L"plus", 5), 7);
  EXPECT_EQ(ini.GetInt(L"S", L"text", 5), 0);
  EXPECT_EQ(ini.GetInt(L"S", L"missing", 5), 5);
  EXPECT_EQ(ini.GetInt(L"S", L"huge", 5), INT_MAX);
  EXPECT_EQ(ini.GetString(L"S", L"missing", -3), L"-3");
  EXPECT_FALSE(ini.GetBool(L"S", L"text", TRUE));
  EXPECT_TRUE(ini.GetBool(L"S", L"minus", FALSE));
  EXPECT_TRUE(ini.GetBool(L"S", L"missing", 42));
  EXPECT_FALSE(ini.GetBool(L"S", L"missing", FALSE));
  EXPECT_TRUE(ini.WriteBool(L"S", L"flag", 42));
  EXPECT_EQ(ini.GetString(L"S", L"flag", L""), L"1");
  EXPECT_TRUE(ini.WriteInt(L"S", L"n", INT_MIN));
  EXPECT_EQ(ini.GetInt(L"S", L"n", 0), INT_MIN);
}

TEST(IniTypedValues, DerivedKeys) {
  CMultiIniFile ini(nullptr);
  ini.SetCached(TRUE);

  EXPECT_TRUE(ini.WritePoint(L"W", L"Pos", POINT{-5, 7}));
  EXPECT_EQ(ini.GetString(L"W", L"Pos.Point.X", L""), L"-5");
  EXPECT_EQ(ini.GetString(L"W", L"Pos.Point.Y", L""), L"7");
  POINT p = ini.GetPoint(L"W", L"Pos", POINT{1, 2});
  EXPECT_EQ(p.x, -5);
  EXPECT_EQ(p.y, 7);
  POINT d = ini.GetPoint(L"W", L"Other", POINT{1, 2});
  EXPECT_EQ(d.x, 1);
  EXPECT_EQ(d.y, 2);

  EXPECT_TRUE(ini.WriteColor(L"W", L"Back", RGB(1, 128, 255)));
  EXPECT_EQ(ini.GetInt(L"W", L"Back.Color.Red", -1), 1);
  EXPECT_EQ(ini.GetInt(L"W", L"Back.Color.Green", -1), 128);
  EXPECT_EQ(ini.GetInt(L"W", L"Back.Color.Blue", -1), 255);

  COleDateTime when;
  SYSTEMTIME st{2026, 12, 3, 9, 7, 5, 30, 0};
  ASSERT_TRUE(::SystemTimeToVariantTime(&st, &when.dt));
  EXPECT_TRUE(ini.WriteDateTime(L"W", L"At", when));
  const wchar_t* parts[] = {L"At.Year", L"At.Month", L"At.Day", L"At.Hour", L"At.Minutes", L"At.Second"};
  int expected[] = {2026, 12, 9, 7, 5, 30};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(ini.GetInt(L"W", parts[i], -9), expected[i]) << i;
  COleDateTime invalid;
  invalid.status = COleDateTime::invalid;
  EXPECT_TRUE(ini.WriteDateTime(L"W", L"At", invalid));
  for (int i = 0; i < 6; ++i) EXPECT_EQ(ini.GetInt(L"W", parts[i], -9), -1) << i;

  LOGFONTW font{};
  wcscpy(font.lfFaceName, L"MS UI Gothic");
  EXPECT_TRUE(ini.WriteFont(L"W", L"Font", font));
  EXPECT_EQ(ini.GetString(L"W", L"Font.lfFaceName", L""), L"MS UI Gothic");
  for (auto& c : font.lfFaceName) c = L'F';  // no terminator within the face name
  EXPECT_TRUE(ini.WriteFont(L"W", L"Font", font));
  EXPECT_EQ(ini.GetString(L"W", L"Font.lfFaceName", L""), std::wstring(LF_FACESIZE, L'F'));

  CBinary bytes;
  const unsigned char raw[] = {0x00, 0xAB, 0x7F, 0xFF};
  bytes.SetData(raw, 4);
  EXPECT_TRUE(ini.WriteBinary(L"W", L"Blob", bytes));
  EXPECT_EQ(ini.GetString(L"W", L"Blob.Binary", L""), L"00ab7fff");
  CBinary fallback;
  fallback.SetData("zz", 2);
  EXPECT_TRUE(ini.GetBinary(L"W", L"Blob", fallback) == bytes);
  EXPECT_TRUE(ini.GetBinary(L"W", L"None", fallback) == fallback);
  ini.WriteString(L"W", L"Empty.Binary", L"");
  EXPECT_TRUE(ini.GetBinary(L"W", L"Empty", fallback) == fallback);
}

namespace {

// Refuses to write any key that ends in `refused`; every other write goes to
// the cached map as usual.
class RefusingIniFile : public CMultiIniFile {
 public:
  explicit RefusingIniFile(const wchar_t* refused) : refused_(refused) { SetCached(TRUE); }
  BOOL WriteString(const wchar_t* section, const wchar_t* key, const wchar_t* value) override {
    std::wstring k = key ? key : L"";
    if (k.size() >= refused_.size() && k.compare(k.size() - refused_.size(), refused_.size(),
                                                 refused_) == 0) {
      return FALSE;
    }
    return CMultiIniFile::WriteString(section, key, value);
  }

 private:
  std::wstring refused_;
};

}  // namespace

TEST(IniTypedValues, EveryPartIsWrittenWhenTheFirstFails) {
  {
    RefusingIniFile ini(L".Point.X");
    EXPECT_FALSE(ini.WritePoint(L"W", L"Pos", POINT{1, 2}));
    EXPECT_EQ(ini.GetString(L"W", L"Pos.Point.X", L"-"), L"-");
    EXPECT_EQ(ini.GetString(L"W", L"Pos.Point.Y", L"-"), L"2");
  }
  {
    RefusingIniFile ini(L".Color.Red");
    EXPECT_FALSE(ini.WriteColor(L"W", L"Back", RGB(1, 2, 3)));
    EXPECT_EQ(ini.GetString(L"W", L"Back.Color.Red", L"-"), L"-");
    EXPECT_EQ(ini.GetString(L"W", L"Back.Color.Green", L"-"), L"2");
    EXPECT_EQ(ini.GetString(L"W", L"Back.Color.Blue", L"-"), L"3");
  }
  {
    RefusingIniFile ini(L".Year");
    COleDateTime when;
    SYSTEMTIME st{2026, 12, 3, 9, 7, 5, 30, 0};
    ASSERT_TRUE(::SystemTimeToVariantTime(&st, &when.dt));
    EXPECT_FALSE(ini.WriteDateTime(L"W", L"At", when));
    EXPECT_EQ(ini.GetString(L"W", L"At.Year", L"-"), L"-");
    const wchar_t* rest[] = {L"At.Month", L"At.Day", L"At.Hour", L"At.Minutes", L"At.Second"};
    const wchar_t* values[] = {L"12", L"9", L"7", L"5", L"30"};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(ini.GetString(L"W", rest[i], L"-"), values[i]) << i;
  }
  CMultiStringList list;
  list.AddText(L"one");
  list.AddText(L"two");
  {
    RefusingIniFile ini(L".Count");
    EXPECT_FALSE(ini.WriteStringList(L"L", L"Items", &list));
    EXPECT_EQ(ini.GetString(L"L", L"Items.Count", L"-"), L"-");
    EXPECT_EQ(ini.GetString(L"L", L"Items[0]", L"-"), L"one");
    EXPECT_EQ(ini.GetString(L"L", L"Items[1]", L"-"), L"two");
  }
  {
    // A failure in the middle of the items does not stop the later ones.
    RefusingIniFile ini(L"[0]");
    EXPECT_FALSE(ini.WriteStringList(L"L", L"Items", &list));
    EXPECT_EQ(ini.GetString(L"L", L"Items.Count", L"-"), L"2");
    EXPECT_EQ(ini.GetString(L"L", L"Items[1]", L"-"), L"two");
  }
}

TEST(IniTypedValues, StringListsAndPenStyles) {
  ScratchFolder dir;
  std::wstring path = dir / L"lists.ini";
  CMultiIniFile ini(path.c_str());  // direct mode

  CMultiStringList list;
  list.AddText(L"first");
  list.AddText(L"");
  list.AddText(L"\u4e09\u756a\u76ee");
  EXPECT_TRUE(ini.WriteStringList(L"L", L"Items", &list));
  EXPECT_EQ(ini.GetInt(L"L", L"Items.Count", -1), 3);
  // The item keys count from 0, so that files already written read back.
  EXPECT_EQ(ini.GetString(L"L", L"Items[0]", L"-"), L"first");
  EXPECT_EQ(ini.GetString(L"L", L"Items[1]", L"-"), L"");
  EXPECT_EQ(ini.GetString(L"L", L"Items[2]", L"-"), L"\u4e09\u756a\u76ee");
  EXPECT_EQ(ini.GetString(L"L", L"Items[3]", L"-"), L"-");
  CMultiStringList back;
  back.AddText(L"stale");
  EXPECT_TRUE(ini.GetStringList(&back, L"L", L"Items", L"def"));
  ASSERT_EQ(back.GetSize(), 3);
  EXPECT_EQ(back.GetTextAt(0), L"first");
  EXPECT_EQ(back.GetTextAt(1), L"");
  EXPECT_EQ(back.GetTextAt(2), L"\u4e09\u756a\u76ee");

  // Items missing from the file take the default item.
  ini.WriteInt(L"L", L"Items.Count", 4);
  EXPECT_TRUE(ini.GetStringList(&back, L"L", L"Items", L"def"));
  ASSERT_EQ(back.GetSize(), 4);
  EXPECT_EQ(back.GetTextAt(3), L"def");
  EXPECT_TRUE(ini.GetStringList(&back, L"L", L"Nothing", L"def"));
  EXPECT_EQ(back.GetSize(), 0);
  EXPECT_FALSE(ini.GetStringList(nullptr, L"L", L"Items", L"def"));

  // A count that no list of ours can have is refused, the list left alone.
  for (const wchar_t* count : {L"-1", L"-2147483648", L"100001", L"2147483647"}) {
    ini.WriteString(L"L", L"Bad.Count", count);
    CMultiStringList kept;
    kept.AddText(L"kept");
    EXPECT_FALSE(ini.GetStringList(&kept, L"L", L"Bad", L"def")) << count;
    ASSERT_EQ(kept.GetSize(), 1) << count;
    EXPECT_EQ(kept.GetTextAt(0), L"kept") << count;
  }
  CMultiIniFile cached(nullptr);
  cached.SetCached(TRUE);
  cached.WriteInt(L"L", L"Long.Count", 100000);
  cached.WriteString(L"L", L"Long[99999]", L"last");
  EXPECT_TRUE(cached.GetStringList(&back, L"L", L"Long", L"def"));
  ASSERT_EQ(back.GetSize(), 100000);
  EXPECT_EQ(back.GetTextAt(0), L"def");
  EXPECT_EQ(back.GetTextAt(99999), L"last");
  EXPECT_FALSE(ini.WriteStringList(L"L", L"Items", nullptr));

  struct Style { const wchar_t* name; int value; };
  for (Style s : {Style{L"Solid", 0}, Style{L"SuperDash", 7}, Style{L"Dash", 1}, Style{L"Dot", 2},
                  Style{L"DashDot", 3}, Style{L"DashDotDot", 4}}) {
    EXPECT_TRUE(ini.WritePenStyle(L"P", L"Line", s.value));
    EXPECT_EQ(ini.GetString(L"P", L"Line", L""), s.name);
    EXPECT_EQ(ini.GetPenStyle(L"P", L"Line", -1), s.value);
  }
  EXPECT_FALSE(ini.WritePenStyle(L"P", L"Line", 5));
  EXPECT_EQ(ini.GetString(L"P", L"Line", L""), L"DashDotDot");  // unchanged
  ini.WriteString(L"P", L"Line", L"dash");
  EXPECT_EQ(ini.GetPenStyle(L"P", L"Line", -1), -1);
  EXPECT_EQ(ini.GetPenStyle(L"P", L"Missing", 9), 9);
}

TEST(IniPaths, FolderTokens) {
  CMultiIniFile ini(nullptr);
  std::wstring common = SpecialFolder(CSIDL_COMMON_APPDATA);
  std::wstring local = SpecialFolder(CSIDL_LOCAL_APPDATA);
  ASSERT_FALSE(common.empty());
  EXPECT_EQ(ini.ExpandFolderToken(L"COMMON_APPDATA\\x\\y.ini"), common + L"\\x\\y.ini");
  EXPECT_EQ(ini.ExpandFolderToken(L"LOCAL_APPDATA\\Varnel"), local + L"\\Varnel");
  for (const wchar_t* same : {L"common_appdata\\x\\y.ini", L"COMMON_APPDATA", L"", L"C:\\x\\y.ini",
                              L"OTHER\\x"}) {
    EXPECT_EQ(ini.ExpandFolderToken(same), same);
  }
  ini.SetCached(TRUE);
  ini.WriteString(L"S", L"Dir", L"COMMON_APPDATA\\Varnel\\Tolvik");
  EXPECT_EQ(ini.GetPath(L"S", L"Dir", L""), common + L"\\Varnel\\Tolvik");
  EXPECT_EQ(ini.GetPath(L"S", L"None", L"LOCAL_APPDATA\\d"), local + L"\\d");
}
