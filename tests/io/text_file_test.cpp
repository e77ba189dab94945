#include "io/text_file.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "support/files.h"

using test_support::ReadBytes;
using test_support::ScratchFolder;
using test_support::Utf16Bytes;
using test_support::WriteBytes;

namespace {

constexpr UINT kUnicodeRead = 0x8040;   // binary, deny none, read
constexpr UINT kAnsiRead = 0x4040;      // text, deny none, read
constexpr UINT kUnicodeCreate = 0x9001; // binary, create, write, exclusive
constexpr UINT kAnsiCreate = 0x5001;    // text, create, write, exclusive

// Counts the attempts of OpenWithRetry and the time of each.
class CountingTextFile : public CTextFile {
 public:
  BOOL Open(const wchar_t* name, UINT flags, CFileException* error) override {
    attempts.push_back(::GetTickCount());
    return CTextFile::Open(name, flags, error);
  }
  std::vector<DWORD> attempts;
};

// Every line of the file, read as UTF-16 or in the ANSI code page.
std::vector<std::wstring> ReadAll(const std::wstring& path, BOOL strip, bool unicode) {
  CTextFile file;
  EXPECT_TRUE(file.OpenWithRetry(path.c_str(), unicode ? kUnicodeRead : kAnsiRead, 0));
  std::vector<std::wstring> lines;
  std::wstring line;
  while (unicode ? file.ReadLineFromUnicode(line, strip) : file.ReadLineFromAnsi(line, strip)) {
    lines.push_back(line);
  }
  return lines;
}
std::vector<std::wstring> ReadAllUnicode(const std::wstring& path, BOOL strip) {
  return ReadAll(path, strip, true);
}
std::vector<std::wstring> ReadAllAnsi(const std::wstring& path, BOOL strip) {
  return ReadAll(path, strip, false);
}

using Lines = std::vector<std::wstring>;

}  // namespace

TEST(TextFileOpen, AttemptsFollowTheWaitTime) {
  ScratchFolder dir;
  std::wstring missing = dir / L"missing.txt";  // every open fails
  struct Case { UINT wait; size_t attempts; };
  for (Case c : {Case{0, 1}, Case{199, 1}, Case{200, 2}, Case{299, 2}, Case{350, 3}}) {
    CountingTextFile file;
    DWORD start = ::GetTickCount();
    EXPECT_FALSE(file.OpenWithRetry(missing.c_str(), kUnicodeRead, c.wait));
    DWORD elapsed = ::GetTickCount() - start;
    ASSERT_EQ(file.attempts.size(), c.attempts) << "wait " << c.wait;
    if (c.attempts >= 2) {
      // The first two attempts follow each other without a pause ...
      EXPECT_LT(file.attempts[1] - file.attempts[0], 60u);
      // ... and every failure after the first one is followed by a sleep.
      EXPECT_GE(elapsed + 20, 100u * (c.attempts - 1)) << "wait " << c.wait;
    }
  }
}

TEST(TextFileOpen, WaitsForALockedFileToBeReleased) {
  ScratchFolder dir;
  std::wstring path = dir / L"locked.ini";
  ASSERT_TRUE(WriteBytes(path, std::string("x\r\n")));
  HANDLE lock = ::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);

  {
    CTextFile once;
    EXPECT_FALSE(once.OpenWithRetry(path.c_str(), kAnsiRead, 0));
  }
  std::thread release([lock] {
    ::Sleep(250);
    ::CloseHandle(lock);
  });
  CTextFile patient;
  EXPECT_TRUE(patient.OpenWithRetry(path.c_str(), kAnsiRead, 2000));
  release.join();
  std::wstring line;
  EXPECT_TRUE(patient.ReadLineFromAnsi(line, TRUE));
  EXPECT_EQ(line, L"x");
}

TEST(TextFileOpen, ByteOrderMarkWrittenForNewUnicodeFiles) {
  ScratchFolder dir;
  std::wstring path = dir / L"new.txt";
  {
    CTextFile file;
    ASSERT_TRUE(file.OpenWithRetry(path.c_str(), kUnicodeCreate, 0));
    EXPECT_TRUE(file.IsUnicode());
    EXPECT_EQ(file.GetLength(), 0u);  // the mark is not counted
    file.Close();
  }
  EXPECT_EQ(ReadBytes(path), "\xFF\xFE");

  // Truncating an existing file gives a fresh mark too; WriteString adds raw
  // UTF-16LE code units without terminator or line-end translation.
  ASSERT_TRUE(WriteBytes(path, std::string("old content that must go")));
  {
    CTextFile file;
    ASSERT_TRUE(file.OpenWithRetry(path.c_str(), kUnicodeCreate, 0));
    file.WriteString(L"a\u3042\n");
    file.Close();
  }
  EXPECT_EQ(ReadBytes(path), Utf16Bytes(L"a\u3042\n"));

  // ANSI mode writes no mark.
  {
    CTextFile file;
    ASSERT_TRUE(file.OpenWithRetry(path.c_str(), kAnsiCreate, 0));
    EXPECT_FALSE(file.IsUnicode());
    file.Close();
  }
  EXPECT_EQ(ReadBytes(path), "");
}

TEST(TextFileOpen, ByteOrderMarkCheckedForExistingUnicodeFiles) {
  ScratchFolder dir;
  std::wstring path = dir / L"f.txt";

  ASSERT_TRUE(WriteBytes(path, std::string()));
  {
    CTextFile file;
    EXPECT_TRUE(file.OpenWithRetry(path.c_str(), kUnicodeRead, 0));
    std::wstring line = L"untouched";
    EXPECT_FALSE(file.ReadLineFromUnicode(line, TRUE));
  }
  EXPECT_EQ(ReadBytes(path), "");  // reading an empty file writes no mark

  for (std::string wrong : {std::string("\xEF\xBB\xBFkey=v\r\n"), std::string("key=v\r\n"),
                            std::string("\xFE\xFF\0a", 4)}) {
    ASSERT_TRUE(WriteBytes(path, wrong));
    CTextFile file;
    EXPECT_FALSE(file.OpenWithRetry(path.c_str(), kUnicodeRead, 0));
    EXPECT_FALSE(file.IsOpen());  // closed again at once
    EXPECT_EQ(ReadBytes(path), wrong);
  }

  ASSERT_TRUE(WriteBytes(path, std::string("A")));
  CTextFile one;
  EXPECT_TRUE(one.OpenWithRetry(path.c_str(), kUnicodeRead, 0));
}

TEST(TextFileOpen, ReadWriteOpensCanWriteAndReadAfterTheMark) {
  constexpr UINT kUnicodeReadWrite = 0x8002;        // binary, read-write, exclusive
  constexpr UINT kUnicodeCreateReadWrite = 0x9002;  // binary, create, read-write
  ScratchFolder dir;
  std::wstring path = dir / L"rw.txt";

  // The mark of an existing file was read: the write lands right after it.
  ASSERT_TRUE(WriteBytes(path, Utf16Bytes(L"ab\ncd\n")));
  {
    CTextFile file;
    ASSERT_TRUE(file.OpenWithRetry(path.c_str(), kUnicodeReadWrite, 0));
    EXPECT_NO_THROW(file.WriteString(L"XY"));
    EXPECT_NO_THROW(file.Close());
  }
  EXPECT_EQ(ReadBytes(path), Utf16Bytes(L"XY\ncd\n"));

  // The mark of a new file was written: reading then finds the end, and a
  // later write still follows the mark.
  for (bool existingEmpty : {false, true}) {
    std::wstring fresh = dir / (existingEmpty ? L"empty.txt" : L"created.txt");
    if (existingEmpty) {
      ASSERT_TRUE(WriteBytes(fresh, std::string()));
    }
    CTextFile file;
    ASSERT_TRUE(file.OpenWithRetry(fresh.c_str(),
                                   existingEmpty ? kUnicodeReadWrite : kUnicodeCreateReadWrite, 0));
    char byte = 0;
    EXPECT_EQ(file.Read(&byte, 1), 0u) << existingEmpty;
    file.Seek(0, CFile::end);
    EXPECT_NO_THROW(file.WriteString(L"z")) << existingEmpty;
    EXPECT_NO_THROW(file.Close());
    EXPECT_EQ(ReadBytes(fresh), Utf16Bytes(L"z")) << existingEmpty;
  }
}

TEST(TextFileOpen, ExclusiveAndSharedOpens) {
  ScratchFolder dir;
  std::wstring path = dir / L"share.txt";
  CTextFile writer;
  ASSERT_TRUE(writer.OpenWithRetry(path.c_str(), kAnsiCreate, 0));
  CTextFile reader;
  EXPECT_FALSE(reader.OpenWithRetry(path.c_str(), kAnsiRead, 0));
  writer.Close();

  CTextFile shared1, shared2;
  EXPECT_TRUE(shared1.OpenWithRetry(path.c_str(), kAnsiRead, 0));
  EXPECT_TRUE(shared2.OpenWithRetry(path.c_str(), kAnsiRead, 0));
}

TEST(TextFileUnicodeLines, LineEndsAndStripping) {
  ScratchFolder dir;
  std::wstring path = dir / L"u.txt";

  ASSERT_TRUE(WriteBytes(path, Utf16Bytes(L"a\n\nb")));
  EXPECT_EQ(ReadAllUnicode(path, TRUE), (Lines{L"a", L"", L"b"}));
  EXPECT_EQ(ReadAllUnicode(path, FALSE), (Lines{L"a\n", L"\n", L"b"}));

  ASSERT_TRUE(WriteBytes(path, Utf16Bytes(L"a\r\nb\r\n")));
  EXPECT_EQ(ReadAllUnicode(path, TRUE), (Lines{L"a", L"b"}));
  EXPECT_EQ(ReadAllUnicode(path, FALSE), (Lines{L"a\r\n", L"b\r\n"}));

  // A lone CR is no line end; a last line keeps whatever it ends with.
  ASSERT_TRUE(WriteBytes(path, Utf16Bytes(L"x\ry\nlast\r")));
  EXPECT_EQ(ReadAllUnicode(path, TRUE), (Lines{L"x\ry", L"last\r"}));

  // Text beyond the Basic Multilingual Plane and Japanese pass through as is.
  ASSERT_TRUE(WriteBytes(path, Utf16Bytes(L"\u65e5\u672c=\xD83D\xDE00\r\n")));
  EXPECT_EQ(ReadAllUnicode(path, TRUE), (Lines{L"\u65e5\u672c=\xD83D\xDE00"}));
}

TEST(TextFileUnicodeLines, ChunkBoundariesAndOddBytes) {
  ScratchFolder dir;
  std::wstring path = dir / L"u.txt";

  // 1024-byte chunks after the mark: unit 511 is the last one of the first
  // chunk. Put the CR there and its LF into the second chunk.
  std::wstring first(511, L'x');
  ASSERT_TRUE(WriteBytes(path, Utf16Bytes(first + L"\r\nb\r\n")));
  EXPECT_EQ(ReadAllUnicode(path, TRUE), (Lines{first, L"b"}));
  EXPECT_EQ(ReadAllUnicode(path, FALSE), (Lines{first + L"\r\n", L"b\r\n"}));

  // Lines longer than several chunks, and many short lines in one chunk.
  std::wstring longLine(5000, L'\u3042');
  std::wstring text = longLine + L"\n";
  Lines expected{longLine};
  for (int i = 0; i < 700; ++i) {
    text += std::to_wstring(i) + L"\r\n";
    expected.push_back(std::to_wstring(i));
  }
  ASSERT_TRUE(WriteBytes(path, Utf16Bytes(text)));
  EXPECT_EQ(ReadAllUnicode(path, TRUE), expected);

  // An odd trailing byte is ignored.
  ASSERT_TRUE(WriteBytes(path, Utf16Bytes(L"ab") + "c"));
  EXPECT_EQ(ReadAllUnicode(path, TRUE), (Lines{L"ab"}));
}

TEST(TextFileUnicodeLines, RawReadStopsOnceLineReadingStarted) {
  ScratchFolder dir;
  std::wstring path = dir / L"u.txt";
  ASSERT_TRUE(WriteBytes(path, Utf16Bytes(L"ab\ncd\n")));
  CTextFile file;
  ASSERT_TRUE(file.OpenWithRetry(path.c_str(), kUnicodeRead, 0));
  EXPECT_EQ(file.GetLength(), 12u);
  char raw[2];
  ASSERT_EQ(file.Read(raw, 2), 2u);  // before any line read, Read is the stream's
  EXPECT_EQ(std::string(raw, 2), std::string("a\0", 2));
  std::wstring line;
  ASSERT_TRUE(file.ReadLineFromUnicode(line, TRUE));
  EXPECT_EQ(line, L"b");
  EXPECT_EQ(file.Read(raw, 2), 0u);
  ASSERT_TRUE(file.ReadLineFromUnicode(line, TRUE));
  EXPECT_EQ(line, L"cd");
  EXPECT_FALSE(file.ReadLineFromUnicode(line, TRUE));
}

TEST(TextFileLength, MarkNotCounted) {
  ScratchFolder dir;
  std::wstring path = dir / L"len.txt";
  ASSERT_TRUE(WriteBytes(path, Utf16Bytes(L"abcd")));  // 10 bytes
  CTextFile unicode;
  ASSERT_TRUE(unicode.OpenWithRetry(path.c_str(), kUnicodeRead, 0));
  EXPECT_EQ(unicode.GetLength(), 8u);
  CTextFile ansi;
  ASSERT_TRUE(ansi.OpenWithRetry(path.c_str(), kAnsiRead, 0));
  EXPECT_EQ(ansi.GetLength(), 10u);

  ASSERT_TRUE(WriteBytes(dir / L"one.txt", std::string("A")));
  CTextFile one;
  ASSERT_TRUE(one.OpenWithRetry((dir / L"one.txt").c_str(), kUnicodeRead, 0));
  EXPECT_EQ(one.GetLength(), 0u);
}

TEST(TextFileAnsiLines, LineEndsLongLinesAndCodePage) {
  ScratchFolder dir;
  const std::wstring path = dir / L"a.txt";
  const std::string l1(1024, 'p'), l2(1025, 'q'), l3(3000, 'r');
  struct Case {
    std::string bytes;
    BOOL strip;
    Lines lines;
  };
  const Case cases[] = {
      {"one\r\ntwo\r\n\r\nthree", TRUE, {L"one", L"two", L"", L"three"}},
      // The text stream has already made LF of CR LF.
      {"one\r\ntwo\r\n\r\nthree", FALSE, {L"one\n", L"two\n", L"\n", L"three"}},
      {"a\rb\nc\r", TRUE, {L"a\rb", L"c\r"}},
      // Lines of 1024, 1025 and 3000 bytes cross the read unit.
      {l1 + "\r\n" + l2 + "\n" + l3 + "\r\n", TRUE,
       {std::wstring(1024, L'p'), std::wstring(1025, L'q'), std::wstring(3000, L'r')}},
      // Code page 932 text (the tests run in a Japanese locale).
      {"\x93\xfa\x96\x7b=\x82\xa0\r\n", TRUE, {L"\u65e5\u672c=\u3042"}},
      // A zero byte inside a line neither ends the file nor the line.
      {std::string("\0ab\r\ncd\r\n", 9), TRUE, {std::wstring(L"\0ab", 3), L"cd"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.bytes.substr(0, 40)));
    ASSERT_TRUE(WriteBytes(path, c.bytes));
    EXPECT_EQ(ReadAllAnsi(path, c.strip), c.lines);
  }
}

TEST(TextFileAnsiLines, ByteOneAIsNoEndOfFile) {
  ScratchFolder dir;
  std::wstring path = dir / L"z.txt";
  // 0x1A ends a text-mode read of the C runtime; here it is a byte like any
  // other, and CR LF still reaches the reader as LF.
  ASSERT_TRUE(WriteBytes(path, std::string("x\x1A y\r\nafter\r\n\x1A\r\nlast")));
  EXPECT_EQ(ReadAllAnsi(path, TRUE), (Lines{L"x\x1A y", L"after", L"\x1A", L"last"}));
  EXPECT_EQ(ReadAllAnsi(path, FALSE), (Lines{L"x\x1A y\n", L"after\n", L"\x1A\n", L"last"}));
  // A CR whose LF falls into the next read unit goes as well; a CR CR LF
  // keeps its first CR, as the text stream would.
  std::string longLine(1023, 'p');
  ASSERT_TRUE(WriteBytes(path, longLine + "\r\nq\r\r\n"));
  EXPECT_EQ(ReadAllAnsi(path, FALSE), (Lines{std::wstring(1023, L'p') + L"\n", L"q\r\n"}));
}

TEST(TextFileErrors, StreamFailuresRaiseFileException) {
  ScratchFolder dir;
  std::wstring path = dir / L"w.txt";
  CTextFile writer;
  ASSERT_TRUE(writer.OpenWithRetry(path.c_str(), kAnsiCreate, 0));
  std::wstring line;
  try {
    writer.ReadLineFromAnsi(line, TRUE);
    ADD_FAILURE() << "reading a write-only file did not raise";
  } catch (const CFileException& e) {
    EXPECT_EQ(e.cause, CFileException::genericException);
    EXPECT_EQ(e.file_name, path);
  }
  writer.Close();

  CTextFile reader;
  ASSERT_TRUE(reader.OpenWithRetry(path.c_str(), kAnsiRead, 0));
  try {
    reader.Write("x", 1);
    reader.Flush();
    ADD_FAILURE() << "writing a read-only file did not raise";
  } catch (const CFileException& e) {
    EXPECT_EQ(e.cause, CFileException::genericException);
    EXPECT_EQ(e.file_name, path);
  }
}

TEST(TextFileErrors, WritesThatFailOnlyAtCloseRaise) {
  const std::wstring full = test_support::FullDiskFile();
  if (full.empty()) GTEST_SKIP() << "no /dev/full behind Z:";
  // A few bytes stay in the stream's buffer until the file is closed; the
  // failure to write them there must not pass for success.
  for (UINT flags : {kAnsiCreate, kUnicodeCreate}) {
    CTextFile file;
    ASSERT_TRUE(file.OpenWithRetry(full.c_str(), flags, 0));
    file.Write("k=v\r\n", 5);
    try {
      file.Close();
      ADD_FAILURE() << "closing after a failed write raised nothing, flags " << flags;
    } catch (const CFileException& e) {
      EXPECT_EQ(e.cause, CFileException::genericException);
      EXPECT_EQ(e.os_error, ERROR_DISK_FULL);
      EXPECT_EQ(e.file_name, full);
    }
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(file.GetStream(), nullptr);
  }
  // Flushing says so as a full disk.
  CTextFile flushed;
  ASSERT_TRUE(flushed.OpenWithRetry(full.c_str(), kAnsiCreate, 0));
  flushed.Write("k", 1);
  try {
    flushed.Flush();
    ADD_FAILURE() << "a failed flush raised nothing";
  } catch (const CFileException& e) {
    EXPECT_EQ(e.cause, CFileException::diskFull);
  }
  flushed.Abort();
  EXPECT_FALSE(WriteSignalFile(full.c_str()));
}

TEST(SignalFile, WritesTheDigitOneInUtf16) {
  ScratchFolder dir;
  std::wstring path = dir / L"UpdatePassive.signal.dat";
  ASSERT_TRUE(WriteBytes(path, std::string("previous content\r\n")));
  EXPECT_TRUE(WriteSignalFile(path.c_str()));
  EXPECT_EQ(ReadBytes(path), std::string("1\0", 2));

  std::wstring fresh = dir / L"UpdatePassiveReboot.signal.dat";
  EXPECT_TRUE(WriteSignalFile(fresh.c_str()));
  EXPECT_EQ(ReadBytes(fresh), std::string("1\0", 2));

  std::wstring nowhere = dir / L"missing\\x.signal.dat";
  EXPECT_FALSE(WriteSignalFile(nowhere.c_str()));
  EXPECT_FALSE(test_support::PathExists(nowhere));
}
