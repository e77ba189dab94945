// How the program's process ends: with the code of its application object,
// without tearing down global objects under a worker that is still running,
// and without losing what was written through C streams.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "framework/scoped_handle.h"
#include "support/files.h"
#include "support/programs.h"
#include "support/window_driver.h"

namespace {

using test_support::PathExists;
using test_support::ReadBytes;
using test_support::TempFilePath;

TEST(ProcessEnd, EndsAtOnceWhileAWorkerStillRunsWithoutLosingBufferedOutput) {
  const std::wstring exe = test_support::NextToThisTest(L"app_ending_probe.exe");
  const std::wstring line = TempFilePath(L"ending line");
  const std::wstring marker = TempFilePath(L"ending marker");
  test_support::StartedProgram probe =
      test_support::StartProgram(exe, L"\"" + line + L"\" \"" + marker + L"\"");
  ASSERT_TRUE(probe.process) << ::GetLastError();
  const fw::ScopedHandle& process = probe.process;

  const bool ended = ::WaitForSingleObject(process.get(), 30000) == WAIT_OBJECT_0;
  if (!ended) ::TerminateProcess(process.get(), 99);
  ASSERT_TRUE(ended) << "a running worker kept the process alive";
  DWORD code = 0;
  ::GetExitCodeProcess(process.get(), &code);
  EXPECT_EQ(code, 5u) << "the application object's exit code, with everything set up";
  EXPECT_FALSE(PathExists(marker)) << "global objects were destroyed while the worker still ran";
  EXPECT_EQ(ReadBytes(line), "written before the end\n");

  ::DeleteFileW(line.c_str());
  ::DeleteFileW(marker.c_str());
}

}  // namespace
