#pragma once
// Files and folders for the Wine tests: whole-file bytes, scratch folders, and
// a file or folder that exists at a given place for one test. Nothing throws
// or asserts: see support/test_support.h for the failure model.

#include <cstddef>
#include <cstdint>
#include <string>

#include "support/scoped.h"
#include <vector>

namespace test_support {

using Bytes = std::vector<std::uint8_t>;

bool PathExists(const std::wstring& path);
bool IsFolder(const std::wstring& path);

// The whole content, "" when it cannot be read; `exists` tells a missing
// file from an empty one.
std::string ReadBytes(const std::wstring& path, bool* exists = nullptr);

// Creates or replaces the file with exactly these bytes; false when the file
// cannot be created or not everything was written.
bool WriteBytes(const std::wstring& path, const void* data, std::size_t size);
bool WriteBytes(const std::wstring& path, const std::string& bytes);
bool WriteBytes(const std::wstring& path, const Bytes& bytes);

// The UTF-16LE bytes of a text, preceded by FF FE when `mark` is set.
std::string Utf16Bytes(const std::wstring& text, bool mark = true);

// Removes a file, or a folder with everything in it, read-only files too.
void RemoveTree(const std::wstring& path);

// A file on which every write fails for want of room: Linux's /dev/full
// through Wine's Z: drive (the root of the Unix file system), which Wine
// answers with ERROR_DISK_FULL like a full disk. Empty where it is missing.
std::wstring FullDiskFile();

// A fresh path in the temporary folder, "vts-<stem>-<unique>.tmp"; nothing is
// created there.
std::wstring TempFilePath(const wchar_t* stem);

// A fresh empty folder in the temporary folder, removed with its content at
// the end. `folder / L"name"` is a path inside it.
class ScratchFolder : public Scoped {
 public:
  explicit ScratchFolder(const wchar_t* stem = L"vts-test");
  ~ScratchFolder();

  const std::wstring& path() const { return path_; }
  std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }

 private:
  std::wstring path_;
};

// One file place for one test. With `bytes`, the file at `path` holds
// exactly them while the object lives (folders missing on the way are
// created); without, no file is there (the test may make one). Afterwards
// the file that was there before comes back, or whatever file is there then
// is removed, with the folders that were created for it.
class ScopedFile : public Scoped {
 public:
  explicit ScopedFile(const std::wstring& path);
  ScopedFile(const std::wstring& path, const std::string& bytes);
  ~ScopedFile();

  const std::wstring& path() const { return path_; }

 protected:
  // Creates the folders missing on the way to the file; false when its
  // folder is not there afterwards.
  bool MakeFolders();

 private:
  std::wstring path_;
  std::wstring backup_;         // a copy of what was at path_, when there was a file
  std::wstring first_created_;  // the outermost folder created on the way, if any
};

// While alive, a folder exists at `path` (created with the folders missing
// on the way). A folder that was already there is left as it is; one that
// was created is removed afterwards with its content, parents created for it
// too.
class ScopedFolder : public Scoped {
 public:
  explicit ScopedFolder(const std::wstring& path);
  ~ScopedFolder();

  const std::wstring& path() const { return path_; }

 private:
  std::wstring path_;
  std::wstring first_created_;
};

}  // namespace test_support
