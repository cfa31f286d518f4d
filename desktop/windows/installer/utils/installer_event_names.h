#ifndef DESKTOP_WINDOWS_INSTALLER_UTILS_INSTALLER_EVENT_NAMES_H_
#define DESKTOP_WINDOWS_INSTALLER_UTILS_INSTALLER_EVENT_NAMES_H_

// Kernel objects shared by the processes of one installation, named after
// its folder's key (GetFolderKey) with MakeKernelObjectName.

// Set by the main process: the user stopped the installation ("Global\").
inline constexpr wchar_t kInterruptedEventName[] = L"TarvoInstaller/InstallationInterrupted";
// Set by the main process once the package is there ("Global\").
inline constexpr wchar_t kPackageReadyEventName[] = L"TarvoInstaller/PackageReady";
// Set by the folder-permission helper once the grant is in place ("Local\").
inline constexpr wchar_t kGivePermissionEventName[] = L"TarvoInstaller/GiveInstallPermission";
// Set by the installer when the helper may take a temporary grant back
// ("Local\").
inline constexpr wchar_t kGivePermissionUndoEventName[] =
    L"TarvoInstaller/GiveInstallPermission/Undo";

// "Global\Tarvo/Installer/" + the folder's key with "/" for "\": one
// installation of a folder at a time, machine-wide.
inline constexpr wchar_t kInstallerMutexPrefix[] = L"Global\\Tarvo/Installer/";
// Where mailslot names live.
inline constexpr wchar_t kMailslotNamespace[] = L"\\\\.\\mailslot\\";
// Below kMailslotNamespace; followed by the folder's key with its
// backslashes kept.
inline constexpr wchar_t kInstallerMailslotPrefix[] = L"tarvo_installer\\";

#endif  // DESKTOP_WINDOWS_INSTALLER_UTILS_INSTALLER_EVENT_NAMES_H_
