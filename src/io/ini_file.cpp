#include "io/ini_file.h"

#include <oleauto.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <climits>
#include <vector>

#include "base/number_text.h"
#include "io/ini_text.h"
#include "io/text_file.h"

namespace {

bool IsEmpty(const wchar_t* text) { return !text || !*text; }

std::wstring EntryKey(const wchar_t* section, const wchar_t* key) {
  return std::wstring(section) + L"=" + key;
}

std::wstring Derived(const wchar_t* key, const wchar_t* suffix) { return std::wstring(key) + suffix; }

struct PenStyleName {
  const wchar_t* name;
  int style;
};
constexpr PenStyleName kPenStyles[] = {
    {L"Solid", 0}, {L"SuperDash", 7}, {L"Dash", 1}, {L"Dot", 2}, {L"DashDot", 3}, {L"DashDotDot", 4},
};

// The most items a stored string list may announce.
constexpr int kMaxListItems = 100000;

constexpr UINT kLoadUnicode = CFile::typeBinary | CFile::shareDenyNone | CFile::modeRead;
constexpr UINT kLoadAnsi = CFile::typeText | CFile::shareDenyNone | CFile::modeRead;
constexpr UINT kSaveUnicode = CFile::typeBinary | CFile::modeCreate | CFile::modeWrite;
constexpr UINT kSaveAnsi = CFile::typeText | CFile::modeCreate | CFile::modeWrite;

}  // namespace

CMultiIniFile::CMultiIniFile(const wchar_t* path) : m_strFilePath(path ? path : L"") {}

CMultiIniFile::~CMultiIniFile() = default;

BOOL CMultiIniFile::IsCached() const { return m_bCached; }

void CMultiIniFile::SetCached(BOOL cached) { m_bCached = cached ? 1 : 0; }

std::wstring CMultiIniFile::GetFilePath() const { return m_strFilePath; }

void CMultiIniFile::SetFilePath(const wchar_t* path) { m_strFilePath = path ? path : L""; }

BOOL CMultiIniFile::Open(const wchar_t* path, BOOL unicode) {
  SetCached(TRUE);
  SetFilePath(path);
  return Reload(unicode);
}

BOOL CMultiIniFile::Reload(BOOL unicode) {
  Clear();
  if (m_bCached && !m_strFilePath.empty()) return LoadFile(m_strFilePath.c_str(), unicode);
  return TRUE;
}

BOOL CMultiIniFile::Flush(BOOL unicode) {
  if (m_bCached && !m_strFilePath.empty()) return SaveFile(m_strFilePath.c_str(), unicode);
  return TRUE;
}

BOOL CMultiIniFile::Clear() {
  m_mapEntries.RemoveAll();
  return TRUE;
}

BOOL CMultiIniFile::LoadFile(const wchar_t* path, BOOL unicode) {
  if (IsEmpty(path) || !::PathFileExistsW(path)) return TRUE;
  CTextFile file;
  if (!file.OpenWithRetry(path, unicode ? kLoadUnicode : kLoadAnsi, 0)) return FALSE;

  std::wstring section;
  std::wstring line;
  for (;;) {
    BOOL more = unicode ? file.ReadLineFromUnicode(line, TRUE) : file.ReadLineFromAnsi(line, TRUE);
    if (!more) break;
    io::ReadIniLine(line, section, m_mapEntries);
  }
  return TRUE;
}

BOOL CMultiIniFile::SaveFile(const wchar_t* path, BOOL unicode) {
  if (IsEmpty(path)) return FALSE;
  CTextFile file;
  if (!file.OpenWithRetry(path, unicode ? kSaveUnicode : kSaveAnsi, 0)) return FALSE;

  // Unicode lines go out as UTF-16LE as they are; ANSI lines through the
  // text stream, which turns the LF into CR LF.
  auto writeLine = [&](const std::wstring& line) {
    std::wstring text = line;
    if (unicode) {
      text += L"\r\n";
      file.WriteString(text.c_str());
    } else {
      text += L"\n";
      file.CStdioFile::WriteString(text.c_str());
    }
  };

  const bool composed = io::ComposeIniLines(m_mapEntries, writeLine);
  // Small files reach the disk only here. An ANSI write that fails raises
  // the disk-full cause wherever it fails; Close raises the generic one that
  // Unicode writes raise.
  if (!unicode) file.Flush();
  file.Close();
  return composed ? TRUE : FALSE;
}

BOOL CMultiIniFile::WriteString(const wchar_t* section, const wchar_t* key, const wchar_t* value) {
  if (IsEmpty(section) || IsEmpty(key) || !value) return FALSE;
  if (m_bCached) {
    std::wstring entry = EntryKey(section, key);
    m_mapEntries.RemoveKey(entry.c_str());
    return m_mapEntries.Add(entry.c_str(), value) ? TRUE : FALSE;
  }
  // Without a file name the profile functions would fall back to a file in
  // the Windows folder.
  if (m_strFilePath.empty()) return FALSE;
  return ::WritePrivateProfileStringW(section, key, value, m_strFilePath.c_str()) ? TRUE : FALSE;
}

std::wstring CMultiIniFile::GetString(const wchar_t* section, const wchar_t* key,
                                      const wchar_t* def) {
  if (IsEmpty(section) || IsEmpty(key) || !def) return std::wstring();
  if (m_bCached) {
    const wchar_t* value = m_mapEntries.Lookup(EntryKey(section, key).c_str());
    return value ? std::wstring(value) : std::wstring(def);
  }
  if (m_strFilePath.empty()) return def;
  // The platform cuts a value that does not fit and then answers size - 1:
  // try again with twice the room.
  DWORD size = 1024;
  for (;;) {
    std::vector<wchar_t> buffer(size);
    DWORD count = ::GetPrivateProfileStringW(section, key, def, buffer.data(), size,
                                             m_strFilePath.c_str());
    if (count < size - 1 || size > static_cast<DWORD>(INT_MAX) / 2) {
      return std::wstring(buffer.data(), count < size ? count : size - 1);
    }
    size *= 2;
  }
}

std::wstring CMultiIniFile::GetString(const wchar_t* section, const wchar_t* key, int def) {
  return GetString(section, key, std::to_wstring(def).c_str());
}

int CMultiIniFile::GetInt(const wchar_t* section, const wchar_t* key, int def) {
  return ParseDecimalLikeWtoi(GetString(section, key, std::to_wstring(def).c_str()));
}

BOOL CMultiIniFile::WriteInt(const wchar_t* section, const wchar_t* key, int value) {
  return WriteString(section, key, std::to_wstring(value).c_str());
}

BOOL CMultiIniFile::GetBool(const wchar_t* section, const wchar_t* key, BOOL def) {
  return GetInt(section, key, def ? 1 : 0) != 0 ? TRUE : FALSE;
}

BOOL CMultiIniFile::WriteBool(const wchar_t* section, const wchar_t* key, BOOL value) {
  return WriteInt(section, key, value ? 1 : 0);
}

POINT CMultiIniFile::GetPoint(const wchar_t* section, const wchar_t* key, POINT def) {
  if (!key) return def;
  POINT point;
  point.x = GetInt(section, Derived(key, L".Point.X").c_str(), def.x);
  point.y = GetInt(section, Derived(key, L".Point.Y").c_str(), def.y);
  return point;
}

BOOL CMultiIniFile::WritePoint(const wchar_t* section, const wchar_t* key, POINT value) {
  if (!key) return FALSE;
  BOOL x = WriteInt(section, Derived(key, L".Point.X").c_str(), value.x);
  BOOL y = WriteInt(section, Derived(key, L".Point.Y").c_str(), value.y);
  return x && y;
}

BOOL CMultiIniFile::WriteColor(const wchar_t* section, const wchar_t* key, COLORREF color) {
  if (!key) return FALSE;
  BOOL r = WriteInt(section, Derived(key, L".Color.Red").c_str(), GetRValue(color));
  BOOL g = WriteInt(section, Derived(key, L".Color.Green").c_str(), GetGValue(color));
  BOOL b = WriteInt(section, Derived(key, L".Color.Blue").c_str(), GetBValue(color));
  return r && g && b;
}

BOOL CMultiIniFile::WriteDateTime(const wchar_t* section, const wchar_t* key,
                                  const COleDateTime& time) {
  if (!key) return FALSE;
  int parts[6] = {-1, -1, -1, -1, -1, -1};
  SYSTEMTIME st{};
  if (time.status == COleDateTime::valid && ::VariantTimeToSystemTime(time.dt, &st)) {
    parts[0] = st.wYear;
    parts[1] = st.wMonth;
    parts[2] = st.wDay;
    parts[3] = st.wHour;
    parts[4] = st.wMinute;
    parts[5] = st.wSecond;
  }
  static const wchar_t* const kSuffixes[6] = {L".Year", L".Month", L".Day",
                                              L".Hour", L".Minutes", L".Second"};
  BOOL all = TRUE;
  for (int i = 0; i < 6; ++i) {
    if (!WriteInt(section, Derived(key, kSuffixes[i]).c_str(), parts[i])) all = FALSE;
  }
  return all;
}

BOOL CMultiIniFile::WriteFont(const wchar_t* section, const wchar_t* key, const LOGFONTW& font) {
  if (!key) return FALSE;
  // The face name need not be terminated within its 32 units.
  std::wstring face(font.lfFaceName, wcsnlen(font.lfFaceName, LF_FACESIZE));
  return WriteString(section, Derived(key, L".lfFaceName").c_str(), face.c_str());
}

BOOL CMultiIniFile::GetStringList(CMultiStringList* list, const wchar_t* section,
                                  const wchar_t* key, const wchar_t* defItem) {
  if (!list || !key) return FALSE;
  // The count comes from a file anyone may have edited: a negative one, or
  // one that would have us read items for hours, is no list of ours.
  int count = GetInt(section, Derived(key, L".Count").c_str(), 0);
  if (count < 0 || count > kMaxListItems) return FALSE;
  list->RemoveAll();
  for (int i = 0; i < count; ++i) {
    std::wstring itemKey = std::wstring(key) + L"[" + std::to_wstring(i) + L"]";
    list->AddText(GetString(section, itemKey.c_str(), defItem).c_str());
  }
  return TRUE;
}

BOOL CMultiIniFile::WriteStringList(const wchar_t* section, const wchar_t* key,
                                    const CMultiStringList* list) {
  if (!list || !key) return FALSE;
  BOOL all = WriteInt(section, Derived(key, L".Count").c_str(), list->GetSize());
  int i = 0;
  POSITION pos = list->GetHeadPosition();
  while (pos) {
    const wchar_t* text = list->GetNext(pos);
    std::wstring itemKey = std::wstring(key) + L"[" + std::to_wstring(i++) + L"]";
    if (!WriteString(section, itemKey.c_str(), text ? text : L"")) all = FALSE;
  }
  return all;
}

CBinary CMultiIniFile::GetBinary(const wchar_t* section, const wchar_t* key, const CBinary& def) {
  if (!key) return def;
  std::wstring text = GetString(section, Derived(key, L".Binary").c_str(), L"");
  if (text.empty()) return def;
  CBinary value;
  value.FromHexString(text.c_str());
  return value;
}

BOOL CMultiIniFile::WriteBinary(const wchar_t* section, const wchar_t* key, const CBinary& value) {
  if (!key) return FALSE;
  return WriteString(section, Derived(key, L".Binary").c_str(), value.ToHexString().c_str());
}

std::wstring CMultiIniFile::ExpandFolderToken(const std::wstring& path) {
  size_t slash = path.find(L'\\');
  if (path.empty() || slash == std::wstring::npos) return path;
  std::wstring token = path.substr(0, slash);
  int csidl;
  if (token == L"COMMON_APPDATA") {
    csidl = CSIDL_COMMON_APPDATA;
  } else if (token == L"LOCAL_APPDATA") {
    csidl = CSIDL_LOCAL_APPDATA;
  } else {
    return path;
  }
  wchar_t folder[MAX_PATH] = {};
  if (!::SHGetSpecialFolderPathW(nullptr, folder, csidl, TRUE)) return path;
  if (!::PathAppendW(folder, path.c_str() + slash + 1)) return path;
  return folder;
}

std::wstring CMultiIniFile::GetPath(const wchar_t* section, const wchar_t* key,
                                    const wchar_t* def) {
  return ExpandFolderToken(GetString(section, key, def));
}

int CMultiIniFile::GetPenStyle(const wchar_t* section, const wchar_t* key, int def) {
  std::wstring name = GetString(section, key, L"");
  for (const auto& entry : kPenStyles) {
    if (name == entry.name) return entry.style;
  }
  return def;
}

BOOL CMultiIniFile::WritePenStyle(const wchar_t* section, const wchar_t* key, int style) {
  for (const auto& entry : kPenStyles) {
    if (entry.style == style) return WriteString(section, key, entry.name);
  }
  return FALSE;
}
