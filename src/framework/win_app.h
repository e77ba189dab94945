#pragma once
// The application object: one per process, reached through WinApp::Current().
// It carries the name shown as the caption of every message box and runs the
// start-up hook from the entry point.

#include <windows.h>

#include <string>

namespace fw {

class Dialog;

// Restart-manager support: restart the program after an update or a crash,
// without autosave or recovery.
constexpr DWORD kRestartManagerSupportRestart = 0x01;

class WinApp {
 public:
  WinApp();
  virtual ~WinApp();
  WinApp(const WinApp&) = delete;
  WinApp& operator=(const WinApp&) = delete;

  // The start-up hook. The base registers with the restart manager as
  // restart_manager_support_flags asks. Returning FALSE ends the program.
  virtual BOOL InitInstance();
  virtual int ExitInstance();

  const std::wstring& AppName() const { return app_name_; }
  void SetAppName(std::wstring name) { app_name_ = std::move(name); }
  // The per-user key under which framework state would live; the program
  // itself stores nothing there.
  const std::wstring& RegistryKey() const { return registry_key_; }
  void SetRegistryKey(std::wstring key) { registry_key_ = std::move(key); }

  // The application object of this process, or null when none exists.
  static WinApp* Current();

  DWORD restart_manager_support_flags = 0;
  Dialog* main_wnd = nullptr;

 private:
  std::wstring app_name_;
  std::wstring registry_key_;
};

// The body of the program's entry point: runs the start-up hook of the
// application object, then ends the process with ExitInstance's code (-1
// without an application object). It never returns: returning from the entry
// point would run the global destructors while a worker abandoned with the
// window may still be using those objects.
[[noreturn]] void AfxWinMain();

// Limits where this process loads libraries from to the system folder
// (SetDefaultDllDirectories with LOAD_LIBRARY_SEARCH_SYSTEM32) and takes the
// current folder out of the search (SetDllDirectoryW with the empty text).
// The program runs elevated from wherever the technician started it, often a
// download folder or a USB stick that is also its current folder: a library
// found there would run with administrator rights. The first thing the entry
// point does, before anything loads a library by name. False when Windows
// lacks SetDefaultDllDirectories (Windows 7 without KB2533623): then only the
// current folder is left out.
bool RestrictLibrarySearchToSystemFolder();

// Asks Windows to refuse, for this process, junctions and other redirections
// that an account without administrator rights made
// (SetProcessMitigationPolicy with the redirection-trust policy). Defence in
// depth behind the held folders (sysops/held_folder.h). False, with a debug
// line, where Windows lacks the policy (before Windows 11 and Windows Server
// 2022 updates; Wine) or refuses it.
bool RefuseUntrustedRedirections();

// The caption for message boxes: the application name, or the executable's
// base name while no application object exists.
std::wstring AfxGetAppName();

}  // namespace fw
