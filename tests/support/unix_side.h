#pragma once
// The Unix side of the prefix, for the tests of links planted in the product
// folders. Wine 8 cannot make a junction or a symbolic link itself
// (CreateSymbolicLinkW answers TRUE and makes nothing; FSCTL_SET_REPARSE_POINT
// fails with error 50), but a Unix symbolic link inside the prefix stands in
// for one: the folder listing reports it as a reparse point, and an open
// follows it. Wine starts a Unix program through CreateProcessW (Z:\bin\sh)
// without a process to wait for, so each command here leaves a mark file last
// and is waited for by that mark. Nothing throws; see test_support.h.

#include <string>

#include "support/scoped.h"

namespace test_support {

// The Unix path of a Windows path in the prefix (wine_get_unix_file_name);
// empty when Wine cannot name it.
std::string UnixPathOf(const std::wstring& windows_path);

// Runs `script` with /bin/sh and waits up to 10 s for it to end; false when
// it could not be started or did not end in time. Its output is not kept.
bool RunUnixShell(const std::string& script);

// What Windows' calls cannot show of a file or folder: its Unix mode bits and
// the access list Wine keeps in the extended attribute user.wine.sd (hex;
// "none" without one), as ". mode sd", followed for a folder by one line
// "name mode sd" for each entry in it. Empty when it cannot be read.
std::string UnixFacts(const std::wstring& windows_path);

// A Unix symbolic link at `link` to `target` (both Windows paths in the
// prefix) for one test; whatever stands at `link` afterwards is removed (the
// link itself, never its target).
class ScopedUnixLink : public Scoped {
 public:
  ScopedUnixLink(const std::wstring& link, const std::wstring& target);
  ~ScopedUnixLink();

 private:
  std::string link_;
};

// A file or folder made immutable (chattr +i) for one test, so that neither
// its mode bits nor its extended attributes can change: Wine then fails to
// store an access list there. Needs root and a file system with the flag,
// as the test machine has.
class ScopedImmutable : public Scoped {
 public:
  explicit ScopedImmutable(const std::wstring& path);
  ~ScopedImmutable();

 private:
  std::string path_;
};

}  // namespace test_support
