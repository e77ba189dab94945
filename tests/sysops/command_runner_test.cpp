#include "sysops/command_runner.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "base/text_codec.h"
#include "support/fake_console_tools.h"
#include "support/files.h"
#include "power_plan_listing.h"

namespace sysops {
namespace {

using test_support::Escape;
using test_support::ScopedScript;

// The fake powercfg run from where it was built, so nothing is installed.
std::wstring FakeCommand(const std::wstring& arguments = L"/Q") {
  return L"\"" + test_support::BuiltFakeTool(L"powercfg.exe") + L"\" " + arguments;
}

std::wstring RunFake(const std::string& script) {
  ScopedScript scoped(test_support::kPowercfgScriptVariable, script);
  return RunCommandAndCapture(FakeCommand());
}

class CommandRunner : public ::testing::Test {
 protected:
  void SetUp() override {
    // The runner decodes with the thread's ANSI code page; these tests are
    // about the Japanese Windows the program is made for.
    ASSERT_EQ(932u, GetACP());
  }
};

TEST_F(CommandRunner, DecodesAJapaneseListingFromTheAnsiCodePage) {
  const std::wstring listing = power_listing::Listing(power_listing::TimeOuts());
  const std::string bytes = codec::Encode(listing, codec::CodePage::kThreadAnsi);
  ASSERT_NE(bytes.size(), listing.size());  // double-byte characters were made
  const std::wstring file = test_support::TempFilePath(L"listing");
  ASSERT_TRUE(test_support::WriteBytes(file, bytes));
  EXPECT_EQ(listing, RunFake("outfile " + test_support::ToUtf8(file) + "\n"));
  DeleteFileW(file.c_str());
}

// Not the test's own folder, nor wherever the program was started.
TEST_F(CommandRunner, TheToolStartsInTheSystemFolder) {
  wchar_t system_folder[MAX_PATH] = {};
  ASSERT_NE(0u, GetSystemDirectoryW(system_folder, MAX_PATH));
  EXPECT_EQ(std::wstring(system_folder), RunFake("cwd\n"));  // ASCII in the prefix
}

TEST_F(CommandRunner, StandardErrorIsCapturedInTheOrderWritten) {
  EXPECT_EQ(L"out 1\r\nerr 1\r\nout 2\r\nerr 2\r\n",
            RunFake("out out 1\\r\\n\nerr err 1\\r\\n\nsleep 50\nout out 2\\r\\n\nerr err 2\\r\\n\n"));
  EXPECT_EQ(L"only errors", RunFake("err only errors\n"));
}

TEST_F(CommandRunner, NothingIsLostFromAGreatDealOfOutput) {
  // 10 MB in a pattern whose length fits no buffer size, then a marker.
  const std::string pattern = "0123456789abcdefghijklmnopqrstuvwxyz\r\n";  // 38 bytes
  const std::size_t total = 10 * 1024 * 1024;
  const std::wstring text = RunFake("fill " + std::to_string(total) + " " + Escape(pattern) +
                                "\nerr <end>\n");
  ASSERT_EQ(total + 5, text.size());
  std::wstring expected;
  expected.reserve(total + 5);
  while (expected.size() + pattern.size() <= total) expected.append(pattern.begin(), pattern.end());
  expected.append(pattern.begin(), pattern.begin() + (total - expected.size()));
  expected += L"<end>";
  EXPECT_TRUE(text == expected) << "the captured text differs from what was printed";
}

TEST_F(CommandRunner, OutputOfTheLastMomentAndAfterSilenceIsKept) {
  // Silent for a while (the runner waits between looks), then a burst just
  // before the end: the look after the child has ended collects it.
  EXPECT_EQ(L"late\r\nlast", RunFake("sleep 700\nout late\\r\\n\nerr last\nexit 0\n"));
  const std::string burst(60000, 'q');
  const std::wstring text = RunFake("sleep 300\nout " + burst + "\nout !\n");
  EXPECT_EQ(burst.size() + 1, text.size());
  EXPECT_EQ(L'!', text.empty() ? L'\0' : text.back());
}

TEST_F(CommandRunner, EmptyTextWhenNothingIsPrintedOrNothingStarts) {
  EXPECT_EQ(L"", RunFake("sleep 100\n"));
  EXPECT_EQ(L"", RunCommandAndCapture(L"C:\\windows\\no-such-folder\\powercfg.exe /Q"));
  EXPECT_EQ(L"", RunCommandAndCapture(L"vts-no-such-tool.exe /Q"));
  EXPECT_EQ(L"", RunCommandAndCapture(L""));
}

TEST_F(CommandRunner, ExitCodeIsNotLookedAt) {
  EXPECT_EQ(L"Error: 740\r\n", RunFake("out Error: 740\\r\\n\nexit 740\n"));
}

// RunCommand tells what RunCommandAndCapture keeps to itself: whether the
// child started, why not, and the code it ended with.
TEST_F(CommandRunner, RunCommandTellsTheExitCodeOrWhyNothingStarted) {
  struct Case {
    const char* script;
    std::uint32_t exit_code;
    const wchar_t* output;
  };
  for (const Case& c : {Case{"out Error: 740\\r\\n\nexit 740\n", 740, L"Error: 740\r\n"},
                        Case{"exit 0\n", 0, L""}, Case{"err failed\nexit 1\n", 1, L"failed"}}) {
    SCOPED_TRACE(c.script);
    ScopedScript scoped(test_support::kPowercfgScriptVariable, c.script);
    const CommandResult ran = RunCommand(FakeCommand());
    EXPECT_TRUE(ran.started);
    EXPECT_EQ(ran.command_line, FakeCommand());
    EXPECT_EQ(ran.exit_code, c.exit_code);
    EXPECT_EQ(ran.output, c.output);
  }
  const CommandResult missing = RunCommand(L"C:\\windows\\no-such-folder\\powercfg.exe /Q");
  EXPECT_FALSE(missing.started);
  EXPECT_TRUE(missing.start_error == ERROR_PATH_NOT_FOUND ||
              missing.start_error == ERROR_FILE_NOT_FOUND)
      << missing.start_error;
  EXPECT_EQ(missing.output, L"");
}

TEST_F(CommandRunner, ZeroByteEndsTheText) {
  EXPECT_EQ(L"abc", RunFake("out abc\\0def\n"));
  EXPECT_EQ(L"", RunFake("out \\0abc\n"));
}

TEST_F(CommandRunner, TheChildGetsAHiddenConsoleOfItsOwn) {
  const std::wstring report = test_support::TempFilePath(L"window");
  // Once at the start and once after printing far more than a pipe holds.
  const std::string where = test_support::ToUtf8(report);
  RunFake("window " + where + "\nfill 2000000 w\nwindow " + where + "\n");
  const std::string seen = test_support::ReadBytes(report);
  DeleteFileW(report.c_str());
  const std::string hidden = "visible=0 flags=257 show=0\r\n";  // STARTF_USESTDHANDLES|USESHOWWINDOW
  ASSERT_EQ(2 * (std::string("console=1 ").size() + hidden.size()), seen.size()) << seen;
  EXPECT_EQ("console=1 " + hidden + "console=1 " + hidden, seen);
}

TEST_F(CommandRunner, ReturnsWhenTheChildEndsEvenIfAGrandchildHoldsThePipe) {
  // The grandchild inherits the pipe and sleeps long; the pipe never reports
  // its end while it lives, the child's exit is what counts.
  const DWORD start = GetTickCount();
  EXPECT_EQ(L"started", RunFake("linger 6000\nout started\n"));
  EXPECT_LT(GetTickCount() - start, 4000u);
}

TEST_F(CommandRunner, TheFakeToolAnswersEachCommandLineAsScripted) {
  // Several commands in a row against one script, as a setup run issues them.
  const std::string script =
      "when /Q\nout listing\nwhen /x /monitor\nerr monitor\nwhen *\nout .\n";
  ScopedScript scoped(test_support::kPowercfgScriptVariable, script);
  EXPECT_EQ(L"listing.", RunCommandAndCapture(FakeCommand(L"/Q")));
  EXPECT_EQ(L"monitor.", RunCommandAndCapture(FakeCommand(L"/x /monitor-timeout-ac 0")));
  EXPECT_EQ(L".", RunCommandAndCapture(FakeCommand(L"-setactive SCHEME_MIN")));
}

TEST_F(CommandRunner, ClosesEveryHandleItOpened) {
  RunFake("out warm-up\n");  // first calls allocate lasting things in the runtime
  RunCommandAndCapture(L"vts-no-such-tool.exe");
  DWORD before = 0;
  ASSERT_TRUE(GetProcessHandleCount(GetCurrentProcess(), &before));
  for (int i = 0; i < 5; ++i) {
    RunFake("out some\nerr more\n");
    RunCommandAndCapture(L"vts-no-such-tool.exe");
  }
  DWORD after = 0;
  ASSERT_TRUE(GetProcessHandleCount(GetCurrentProcess(), &after));
  EXPECT_EQ(before, after);
}

}  // namespace
}  // namespace sysops
