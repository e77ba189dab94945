#include "support/unix_side.h"

#include <windows.h>

#include <cstdio>
#include <string>

#include "framework/scoped_handle.h"
#include "support/files.h"

namespace test_support {
namespace {

using UnixFileNameCall = char*(CDECL*)(const wchar_t*);

// Single quotes for sh: nothing inside is special but the quote itself.
std::string ShellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

}  // namespace

std::string UnixPathOf(const std::wstring& windows_path) {
  const auto call = reinterpret_cast<UnixFileNameCall>(reinterpret_cast<void (*)()>(
      ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (!call) return std::string();
  char* unix_path = call(windows_path.c_str());
  if (!unix_path) return std::string();
  std::string path = unix_path;
  ::HeapFree(::GetProcessHeap(), 0, unix_path);
  return path;
}

bool RunUnixShell(const std::string& script) {
  const std::wstring script_file = TempFilePath(L"unix-script");
  const std::wstring mark = script_file + L".done";
  const std::string unix_script = UnixPathOf(script_file);
  const std::string unix_mark = UnixPathOf(mark);
  if (unix_script.empty() || unix_mark.empty()) return false;
  if (!WriteBytes(script_file, script + "\n: > " + ShellQuoted(unix_mark) + "\n")) return false;
  std::wstring command = L"sh ";
  for (char c : unix_script) command += static_cast<wchar_t>(static_cast<unsigned char>(c));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  const bool ran = ::CreateProcessW(L"Z:\\bin\\sh", command.data(), nullptr, nullptr, FALSE, 0,
                                    nullptr, nullptr, &startup, &started) != FALSE;
  if (ran) {
    fw::ScopedHandle process(started.hProcess);
    fw::ScopedHandle thread(started.hThread);
  }
  bool ended = false;
  for (int waited = 0; ran && waited < 10000; waited += 20) {
    if (PathExists(mark)) {
      ended = true;
      break;
    }
    ::Sleep(20);
  }
  ::DeleteFileW(script_file.c_str());
  ::DeleteFileW(mark.c_str());
  return ended;
}

std::string UnixFacts(const std::wstring& windows_path) {
  const std::wstring out = TempFilePath(L"unix-facts");
  const std::string path = UnixPathOf(windows_path);
  if (path.empty()) return std::string();
  // One interpreter for the path and everything in it: it costs more than
  // the rest of a test's calls on a busy machine.
  const std::string script =
      "python3 -c 'import os,sys\n"
      "def facts(p):\n"
      " try: sd=os.getxattr(p,\"user.wine.sd\",follow_symlinks=False).hex()\n"
      " except OSError: sd=\"none\"\n"
      " return oct(os.lstat(p).st_mode & 0o7777)+\" \"+sd\n"
      "p=sys.argv[1]\n"
      "lines=[\". \"+facts(p)]\n"
      "if os.path.isdir(p) and not os.path.islink(p):\n"
      " lines+=[n+\" \"+facts(os.path.join(p,n)) for n in sorted(os.listdir(p))]\n"
      "open(sys.argv[2],\"w\").write(\"\\n\".join(lines))' " +
      ShellQuoted(path) + " " + ShellQuoted(UnixPathOf(out));
  std::string facts;
  if (RunUnixShell(script)) facts = ReadBytes(out);
  ::DeleteFileW(out.c_str());
  return facts;
}

ScopedUnixLink::ScopedUnixLink(const std::wstring& link, const std::wstring& target)
    : link_(UnixPathOf(link)) {
  const std::string unix_target = UnixPathOf(target);
  if (link_.empty() || unix_target.empty()) return;
  ok_ = RunUnixShell("ln -s " + ShellQuoted(unix_target) + " " + ShellQuoted(link_)) &&
        ::GetFileAttributesW(link.c_str()) != INVALID_FILE_ATTRIBUTES;
}

ScopedUnixLink::~ScopedUnixLink() {
  if (!link_.empty()) RunUnixShell("rm -f " + ShellQuoted(link_));
}

ScopedImmutable::ScopedImmutable(const std::wstring& path) : path_(UnixPathOf(path)) {
  if (path_.empty()) return;
  const std::wstring flag = TempFilePath(L"immutable");
  // lsattr shows the flag taken; its answer is the proof.
  ok_ = RunUnixShell("chattr +i " + ShellQuoted(path_) + " && lsattr -d " + ShellQuoted(path_) +
                     " | cut -c5 > " + ShellQuoted(UnixPathOf(flag))) &&
        ReadBytes(flag) == "i\n";
  ::DeleteFileW(flag.c_str());
}

ScopedImmutable::~ScopedImmutable() {
  if (!path_.empty()) RunUnixShell("chattr -i " + ShellQuoted(path_));
}

}  // namespace test_support
