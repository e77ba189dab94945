#include "sysops/product_paths.h"

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include "sysops/folders.h"

namespace sysops {
namespace {

std::wstring PreparedCommonDataPath(const wchar_t* relative_folder,
                                    const std::wstring& file_name) {
  return PrepareProductPath(GetSpecialFolder(CSIDL_COMMON_APPDATA), relative_folder, file_name);
}

std::wstring SpecialFolderPath(int csidl, const wchar_t* relative_path) {
  const std::wstring base = GetSpecialFolder(csidl);
  if (base.empty()) return std::wstring();
  return AppendPath(base, relative_path);
}

}  // namespace

HeldFolder HoldProductFolderIn(const std::wstring& base_folder,
                               const std::wstring& relative_folder) {
  if (base_folder.empty()) return HeldFolder();
  OpenAccessDescriptor open;
  if (!open.valid()) return HeldFolder();
  // Other users' programs write here as well; later files inherit the entry.
  FolderCreation creation;
  creation.create_missing = true;
  creation.above = open.get();
  creation.last = open.get();
  HeldFolder folder = HeldFolder::Reach(base_folder, relative_folder, creation);
  // A new product folder opens the common Varnel folder above it as well,
  // as it always has; one born with the entry needs nothing more.
  if (folder.is_held() && folder.created() && folder.depth() > 2 && !folder.created(1)) {
    folder.SetAccess(DACL_SECURITY_INFORMATION, open.get(), 1);
  }
  return folder;
}

HeldFolder HoldProductFolder(const std::wstring& relative_folder) {
  return HoldProductFolderIn(GetSpecialFolder(CSIDL_COMMON_APPDATA), relative_folder);
}

HeldFolder HoldPrivateFolder() {
  AdministratorsOnlyDescriptor restricted;
  if (!restricted.valid()) return HeldFolder();
  FolderCreation creation;
  creation.create_missing = true;
  creation.last = restricted.get();
  HeldFolder folder = HeldFolder::Reach(GetSpecialFolder(CSIDL_PROGRAM_FILES),
                                        kPrivateDownloadFolder, creation);
  if (!folder.is_held()) return folder;
  if (!folder.SetAccess(DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                        restricted.get())) {
    return HeldFolder();
  }
  return folder;
}

std::wstring PrepareProductPath(const std::wstring& base_folder,
                                const std::wstring& relative_folder,
                                const std::wstring& file_name) {
  const HeldFolder folder = HoldProductFolderIn(base_folder, relative_folder);
  if (!folder.is_held()) return std::wstring();
  return AppendPath(folder.path(), file_name);
}

std::wstring GetDepotronDataPath(const std::wstring& file_name) {
  return PreparedCommonDataPath(kDepotronDataFolder, file_name);
}

std::wstring GetInstallerDownloadPath() {
  return PreparedCommonDataPath(kDownloadFolder, kInstallerFileName);
}

std::wstring GetPrivateInstallerPath() {
  const HeldFolder folder = HoldPrivateFolder();
  if (!folder.is_held()) return std::wstring();
  return AppendPath(folder.path(), kInstallerFileName);
}

std::wstring GetStatusBoxIniPath() {
  return PreparedCommonDataPath(kStatusBoxFolder, kStatusBoxIniFileName);
}

std::wstring GetUploadMarkerPath() {
  return SpecialFolderPath(CSIDL_COMMON_APPDATA, kUploadMarkerRelativePath);
}

std::wstring GetDepotronUpdaterPath() {
  return SpecialFolderPath(CSIDL_PROGRAM_FILES, kDepotronUpdaterRelativePath);
}

std::wstring GetTerminalProgramPath() {
  return SpecialFolderPath(CSIDL_PROGRAM_FILES, kTerminalProgramRelativePath);
}

}  // namespace sysops
