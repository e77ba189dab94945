#include "sysops/held_folder.h"

#include <windows.h>
#include <winternl.h>

#include <algorithm>
#include <utility>

#include "base/debug_output.h"

namespace sysops {
namespace {

// The NT calls that open a name relative to a handle. ntdll is a known DLL,
// mapped into every process from the system folder before any code of ours
// runs, so looking it up by name cannot load another one.
using NtCreateFileCall = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES,
                                          PIO_STATUS_BLOCK, PLARGE_INTEGER, ULONG, ULONG, ULONG,
                                          ULONG, PVOID, ULONG);
using NtSetInformationFileCall = NTSTATUS(NTAPI*)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, ULONG);
using RtlNtStatusToDosErrorCall = ULONG(NTAPI*)(NTSTATUS);

struct NtCalls {
  NtCreateFileCall create_file = nullptr;
  NtSetInformationFileCall set_information = nullptr;
  RtlNtStatusToDosErrorCall to_dos_error = nullptr;
  bool ok() const { return create_file && set_information && to_dos_error; }
};

template <typename Call>
Call Find(HMODULE module, const char* name) {
  return reinterpret_cast<Call>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

const NtCalls& Nt() {
  static const NtCalls calls = [] {
    NtCalls found;
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    if (!ntdll) return found;
    found.create_file = Find<NtCreateFileCall>(ntdll, "NtCreateFile");
    found.set_information = Find<NtSetInformationFileCall>(ntdll, "NtSetInformationFile");
    found.to_dos_error = Find<RtlNtStatusToDosErrorCall>(ntdll, "RtlNtStatusToDosError");
    return found;
  }();
  return calls;
}

constexpr ULONG kFileRenameInformation = 10;  // FILE_INFORMATION_CLASS

// Folders are held with list, traverse and the rights to read and replace
// their access list; sharing read and write but never delete, so that while
// held they cannot be renamed or removed.
constexpr ACCESS_MASK kFolderAccess =
    FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | READ_CONTROL | WRITE_DAC |
    SYNCHRONIZE;
constexpr ULONG kHeldShare = FILE_SHARE_READ | FILE_SHARE_WRITE;

void Refuse(const std::wstring& path, const wchar_t* why) {
  WriteDebugOutput((L"Varnel: refused " + path + L" (" + why + L")\n").c_str());
  ::SetLastError(kRefusedError);
}

// One name opened relative to `folder` with NtCreateFile; the link itself,
// never what it points to, where Windows can tell them apart.
fw::ScopedFileHandle OpenRelative(HANDLE folder, const std::wstring& name, ACCESS_MASK access,
                                  ULONG share, ULONG disposition, ULONG options,
                                  PSECURITY_DESCRIPTOR descriptor, ULONG_PTR* information) {
  const NtCalls& nt = Nt();
  if (!nt.ok()) {
    ::SetLastError(ERROR_PROC_NOT_FOUND);
    return fw::ScopedFileHandle();
  }
  UNICODE_STRING object_name;
  object_name.Buffer = const_cast<PWSTR>(name.c_str());
  object_name.Length = static_cast<USHORT>(name.size() * sizeof(wchar_t));
  object_name.MaximumLength = object_name.Length;
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, &object_name, OBJ_CASE_INSENSITIVE, folder, descriptor);
  IO_STATUS_BLOCK status_block = {};
  HANDLE opened = nullptr;
  const NTSTATUS status = nt.create_file(
      &opened, access | SYNCHRONIZE, &attributes, &status_block, nullptr, FILE_ATTRIBUTE_NORMAL,
      share, disposition, options | FILE_OPEN_REPARSE_POINT | FILE_SYNCHRONOUS_IO_NONALERT,
      nullptr, 0);
  if (status < 0) {
    // A name that is not there, or a dangling link, is ERROR_FILE_NOT_FOUND.
    ::SetLastError(nt.to_dos_error(status));
    return fw::ScopedFileHandle();
  }
  if (information) *information = status_block.Information;
  return fw::ScopedFileHandle(opened);
}

// A handle names what it should when it is no reparse point, of the kind
// wanted, and Windows gives it the path expected. On Windows the open with
// FILE_OPEN_REPARSE_POINT reaches a junction or symbolic link itself, which
// the attributes show; Wine 8 opens a Unix symbolic link's target instead,
// which only the final path shows.
bool HandleIsExpected(HANDLE handle, const std::wstring& expected, bool folder,
                      bool single_name) {
  BY_HANDLE_FILE_INFORMATION info = {};
  if (!::GetFileInformationByHandle(handle, &info)) {
    Refuse(expected, L"no file information");
    return false;
  }
  if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    Refuse(expected, L"reparse point");
    return false;
  }
  if (((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) != folder) {
    Refuse(expected, folder ? L"not a folder" : L"a folder");
    return false;
  }
  if (single_name && info.nNumberOfLinks > 1) {
    Refuse(expected, L"more than one hard link");
    return false;
  }
  const std::wstring final_path = FinalPathOf(handle);
  if (!SamePath(final_path, expected)) {
    Refuse(expected, (L"final path " + final_path).c_str());
    return false;
  }
  return true;
}

bool IsPlainName(const std::wstring& name) {
  return !name.empty() && name != L"." && name != L".." &&
         name.find_first_of(L"\\/:*?\"<>|") == std::wstring::npos;
}

// Whether a file of a folder may be reached by `name`: the folder held and
// the name a plain one. Otherwise false, the reason in the last error (a
// refusal for a name that is no plain one).
bool MayReach(bool held, const std::wstring& name, const std::wstring& expected) {
  if (!held) {
    ::SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  if (!IsPlainName(name)) {
    Refuse(expected, L"not a plain name");
    return false;
  }
  return true;
}

}  // namespace

bool IsRefusal(DWORD error) { return error == kRefusedError; }

std::wstring FinalPathOf(HANDLE handle) {
  std::wstring path(MAX_PATH, L'\0');
  for (int attempt = 0; attempt < 2; ++attempt) {
    const DWORD length = ::GetFinalPathNameByHandleW(handle, path.data(),
                                                     static_cast<DWORD>(path.size()),
                                                     FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0) return std::wstring();
    if (length < path.size()) {
      path.resize(length);
      constexpr wchar_t kLongPrefix[] = L"\\\\?\\";
      if (path.compare(0, 4, kLongPrefix) == 0) path.erase(0, 4);
      return path;
    }
    path.assign(length + 1, L'\0');
  }
  return std::wstring();
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
  return !a.empty() &&
         ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

bool WriteAll(HANDLE file, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 20));
    if (!::WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0) {
      return false;
    }
    done += written;
  }
  return true;
}

bool ReadAll(HANDLE file, std::string* bytes) {
  char buffer[4096];
  for (;;) {
    DWORD read = 0;
    if (!::ReadFile(file, buffer, sizeof buffer, &read, nullptr)) return false;
    if (read == 0) return true;
    bytes->append(buffer, read);
  }
}

HeldFolder HeldFolder::Reach(const std::wstring& base, const std::wstring& relative,
                             const FolderCreation& creation) {
  HeldFolder folder;
  if (base.empty()) {
    ::SetLastError(ERROR_PATH_NOT_FOUND);
    return folder;
  }
  // The base is a folder Windows names and only administrators can change;
  // it is opened by its path, and its final path is what the components are
  // measured against.
  fw::ScopedFileHandle base_handle(::CreateFileW(
      base.c_str(), FILE_LIST_DIRECTORY | FILE_TRAVERSE | SYNCHRONIZE,
      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
      FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!base_handle) return folder;
  std::wstring path = FinalPathOf(base_handle.get());
  if (path.empty()) return folder;
  while (!path.empty() && path.back() == L'\\') path.pop_back();

  std::vector<std::wstring> names;
  for (std::size_t start = 0; start <= relative.size();) {
    std::size_t end = relative.find(L'\\', start);
    if (end == std::wstring::npos) end = relative.size();
    if (end > start) names.push_back(relative.substr(start, end - start));
    start = end + 1;
  }

  std::vector<fw::ScopedFileHandle> chain;
  std::vector<bool> created;
  chain.push_back(std::move(base_handle));
  created.push_back(false);
  for (std::size_t i = 0; i < names.size(); ++i) {
    const std::wstring& name = names[i];
    const std::wstring expected = path + L"\\" + name;
    if (!IsPlainName(name)) {
      Refuse(expected, L"not a plain name");
      return folder;
    }
    const bool last = i + 1 == names.size();
    PSECURITY_DESCRIPTOR born_with = last ? creation.last : creation.above;
    ULONG_PTR information = 0;
    fw::ScopedFileHandle opened =
        OpenRelative(chain.back().get(), name, kFolderAccess, kHeldShare,
                     creation.create_missing ? FILE_OPEN_IF : FILE_OPEN,
                     FILE_DIRECTORY_FILE | FILE_OPEN_FOR_BACKUP_INTENT, born_with, &information);
    if (!opened) return folder;
    if (!HandleIsExpected(opened.get(), expected, /*folder=*/true, /*single_name=*/false)) {
      return folder;
    }
    chain.push_back(std::move(opened));
    created.push_back(information == FILE_CREATED);
    path = expected;
  }
  folder.chain_ = std::move(chain);
  folder.created_ = std::move(created);
  folder.path_ = std::move(path);
  return folder;
}

HANDLE HeldFolder::handle(std::size_t levels_up) const {
  if (levels_up >= chain_.size()) return INVALID_HANDLE_VALUE;
  return chain_[chain_.size() - 1 - levels_up].get();
}

bool HeldFolder::created(std::size_t levels_up) const {
  return levels_up < created_.size() && created_[created_.size() - 1 - levels_up];
}

bool HeldFolder::SetAccess(SECURITY_INFORMATION information, PSECURITY_DESCRIPTOR descriptor,
                           std::size_t levels_up) const {
  // The base is Windows' own folder: its rights are never the program's to
  // change.
  if (levels_up + 1 >= chain_.size()) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  // On the handle whose path was confirmed. SetKernelObjectSecurity stores
  // the DACL as given, as SetFileSecurityW did by path; SetSecurityInfo
  // would merge in the entries the folder above passes on and change the
  // lists the terminal's programs have always found.
  return ::SetKernelObjectSecurity(handle(levels_up), information, descriptor) != FALSE;
}

std::wstring HeldFolder::PathOf(const std::wstring& name) const { return path_ + L"\\" + name; }

fw::ScopedFileHandle HeldFolder::OpenFile(const std::wstring& name, ACCESS_MASK access,
                                          DWORD share) const {
  const std::wstring expected = PathOf(name);
  if (!MayReach(is_held(), name, expected)) return fw::ScopedFileHandle();
  fw::ScopedFileHandle file = OpenRelative(handle(), name, access | FILE_READ_ATTRIBUTES,
                                           share & ~FILE_SHARE_DELETE, FILE_OPEN,
                                           FILE_NON_DIRECTORY_FILE, nullptr, nullptr);
  if (!file) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return file;
    // Something stands there that cannot be opened as asked (a folder, a
    // file someone holds): a link to elsewhere is told apart by its final
    // path, so that the caller knows it was planted.
    const fw::ScopedFileHandle probe =
        OpenRelative(handle(), name, FILE_READ_ATTRIBUTES,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, FILE_OPEN, 0,
                     nullptr, nullptr);
    if (probe && !SamePath(FinalPathOf(probe.get()), expected)) {
      Refuse(expected, L"final path elsewhere");
    } else {
      ::SetLastError(error);
    }
    return fw::ScopedFileHandle();
  }
  if (!HandleIsExpected(file.get(), expected, /*folder=*/false, /*single_name=*/true)) {
    return fw::ScopedFileHandle();
  }
  return file;
}

fw::ScopedFileHandle HeldFolder::CreateNewFile(const std::wstring& name) const {
  const std::wstring expected = PathOf(name);
  if (!MayReach(is_held(), name, expected)) return fw::ScopedFileHandle();
  // FILE_CREATE fails on any name already taken, a dangling link included.
  fw::ScopedFileHandle file =
      OpenRelative(handle(), name, GENERIC_READ | GENERIC_WRITE | DELETE, FILE_SHARE_READ,
                   FILE_CREATE, FILE_NON_DIRECTORY_FILE, nullptr, nullptr);
  if (!file) return file;
  if (!HandleIsExpected(file.get(), expected, /*folder=*/false, /*single_name=*/true)) {
    return fw::ScopedFileHandle();
  }
  return file;
}

bool HeldFolder::RemoveFile(const std::wstring& name) const {
  fw::ScopedFileHandle file = OpenFile(name, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE);
  if (!file) return ::GetLastError() == ERROR_FILE_NOT_FOUND;
  FILE_DISPOSITION_INFO disposition = {};
  disposition.DeleteFile = TRUE;
  return ::SetFileInformationByHandle(file.get(), FileDispositionInfo, &disposition,
                                      sizeof disposition) != FALSE;
}

bool HeldFolder::ReplaceFile(const std::wstring& name, const std::string& bytes) const {
  if (!RemoveFile(name)) return false;
  fw::ScopedFileHandle file = CreateNewFile(name);
  if (!file) return false;
  if (WriteAll(file.get(), bytes)) return true;
  // Half a file is no file: it goes with its handle.
  const DWORD error = ::GetLastError();
  FILE_DISPOSITION_INFO disposition = {};
  disposition.DeleteFile = TRUE;
  ::SetFileInformationByHandle(file.get(), FileDispositionInfo, &disposition, sizeof disposition);
  ::SetLastError(error);
  return false;
}

bool HeldFolder::RenameFile(HANDLE file, const std::wstring& new_name, bool replace) const {
  if (!is_held() || !IsPlainName(new_name)) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  if (replace) {
    // Looked at first: a link or second name under the new name is refused
    // rather than replaced, so the run stops where something was planted.
    fw::ScopedFileHandle existing = OpenFile(new_name, FILE_READ_ATTRIBUTES, kHeldShare);
    if (!existing && ::GetLastError() != ERROR_FILE_NOT_FOUND) return false;
  }
  const NtCalls& nt = Nt();
  if (!nt.ok()) {
    ::SetLastError(ERROR_PROC_NOT_FOUND);
    return false;
  }
  // FILE_RENAME_INFORMATION, the new name relative to the held folder,
  // handed to NtSetInformationFile as it is: kernel32's
  // SetFileInformationByHandle may rewrite a relative name into a full path
  // of its own before passing it on.
  const std::size_t name_bytes = new_name.size() * sizeof(wchar_t);
  std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + name_bytes, 0);
  auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  info->ReplaceIfExists = replace ? TRUE : FALSE;
  info->RootDirectory = handle();
  info->FileNameLength = static_cast<DWORD>(name_bytes);
  new_name.copy(info->FileName, new_name.size());
  IO_STATUS_BLOCK status_block = {};
  const NTSTATUS status = nt.set_information(file, &status_block, info,
                                             static_cast<ULONG>(buffer.size()),
                                             kFileRenameInformation);
  if (status < 0) {
    ::SetLastError(nt.to_dos_error(status));
    return false;
  }
  return true;
}

std::vector<std::wstring> HeldFolder::ListFileNames(const std::wstring& pattern) const {
  std::vector<std::wstring> names;
  if (!is_held()) return names;
  WIN32_FIND_DATAW found;
  fw::ScopedFindHandle search(::FindFirstFileW(PathOf(pattern).c_str(), &found));
  if (!search) return names;
  do {
    if (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) {
      continue;
    }
    names.push_back(found.cFileName);
  } while (::FindNextFileW(search.get(), &found));
  return names;
}

}  // namespace sysops
