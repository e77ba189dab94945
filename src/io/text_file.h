#pragma once
// Text files in one of two encodings, chosen by the open bits:
//   - ANSI mode (typeText): bytes in the thread's ANSI code page. Written
//     through a text-mode stream (each LF lands as CR LF); a file opened for
//     reading only is read byte for byte, byte 0x1A included, and the line
//     readers hand out CR LF as LF;
//   - Unicode mode (typeBinary): UTF-16LE after the byte-order mark FF FE,
//     nothing translated.

#include <windows.h>

#include <string>

#include "framework/stdio_file.h"

class CTextFile : public CStdioFile {
 public:
  CTextFile();
  ~CTextFile() override;

  // Without the byte-order mark in Unicode mode (0 for a file shorter than it).
  ULONGLONG GetLength() const override;
  // Delivers nothing once Unicode line reading has started: the read-ahead
  // text is held in m_strPending, not in the stream.
  UINT Read(void* buffer, UINT count) override;
  // Writes the UTF-16LE code units as they are (no conversion, no line ends).
  void WriteString(const wchar_t* text) override;

  virtual int GetReadChunkSize() const;
  virtual BOOL IsUnicode() const;
  // Opens, trying again every 100 ms for `wait_ms` while the file is locked;
  // then in Unicode mode writes the byte-order mark into a new empty file or
  // checks it in an existing one. Never raises.
  [[nodiscard]] virtual BOOL OpenWithRetry(const wchar_t* path, UINT flags, UINT wait_ms);
  // One line; with `strip` the line end (LF, or CR LF in Unicode mode) is
  // removed. FALSE at end of file. Stream errors raise CFileException.
  virtual BOOL ReadRawLineAnsi(std::string& line, BOOL strip);
  virtual BOOL ReadRawLineUnicode(std::wstring& line, BOOL strip);
  virtual BOOL ReadLineFromAnsi(std::wstring& line, BOOL strip);
  virtual BOOL ReadLineFromUnicode(std::wstring& line, BOOL strip);

 protected:
  int m_bUnicode = 0;
  std::wstring m_strPending;
  int m_bLineReadStarted = 0;
};

// What a signal file holds: the UTF-16LE digit "1" without byte-order mark or
// line end.
inline constexpr char kSignalFileBytes[2] = {'1', '\0'};

// Creates (or replaces) a signal file holding kSignalFileBytes. FALSE on any
// failure.
BOOL WriteSignalFile(const wchar_t* path);
