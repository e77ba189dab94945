#pragma once
// The fixed places shared with the other Varnel programs. The first use of a
// product folder under the common application-data folder creates it and
// opens it, and the common Varnel folder above it, to every user and program.
// Those folders are reached and held as HeldFolder does (no link followed,
// rights set on the held handle).

#include <string>

#include "sysops/held_folder.h"

namespace sysops {

inline constexpr wchar_t kDepotronDataFolder[] = L"Varnel\\Depotron";
inline constexpr wchar_t kDownloadFolder[] = L"Varnel\\Download";
inline constexpr wchar_t kStatusBoxFolder[] = L"Varnel\\Tolvik";
inline constexpr wchar_t kInstallerFileName[] = L"VarnelDepotron.msi";
inline constexpr wchar_t kStatusBoxIniFileName[] = L"VarnelDriveTerminalSend.ini";
// The files that ask Depotron for a passive update, in its data folder.
inline constexpr wchar_t kPassiveRebootSignalFileName[] = L"UpdatePassiveReboot.signal.dat";
inline constexpr wchar_t kPassiveSignalFileName[] = L"UpdatePassive.signal.dat";
inline constexpr wchar_t kUploadMarkerRelativePath[] =
    L"Varnel\\Tolvik\\VarnelTerminalSend\\0\\0.varnelscan.upload";
// The run's own folder under Program Files (see HoldPrivateFolder).
inline constexpr wchar_t kPrivateDownloadFolder[] = L"Varnel\\Setup";
inline constexpr wchar_t kDepotronUpdaterRelativePath[] =
    L"Varnel\\VarnelDepotron\\VarnelUpdate.exe";
inline constexpr wchar_t kTerminalProgramRelativePath[] =
    L"Varnel\\VarnelTerminal\\VarnelTerminal.exe";

// Common application data + "Varnel\Depotron" + file_name; prepares the folder.
std::wstring GetDepotronDataPath(const std::wstring& file_name);
// Common application data + "Varnel\Download\VarnelDepotron.msi"; prepares the folder.
std::wstring GetInstallerDownloadPath();
// Common application data + "Varnel\Tolvik\VarnelDriveTerminalSend.ini"; prepares the folder.
std::wstring GetStatusBoxIniPath();
// Program Files + "Varnel\Setup\VarnelDepotron.msi": the run's own copy of
// the package, the one it checks and opens. Only administrators can create
// folders under Program Files, and the run gives this one a protected DACL
// of Administrators and SYSTEM (AdministratorsOnlyDescriptor) each time, so
// no other account can change what lies there. The folder is created when
// missing; empty when it cannot be created or its rights cannot be set.
std::wstring GetPrivateInstallerPath();
// The marker a pending upload leaves; never creates anything.
std::wstring GetUploadMarkerPath();
// Program Files + "Varnel\VarnelDepotron\VarnelUpdate.exe".
std::wstring GetDepotronUpdaterPath();
// Program Files + "Varnel\VarnelTerminal\VarnelTerminal.exe".
std::wstring GetTerminalProgramPath();

// The product folder relative_folder ("Varnel\Tolvik") under the common
// application-data folder, reached and held (HeldFolder): when missing it is
// created, it and any folder created above it born open to everyone; when
// it had to be created, the folder above it (the common Varnel folder) is
// opened too, through its held handle. Empty when a component is refused or
// cannot be opened or made; the owner works in it while it holds it.
HeldFolder HoldProductFolder(const std::wstring& relative_folder);
// The same under any base folder (a test's scratch folder).
HeldFolder HoldProductFolderIn(const std::wstring& base_folder,
                               const std::wstring& relative_folder);

// Program Files + "Varnel\Setup", reached and held: created when missing
// (the folders above it with what Program Files passes on, itself born with
// AdministratorsOnlyDescriptor), and given that protected DACL again through
// its handle every time, so no other account can change what lies there.
// Empty when it cannot be reached or its rights cannot be set.
HeldFolder HoldPrivateFolder();

// base_folder + relative_folder + file_name, the folder prepared: when missing
// it is created and opened (see above); an existing one is left as it is. An
// empty base (a special folder Windows could not name) gives the empty path
// and touches nothing, rather than creating open folders relative to
// whatever the current directory happens to be. The folder is reached as
// HoldProductFolderIn reaches it; empty when it is refused. The path is only
// a name once the folder is let go: whoever writes there holds the folder
// and writes through it.
std::wstring PrepareProductPath(const std::wstring& base_folder,
                                const std::wstring& relative_folder,
                                const std::wstring& file_name);

}  // namespace sysops
