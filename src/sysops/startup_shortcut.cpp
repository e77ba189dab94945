#include "sysops/startup_shortcut.h"

#include <windows.h>
#include <objidl.h>
#include <shlobj.h>

#include <vector>

#include "framework/com_ptr.h"
#include "sysops/folders.h"
#include "sysops/product_paths.h"

namespace sysops {
namespace {

struct ShellLink {
  fw::ComPtr<IShellLinkW> link;
  fw::ComPtr<IPersistFile> file;
};

bool CreateShellLink(ShellLink* out) {
  if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                out->link.put_void()))) {
    return false;
  }
  return SUCCEEDED(out->link.As(&out->file));
}

bool SamePath(const std::wstring& a, const wchar_t* b) {
  // The file system's own rule: ordinal, letter case ignored.
  return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b, -1, TRUE) ==
         CSTR_EQUAL;
}

bool ShortcutPointsAt(const std::wstring& link_path, const std::wstring& target) {
  ShellLink shell_link;
  if (!CreateShellLink(&shell_link)) return false;
  if (FAILED(shell_link.file->Load(link_path.c_str(), STGM_READ))) return false;
  wchar_t link_target[MAX_PATH] = {};
  if (FAILED(shell_link.link->GetPath(link_target, MAX_PATH, nullptr, 0))) return false;
  return SamePath(target, link_target);
}

}  // namespace

bool FolderHasShortcutTo(const std::wstring& folder, const std::wstring& target) {
  // Without a folder the pattern alone would be searched in the current
  // directory; without a target an empty link target would match.
  if (folder.empty() || target.empty()) return false;
  std::vector<std::wstring> shortcuts;
  ListFiles(&shortcuts, folder, L"*.lnk", false);
  for (const std::wstring& shortcut : shortcuts) {
    if (ShortcutPointsAt(shortcut, target)) return true;
  }
  return false;
}

void SaveShortcut(const std::wstring& link_path, const std::wstring& target) {
  if (link_path.empty() || target.empty()) return;
  ShellLink shell_link;
  if (!CreateShellLink(&shell_link)) return;
  // A link missing its target or folder would be worse than none: the next
  // survey then reports the program as not registered.
  if (FAILED(shell_link.link->SetPath(target.c_str()))) return;
  if (FAILED(shell_link.link->SetWorkingDirectory(GetParentFolder(target).c_str()))) return;
  if (FAILED(shell_link.link->SetShowCmd(SW_SHOWMAXIMIZED))) return;
  shell_link.file->Save(link_path.c_str(), TRUE);
}

bool IsTerminalInStartup() {
  return FolderHasShortcutTo(GetSpecialFolder(CSIDL_COMMON_STARTUP), GetTerminalProgramPath());
}

void CreateTerminalStartupShortcut() {
  const std::wstring folder = GetSpecialFolder(CSIDL_COMMON_STARTUP);
  if (folder.empty()) return;
  SaveShortcut(AppendPath(folder, kStartupShortcutName), GetTerminalProgramPath());
}

}  // namespace sysops
