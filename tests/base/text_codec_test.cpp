#include "base/text_codec.h"

#include <gtest/gtest.h>

namespace {

using codec::CodePage;

// "設定開始" in the encodings the program meets.
const char kSjis[] = "\x90\xdd\x92\xe8\x8a\x4a\x8e\x6e";
const char kUtf8[] = "\xe8\xa8\xad\xe5\xae\x9a\xe9\x96\x8b\xe5\xa7\x8b";
const char kEucJp[] = "\xc0\xdf\xc4\xea\xb3\xab\xbb\xcf";
const wchar_t kWide[] = L"\u8a2d\u5b9a\u958b\u59cb";

TEST(TextCodec, DecodesEachEncoding) {
  EXPECT_EQ(codec::Decode(kSjis, CodePage::kThreadAnsi), kWide);
  EXPECT_EQ(codec::Decode(kUtf8, CodePage::kUtf8), kWide);
  EXPECT_EQ(codec::Decode(kEucJp, CodePage::kEucJp), kWide);
  EXPECT_EQ(codec::Decode("", CodePage::kUtf8), L"");
}

TEST(TextCodec, EncodesEachEncoding) {
  EXPECT_EQ(codec::Encode(kWide, CodePage::kThreadAnsi), kSjis);
  EXPECT_EQ(codec::Encode(kWide, CodePage::kUtf8), kUtf8);
  EXPECT_EQ(codec::Encode(kWide, CodePage::kEucJp), kEucJp);
}

TEST(TextCodec, AnsiKeepsEmbeddedNulAndAscii) {
  const std::string bytes("a\0b", 3);
  EXPECT_EQ(codec::Decode(bytes, CodePage::kThreadAnsi), std::wstring(L"a\0b", 3));
}

TEST(TextCodec, UnrepresentableCharacterBecomesQuestionMark) {
  // Hangul has no form (and no best fit) in code page 932.
  EXPECT_EQ(codec::Encode(L"x\uac00y", CodePage::kThreadAnsi), "x?y");
}

TEST(TextCodec, Utf16LeLayoutIsTheSameOnEveryPlatform) {
  const auto bytes = codec::ToUtf16LeBytes(L"A\u8a2d");
  const std::vector<std::uint8_t> expected{0x41, 0x00, 0x2d, 0x8a};
  EXPECT_EQ(bytes, expected);
  EXPECT_EQ(codec::FromUtf16LeBytes(bytes.data(), bytes.size()), L"A\u8a2d");
  // A trailing odd byte is not half a character.
  EXPECT_EQ(codec::FromUtf16LeBytes(bytes.data(), 3), L"A");
}

}  // namespace
