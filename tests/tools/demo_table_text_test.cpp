// The demo's before/after table: readings as the driver prints them (and as
// a broken driver might), terminal widths of Japanese text, and the verdicts
// on each row.
#include "demo_table_text.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

using demo::DisplayWidth;
using demo::FormatBeforeAfter;
using demo::ParseExpectations;
using demo::ParseReading;
using demo::Reading;
using demo::WrapToWidth;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(DemoReading, TakesLabelAndValueAtTheFirstTabAndSurvivesBrokenLines) {
  const Reading r = ParseReading(
      "Winlogon AutoAdminLogon\t1\r\n"
      "\n"
      "電源を常にON\tスリープ OK\tmore\n"
      "no tab here\n"
      "last\tline without line feed");
  ASSERT_EQ(r.size(), 4u);
  EXPECT_EQ(r[0], (std::pair<std::string, std::string>("Winlogon AutoAdminLogon", "1")));
  EXPECT_EQ(r[1].second, "スリープ OK\tmore");
  EXPECT_EQ(r[2], (std::pair<std::string, std::string>("no tab here", "")));
  EXPECT_EQ(r[3].second, "line without line feed");
  ASSERT_NE(demo::FindRow(r, "no tab here"), nullptr);
  EXPECT_EQ(demo::FindRow(r, "absent"), nullptr);
}

TEST(DemoWidth, CountsWideAndHalfWidthCharactersAsATerminalShowsThem) {
  EXPECT_EQ(DisplayWidth(""), 0);
  EXPECT_EQ(DisplayWidth("OK"), 2);
  EXPECT_EQ(DisplayWidth("( 未登録 )"), 2 + 6 + 2);  // half-width brackets, three kanji
  EXPECT_EQ(DisplayWidth("（ 未設定 ）"), 2 + 1 + 6 + 1 + 2);  // full-width brackets
  EXPECT_EQ(DisplayWidth("×"), 1);                 // U+00D7 is not East Asian wide
  EXPECT_EQ(DisplayWidth("ｶﾀｶﾅ"), 4);              // half-width katakana
  EXPECT_EQ(DisplayWidth("スリープ OK　"), 8 + 3 + 2);  // ends with an ideographic space
  EXPECT_EQ(DisplayWidth("－"), 2);                // U+FF0D full-width hyphen-minus
}

TEST(DemoWidth, BytesThatAreNotUtf8CountOneColumnEach) {
  EXPECT_EQ(DisplayWidth("\xff\xfe"), 2);
  EXPECT_EQ(DisplayWidth("a\xe6\x9c"), 3);       // a sequence cut short
  EXPECT_EQ(DisplayWidth("\xc0\xaf"), 2);        // overlong form of "/"
  EXPECT_EQ(DisplayWidth("\xed\xa0\x80"), 3);    // a lone surrogate
  EXPECT_EQ(DisplayWidth("\xf0\x9f\x98\x80"), 2);  // a well-formed 4-byte emoji
}

TEST(DemoWrap, CutsAtTheWidthWithoutSplittingACharacter) {
  EXPECT_EQ(WrapToWidth("", 4), std::vector<std::string>{""});
  EXPECT_EQ(WrapToWidth("abcdef", 4), (std::vector<std::string>{"abcd", "ef"}));
  // A wide character that would end one column past the width goes on.
  EXPECT_EQ(WrapToWidth("abc未登録", 4), (std::vector<std::string>{"abc", "未登", "録"}));
  EXPECT_EQ(WrapToWidth("未", 1), std::vector<std::string>{"未"});
  const std::string summary = "ディスク OK　ディスプレイ OK　";
  std::string rejoined;
  for (const std::string& piece : WrapToWidth(summary, 7)) {
    EXPECT_LE(DisplayWidth(piece), 7) << piece;
    rejoined += piece;
  }
  EXPECT_EQ(rejoined, summary);
}

TEST(DemoTable, LinesUpTheColumnsWhateverTheScript) {
  const Reading before = {{"OS名", "Windows 10 IoT Enterprise"}, {"Winlogon AutoAdminLogon", "(none)"}};
  const Reading after = {{"OS名", "Windows 10 IoT Enterprise"}, {"Winlogon AutoAdminLogon", "1"}};
  const demo::Table t = FormatBeforeAfter(before, after, {}, 90);
  const std::vector<std::string> lines = Lines(t.text);
  ASSERT_EQ(lines.size(), 4u);
  // The second separator sits in the same column on every row.
  const auto secondBar = [](const std::string& line) {
    const std::size_t first = line.find(" | ");
    const std::size_t second = line.find(" | ", first + 3);
    return DisplayWidth(line.substr(0, second));
  };
  EXPECT_EQ(secondBar(lines[0]), secondBar(lines[2]));
  EXPECT_EQ(secondBar(lines[2]), secondBar(lines[3]));
  EXPECT_EQ(lines[2].substr(0, 2), "  ");  // unchanged
  EXPECT_EQ(lines[3].substr(0, 2), "* ");  // changed
  EXPECT_TRUE(t.failures.empty());
  for (const std::string& line : lines) EXPECT_LE(DisplayWidth(line), 90) << line;
}

TEST(DemoTable, LongValuesContinueOnLinesOfTheirOwn) {
  const std::string longText(100, 'x');
  const demo::Table t = FormatBeforeAfter({{"k", longText}}, {{"k", "short"}}, {}, 60);
  const std::vector<std::string> lines = Lines(t.text);
  ASSERT_GT(lines.size(), 3u);
  std::string rejoined;
  for (std::size_t i = 2; i < lines.size(); ++i) {
    // The before column lies between the first two bars.
    const std::size_t first = lines[i].find('|');
    const std::size_t second = lines[i].find('|', first + 1);
    ASSERT_NE(second, std::string::npos) << lines[i];
    std::string piece = lines[i].substr(first + 1, second - first - 1);
    piece.erase(0, piece.find_first_not_of(' '));
    piece.erase(piece.find_last_not_of(' ') + 1);
    rejoined += piece;
  }
  EXPECT_EQ(rejoined, longText);
  for (const std::string& line : lines) EXPECT_LE(DisplayWidth(line), 60) << line;
}

TEST(DemoTable, JudgesEachRowByItsExpectation) {
  const Reading before = {{"a", "0"}, {"b", "x"}, {"c", "same"}, {"d", "(none)"}};
  const Reading after = {{"a", "1"}, {"b", "x"}, {"c", "other"}, {"e", "new"}};
  const auto expectations = ParseExpectations(
      "a\t= 1\n"
      "b\tchanged\n"
      "c\tsame\n"
      "d\t= 31 00\n"
      "e\tchanged\n"
      "f\t= anything\n");
  const demo::Table t = FormatBeforeAfter(before, after, expectations, 100);
  ASSERT_EQ(t.failures.size(), 4u) << t.text;
  EXPECT_EQ(t.failures[0], "b (after): expected a change, still \"x\"");
  EXPECT_EQ(t.failures[1], "c (after): expected no change, \"same\" became \"other\"");
  // A row the after reading lacks shows as "(none)", and is judged as such.
  EXPECT_EQ(t.failures[2], "d (after): expected \"31 00\", found \"(none)\"");
  EXPECT_EQ(t.failures[3], "f (after): in no reading");
  const std::vector<std::string> lines = Lines(t.text);
  ASSERT_EQ(lines.size(), 2u + 5u);
  EXPECT_EQ(lines[2].substr(0, 2), "* ");  // a: changed as expected
  EXPECT_EQ(lines[3].substr(0, 2), "! ");  // b
  EXPECT_EQ(lines[4].substr(0, 2), "! ");  // c
  EXPECT_EQ(lines[5].substr(0, 2), "! ");  // d
  EXPECT_EQ(lines[6].substr(0, 2), "* ");  // e: only after, a change
}

// After the run and after the restart: each column judged by its own
// expectations against the first, a row marked when any later reading moved.
TEST(DemoTable, AThirdReadingHasItsOwnColumnAndExpectations) {
  const Reading before = {{"screen", "none"}, {"feature", "Disabled"}, {"os", "IoT"}};
  const Reading after = {{"screen", "none"}, {"feature", "Enable Pending"}, {"os", "IoT"}};
  const Reading restarted = {{"screen", "OK"}, {"feature", "Enabled"}, {"os", "IoT"}};
  const demo::Table t = demo::FormatColumns(
      {{"before", before, {}},
       {"after", after, ParseExpectations("screen\tsame\nfeature\t= Enable Pending\n")},
       {"restarted", restarted, ParseExpectations("screen\t= OK\nfeature\t= Enabled\nos\tchanged\n")}},
      100);
  ASSERT_EQ(t.failures.size(), 1u) << t.text;
  EXPECT_EQ(t.failures[0], "os (restarted): expected a change, still \"IoT\"");
  const std::vector<std::string> lines = Lines(t.text);
  ASSERT_EQ(lines.size(), 2u + 3u);
  EXPECT_NE(lines[0].find("restarted"), std::string::npos);
  EXPECT_EQ(lines[2].substr(0, 2), "* ");  // screen: only the restart changed it
  EXPECT_EQ(lines[3].substr(0, 2), "* ");
  EXPECT_EQ(lines[4].substr(0, 2), "! ");
  // Three bars a row, in the same columns on every row.
  const auto bars = [](const std::string& line) {
    std::vector<int> at;
    for (std::size_t i = line.find(" | "); i != std::string::npos; i = line.find(" | ", i + 3)) {
      at.push_back(DisplayWidth(line.substr(0, i)));
    }
    return at;
  };
  EXPECT_EQ(bars(lines[0]).size(), 3u);
  for (std::size_t i = 2; i < lines.size(); ++i) EXPECT_EQ(bars(lines[i]), bars(lines[0])) << i;
  for (const std::string& line : lines) EXPECT_LE(DisplayWidth(line), 100) << line;
}

TEST(DemoTable, AnExpectationOfAnUnknownKindIsAFailureNotASilentPass) {
  const demo::Table t =
      FormatBeforeAfter({{"a", "0"}}, {{"a", "1"}}, ParseExpectations("a\tgrows\n"), 80);
  ASSERT_EQ(t.failures.size(), 1u);
  EXPECT_NE(t.failures[0].find("unknown expectation"), std::string::npos);
}

}  // namespace
