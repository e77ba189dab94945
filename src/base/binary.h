#pragma once
// CBinary: a growable block of bytes with the text conversions the program
// needs around HTTP bodies, INI values and downloaded descriptors.

#include <string>

#include "base/win_types.h"

// Turns one three-way comparison into the six comparison operators.
template <class T>
class CDataValueCompareBase {
 public:
  virtual ~CDataValueCompareBase() = default;
  virtual int Compare(const T& other) const = 0;
  virtual BOOL operator==(const T& other) const { return Compare(other) == 0; }
  virtual BOOL operator<(const T& other) const { return Compare(other) < 0; }
  virtual BOOL operator>(const T& other) const { return Compare(other) > 0; }
  virtual BOOL operator<=(const T& other) const { return Compare(other) <= 0; }
  virtual BOOL operator>=(const T& other) const { return Compare(other) >= 0; }
  virtual BOOL operator!=(const T& other) const { return Compare(other) != 0; }
};

// Positions and lengths are byte counts throughout, also where the content is
// UTF-16LE text. Growth is in fixed steps of the grow-by amount, so small
// buffers stay small. A block the C heap cannot supply leaves the buffer as it
// was: GetBuffer and GetBufferSetLength then answer null, the setters FALSE,
// and the appending operations leave the length unchanged.
class CBinary : public CDataValueCompareBase<CBinary> {
 public:
  CBinary();
  CBinary(const CBinary& other);
  // Copy of `count` bytes of `other` from `offset`; the range must be valid.
  CBinary(const CBinary& other, int offset, int count);
  CBinary(CBinary&& other) noexcept;
  CBinary& operator=(const CBinary& other);
  CBinary& operator=(CBinary&& other) noexcept;
  ~CBinary() override;

  int Compare(const CBinary& other) const override;

  virtual int GetGrowBy() const;
  virtual void SetGrowBy(int grow_by);

  virtual BOOL SetText(std::wstring text, BOOL ansi);
  virtual BOOL SetAnsiText(const char* text);
  virtual BOOL SetWideText(const wchar_t* text);
  virtual BOOL SetData(const void* data, int count);

  virtual BYTE* GetBuffer(int size);
  virtual BYTE* GetData() const;
  virtual BYTE* GetBufferSetLength(int size);
  virtual BOOL ReleaseBuffer(int length);
  virtual void ReleaseBuffer();
  virtual void Empty();
  virtual void Free();
  virtual int GetCapacity() const;
  virtual int GetLength() const;
  virtual BOOL SetLength(int length);
  virtual BOOL IsEmpty() const;

  virtual BYTE GetAt(int offset) const;
  virtual BOOL SetBytesAt(int offset, int count, const void* data);
  virtual BOOL SetAt(int offset, BYTE value);
  // The 16-bit little-endian unit with index `position` (byte offset
  // 2 x position); 0 unless the whole unit lies inside the content.
  virtual WORD GetWordAt(int position) const;

  virtual int CompareWideAt(const wchar_t* text, int offset, int count) const;
  virtual int CompareAnsiAt(const char* text, int offset, int count) const;
  virtual int CompareAt(const void* data, int offset, int count) const;

  virtual CBinary& Assign(const CBinary& other);
  virtual CBinary& AppendWideText(const std::wstring& text, int index = 0, int count = -1);
  virtual CBinary& AppendWideText(const wchar_t* text, int index = 0, int count = -1);
  virtual CBinary& AppendAnsiText(const char* text, int index = 0, int count = -1);
  virtual CBinary& Append(const CBinary& other);

  virtual std::wstring ToAnsiText(int count = 0, int offset = 0) const;
  virtual std::wstring ToWideText(int count = 0) const;
  virtual std::wstring DecodeUtf8() const;
  virtual std::wstring DecodeEucJp() const;
  virtual std::wstring ToAnsiLine(int count = 0) const;
  virtual std::wstring ToWideLine(int count = 0) const;
  virtual std::wstring ToLine(BOOL ansi, int count = 0) const;

  virtual int FindWideText(const wchar_t* text, int start = 0) const;
  virtual int FindAnsiText(const char* text, int start = 0) const;
  virtual int Find(const CBinary& pattern, int start = 0) const;
  virtual int Find(const void* data, int count, int start) const;
  virtual int ReverseFind(const CBinary& pattern, int start = -1) const;
  virtual int FindAnsiLineEnd(int start = 0) const;
  virtual int FindWideLineEnd(int start = 0) const;
  virtual int FindLineEnd(BOOL ansi, int start = 0) const;
  virtual int ReverseFindAnsiLineEnd(int start = -1) const;
  virtual int ReverseFindWideLineEnd(int start = -1) const;
  virtual int ReverseFindLineEnd(BOOL ansi, int start = -1) const;

  virtual CBinary& TruncateRight(int count);
  virtual CBinary& RemoveLeft(int count);
  virtual CBinary& TrimNewLine();
  virtual CBinary TakeLeft(int count);
  virtual CBinary Right(int count) const;
  virtual CBinary Left(int count) const;
  virtual CBinary Mid(int offset, int count = -1) const;
  virtual BOOL EqualsLeft(const CBinary& other, int count = -1) const;

  virtual std::wstring ToHexString() const;
  virtual CBinary& FromHexString(const wchar_t* text);

 private:
  // Appends `count` bytes; FALSE (nothing changed) when the room cannot be had.
  BOOL AppendBytes(const void* data, int count);
  // Compares `count` bytes at `offset` with a block known to hold `available`
  // bytes, so that a count larger than the block never reads past it.
  int CompareBounded(const BYTE* data, int available, int offset, int count) const;
  std::wstring AnsiTextOf(int offset, int count) const;
  std::wstring WideTextOf(int count) const;

  int m_nLength = 0;
  int m_nCapacity = 0;
  int m_nGrowBy = 64;
  BYTE* m_pData = nullptr;
};
