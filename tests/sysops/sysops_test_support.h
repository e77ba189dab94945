#pragma once
// DACL inspection shared by the folder and product-path tests. Files, folders
// and names come from the shared test support (support/files.h).

#include <windows.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/scoped_handle.h"

namespace sysops_test {

struct AceView {
  BYTE type = 0;
  BYTE flags = 0;
  ACCESS_MASK mask = 0;
  std::wstring sid;  // S-1-... text
};

// The DACL entries of a file or folder as the security API reports them;
// ok is false when the descriptor cannot be read or has no DACL.
struct DaclView {
  bool ok = false;
  std::vector<AceView> entries;
};

inline std::wstring SidText(PSID sid) {
  LPWSTR text = nullptr;
  if (!::ConvertSidToStringSidW(sid, &text)) return L"?";
  fw::ScopedLocalMemory owner(text);
  return text;
}

inline DaclView ReadDacl(const std::wstring& path) {
  DaclView view;
  DWORD needed = 0;
  ::GetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &needed);
  if (needed == 0) return view;
  std::vector<BYTE> buffer(needed);
  if (!::GetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, buffer.data(), needed,
                          &needed)) {
    return view;
  }
  BOOL present = FALSE;
  BOOL defaulted = FALSE;
  PACL acl = nullptr;
  if (!::GetSecurityDescriptorDacl(buffer.data(), &present, &acl, &defaulted) || !present ||
      acl == nullptr) {
    return view;
  }
  for (DWORD i = 0; i < acl->AceCount; ++i) {
    void* raw = nullptr;
    if (!::GetAce(acl, i, &raw)) return view;
    const auto header = static_cast<ACE_HEADER*>(raw);
    AceView entry;
    entry.type = header->AceType;
    entry.flags = header->AceFlags;
    if (header->AceType == ACCESS_ALLOWED_ACE_TYPE || header->AceType == ACCESS_DENIED_ACE_TYPE) {
      const auto allowed = static_cast<ACCESS_ALLOWED_ACE*>(raw);
      entry.mask = allowed->Mask;
      entry.sid = SidText(&allowed->SidStart);
    }
    view.entries.push_back(entry);
  }
  view.ok = true;
  return view;
}

// Whether the stored DACL is marked protected (SE_DACL_PROTECTED): read back
// from the file system, not from the descriptor that was built.
inline bool IsDaclProtected(const std::wstring& path) {
  DWORD needed = 0;
  ::GetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &needed);
  if (needed == 0) return false;
  std::vector<BYTE> buffer(needed);
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  return ::GetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, buffer.data(), needed,
                            &needed) &&
         ::GetSecurityDescriptorControl(buffer.data(), &control, &revision) &&
         (control & SE_DACL_PROTECTED) != 0;
}

// File rights as the security API reports them for one SID, generic bits
// mapped; denied bits removed.
inline ACCESS_MASK RightsOf(const DaclView& dacl, const wchar_t* sid) {
  GENERIC_MAPPING mapping = {FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE,
                             FILE_ALL_ACCESS};
  ACCESS_MASK allowed = 0;
  ACCESS_MASK denied = 0;
  for (const AceView& entry : dacl.entries) {
    if (entry.sid != sid || (entry.flags & INHERIT_ONLY_ACE)) continue;
    ACCESS_MASK mask = entry.mask;
    ::MapGenericMask(&mask, &mapping);
    (entry.type == ACCESS_DENIED_ACE_TYPE ? denied : allowed) |= mask;
  }
  return allowed & ~denied;
}

inline constexpr wchar_t kEveryone[] = L"S-1-1-0";
inline constexpr ACCESS_MASK kReadWriteExecute =
    FILE_GENERIC_READ | FILE_GENERIC_WRITE | FILE_GENERIC_EXECUTE;

// Everybody may read, write and run. Wine keeps file rights as Unix mode
// bits and reports them as entries for the owner, SYSTEM and Everyone, so
// this checks the effect on Everyone rather than the exact entry list (the
// descriptor itself is checked entry by entry elsewhere).
inline void ExpectOpenToEveryone(const std::wstring& path) {
  const DaclView dacl = ReadDacl(path);
  ASSERT_TRUE(dacl.ok) << "no DACL on " << testing::PrintToString(path);
  EXPECT_EQ(RightsOf(dacl, kEveryone) & kReadWriteExecute, kReadWriteExecute)
      << testing::PrintToString(path);
}

// Replaces the DACL with one read-only entry for the Users group: a mark that
// shows whether anything rewrote the rights afterwards.
inline void MarkWithUsersReadOnly(const std::wstring& path) {
  PSID users = nullptr;
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  ASSERT_TRUE(::AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                         DOMAIN_ALIAS_RID_USERS, 0, 0, 0, 0, 0, 0, &users));
  fw::ScopedSid users_owner(users);
  BYTE acl_buffer[128] = {};
  const auto acl = reinterpret_cast<PACL>(acl_buffer);
  ASSERT_TRUE(::InitializeAcl(acl, sizeof(acl_buffer), ACL_REVISION));
  ASSERT_TRUE(::AddAccessAllowedAce(acl, ACL_REVISION, FILE_GENERIC_READ, users));
  SECURITY_DESCRIPTOR descriptor;
  ASSERT_TRUE(::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION));
  ASSERT_TRUE(::SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE));
  ASSERT_TRUE(::SetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, &descriptor));
  ASSERT_EQ(RightsOf(ReadDacl(path), kEveryone) & FILE_WRITE_DATA, 0u)
      << "the mark must take write access from Everyone";
}

// The mark is still there: Everyone has gained no write access.
inline void ExpectStillMarked(const std::wstring& path) {
  const DaclView dacl = ReadDacl(path);
  ASSERT_TRUE(dacl.ok);
  EXPECT_EQ(RightsOf(dacl, kEveryone) & FILE_WRITE_DATA, 0u) << testing::PrintToString(path);
}

}  // namespace sysops_test
