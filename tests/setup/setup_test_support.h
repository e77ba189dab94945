#pragma once
// What the setup run's tests share: log-on checks and a shell opener that
// answer as told and a key that refuses writes, beside the shared test
// support's recording sink and machine values.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "framework/scoped_handle.h"
#include "setup/setup_run.h"
#include "support/recording_sink.h"
#include "support/registry.h"
#include "support/terminal_state.h"

namespace setup_test {

using test_support::RecordingSink;
using test_support::Report;

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

// Remembers what the run would have the shell open, answering as told;
// nothing is started.
class RecordingOpener : public setup::IShellOpener {
 public:
  explicit RecordingOpener(bool started = true) : started_(started) {}
  bool Open(const std::wstring& file) override {
    opened.push_back(file);
    return started_;
  }
  std::vector<std::wstring> opened;

 private:
  bool started_;
};

// A run of `inputs` that reports to a recording sink and whose log-on check
// accepts, for the tests of single steps.
struct AcceptedRun {
  explicit AcceptedRun(setup::SetupInputs inputs) : run(sink, std::move(inputs), logon) {}
  RecordingSink sink;
  FixedLogon logon{true};
  setup::CSetupRun run;
};

// A value under HKEY_LOCAL_MACHINE in the 64-bit view, put back as it was
// (or removed again) when the object goes.
using SavedMachineValue = test_support::ScopedMachineValue;

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
