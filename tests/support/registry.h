#pragma once
// The registry for the Wine tests: raw values read and stored past the code
// under test, key trees removed, and a value set for one test and restored
// after it. Every call names its registry view: KEY_WOW64_64KEY for the view a
// 64-bit program sees (where the product writes), KEY_WOW64_32KEY for the one
// a 32-bit program is redirected to. Nothing throws or asserts: see
// support/test_support.h for the failure model.

#include <windows.h>

#include <string>
#include <vector>

namespace test_support {

// One value exactly as stored; `status` is the registry's answer
// (ERROR_FILE_NOT_FOUND for a missing key or value).
struct RawValue {
  LSTATUS status = ERROR_FILE_NOT_FOUND;
  DWORD type = REG_NONE;
  std::vector<BYTE> bytes;
};

RawValue QueryRaw(HKEY root, const std::wstring& key, const std::wstring& name,
                  REGSAM view = KEY_WOW64_64KEY);

bool KeyExists(HKEY root, const std::wstring& key, REGSAM view = KEY_WOW64_64KEY);

// Stores exactly these bytes with this type, creating the key on the way.
bool SetRaw(HKEY root, const std::wstring& key, const std::wstring& name, DWORD type,
            const void* data, DWORD byte_count, REGSAM view = KEY_WOW64_64KEY);

// Removes root\key and everything below it; nothing when it does not exist.
void DeleteKeyTree(HKEY root, const std::wstring& key, REGSAM view);

// One value for one test: what root\key holds under `name` is noted when the
// object is made; the Set*/Remove calls change it; the destructor puts back
// the old value (type and bytes) or its absence, and removes the keys that
// were created on the way.
//
//   ScopedRegistryValue logon(HKEY_LOCAL_MACHINE, kWinlogon, L"AutoAdminLogon");
//   ASSERT_TRUE(logon.SetString(L"1"));
class ScopedRegistryValue {
 public:
  ScopedRegistryValue(HKEY root, const std::wstring& key, const std::wstring& name,
                      REGSAM view = KEY_WOW64_64KEY);
  ~ScopedRegistryValue();
  ScopedRegistryValue(const ScopedRegistryValue&) = delete;
  ScopedRegistryValue& operator=(const ScopedRegistryValue&) = delete;

  bool SetString(const std::wstring& text);  // REG_SZ with its terminator
  bool SetDword(DWORD value);                // REG_DWORD
  bool SetRaw(DWORD type, const void* data, DWORD byte_count);
  bool Remove();                             // no value of that name

 private:
  HKEY root_;
  std::wstring key_;
  std::wstring name_;
  REGSAM view_;
  RawValue old_;
  std::wstring first_missing_;  // the outermost key that did not exist yet
};

}  // namespace test_support
