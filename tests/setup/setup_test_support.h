#pragma once
// What the setup run's tests share: a progress sink that records, log-on
// checks that answer as told, and the prefix state a test changes put back
// as it was (registry values in the 64-bit view, files).

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "base/progress_sink.h"
#include "framework/scoped_handle.h"
#include "setup/setup_run.h"

namespace setup_test {

using Report = std::pair<int, std::wstring>;

class RecordingSink : public IProgressSink {
 public:
  void Report(int percent, const std::wstring& text) override {
    reports.emplace_back(percent, text);
  }
  std::vector<setup_test::Report> reports;
};

// Answers every log-on as told and remembers what it was asked.
class FixedLogon : public setup::ILogonCheck {
 public:
  explicit FixedLogon(bool accept) : accept_(accept) {}
  bool LogOn(const std::wstring& user, const std::wstring& domain,
             const std::wstring& password) override {
    asked.push_back({user, domain, password});
    return accept_;
  }
  std::vector<std::vector<std::wstring>> asked;

 private:
  bool accept_;
};

inline bool Exists(const std::wstring& path) {
  return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline std::string ReadBytes(const std::wstring& path) {
  fw::ScopedFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
  if (!file) return "<missing>";
  std::string bytes;
  char buffer[4096];
  DWORD read = 0;
  while (::ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) && read > 0) {
    bytes.append(buffer, read);
  }
  return bytes;
}

inline void WriteBytes(const std::wstring& path, const std::string& bytes) {
  fw::ScopedFileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(file) << "cannot create file: " << ::GetLastError();
  DWORD written = 0;
  ASSERT_TRUE(::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                          nullptr));
}

// A file as it was when the object was made, put back (or removed again)
// when it goes.
class SavedFile {
 public:
  explicit SavedFile(std::wstring path) : path_(std::move(path)) {
    existed_ = Exists(path_);
    if (existed_) bytes_ = ReadBytes(path_);
  }
  ~SavedFile() {
    if (existed_) {
      WriteBytes(path_, bytes_);
    } else {
      ::DeleteFileW(path_.c_str());
    }
  }
  SavedFile(const SavedFile&) = delete;
  SavedFile& operator=(const SavedFile&) = delete;
  const std::wstring& path() const { return path_; }

 private:
  std::wstring path_;
  bool existed_ = false;
  std::string bytes_;
};

// A value under HKEY_LOCAL_MACHINE in the 64-bit view, put back as it was
// (or removed again) when the object goes.
class SavedMachineValue {
 public:
  SavedMachineValue(std::wstring key, std::wstring value)
      : key_(std::move(key)), value_(std::move(value)) {
    fw::ScopedRegKey key_handle;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, key_.c_str(), 0, KEY_READ | KEY_WOW64_64KEY,
                        key_handle.put()) != ERROR_SUCCESS) {
      return;
    }
    DWORD size = 0;
    if (::RegQueryValueExW(key_handle.get(), value_.c_str(), nullptr, &type_, nullptr, &size) !=
        ERROR_SUCCESS) {
      return;
    }
    data_.resize(size);
    existed_ = ::RegQueryValueExW(key_handle.get(), value_.c_str(), nullptr, &type_,
                                  data_.data(), &size) == ERROR_SUCCESS;
    data_.resize(size);
  }
  ~SavedMachineValue() {
    fw::ScopedRegKey key_handle;
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, key_.c_str(), 0, nullptr, 0,
                          KEY_WRITE | KEY_WOW64_64KEY, nullptr, key_handle.put(),
                          nullptr) != ERROR_SUCCESS) {
      return;
    }
    if (existed_) {
      ::RegSetValueExW(key_handle.get(), value_.c_str(), 0, type_, data_.data(),
                       static_cast<DWORD>(data_.size()));
    } else {
      ::RegDeleteValueW(key_handle.get(), value_.c_str());
    }
  }
  SavedMachineValue(const SavedMachineValue&) = delete;
  SavedMachineValue& operator=(const SavedMachineValue&) = delete;

 private:
  std::wstring key_;
  std::wstring value_;
  bool existed_ = false;
  DWORD type_ = 0;
  std::vector<BYTE> data_;
};

// The security of a key under HKEY_LOCAL_MACHINE (64-bit view) denying
// everyone the setting of values while the object lives; Wine's registry
// honours it as Windows does. The old security goes back through the handle
// taken before, which keeps its rights whatever the new security says.
class MachineKeyWritingDenied {
 public:
  explicit MachineKeyWritingDenied(const wchar_t* key) {
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, key, 0, READ_CONTROL | WRITE_DAC | KEY_WOW64_64KEY,
                        key_.put()) != ERROR_SUCCESS) {
      return;
    }
    DWORD size = 0;
    ::RegGetKeySecurity(key_.get(), DACL_SECURITY_INFORMATION, nullptr, &size);
    saved_.resize(size);
    if (size == 0 || ::RegGetKeySecurity(key_.get(), DACL_SECURITY_INFORMATION, saved_.data(),
                                         &size) != ERROR_SUCCESS) {
      return;
    }
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    if (!::AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0,
                                    &everyone)) {
      return;
    }
    fw::ScopedSid sid(everyone);
    // Deny before allow: the entries are read in order.
    acl_.resize(256);
    auto* acl = reinterpret_cast<PACL>(acl_.data());
    SECURITY_DESCRIPTOR descriptor;
    denied_ = ::InitializeAcl(acl, static_cast<DWORD>(acl_.size()), ACL_REVISION) &&
              ::AddAccessDeniedAce(acl, ACL_REVISION, KEY_SET_VALUE | KEY_CREATE_SUB_KEY,
                                   everyone) &&
              ::AddAccessAllowedAce(acl, ACL_REVISION, KEY_ALL_ACCESS, everyone) &&
              ::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
              ::SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE) &&
              ::RegSetKeySecurity(key_.get(), DACL_SECURITY_INFORMATION, &descriptor) ==
                  ERROR_SUCCESS;
  }
  ~MachineKeyWritingDenied() {
    if (denied_) ::RegSetKeySecurity(key_.get(), DACL_SECURITY_INFORMATION, saved_.data());
  }
  MachineKeyWritingDenied(const MachineKeyWritingDenied&) = delete;
  MachineKeyWritingDenied& operator=(const MachineKeyWritingDenied&) = delete;
  bool denied() const { return denied_; }

 private:
  fw::ScopedRegKey key_;
  std::vector<BYTE> saved_;
  std::vector<BYTE> acl_;
  bool denied_ = false;
};

}  // namespace setup_test
