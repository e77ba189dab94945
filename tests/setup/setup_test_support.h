#pragma once
// What the setup run's tests share: log-on checks and a shell opener that
// answer as told and a key that refuses writes, beside the shared test
// support's recording sink and machine values.

#include <windows.h>

#include <gtest/gtest.h>

#include <cwctype>
#include <string>
#include <utility>
#include <vector>

#include "base/text_codec.h"
#include "framework/scoped_handle.h"
#include "setup/setup_run.h"
#include "setup/setup_text.h"
#include "setup/web_services.h"
#include "support/files.h"
#include "support/recording_sink.h"
#include "support/registry.h"
#include "support/terminal_state.h"

namespace setup_test {

using test_support::RecordingSink;
using test_support::Report;

// Answers every log-on as told and remembers what it was asked; a refusal
// leaves the error LogonUserW gives for a wrong password.
class FixedLogon : public setup::ILogonCheck {
 public:
  explicit FixedLogon(bool accept) : accept_(accept) {}
  bool LogOn(const std::wstring& user, const std::wstring& domain,
             const std::wstring& password) override {
    asked.push_back({user, domain, password});
    if (!accept_) ::SetLastError(ERROR_LOGON_FAILURE);
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

// The bytes of a run's record, also while the run holds it (it holds it
// with delete access, so a reader must share deleting too).
inline std::string RecordBytes(const std::wstring& path) {
  fw::ScopedFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, OPEN_EXISTING, 0, nullptr));
  std::string bytes;
  char buffer[4096];
  DWORD got = 0;
  while (file && ::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) {
    bytes.append(buffer, got);
  }
  return bytes;
}

// The lines of a run's record (UTF-8 after its byte-order mark), each
// without its time stamp; empty when there is no such file.
inline std::vector<std::string> RecordLines(const std::wstring& path) {
  std::string bytes = RecordBytes(path);
  if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.erase(0, 3);
  std::vector<std::string> lines;
  for (std::size_t at = 0; at < bytes.size();) {
    std::size_t end = bytes.find("\r\n", at);
    if (end == std::string::npos) end = bytes.size();
    // "YYYY-MM-DD HH:MM:SS.mmm " before every line.
    lines.push_back(end - at > 24 ? bytes.substr(at + 24, end - at - 24) : std::string());
    at = end + 2;
  }
  return lines;
}

// Whether some line of `lines` holds every one of `parts` (UTF-8).
inline bool SomeLineHas(const std::vector<std::string>& lines,
                        const std::vector<std::string>& parts) {
  for (const std::string& line : lines) {
    bool all = true;
    for (const std::string& part : parts) all = all && line.find(part) != std::string::npos;
    if (all) return true;
  }
  return false;
}

inline std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

// Every form in which `secret` could sit in bytes the program writes: as
// UTF-8, UTF-16LE and the ANSI code page, and percent-encoded as a URL
// carries it (either case of hex digits), each in UTF-8 and UTF-16LE.
inline std::vector<std::string> SecretForms(const std::wstring& secret) {
  std::vector<std::string> forms;
  const auto utf16 = [](const std::wstring& text) {
    std::string bytes;
    for (wchar_t c : text) {
      bytes.push_back(static_cast<char>(c & 0xFF));
      bytes.push_back(static_cast<char>((c >> 8) & 0xFF));
    }
    return bytes;
  };
  std::wstring lower = setup::EncodeUrlComponent(secret);
  for (wchar_t& c : lower) c = static_cast<wchar_t>(::towlower(c));
  for (const std::wstring& form : {secret, setup::EncodeUrlComponent(secret), lower}) {
    forms.push_back(codec::Encode(form, codec::CodePage::kUtf8));
    forms.push_back(utf16(form));
  }
  forms.push_back(codec::Encode(secret, codec::CodePage::kThreadAnsi));
  return forms;
}

// No password of `inputs` and no credential of the web services, in any
// form, in `bytes`.
inline void ExpectNoSecrets(const std::string& bytes, const setup::SetupInputs& inputs,
                            const std::string& where) {
  for (const std::wstring& secret : {inputs.logon_password, inputs.send_box_password,
                                     setup::DeliveryCredential(),
                                     std::wstring(setup::kStatusCredential)}) {
    if (secret.empty()) continue;
    for (const std::string& form : SecretForms(secret)) {
      EXPECT_EQ(bytes.find(form), std::string::npos)
          << "a secret in " << where << ": " << codec::Encode(secret, codec::CodePage::kUtf8);
    }
  }
}

}  // namespace setup_test
