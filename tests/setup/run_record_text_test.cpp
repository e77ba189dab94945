#include "setup/run_record_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace setup {
namespace {

const RecordTime kTime{2026, 3, 4, 5, 6, 7, 8};

TEST(RecordFileName, StampsTheSecondTheRunBegan) {
  EXPECT_EQ(RecordFileName(kTime), L"setup-20260304-050607.log");
  EXPECT_EQ(RecordFileName({2026, 12, 31, 23, 59, 59, 999}), L"setup-20261231-235959.log");
  EXPECT_EQ(RecordFileName(kTime, 2), L"setup-20260304-050607-2.log");
  EXPECT_EQ(RecordFileName(kTime, 12), L"setup-20260304-050607-12.log");
}

std::vector<std::wstring> Records(int count, int first_second = 0) {
  std::vector<std::wstring> names;
  for (int i = 0; i < count; ++i) {
    names.push_back(RecordFileName({2026, 1, 1 + i / 60, 0, 0, first_second + i % 60, 0}));
  }
  return names;
}

TEST(RecordsBeyondNewest, TheOldestBeyondTheKeptGoOthersStay) {
  struct Case {
    const char* name;
    std::vector<std::wstring> names;
    std::vector<std::wstring> beyond;
  };
  std::vector<std::wstring> twenty_two = Records(22);
  // Listed newest first, as no file system promises any order.
  std::vector<std::wstring> reversed(twenty_two.rbegin(), twenty_two.rend());
  std::vector<std::wstring> with_strangers = Records(21);
  for (const wchar_t* other :
       {L"VarnelDepotron.msi", L"setup-2026-01-01.log", L"setup-20260101-000000.txt",
        L"setup-20260101-00000x.log", L"setup-20260101-000000-1.log",
        L"setup-20260101-000000-02.log", L"setup-20260101-000000-.log",
        L"Setup-20200101-000000.log", L"setup-20200101-000000.log.old"}) {
    with_strangers.insert(with_strangers.begin(), other);
  }
  const std::vector<Case> cases = {
      {"none", {}, {}},
      {"exactly the kept", Records(20), {}},
      {"two more", twenty_two, {twenty_two[0], twenty_two[1]}},
      {"listed newest first", reversed, {twenty_two[0], twenty_two[1]}},
      // Names that are no records are never removed and do not count.
      {"other files", with_strangers, {Records(21)[0]}},
      // A second run within a second sorts after the first; the tenth after
      // the ninth.
      {"same second",
       {L"setup-20260101-000000-10.log", L"setup-20260101-000000-9.log",
        L"setup-20260101-000000.log", L"setup-20260101-000000-2.log",
        L"setup-20260101-000001.log"},
       {L"setup-20260101-000000.log", L"setup-20260101-000000-2.log",
        L"setup-20260101-000000-9.log"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::size_t keep = std::string(c.name) == "same second" ? 2 : kRecordsKept;
    EXPECT_EQ(RecordsBeyondNewest(c.names, keep), c.beyond);
  }
}

TEST(RecordLine, TimeToTheMillisecondThenOneLineOfText) {
  const std::pair<std::wstring, std::wstring> cases[] = {
      {L"step 5% began", L"2026-03-04 05:06:07.008 step 5% began\r\n"},
      {L"", L"2026-03-04 05:06:07.008 \r\n"},
      // A message of several lines stays one line of the record.
      {L"a\nb\r\nc\td", L"2026-03-04 05:06:07.008 a\\nb\\r\\nc\\td\r\n"},
      {std::wstring(L"x\0y\x1b\x7f", 5), L"2026-03-04 05:06:07.008 x\\x00y\\x1B\\x7F\r\n"},
      {L"C:\\Program Files\\Varnel", L"2026-03-04 05:06:07.008 C:\\Program Files\\Varnel\r\n"},
      {L"設定中\u25CF", L"2026-03-04 05:06:07.008 設定中\u25CF\r\n"},
  };
  for (const auto& [text, line] : cases) EXPECT_EQ(ComposeRecordLine(kTime, text), line);
  EXPECT_EQ(ComposeRecordLine({999, 12, 31, 23, 59, 9, 99}, L"t"), L"0999-12-31 23:59:09.099 t\r\n");
}

TEST(MaskSecrets, EveryFormOfASecretBecomesTheWindowsMask) {
  struct Case {
    const char* name;
    std::wstring text;
    std::vector<std::wstring> secrets;
    std::wstring masked;
  };
  const std::vector<Case> cases = {
      {"plain", L"password \"s3cret\"", {L"s3cret"}, L"password \"●●●●●●\""},
      {"twice", L"s3cret/s3cret", {L"s3cret"}, L"●●●●●●/●●●●●●"},
      {"in a URL", L"GET http://h/c?userid=a&password=p%40ss%20w%26rd: HTTP 500",
       {L"p@ss w&rd"}, L"GET http://h/c?userid=a&password=●●●●●●●●●: HTTP 500"},
      {"lower-case hex", L"?password=p%40ss", {L"p@ss"}, L"?password=●●●●"},
      {"UTF-8 in a URL", L"?password=%E7%A7%98%E5%AF%86", {L"秘密"}, L"?password=●●"},
      {"Japanese", L"値 秘密 です", {L"秘密"}, L"値 ●● です"},
      {"several", L"pw1 and box-pw", {L"pw1", L"box-pw"}, L"●●● and ●●●●●●"},
      // One secret inside another is hidden with the longer one whole.
      {"nested", L"abcd", {L"bc", L"abcd"}, L"●●●●"},
      {"empty secret", L"nothing", {L""}, L"nothing"},
      {"absent", L"nothing", {L"zzz"}, L"nothing"},
      {"credential", L"Basic bm90aWZ5", {L"bm90aWZ5"}, L"Basic ●●●●●●●●"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(MaskSecrets(c.text, c.secrets), c.masked);
  }
  EXPECT_EQ(MaskedLike(L"pw"), L"●●");
  EXPECT_EQ(MaskedLike(L""), L"");
}

TEST(FailureText, CodesStatusesAndOutputsReadAsOneLine) {
  EXPECT_EQ(DescribeWindowsError(L"LogonUserW", 1326, L"The user name or password is incorrect.\r\n"),
            L"LogonUserW failed: Windows error 1326 (The user name or password is incorrect.)");
  EXPECT_EQ(DescribeWindowsError(L"x", 5, L""), L"x failed: Windows error 5 (no text)");
  EXPECT_EQ(DescribeHttpAnswer(L"http://h/a.ini", 500, 12), L"GET http://h/a.ini: HTTP 500, 12 bytes");
  EXPECT_EQ(DescribeHttpNoAnswer(L"http://h/a.ini", 12029, L"cannot connect"),
            L"GET http://h/a.ini: no answer, the request failed: Windows error 12029 (cannot connect)");
  const std::pair<std::wstring, std::wstring> outputs[] = {
      {L"", L""},
      {L"one", L"one"},
      {L"a\r\nb\r\n\r\n  c  \r\n", L"a | b | c"},
      {L"1\n2\n3\n4\n5\n6\n7\n", L"3 | 4 | 5 | 6 | 7"},
      {L"\r\n\r\n", L""},
  };
  for (const auto& [output, last] : outputs) EXPECT_EQ(LastLines(output, kToolLinesKept), last);
  EXPECT_EQ(DescribeToolRun(L"\"C:\\w\\DISM.EXE\" /x", 87, L"Error: 87\r\nThe option is unknown.\r\n"),
            L"\"C:\\w\\DISM.EXE\" /x: exit code 87, output: Error: 87 | The option is unknown.");
  EXPECT_EQ(DescribeToolRun(L"p", 1, L""), L"p: exit code 1, no output");
}

TEST(FailureText, BytesDigestsAndDurations) {
  EXPECT_EQ(DescribeBytes("<html>", 10), L"<html>");
  EXPECT_EQ(DescribeBytes(std::string("\xD0\xCF\0\\a", 5), 10), L"\\xD0\\xCF\\x00\\x5Ca");
  EXPECT_EQ(DescribeBytes("abcdef", 3), L"abc...");
  EXPECT_EQ(DescribeBytes("", 3), L"");
  EXPECT_EQ(HexDigest(std::string("\x00\x0f\xa5\xff", 4)), L"000fa5ff");
  EXPECT_EQ(DescribeDuration(0), L"0.000 s");
  EXPECT_EQ(DescribeDuration(61234), L"61.234 s");
}

}  // namespace
}  // namespace setup
