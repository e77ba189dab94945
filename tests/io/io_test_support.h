#pragma once
// Scratch folders and whole-file helpers for the file and network tests.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace iotest {

using Bytes = std::vector<std::uint8_t>;

// A fresh folder under the temporary folder, removed with its content.
class TempDir {
 public:
  TempDir() {
    wchar_t base[MAX_PATH];
    ::GetTempPathW(MAX_PATH, base);
    for (unsigned i = 0;; ++i) {
      path_ = std::wstring(base) + L"vts_io_" + std::to_wstring(::GetCurrentProcessId()) + L"_" +
              std::to_wstring(::GetTickCount()) + L"_" + std::to_wstring(i);
      if (::CreateDirectoryW(path_.c_str(), nullptr)) break;
    }
  }
  ~TempDir() { RemoveTree(path_); }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::wstring& path() const { return path_; }
  std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }

  static void RemoveTree(const std::wstring& dir) {
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileW((dir + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        std::wstring full = dir + L"\\" + name;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          RemoveTree(full);
        } else {
          ::SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
          ::DeleteFileW(full.c_str());
        }
      } while (::FindNextFileW(find, &data));
      ::FindClose(find);
    }
    ::RemoveDirectoryW(dir.c_str());
  }

 private:
  std::wstring path_;
};

inline bool WriteBytes(const std::wstring& path, const void* data, size_t size) {
  HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  BOOL ok = size == 0 || ::WriteFile(h, data, static_cast<DWORD>(size), &written, nullptr);
  ::CloseHandle(h);
  return ok && written == size;
}

inline bool WriteBytes(const std::wstring& path, const std::string& data) {
  return WriteBytes(path, data.data(), data.size());
}

inline bool WriteBytes(const std::wstring& path, const Bytes& data) {
  return WriteBytes(path, data.data(), data.size());
}

// UTF-16LE bytes of a text, optionally preceded by FF FE.
inline std::string Utf16(const std::wstring& text, bool mark = true) {
  std::string out;
  if (mark) out = "\xFF\xFE";
  for (wchar_t c : text) {
    out += static_cast<char>(c & 0xFF);
    out += static_cast<char>((c >> 8) & 0xFF);
  }
  return out;
}

// Whole content; `exists` tells a missing file from an empty one.
inline std::string ReadBytes(const std::wstring& path, bool* exists = nullptr) {
  HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (exists) *exists = h != INVALID_HANDLE_VALUE;
  if (h == INVALID_HANDLE_VALUE) return {};
  std::string out;
  char buf[65536];
  DWORD got = 0;
  while (::ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0) out.append(buf, got);
  ::CloseHandle(h);
  return out;
}

inline bool FileExists(const std::wstring& path) {
  return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A file on which every write fails for want of room: Linux's /dev/full
// through Wine's Z: drive (the root of the Unix file system), which Wine
// answers with ERROR_DISK_FULL like a full disk. Empty where it is missing.
inline std::wstring FullDiskFile() {
  const wchar_t* path = L"Z:\\dev\\full";
  HANDLE h = ::CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::wstring();
  ::CloseHandle(h);
  return path;
}

}  // namespace iotest
