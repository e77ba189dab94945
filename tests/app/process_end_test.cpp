// How the program's process ends: with the code of its application object,
// without tearing down global objects under a worker that is still running,
// and without losing what was written through C streams.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "framework/scoped_handle.h"
#include "support/other_process.h"
#include "support/window_driver.h"

namespace {

std::wstring TempFile(const wchar_t* stem) {
  wchar_t dir[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, dir);
  std::wstring path = std::wstring(dir) + apptest::UniqueName(stem) + L".txt";
  ::DeleteFileW(path.c_str());
  return path;
}

bool Exists(const std::wstring& path) {
  return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadAll(const std::wstring& path) {
  fw::ScopedFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return "<missing>";
  char buffer[256] = {};
  DWORD read = 0;
  ::ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr);
  return std::string(buffer, read);
}

TEST(ProcessEnd, EndsAtOnceWhileAWorkerStillRunsWithoutLosingBufferedOutput) {
  const std::wstring exe = apptest::NextToThisTest(L"app_ending_probe.exe");
  const std::wstring line = TempFile(L"vts ending line");
  const std::wstring marker = TempFile(L"vts ending marker");
  apptest::StartedProgram probe =
      apptest::StartProgram(exe, L"\"" + line + L"\" \"" + marker + L"\"");
  ASSERT_TRUE(probe.process) << ::GetLastError();
  const fw::ScopedHandle& process = probe.process;

  const bool ended = ::WaitForSingleObject(process.get(), 30000) == WAIT_OBJECT_0;
  if (!ended) ::TerminateProcess(process.get(), 99);
  ASSERT_TRUE(ended) << "a running worker kept the process alive";
  DWORD code = 0;
  ::GetExitCodeProcess(process.get(), &code);
  EXPECT_EQ(code, 5u) << "the application object's exit code, with everything set up";
  EXPECT_FALSE(Exists(marker)) << "global objects were destroyed while the worker still ran";
  EXPECT_EQ(ReadAll(line), "written before the end\n");

  ::DeleteFileW(line.c_str());
  ::DeleteFileW(marker.c_str());
}

}  // namespace
