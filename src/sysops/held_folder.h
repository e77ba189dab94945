#pragma once
// A folder reached without trusting any name below a folder Windows names
// itself, held open until its owner is done, and the files the program
// writes in it.
//
// The program runs elevated, and the product folders under the common
// application-data folder can be prepared by any account before it runs: a
// junction, a symbolic link or a second hard link in their place would
// redirect every call made by path. So a folder is reached one component at a
// time, each opened relative to the handle of the one above it; a component
// that is a reparse point is refused, and each folder's final path (what
// Windows says the handle names) must be its parent's final path and its
// own name. Every component is then held open without FILE_SHARE_DELETE, so
// that nobody can rename or replace it while the owner works in it, and
// access rights are set on the held handle, never on a path.
//
// Failure model: a failed call leaves the folder (or the file handle) empty
// and the reason in the thread's last error. A refusal (a reparse point, a
// second hard link, a final path elsewhere) leaves kRefusedError there, so
// that callers can tell a planted link from a folder that is merely missing
// or locked, and writes the refused path to the debug channel
// (WriteDebugOutput). Nothing is thrown.

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

#include "framework/scoped_handle.h"

namespace sysops {

// The last error of a refusal ("the file cannot be accessed by the system").
inline constexpr DWORD kRefusedError = ERROR_CANT_ACCESS_FILE;
[[nodiscard]] bool IsRefusal(DWORD error);

// How missing components are made. A folder is born with its access list:
// the descriptor is given at creation, never set on a folder that already
// stood open to others.
struct FolderCreation {
  bool create_missing = false;
  // For components created above the last one; null: what the folder above
  // passes on.
  PSECURITY_DESCRIPTOR above = nullptr;
  // For the last component when it is created; null: as above.
  PSECURITY_DESCRIPTOR last = nullptr;
};

class HeldFolder {
 public:
  HeldFolder() = default;
  HeldFolder(HeldFolder&&) noexcept = default;
  HeldFolder& operator=(HeldFolder&&) noexcept = default;
  HeldFolder(const HeldFolder&) = delete;
  HeldFolder& operator=(const HeldFolder&) = delete;

  // base (a folder Windows names: the common application-data folder,
  // Program Files), then each backslash-separated component of `relative`,
  // each opened relative to the one above. Missing components are created
  // as `creation` says, or the reach fails. Empty on any refusal.
  static HeldFolder Reach(const std::wstring& base, const std::wstring& relative,
                          const FolderCreation& creation = FolderCreation());

  bool is_held() const { return !chain_.empty(); }
  // The innermost folder's final path, without the "\\?\" prefix.
  const std::wstring& path() const { return path_; }
  // The innermost folder (levels_up 0) or one above it, up to the base.
  HANDLE handle(std::size_t levels_up = 0) const;
  // Whether the component levels_up above the innermost was created by Reach.
  bool created(std::size_t levels_up = 0) const;
  std::size_t depth() const { return chain_.size(); }

  // Replaces the DACL of the held folder levels_up above the innermost,
  // through its handle. `information` is DACL_SECURITY_INFORMATION, with
  // PROTECTED_DACL_SECURITY_INFORMATION where the entries the folder above
  // passes on must be dropped.
  bool SetAccess(SECURITY_INFORMATION information, PSECURITY_DESCRIPTOR descriptor,
                 std::size_t levels_up = 0) const;

  // path() + "\" + name.
  std::wstring PathOf(const std::wstring& name) const;

  // An existing file in the folder, opened relative to it and checked: not a
  // reparse point, not a folder, one name only (a second hard link would
  // make a write here a write elsewhere), its final path the folder's and
  // `name`. `share` never gains FILE_SHARE_DELETE: while the handle is held
  // the name stays this file's. Empty when the file is missing
  // (ERROR_FILE_NOT_FOUND), refused (kRefusedError) or cannot be opened.
  fw::ScopedFileHandle OpenFile(const std::wstring& name, ACCESS_MASK access, DWORD share) const;

  // A new file under `name`, which must not exist yet: whatever stands there
  // is never written through. The handle has read, write and delete access
  // and shares read only.
  fw::ScopedFileHandle CreateNewFile(const std::wstring& name) const;

  // Removes the file `name` after OpenFile's checks, by its handle. True when
  // it is gone or was never there; false, leaving it, when it is refused.
  bool RemoveFile(const std::wstring& name) const;

  // A new file under `name` holding `bytes`: the old file of that name (if
  // it passes OpenFile's checks) is removed first, so a file someone else
  // holds open or has linked elsewhere is never truncated in place.
  bool ReplaceFile(const std::wstring& name, const std::string& bytes) const;

  // Gives the open `file` (a file of this folder) the name `new_name` in this
  // folder, by handle, relative to the folder. An existing file of that name
  // is replaced when `replace` is set and it passes OpenFile's checks; a
  // refused one stays and the rename fails.
  bool RenameFile(HANDLE file, const std::wstring& new_name, bool replace) const;

  // The names of the plain files in the folder matching `pattern`, in file
  // system order; reparse points and folders are left out.
  std::vector<std::wstring> ListFileNames(const std::wstring& pattern) const;

 private:
  std::vector<fw::ScopedFileHandle> chain_;  // base first
  std::vector<bool> created_;
  std::wstring path_;
};

// The whole of `bytes` written at the file's current position.
bool WriteAll(HANDLE file, const std::string& bytes);
// Everything from the current position to the end; false on a read error.
bool ReadAll(HANDLE file, std::string* bytes);

// The final path Windows gives the handle (GetFinalPathNameByHandleW), the
// "\\?\" prefix removed; empty when it cannot tell.
std::wstring FinalPathOf(HANDLE handle);
// Whether two paths name the same place, letter case aside.
bool SamePath(const std::wstring& a, const std::wstring& b);

}  // namespace sysops
