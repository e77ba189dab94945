#include "support/files.h"

#include <windows.h>

#include "framework/scoped_handle.h"
#include "support/unique_name.h"

namespace test_support {

namespace {

std::wstring TempFolder() {
  wchar_t temp[MAX_PATH + 1] = {};
  const DWORD length = ::GetTempPathW(MAX_PATH + 1, temp);
  return length > 0 && length <= MAX_PATH ? std::wstring(temp, length) : std::wstring(L".\\");
}

std::wstring ParentOf(const std::wstring& path) {
  const std::size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

// Creates the folders missing on the way to `folder`, outermost first, and
// answers the outermost one created ("" when none was needed). `ok` is false
// when `folder` is not a folder afterwards.
std::wstring CreateFolders(const std::wstring& folder, bool& ok) {
  std::vector<std::wstring> missing;
  for (std::wstring at = folder; !at.empty() && !PathExists(at); at = ParentOf(at)) {
    missing.push_back(at);
  }
  std::wstring first;
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
    if (!::CreateDirectoryW(it->c_str(), nullptr)) break;
    if (first.empty()) first = *it;
  }
  ok = IsFolder(folder);
  return first;
}

}  // namespace

bool PathExists(const std::wstring& path) {
  return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsFolder(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string ReadBytes(const std::wstring& path, bool* exists) {
  fw::ScopedFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (exists) *exists = file.is_valid();
  std::string bytes;
  if (!file) return bytes;
  char buffer[65536];
  DWORD got = 0;
  while (::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) {
    bytes.append(buffer, got);
  }
  return bytes;
}

bool WriteBytes(const std::wstring& path, const void* data, std::size_t size) {
  fw::ScopedFileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  return size == 0 ||
         (::WriteFile(file.get(), data, static_cast<DWORD>(size), &written, nullptr) &&
          written == size);
}

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
  return WriteBytes(path, bytes.data(), bytes.size());
}

bool WriteBytes(const std::wstring& path, const Bytes& bytes) {
  return WriteBytes(path, bytes.data(), bytes.size());
}

std::string Utf16Bytes(const std::wstring& text, bool mark) {
  std::string out;
  if (mark) out = "\xFF\xFE";
  for (wchar_t c : text) {
    out += static_cast<char>(c & 0xFF);
    out += static_cast<char>((c >> 8) & 0xFF);
  }
  return out;
}

void RemoveTree(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileW(path.c_str());
    return;
  }
  WIN32_FIND_DATAW found;
  {
    fw::ScopedFindHandle search(::FindFirstFileW((path + L"\\*").c_str(), &found));
    if (search) {
      do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") RemoveTree(path + L"\\" + name);
      } while (::FindNextFileW(search.get(), &found));
    }
  }
  ::RemoveDirectoryW(path.c_str());
}

std::wstring FullDiskFile() {
  const wchar_t* path = L"Z:\\dev\\full";
  fw::ScopedFileHandle file(::CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return file ? std::wstring(path) : std::wstring();
}

std::wstring TempFilePath(const wchar_t* stem) {
  return TempFolder() + UniqueName((std::wstring(L"vts-") + stem).c_str()) + L".tmp";
}

ScratchFolder::ScratchFolder(const wchar_t* stem) {
  // The name is fresh, but a folder left by an earlier run that shared this
  // process id and tick count must not be taken over.
  for (int attempt = 0; attempt < 100 && !ok_; ++attempt) {
    path_ = TempFolder() + UniqueName(stem);
    ok_ = ::CreateDirectoryW(path_.c_str(), nullptr) != FALSE;
  }
}

ScratchFolder::~ScratchFolder() {
  if (ok_) RemoveTree(path_);
}

ScopedFile::ScopedFile(const std::wstring& path) : path_(path) {
  if (IsFolder(path_)) {
    path_.clear();  // not a place for a file: leave it alone; ok_ stays false
    return;
  }
  if (!PathExists(path_)) {
    ok_ = true;
    return;
  }
  backup_ = TempFilePath(L"backup");
  if (!::CopyFileW(path_.c_str(), backup_.c_str(), FALSE)) {
    backup_.clear();
    path_.clear();  // what is there could not be saved: leave it alone
    return;
  }
  ::SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
  ::DeleteFileW(path_.c_str());
  ok_ = !PathExists(path_);
}

ScopedFile::ScopedFile(const std::wstring& path, const std::string& bytes) : ScopedFile(path) {
  ok_ = ok_ && MakeFolders() && WriteBytes(path_, bytes);
}

bool ScopedFile::MakeFolders() {
  bool made = false;
  first_created_ = CreateFolders(ParentOf(path_), made);
  return made;
}

ScopedFile::~ScopedFile() {
  if (path_.empty()) return;
  if (!IsFolder(path_)) {
    ::SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileW(path_.c_str());
  }
  if (!backup_.empty()) {
    ::CopyFileW(backup_.c_str(), path_.c_str(), FALSE);
    ::DeleteFileW(backup_.c_str());
  }
  if (!first_created_.empty()) RemoveTree(first_created_);
}

ScopedFolder::ScopedFolder(const std::wstring& path) : path_(path) {
  first_created_ = CreateFolders(path_, ok_);
}

ScopedFolder::~ScopedFolder() {
  if (!first_created_.empty()) RemoveTree(first_created_);
}

}  // namespace test_support
