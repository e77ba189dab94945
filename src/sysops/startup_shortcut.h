#pragma once
// The terminal program's start-up shortcut in the all-users Startup folder.
// Both operations use the shell-link COM objects: the calling thread must have
// initialised COM.

#include <string>

namespace sysops {

inline constexpr wchar_t kStartupShortcutName[] = L"Varnel \u30BF\u30FC\u30DF\u30CA\u30EB.lnk";

// True when a shortcut of any name in the all-users Startup folder (not its
// sub-folders) points at the terminal program, letter case aside.
[[nodiscard]] bool IsTerminalInStartup();

// Saves "Varnel ターミナル.lnk" there: the terminal program, started in its own
// folder, maximised. Failures are silent.
void CreateTerminalStartupShortcut();

// The same two operations for any folder and program.
[[nodiscard]] bool FolderHasShortcutTo(const std::wstring& folder, const std::wstring& target);
void SaveShortcut(const std::wstring& link_path, const std::wstring& target);

}  // namespace sysops
