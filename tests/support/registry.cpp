#include "support/registry.h"

#include "framework/scoped_handle.h"

namespace test_support {

RawValue QueryRaw(HKEY root, const std::wstring& key, const std::wstring& name, REGSAM view) {
  RawValue result;
  fw::ScopedRegKey opened;
  result.status = ::RegOpenKeyExW(root, key.c_str(), 0, KEY_READ | view, opened.put());
  if (result.status != ERROR_SUCCESS) return result;
  DWORD size = 0;
  result.status =
      ::RegQueryValueExW(opened.get(), name.c_str(), nullptr, &result.type, nullptr, &size);
  if (result.status != ERROR_SUCCESS) return result;
  result.bytes.resize(size);
  result.status = ::RegQueryValueExW(opened.get(), name.c_str(), nullptr, &result.type,
                                     result.bytes.data(), &size);
  result.bytes.resize(size);
  return result;
}

bool KeyExists(HKEY root, const std::wstring& key, REGSAM view) {
  fw::ScopedRegKey opened;
  return ::RegOpenKeyExW(root, key.c_str(), 0, KEY_READ | view, opened.put()) == ERROR_SUCCESS;
}

bool SetRaw(HKEY root, const std::wstring& key, const std::wstring& name, DWORD type,
            const void* data, DWORD byte_count, REGSAM view) {
  fw::ScopedRegKey opened;
  if (::RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_WRITE | view, nullptr,
                        opened.put(), nullptr) != ERROR_SUCCESS) {
    return false;
  }
  return ::RegSetValueExW(opened.get(), name.c_str(), 0, type, static_cast<const BYTE*>(data),
                          byte_count) == ERROR_SUCCESS;
}

void DeleteKeyTree(HKEY root, const std::wstring& key, REGSAM view) {
  {
    fw::ScopedRegKey opened;
    if (::RegOpenKeyExW(root, key.c_str(), 0, KEY_READ | view, opened.put()) != ERROR_SUCCESS) {
      return;
    }
    std::vector<std::wstring> children;
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
      DWORD length = 256;
      if (::RegEnumKeyExW(opened.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
          ERROR_SUCCESS) {
        break;
      }
      children.emplace_back(name, length);
    }
    for (const auto& child : children) DeleteKeyTree(root, key + L"\\" + child, view);
  }
  ::RegDeleteKeyExW(root, key.c_str(), view, 0);
}

ScopedRegistryValue::ScopedRegistryValue(HKEY root, const std::wstring& key,
                                         const std::wstring& name, REGSAM view)
    : root_(root), key_(key), name_(name), view_(view) {
  old_ = QueryRaw(root_, key_, name_, view_);
  for (std::wstring at = key_; !at.empty() && !KeyExists(root_, at, view_);) {
    first_missing_ = at;
    const std::size_t slash = at.find_last_of(L'\\');
    at = slash == std::wstring::npos ? std::wstring() : at.substr(0, slash);
  }
}

ScopedRegistryValue::~ScopedRegistryValue() {
  if (!first_missing_.empty()) {
    DeleteKeyTree(root_, first_missing_, view_);
  } else if (old_.status == ERROR_SUCCESS) {
    test_support::SetRaw(root_, key_, name_, old_.type, old_.bytes.data(),
                         static_cast<DWORD>(old_.bytes.size()), view_);
  } else {
    Remove();
  }
}

bool ScopedRegistryValue::SetString(const std::wstring& text) {
  return SetRaw(REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

bool ScopedRegistryValue::SetDword(DWORD value) { return SetRaw(REG_DWORD, &value, sizeof value); }

bool ScopedRegistryValue::SetRaw(DWORD type, const void* data, DWORD byte_count) {
  return test_support::SetRaw(root_, key_, name_, type, data, byte_count, view_);
}

bool ScopedRegistryValue::Remove() {
  fw::ScopedRegKey opened;
  const LSTATUS status =
      ::RegOpenKeyExW(root_, key_.c_str(), 0, KEY_SET_VALUE | view_, opened.put());
  if (status == ERROR_FILE_NOT_FOUND) return true;
  if (status != ERROR_SUCCESS) return false;
  const LSTATUS removed = ::RegDeleteValueW(opened.get(), name_.c_str());
  return removed == ERROR_SUCCESS || removed == ERROR_FILE_NOT_FOUND;
}

}  // namespace test_support
