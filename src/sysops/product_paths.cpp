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

std::wstring PrepareProductPath(const std::wstring& base_folder,
                                const std::wstring& relative_folder,
                                const std::wstring& file_name) {
  if (base_folder.empty()) return std::wstring();
  const std::wstring folder = AppendPath(base_folder, relative_folder);
  if (folder.empty()) return std::wstring();
  if (!::PathFileExistsW(folder.c_str())) {
    CreateFolderPath(folder);
    // Other users' programs write here as well; later files inherit the entry.
    GrantEveryoneFullAccess(GetParentFolder(folder));
    GrantEveryoneFullAccess(folder);
  }
  return AppendPath(folder, file_name);
}

std::wstring GetDepotronDataPath(const std::wstring& file_name) {
  return PreparedCommonDataPath(kDepotronDataFolder, file_name);
}

std::wstring GetInstallerDownloadPath() {
  return PreparedCommonDataPath(kDownloadFolder, kInstallerFileName);
}

std::wstring GetPrivateInstallerPath() {
  const std::wstring folder = SpecialFolderPath(CSIDL_PROGRAM_FILES, kPrivateDownloadFolder);
  if (folder.empty() || !CreateFolderPath(folder) || !RestrictToAdministrators(folder)) {
    return std::wstring();
  }
  return AppendPath(folder, kInstallerFileName);
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
