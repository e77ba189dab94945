#pragma once
// Folder lookup and path composition in MAX_PATH buffers, folder creation,
// open access rights and file listing. Failures are not reported beyond the
// results given below.

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

#include "framework/scoped_handle.h"

namespace sysops {

// The special folder's path (CSIDL_* identifier), created when missing; the
// empty text when Windows cannot name it.
[[nodiscard]] std::wstring GetSpecialFolder(int csidl);

// base and more joined the way PathAppendW joins them; the empty text when the
// result would not fit into MAX_PATH characters.
[[nodiscard]] std::wstring AppendPath(const std::wstring& base, const std::wstring& more);

// The path without its last component, keeping the backslash before it:
// "C:\a\b\c.ini" gives "C:\a\b\".
[[nodiscard]] std::wstring GetParentFolder(const std::wstring& path);

// Whether a file or folder is at the path (PathFileExistsW).
[[nodiscard]] bool FileExists(const std::wstring& path);

// Creates the folder and every missing folder above it; true when they all
// exist afterwards.
bool CreateFolderPath(const std::wstring& folder);

// A security descriptor whose DACL holds one entry: Everyone may do everything
// (GENERIC_ALL), inherited by files and folders created inside later. Built in
// place; valid() tells whether every step worked.
class OpenAccessDescriptor {
 public:
  OpenAccessDescriptor();
  OpenAccessDescriptor(const OpenAccessDescriptor&) = delete;
  OpenAccessDescriptor& operator=(const OpenAccessDescriptor&) = delete;

  bool valid() const { return valid_; }
  PSECURITY_DESCRIPTOR get() { return &descriptor_; }

 private:
  fw::ScopedSid everyone_;
  fw::ScopedLocalMemory acl_;
  SECURITY_DESCRIPTOR descriptor_{};
  bool valid_ = false;
};

// Replaces the DACL of the file or folder with the one of OpenAccessDescriptor.
bool GrantEveryoneFullAccess(const std::wstring& path);

// A security descriptor whose DACL lets in only the Administrators group and
// SYSTEM, each with every file right, inherited by files and folders created
// inside later, and marked protected: nothing is inherited from the folder
// above. Built in place; valid() tells whether every step worked.
class AdministratorsOnlyDescriptor {
 public:
  AdministratorsOnlyDescriptor();
  AdministratorsOnlyDescriptor(const AdministratorsOnlyDescriptor&) = delete;
  AdministratorsOnlyDescriptor& operator=(const AdministratorsOnlyDescriptor&) = delete;

  bool valid() const { return valid_; }
  PSECURITY_DESCRIPTOR get() { return &descriptor_; }

 private:
  fw::ScopedSid administrators_;
  fw::ScopedSid system_;
  fw::ScopedLocalMemory acl_;
  SECURITY_DESCRIPTOR descriptor_{};
  bool valid_ = false;
};

// Replaces the DACL of the file or folder with the one of
// AdministratorsOnlyDescriptor, the entries it inherited dropped.
bool RestrictToAdministrators(const std::wstring& path);

// Appends the full path of every file in folder matching pattern (a folder
// whose name matches is searched the same way when recursive is set);
// entries in file system order. Returns the list's size afterwards.
std::size_t ListFiles(std::vector<std::wstring>* list, const std::wstring& folder,
                      const std::wstring& pattern, bool recursive);

}  // namespace sysops
