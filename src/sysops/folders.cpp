#include "sysops/folders.h"

#include <windows.h>
#include <imagehlp.h>
#include <shlobj.h>
#include <shlwapi.h>

#include "base/text_codec.h"
#include "framework/scoped_handle.h"

namespace sysops {
namespace {

// A MAX_PATH buffer holding text, or nothing when the text does not fit.
bool CopyToPathBuffer(const std::wstring& text, wchar_t (&buffer)[MAX_PATH]) {
  if (text.size() >= MAX_PATH) return false;
  text.copy(buffer, text.size());
  buffer[text.size()] = L'\0';
  return true;
}

bool IsDotEntry(const wchar_t* name) {
  return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

}  // namespace

std::wstring GetSpecialFolder(int csidl) {
  wchar_t buffer[MAX_PATH] = {};
  if (!::SHGetSpecialFolderPathW(nullptr, buffer, csidl, TRUE)) return std::wstring();
  return buffer;
}

std::wstring AppendPath(const std::wstring& base, const std::wstring& more) {
  wchar_t buffer[MAX_PATH] = {};
  if (!CopyToPathBuffer(base, buffer)) return std::wstring();
  // PathAppendW leaves an empty buffer when the result would be too long.
  if (!::PathAppendW(buffer, more.c_str())) return std::wstring();
  return buffer;
}

std::wstring GetParentFolder(const std::wstring& path) {
  const wchar_t* const begin = path.c_str();
  const wchar_t* const name = ::PathFindFileNameW(begin);
  return std::wstring(begin, static_cast<std::size_t>(name - begin));
}

bool FileExists(const std::wstring& path) { return ::PathFileExistsW(path.c_str()) != FALSE; }

bool CreateFolderPath(const std::wstring& folder) {
  wchar_t buffer[MAX_PATH] = {};
  if (!CopyToPathBuffer(folder, buffer)) return false;
  // The trailing backslash makes the last component a folder too.
  if (::PathAddBackslashW(buffer) == nullptr) return false;
  // The folder is created through the ANSI code page. A name it cannot hold
  // would come out as '?' or as a look-alike ("cafe" for "café"), which is
  // some other folder: refuse rather than create that.
  const std::string ansi = codec::Encode(buffer, codec::CodePage::kThreadAnsi);
  if (codec::Decode(ansi, codec::CodePage::kThreadAnsi) != buffer) return false;
  // Two bytes a character in code page 932: a path that fits MAX_PATH as wide
  // text may not fit the ANSI buffers that the folder creation works in.
  if (ansi.size() >= MAX_PATH) return false;
  return ::MakeSureDirectoryPathExists(ansi.c_str()) != FALSE;
}

OpenAccessDescriptor::OpenAccessDescriptor() {
  SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
  if (!::AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0,
                                  everyone_.put())) {
    return;
  }
  if (!::InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION)) return;

  // Header and one access-allowed entry whose SidStart is replaced by the SID.
  const DWORD acl_size = static_cast<DWORD>(sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) -
                                            sizeof(DWORD) + ::GetLengthSid(everyone_.get()));
  acl_.reset(::LocalAlloc(LPTR, acl_size));
  if (!acl_) return;
  const auto acl = static_cast<PACL>(acl_.get());
  if (!::InitializeAcl(acl, acl_size, ACL_REVISION)) return;
  if (!::AddAccessAllowedAceEx(acl, ACL_REVISION, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE,
                               GENERIC_ALL, everyone_.get())) {
    return;
  }
  valid_ = ::SetSecurityDescriptorDacl(&descriptor_, TRUE, acl, TRUE) != FALSE;
}

bool GrantEveryoneFullAccess(const std::wstring& path) {
  OpenAccessDescriptor descriptor;
  if (!descriptor.valid()) return false;
  return ::SetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, descriptor.get()) != FALSE;
}

AdministratorsOnlyDescriptor::AdministratorsOnlyDescriptor() {
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  if (!::AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0,
                                  0, 0, 0, 0, 0, administrators_.put()) ||
      !::AllocateAndInitializeSid(&nt, 1, SECURITY_LOCAL_SYSTEM_RID, 0, 0, 0, 0, 0, 0, 0,
                                  system_.put())) {
    return;
  }
  if (!::InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION)) return;
  const DWORD entry_size = static_cast<DWORD>(sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD));
  const DWORD acl_size = static_cast<DWORD>(sizeof(ACL)) + 2 * entry_size +
                         ::GetLengthSid(administrators_.get()) + ::GetLengthSid(system_.get());
  acl_.reset(::LocalAlloc(LPTR, acl_size));
  if (!acl_) return;
  const auto acl = static_cast<PACL>(acl_.get());
  if (!::InitializeAcl(acl, acl_size, ACL_REVISION)) return;
  for (PSID sid : {administrators_.get(), system_.get()}) {
    if (!::AddAccessAllowedAceEx(acl, ACL_REVISION, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE,
                                 FILE_ALL_ACCESS, sid)) {
      return;
    }
  }
  valid_ = ::SetSecurityDescriptorDacl(&descriptor_, TRUE, acl, FALSE) &&
           ::SetSecurityDescriptorControl(&descriptor_, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
}

bool RestrictToAdministrators(const std::wstring& path) {
  AdministratorsOnlyDescriptor descriptor;
  if (!descriptor.valid()) return false;
  return ::SetFileSecurityW(path.c_str(),
                            DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                            descriptor.get()) != FALSE;
}

std::size_t ListFiles(std::vector<std::wstring>* list, const std::wstring& folder,
                      const std::wstring& pattern, bool recursive) {
  const std::wstring query = AppendPath(folder, pattern);
  if (query.empty()) return list->size();

  WIN32_FIND_DATAW found;
  fw::ScopedFindHandle search(::FindFirstFileW(query.c_str(), &found));
  if (!search) return list->size();
  do {
    if (IsDotEntry(found.cFileName)) continue;
    const std::wstring full_path = AppendPath(folder, found.cFileName);
    if (full_path.empty()) continue;  // too long to be named
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (recursive) ListFiles(list, full_path, pattern, recursive);
    } else {
      list->push_back(full_path);
    }
  } while (::FindNextFileW(search.get(), &found));
  return list->size();
}

}  // namespace sysops
