#include "sysops/registry.h"

#include <windows.h>

#include <cstring>

#include "framework/scoped_handle.h"
#include "sysops/registry_path_text.h"

namespace sysops {
namespace {

HKEY RootKey(RegistryHive hive) {
  return hive == RegistryHive::kLocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

// The 64-bit view first; where that is refused (no such view, or the key
// exists only in this process's own view) the default view.
fw::ScopedRegKey OpenForReading(const RegistryPath& path) {
  fw::ScopedRegKey key;
  if (::RegOpenKeyExW(RootKey(path.hive), path.key_path.c_str(), 0, KEY_READ | KEY_WOW64_64KEY,
                      key.put()) == ERROR_SUCCESS) {
    return key;
  }
  if (::RegOpenKeyExW(RootKey(path.hive), path.key_path.c_str(), 0, KEY_READ, key.put()) !=
      ERROR_SUCCESS) {
    key.reset();
  }
  return key;
}

// Whether this process may write into the 64-bit view is learnt from the
// hive's SOFTWARE key; otherwise writes go to the default view.
REGSAM WriteAccess(HKEY root) {
  fw::ScopedRegKey probe;
  if (::RegOpenKeyExW(root, L"SOFTWARE", 0, KEY_WRITE | KEY_WOW64_64KEY, probe.put()) ==
      ERROR_SUCCESS) {
    return KEY_WRITE | KEY_WOW64_64KEY;
  }
  return KEY_WRITE;
}

fw::ScopedRegKey CreateForWriting(const RegistryPath& path) {
  const HKEY root = RootKey(path.hive);
  fw::ScopedRegKey key;
  const LSTATUS status = ::RegCreateKeyExW(root, path.key_path.c_str(), 0, nullptr,
                                           REG_OPTION_NON_VOLATILE, WriteAccess(root), nullptr,
                                           key.put(), nullptr);
  if (status != ERROR_SUCCESS) {
    key.reset();
    ::SetLastError(static_cast<DWORD>(status));
  }
  return key;
}

bool SetValue(const std::wstring& path_text, DWORD type, const void* data, DWORD byte_count) {
  const auto path = SplitRegistryPath(path_text);
  if (!path) {
    ::SetLastError(ERROR_BAD_PATHNAME);
    return false;
  }
  const fw::ScopedRegKey key = CreateForWriting(*path);
  if (!key) return false;
  const LSTATUS status = ::RegSetValueExW(key.get(), path->value_name.c_str(), 0, type,
                                          static_cast<const BYTE*>(data), byte_count);
  if (status == ERROR_SUCCESS) return true;
  ::SetLastError(static_cast<DWORD>(status));
  return false;
}

}  // namespace

std::wstring ReadRegistryString(const std::wstring& path_text, const std::wstring& default_text) {
  const auto path = SplitRegistryPath(path_text);
  if (!path) return default_text;
  const fw::ScopedRegKey key = OpenForReading(*path);
  if (!key) return default_text;

  std::uint8_t buffer[kMaxRegistryTextBytes] = {};
  DWORD type = REG_NONE;
  DWORD byte_count = sizeof(buffer);
  // A longer value fails here with ERROR_MORE_DATA.
  if (::RegQueryValueExW(key.get(), path->value_name.c_str(), nullptr, &type, buffer,
                         &byte_count) != ERROR_SUCCESS) {
    return default_text;
  }
  return TextFromRegistryData(type, buffer, byte_count).value_or(default_text);
}

std::uint32_t ReadRegistryDword(const std::wstring& path_text) {
  const auto path = SplitRegistryPath(path_text);
  if (!path) return 0;
  const fw::ScopedRegKey key = OpenForReading(*path);
  if (!key) return 0;

  DWORD value = 0;
  DWORD type = REG_NONE;
  DWORD byte_count = sizeof(value);
  if (::RegQueryValueExW(key.get(), path->value_name.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(&value), &byte_count) != ERROR_SUCCESS) {
    return 0;
  }
  // A REG_DWORD stored with fewer than four bytes is malformed, not a number.
  if (type != REG_DWORD || byte_count != sizeof(value)) return 0;
  return value;
}

bool WriteRegistryOneText(const std::wstring& path) {
  static const wchar_t kOne[] = L"1";
  return SetValue(path, REG_SZ, kOne, sizeof(kOne));
}

bool WriteRegistryString(const std::wstring& path_text, const std::optional<std::wstring>& text) {
  if (text) {
    const DWORD byte_count = static_cast<DWORD>((text->size() + 1) * sizeof(wchar_t));
    return SetValue(path_text, REG_SZ, text->c_str(), byte_count);
  }
  // Without text the key is still created, as a write would have done.
  const auto path = SplitRegistryPath(path_text);
  if (path) CreateForWriting(*path);
  return false;
}

bool WriteRegistryDword(const std::wstring& path, std::uint32_t value) {
  const DWORD data = value;
  return SetValue(path, REG_DWORD, &data, sizeof(data));
}

}  // namespace sysops
