#pragma once
// Settings files of the INI kind, in one of two modes per object:
//   - direct mode (default): every access goes to the file through the
//     platform's private-profile functions;
//   - cached mode: the file is parsed into an ordered entry map on Open, reads
//     and writes touch only the map, and Flush writes the map back as a whole
//     file, in the thread's ANSI code page or in UTF-16LE.
// Typed values are stored under keys derived from the given key.

#include <windows.h>

#include <string>

#include "base/binary.h"
#include "base/multi_map.h"
#include "base/multi_list.h"

// An OLE automation date (days since 30 December 1899) with its status.
struct COleDateTime {
  enum DateTimeStatus { valid = 0, invalid = 1, null = 2 };
  DATE dt = 0;
  int status = valid;
};

class CMultiIniFile {
 public:
  explicit CMultiIniFile(const wchar_t* path = nullptr);
  CMultiIniFile(const CMultiIniFile&) = delete;
  CMultiIniFile& operator=(const CMultiIniFile&) = delete;
  // Does not save: cached changes not flushed are dropped.
  virtual ~CMultiIniFile();

  virtual BOOL IsCached() const;
  virtual void SetCached(BOOL cached);
  virtual std::wstring GetFilePath() const;
  virtual void SetFilePath(const wchar_t* path);
  // Switches to cached mode on `path` and loads it.
  [[nodiscard]] virtual BOOL Open(const wchar_t* path, BOOL unicode);
  // Adds the entries of the file to the map; TRUE for a missing file.
  virtual BOOL LoadFile(const wchar_t* path, BOOL unicode);
  // Writes the whole map. Raises CFileException when a write fails (disk
  // full in ANSI mode, generic in Unicode mode), also when the failure shows
  // only as the last buffered bytes go out.
  virtual BOOL SaveFile(const wchar_t* path, BOOL unicode);
  virtual BOOL Clear();
  virtual BOOL Reload(BOOL unicode);
  virtual BOOL Flush(BOOL unicode);

  virtual BOOL WriteString(const wchar_t* section, const wchar_t* key, const wchar_t* value);
  [[nodiscard]] virtual std::wstring GetString(const wchar_t* section, const wchar_t* key,
                                               const wchar_t* def);
  [[nodiscard]] virtual std::wstring GetString(const wchar_t* section, const wchar_t* key, int def);
  [[nodiscard]] virtual int GetInt(const wchar_t* section, const wchar_t* key, int def);
  virtual BOOL WriteInt(const wchar_t* section, const wchar_t* key, int value);
  [[nodiscard]] virtual BOOL GetBool(const wchar_t* section, const wchar_t* key, BOOL def);
  virtual BOOL WriteBool(const wchar_t* section, const wchar_t* key, BOOL value);
  [[nodiscard]] virtual POINT GetPoint(const wchar_t* section, const wchar_t* key, POINT def);
  virtual BOOL WritePoint(const wchar_t* section, const wchar_t* key, POINT value);
  virtual BOOL WriteColor(const wchar_t* section, const wchar_t* key, COLORREF color);
  virtual BOOL WriteDateTime(const wchar_t* section, const wchar_t* key, const COleDateTime& time);
  virtual BOOL WriteFont(const wchar_t* section, const wchar_t* key, const LOGFONTW& font);
  // Items are stored under key[0], key[1], ... after key.Count. A count
  // below 0 or above 100000 is refused: FALSE, the list left as it was.
  virtual BOOL GetStringList(CMultiStringList* list, const wchar_t* section, const wchar_t* key,
                             const wchar_t* defItem);
  [[nodiscard]] virtual CBinary GetBinary(const wchar_t* section, const wchar_t* key,
                                          const CBinary& def);
  virtual BOOL WriteStringList(const wchar_t* section, const wchar_t* key,
                               const CMultiStringList* list);
  virtual BOOL WriteBinary(const wchar_t* section, const wchar_t* key, const CBinary& value);
  // "COMMON_APPDATA\rest" and "LOCAL_APPDATA\rest" become paths under those
  // special folders; anything else comes back unchanged.
  virtual std::wstring ExpandFolderToken(const std::wstring& path);
  [[nodiscard]] virtual std::wstring GetPath(const wchar_t* section, const wchar_t* key,
                                             const wchar_t* def);
  [[nodiscard]] virtual int GetPenStyle(const wchar_t* section, const wchar_t* key, int def);
  virtual BOOL WritePenStyle(const wchar_t* section, const wchar_t* key, int style);

 protected:
  int m_bCached = 0;
  std::wstring m_strFilePath;
  CMultiStringMapStringKey m_mapEntries;
};
