#include "base/binary.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

namespace {

CBinary Bytes(std::initializer_list<int> values) {
  std::vector<BYTE> raw;
  for (int v : values) raw.push_back(static_cast<BYTE>(v));
  CBinary b;
  b.SetData(raw.data(), static_cast<int>(raw.size()));
  return b;
}

CBinary Ansi(const char* text) {
  CBinary b;
  b.SetAnsiText(text);
  return b;
}

std::vector<int> Content(const CBinary& b) {
  std::vector<int> out;
  for (int i = 0; i < b.GetLength(); ++i) out.push_back(b.GetAt(i));
  return out;
}

std::string AsString(const CBinary& b) {
  return std::string(reinterpret_cast<const char*>(b.GetData()),
                     static_cast<std::size_t>(b.GetLength()));
}

TEST(Binary, NewBufferIsEmptyWithStep64) {
  CBinary b;
  EXPECT_EQ(b.GetLength(), 0);
  EXPECT_EQ(b.GetCapacity(), 0);
  EXPECT_EQ(b.GetGrowBy(), 64);
  EXPECT_EQ(b.GetData(), nullptr);
  EXPECT_TRUE(b.IsEmpty());
}

TEST(Binary, GetBufferGrowsToNextMultipleStrictlyAboveSize) {
  CBinary one;
  ASSERT_NE(one.GetBuffer(1), nullptr);
  EXPECT_EQ(one.GetCapacity(), 64);

  CBinary exact;
  exact.GetBuffer(64);
  EXPECT_EQ(exact.GetCapacity(), 128);

  CBinary above;
  above.GetBuffer(65);
  EXPECT_EQ(above.GetCapacity(), 128);

  // Enough room already: the block stays where it is.
  BYTE* block = one.GetBuffer(10);
  EXPECT_EQ(block, one.GetData());
  EXPECT_EQ(one.GetBuffer(64), block);
  EXPECT_EQ(one.GetCapacity(), 64);

  CBinary custom;
  custom.SetGrowBy(10);
  custom.GetBuffer(25);
  EXPECT_EQ(custom.GetCapacity(), 30);
  CBinary unit;
  unit.SetGrowBy(0);  // below 1 counts as 1
  unit.GetBuffer(5);
  EXPECT_EQ(unit.GetCapacity(), 6);
}

TEST(Binary, GrowingKeepsContent) {
  CBinary b = Ansi("hello");
  const int before = b.GetCapacity();
  b.GetBuffer(before + 100);
  EXPECT_GT(b.GetCapacity(), before);
  EXPECT_EQ(AsString(b), "hello");
}

TEST(Binary, BlockThatCannotBeHadLeavesBufferUnchanged) {
  CBinary b = Ansi("keep");
  const int capacity = b.GetCapacity();
  const BYTE* block = b.GetData();
  EXPECT_EQ(b.GetBuffer(INT_MAX), nullptr);
  EXPECT_EQ(b.GetBufferSetLength(INT_MAX - 1), nullptr);
  EXPECT_EQ(b.GetCapacity(), capacity);
  EXPECT_EQ(b.GetData(), block);
  EXPECT_EQ(AsString(b), "keep");
  EXPECT_FALSE(b.SetData("x", INT_MAX));
  EXPECT_EQ(AsString(b), "keep");
}

TEST(Binary, SetLengthRespectsCapacity) {
  CBinary b;
  b.GetBuffer(1);
  EXPECT_TRUE(b.SetLength(b.GetCapacity()));
  EXPECT_EQ(b.GetLength(), 64);
  EXPECT_FALSE(b.SetLength(b.GetCapacity() + 1));
  EXPECT_FALSE(b.SetLength(-1));
  EXPECT_EQ(b.GetLength(), 64);
  EXPECT_TRUE(b.ReleaseBuffer(3));
  EXPECT_EQ(b.GetLength(), 3);
  EXPECT_FALSE(b.ReleaseBuffer(65));
}

TEST(Binary, DirectWritingThroughBufferSetLength) {
  CBinary b;
  BYTE* p = b.GetBufferSetLength(3);
  ASSERT_NE(p, nullptr);
  std::memcpy(p, "xyz", 3);
  b.ReleaseBuffer();
  EXPECT_EQ(AsString(b), "xyz");
}

TEST(Binary, SetDataCopiesOrOnlyReserves) {
  CBinary b;
  EXPECT_TRUE(b.SetData("abc", 3));
  EXPECT_EQ(AsString(b), "abc");
  EXPECT_TRUE(b.SetData(nullptr, 200));
  EXPECT_EQ(b.GetLength(), 0);
  EXPECT_GE(b.GetCapacity(), 200);
  EXPECT_TRUE(b.SetData("abc", 0));
  EXPECT_EQ(b.GetLength(), 0);
}

TEST(Binary, EmptyKeepsBlockFreeReleasesIt) {
  CBinary b = Ansi("abc");
  const int capacity = b.GetCapacity();
  b.Empty();
  EXPECT_TRUE(b.IsEmpty());
  EXPECT_EQ(b.GetCapacity(), capacity);
  EXPECT_NE(b.GetData(), nullptr);
  b.Free();
  EXPECT_EQ(b.GetCapacity(), 0);
  EXPECT_EQ(b.GetLength(), 0);
  EXPECT_EQ(b.GetData(), nullptr);
}

TEST(Binary, TextSettersStoreAnsiAndUtf16LeBytes) {
  CBinary b;
  b.SetWideText(L"A\u8a2d");
  EXPECT_EQ(Content(b), (std::vector<int>{0x41, 0x00, 0x2d, 0x8a}));
  b.SetText(L"A\u8a2d", FALSE);
  EXPECT_EQ(Content(b), (std::vector<int>{0x41, 0x00, 0x2d, 0x8a}));
  // The ANSI code page of the program's Windows is 932.
  b.SetText(L"A\u8a2d", TRUE);
  EXPECT_EQ(Content(b), (std::vector<int>{0x41, 0x90, 0xdd}));
  b.SetAnsiText("xy");
  EXPECT_EQ(AsString(b), "xy");
}

TEST(Binary, CopiesDuplicateBytesAndTakeDefaultStep) {
  CBinary a = Ansi("abc");
  a.SetGrowBy(8);
  CBinary copy(a);
  EXPECT_EQ(AsString(copy), "abc");
  EXPECT_NE(copy.GetData(), a.GetData());
  EXPECT_EQ(copy.GetGrowBy(), 64);
  copy.SetAt(0, 'z');
  EXPECT_EQ(AsString(a), "abc");

  CBinary assigned;
  assigned.Assign(a);
  EXPECT_EQ(AsString(assigned), "abc");
  assigned = assigned;  // self assignment keeps the bytes
  EXPECT_EQ(AsString(assigned), "abc");
}

TEST(Binary, ByteAccessStaysInsideContent) {
  CBinary b = Ansi("abcd");
  EXPECT_EQ(b.GetAt(0), 'a');
  EXPECT_EQ(b.GetAt(-1), 0);
  EXPECT_EQ(b.GetAt(4), 0);
  EXPECT_TRUE(b.SetAt(3, 'D'));
  EXPECT_FALSE(b.SetAt(4, 'x'));
  EXPECT_FALSE(b.SetAt(-1, 'x'));
  EXPECT_TRUE(b.SetBytesAt(1, 2, "XY"));
  EXPECT_EQ(AsString(b), "aXYD");
  EXPECT_FALSE(b.SetBytesAt(3, 2, "no"));
  EXPECT_FALSE(b.SetBytesAt(-1, 1, "n"));
  EXPECT_EQ(AsString(b), "aXYD");
}

TEST(Binary, GetWordAtReadsWholeUnitsOnly) {
  CBinary b = Bytes({0x41, 0x00, 0x2d, 0x8a, 0x7f});
  EXPECT_EQ(b.GetWordAt(0), 0x0041);
  EXPECT_EQ(b.GetWordAt(1), 0x8a2d);
  EXPECT_EQ(b.GetWordAt(2), 0);  // only half a unit left
  EXPECT_EQ(b.GetWordAt(-1), 0);
  EXPECT_EQ(CBinary().GetWordAt(0), 0);
}

TEST(Binary, CompareOrdersByBytesThenLength) {
  EXPECT_EQ(Bytes({1, 2}).Compare(Bytes({1, 2, 3})), -1);
  EXPECT_EQ(Bytes({2}).Compare(Bytes({1, 0xff})), 1);
  EXPECT_EQ(CBinary().Compare(CBinary()), 0);
  EXPECT_EQ(CBinary().Compare(Bytes({0})), -1);
  EXPECT_EQ(Bytes({0}).Compare(CBinary()), 1);
  // Equal prefix: the length difference itself, not only its sign.
  EXPECT_EQ(Bytes({1, 2, 3, 4}).Compare(Bytes({1})), 3);
  // Bytes compare unsigned.
  EXPECT_EQ(Bytes({0x80}).Compare(Bytes({0x7f})), 1);
}

TEST(Binary, OperatorsFollowCompare) {
  const CBinary small = Bytes({1, 2});
  const CBinary large = Bytes({1, 3});
  const CBinary same = Bytes({1, 2});
  EXPECT_TRUE(small == same);
  EXPECT_FALSE(small == large);
  EXPECT_TRUE(small != large);
  EXPECT_FALSE(small != same);
  EXPECT_TRUE(small < large);
  EXPECT_FALSE(large < small);
  EXPECT_TRUE(large > small);
  EXPECT_TRUE(small <= same);
  EXPECT_TRUE(small <= large);
  EXPECT_FALSE(large <= small);
  EXPECT_TRUE(large >= same);
  EXPECT_FALSE(small >= large);
}

TEST(Binary, CompareAtAgainstBlocksAndTexts) {
  const CBinary b = Ansi("abcdef");
  EXPECT_EQ(b.CompareAt("cde", 2, 3), 0);
  EXPECT_EQ(b.CompareAt("cdf", 2, 3), -1);
  EXPECT_EQ(b.CompareAt("cda", 2, 3), 1);
  EXPECT_EQ(b.CompareAt("x", 7, 1), -1);  // offset beyond the length
  // Fewer bytes than asked for: the (negative) shortfall.
  EXPECT_EQ(b.CompareAt("efgh", 4, 4), -2);
  EXPECT_EQ(b.CompareAt("", 6, 3), -3);
  EXPECT_EQ(b.CompareAnsiAt("def", 3, -1), 0);
  EXPECT_EQ(b.CompareAnsiAt("abz", 0, 2), 0);
  EXPECT_EQ(b.CompareAnsiAt("b", 0, -1), -1);

  CBinary wide;
  wide.SetWideText(L"xyz");
  EXPECT_EQ(wide.CompareWideAt(L"xyz", 0, -1), 0);
  // A negative count is 2 x the text's length minus the offset.
  EXPECT_EQ(wide.CompareWideAt(L"yz", 2, -1), 0);
  EXPECT_EQ(wide.CompareWideAt(L"yz", 2, 4), 0);
  EXPECT_EQ(wide.CompareWideAt(L"ya", 2, 4), 1);
  EXPECT_EQ(wide.CompareWideAt(L"z", 4, 4), -2);
}

TEST(Binary, CompareWithCountBeyondTheTextDoesNotReadPastIt) {
  const CBinary b = Ansi("abcdefgh");
  // "ab" and its terminator are three bytes; the buffer holds more.
  EXPECT_EQ(b.CompareAnsiAt("ab", 0, 8), 1);
  EXPECT_EQ(b.CompareWideAt(L"a", 0, 8), 1);
}

TEST(Binary, AppendingTexts) {
  CBinary b;
  b.AppendAnsiText("hello", 1, 3);
  EXPECT_EQ(AsString(b), "ell");
  b.AppendAnsiText("xyz", 1);
  EXPECT_EQ(AsString(b), "ellyz");
  b.AppendAnsiText("abc", 2, 2);  // beyond the text: nothing
  EXPECT_EQ(AsString(b), "ellyz");
  b.AppendAnsiText("abc", -1, 1);
  EXPECT_EQ(AsString(b), "ellyz");

  CBinary w;
  w.AppendWideText(L"abc", 1, -1);
  EXPECT_EQ(Content(w), (std::vector<int>{'b', 0, 'c', 0}));
  w.AppendWideText(std::wstring(L"xy"), 0, 2);
  EXPECT_EQ(Content(w), (std::vector<int>{'b', 0, 'c', 0, 'x', 0}));
  w.AppendWideText(L"ab", 1, 4);  // 1 + 4/2 > 2: nothing
  EXPECT_EQ(w.GetLength(), 6);
}

TEST(Binary, AppendBuffers) {
  CBinary b = Ansi("ab");
  b.Append(CBinary());
  EXPECT_EQ(AsString(b), "ab");
  b.Append(Ansi("cd"));
  EXPECT_EQ(AsString(b), "abcd");
  b.Append(b);
  EXPECT_EQ(AsString(b), "abcdabcd");
  // Growth past the first block keeps everything.
  CBinary big;
  std::string expected;
  for (int i = 0; i < 50; ++i) {
    const std::string piece(37, static_cast<char>('a' + i % 26));
    big.AppendAnsiText(piece.c_str());
    expected += piece;
  }
  EXPECT_EQ(AsString(big), expected);
  EXPECT_EQ(big.GetCapacity() % 64, 0);
  EXPECT_GT(big.GetCapacity(), big.GetLength());
}

TEST(Binary, AnsiTextCutsAtNul) {
  const std::string raw("abc\0def", 7);
  CBinary b;
  b.SetData(raw.data(), 7);
  EXPECT_EQ(b.ToAnsiText(0, 0), L"abc");
  EXPECT_EQ(b.ToAnsiText(0, 4), L"def");
  EXPECT_EQ(b.ToAnsiText(2, 4), L"de");
  EXPECT_EQ(b.ToAnsiText(100, 5), L"ef");
  EXPECT_EQ(b.ToAnsiText(0, 7), L"");
  EXPECT_EQ(b.ToAnsiText(0, 8), L"");
  EXPECT_EQ(b.ToAnsiText(0, -1), L"");
  EXPECT_EQ(CBinary().ToAnsiText(0, 0), L"");
  CBinary sjis;
  sjis.SetAnsiText("\x90\xdd\x92\xe8");
  EXPECT_EQ(sjis.ToAnsiText(), L"\u8a2d\u5b9a");
}

TEST(Binary, WideTextCutsAtNulUnitAndIgnoresOddByte) {
  CBinary b = Bytes({'a', 0, 0x2d, 0x8a, 0, 0, 'z', 0});
  EXPECT_EQ(b.ToWideText(), L"a\u8a2d");
  EXPECT_EQ(b.ToWideText(3), L"a");
  EXPECT_EQ(b.ToWideText(2), L"a");
  EXPECT_EQ(Bytes({'a', 0, 'b'}).ToWideText(), L"a");
  EXPECT_EQ(CBinary().ToWideText(), L"");
}

TEST(Binary, DecodesUtf8AndEucJp) {
  CBinary utf8;
  utf8.SetAnsiText("\xe8\xa8\xad\xe5\xae\x9a");
  EXPECT_EQ(utf8.DecodeUtf8(), L"\u8a2d\u5b9a");
  CBinary euc;
  euc.SetAnsiText("\xc0\xdf\xc4\xea");
  EXPECT_EQ(euc.DecodeEucJp(), L"\u8a2d\u5b9a");
  EXPECT_EQ(CBinary().DecodeUtf8(), L"");
  // Every stored byte counts, NUL included.
  CBinary nul = Bytes({'a', 0, 'b'});
  EXPECT_EQ(nul.DecodeUtf8(), std::wstring(L"a\0b", 3));
}

TEST(Binary, LinesDropTheFinalBreak) {
  EXPECT_EQ(Ansi("abc\r\n").ToAnsiLine(0), L"abc");
  EXPECT_EQ(Ansi("abc\n").ToAnsiLine(0), L"abc");
  EXPECT_EQ(Ansi("abc").ToAnsiLine(0), L"abc");
  EXPECT_EQ(Ansi("\r\n").ToAnsiLine(0), L"");
  EXPECT_EQ(Ansi("\n").ToAnsiLine(0), L"");
  // The break is looked for at the end of the content, not of the counted part.
  EXPECT_EQ(Ansi("abcdef\n").ToAnsiLine(4), L"abc");
  EXPECT_EQ(Ansi("ab\r\n").ToLine(TRUE), L"ab");

  CBinary w;
  w.SetWideText(L"abc\r\n");
  EXPECT_EQ(w.ToWideLine(0), L"abc");
  w.SetWideText(L"abc\n");
  EXPECT_EQ(w.ToWideLine(0), L"abc");
  EXPECT_EQ(w.ToLine(FALSE), L"abc");
  w.SetWideText(L"\n");
  EXPECT_EQ(w.ToWideLine(0), L"");
  w.SetWideText(L"abc");
  EXPECT_EQ(w.ToWideLine(0), L"abc");
}

TEST(Binary, SearchesForward) {
  const CBinary b = Ansi("abcb");
  EXPECT_EQ(b.FindAnsiText("b", 0), 1);
  EXPECT_EQ(b.FindAnsiText("b", 2), 3);
  EXPECT_EQ(b.FindAnsiText("b", 4), -1);
  EXPECT_EQ(b.FindAnsiText("cb", 0), 2);
  EXPECT_EQ(b.FindAnsiText("x", 0), -1);
  EXPECT_EQ(b.Find(Ansi("bc"), 0), 1);
  EXPECT_EQ(b.Find("abcbz", 5, 0), -1);
  CBinary w;
  w.SetWideText(L"xa\u3042b");
  EXPECT_EQ(w.FindWideText(L"\u3042", 0), 4);
}

TEST(Binary, ReverseFindAnswersTheOffsetAfterTheMatch) {
  const CBinary b = Ansi("abcb");
  EXPECT_EQ(b.ReverseFind(Ansi("b"), -1), 4);
  EXPECT_EQ(b.ReverseFind(Ansi("b"), 2), 2);
  EXPECT_EQ(b.ReverseFind(Ansi("ab"), -1), 2);
  EXPECT_EQ(b.ReverseFind(Ansi("x"), -1), -1);
  EXPECT_EQ(b.ReverseFind(Ansi("abcbz"), -1), -1);
}

TEST(Binary, AnsiLineEnds) {
  const CBinary b = Ansi("a\nb\r\nc\rd");
  EXPECT_EQ(b.FindAnsiLineEnd(0), 1);
  EXPECT_EQ(b.FindAnsiLineEnd(2), 4);
  EXPECT_EQ(b.FindAnsiLineEnd(5), 6);
  EXPECT_EQ(b.FindAnsiLineEnd(7), -1);
  EXPECT_EQ(b.FindAnsiLineEnd(8), -1);
  EXPECT_EQ(b.FindLineEnd(TRUE, 2), 4);
  EXPECT_EQ(Ansi("ab\r").FindAnsiLineEnd(0), 2);

  EXPECT_EQ(b.ReverseFindAnsiLineEnd(-1), 6);
  EXPECT_EQ(b.ReverseFindAnsiLineEnd(5), 4);
  EXPECT_EQ(b.ReverseFindAnsiLineEnd(3), 3 + 1);  // a CR with LF after it answers the LF
  EXPECT_EQ(b.ReverseFindAnsiLineEnd(100), 6);
  EXPECT_EQ(b.ReverseFindLineEnd(TRUE, 0), -1);
  EXPECT_EQ(CBinary().ReverseFindAnsiLineEnd(-1), -1);
}

TEST(Binary, WideLineEnds) {
  CBinary b;
  b.SetWideText(L"a\nb\r\nc\rd");
  // Units: a0 \n2 b4 \r6 \n8 c10 \r12 d14
  EXPECT_EQ(b.FindWideLineEnd(0), 2);
  EXPECT_EQ(b.FindWideLineEnd(4), 8);
  EXPECT_EQ(b.FindWideLineEnd(10), 12);
  EXPECT_EQ(b.FindWideLineEnd(14), -1);
  EXPECT_EQ(b.FindWideLineEnd(16), -1);
  EXPECT_EQ(b.FindLineEnd(FALSE, 4), 8);
  // A unit whose high byte is not 0 is no line end: U+0A0A.
  CBinary high = Bytes({0x0a, 0x0a, 0x0a, 0x00});
  EXPECT_EQ(high.FindWideLineEnd(0), 2);

  // Backward, a CR LF answers the position of the CR unit.
  EXPECT_EQ(b.ReverseFindWideLineEnd(-1), 6);
  EXPECT_EQ(b.ReverseFindWideLineEnd(5), 2);
  EXPECT_EQ(b.ReverseFindLineEnd(FALSE, 1), -1);
  EXPECT_EQ(CBinary().ReverseFindWideLineEnd(-1), -1);
}

TEST(Binary, TrimmingFromEitherEnd) {
  CBinary b = Ansi("abcdef");
  b.TruncateRight(2);
  EXPECT_EQ(AsString(b), "abcd");
  b.TruncateRight(5);
  EXPECT_EQ(AsString(b), "abcd");
  b.RemoveLeft(1);
  EXPECT_EQ(AsString(b), "bcd");
  b.RemoveLeft(-1);
  b.RemoveLeft(4);
  EXPECT_EQ(AsString(b), "bcd");
  b.RemoveLeft(3);
  EXPECT_TRUE(b.IsEmpty());

  CBinary crlf = Ansi("x\r\n");
  crlf.TrimNewLine();
  EXPECT_EQ(AsString(crlf), "x");
  crlf.TrimNewLine();
  EXPECT_EQ(AsString(crlf), "x");
  CBinary lf = Ansi("y\n\n");
  lf.TrimNewLine();
  EXPECT_EQ(AsString(lf), "y\n");
  CBinary cr = Ansi("z\r");
  cr.TrimNewLine();
  EXPECT_EQ(AsString(cr), "z\r");
}

TEST(Binary, PiecesAreCopies) {
  CBinary b = Ansi("abcd");
  CBinary left = b.TakeLeft(2);
  EXPECT_EQ(AsString(left), "ab");
  EXPECT_EQ(AsString(b), "cd");
  EXPECT_TRUE(b.TakeLeft(3).IsEmpty());
  EXPECT_EQ(AsString(b), "cd");
  EXPECT_TRUE(b.TakeLeft(-1).IsEmpty());
  EXPECT_EQ(AsString(b), "cd");

  const CBinary s = Ansi("abcd");
  EXPECT_EQ(AsString(s.Left(3)), "abc");
  EXPECT_EQ(AsString(s.Left(4)), "abcd");
  EXPECT_TRUE(s.Left(5).IsEmpty());
  EXPECT_TRUE(s.Left(-1).IsEmpty());
  EXPECT_EQ(AsString(s.Right(1)), "d");
  EXPECT_EQ(AsString(s.Right(4)), "abcd");
  EXPECT_TRUE(s.Right(5).IsEmpty());
  EXPECT_EQ(AsString(s.Mid(1, -1)), "bcd");
  EXPECT_EQ(AsString(s.Mid(1, 2)), "bc");
  EXPECT_EQ(AsString(s.Mid(0, 4)), "abcd");
  EXPECT_TRUE(s.Mid(3, 2).IsEmpty());
  EXPECT_TRUE(s.Mid(4, -1).IsEmpty());
  EXPECT_TRUE(s.Mid(-1, 1).IsEmpty());
  EXPECT_NE(s.Left(2).GetData(), s.GetData());
}

TEST(Binary, EqualsLeftComparesPrefixes) {
  const CBinary b = Ansi("abcd");
  EXPECT_TRUE(b.EqualsLeft(Ansi("ab")));
  EXPECT_FALSE(b.EqualsLeft(Ansi("ax")));
  EXPECT_TRUE(b.EqualsLeft(Ansi("abxx"), 2));
  EXPECT_FALSE(b.EqualsLeft(Ansi("ab"), 3));  // the other is shorter
  EXPECT_FALSE(b.EqualsLeft(Ansi("abcde")));  // this one is shorter
  EXPECT_TRUE(b.EqualsLeft(Ansi("zz"), 0));
}

TEST(Binary, Hexadecimal) {
  const CBinary b = Bytes({0x00, 0xab});
  EXPECT_EQ(b.ToHexString(), L"00ab");
  EXPECT_EQ(CBinary().ToHexString(), L"");

  CBinary r;
  r.FromHexString(L"00ab");
  EXPECT_EQ(r, b);
  r.FromHexString(L"abc");
  EXPECT_EQ(Content(r), (std::vector<int>{0xab}));
  r.FromHexString(L"0aFF");
  EXPECT_EQ(Content(r), (std::vector<int>{0x0a, 0xff}));
  r.FromHexString(L"zz");
  EXPECT_EQ(Content(r), (std::vector<int>{0x00}));
  r.FromHexString(L"1z");
  EXPECT_EQ(Content(r), (std::vector<int>{0x01}));
  r.FromHexString(L" f-1");  // a blank and a sign are accepted
  EXPECT_EQ(Content(r), (std::vector<int>{0x0f, 0xff}));
  r.FromHexString(L"");
  EXPECT_TRUE(r.IsEmpty());
  // Each character counts by its low 8 bits: U+FF41 reads as 'A'.
  r.FromHexString(L"\uff41\uff41");
  EXPECT_EQ(Content(r), (std::vector<int>{0xaa}));
}

}  // namespace
