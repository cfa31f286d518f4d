#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_INSTALLATION_STATUS_KEYS_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_INSTALLATION_STATUS_KEYS_H_

#include <cstddef>

// The names in an installation's status files, shared by the readers and
// the writer: a name changed on one side only would leave every existing
// installation unreadable to the next installer.

// The status file in the installation folder, and the one older installers
// wrote there.
inline constexpr wchar_t kInstallationStatusFileName[] = L"installation_status.json";
inline constexpr wchar_t kLegacyStatusFileName[] = L"installation_status.xml";
// Where an upgrade keeps the status files of the installation it replaced.
inline constexpr wchar_t kOldStatusFolderName[] = L"old_status";
// Status files are small; a larger one is not ours and is not read whole.
inline constexpr size_t kMaxStatusFileSize = 64 * 1024 * 1024;

namespace status_keys {

// The JSON record's own keys.
inline constexpr char kVersion[] = "version";
inline constexpr char kCopyOnly[] = "copy_only";
inline constexpr char kAllUsers[] = "_all_users";
inline constexpr char kAppId[] = "app_id";
inline constexpr char kPath[] = "path";
inline constexpr char kSubfolder[] = "_subfolder";
inline constexpr char kFiles[] = "files";
inline constexpr char kRootFiles[] = "root_files";
inline constexpr char kRegistry[] = "registry";
inline constexpr char kShortcuts[] = "shortcuts";
inline constexpr char kComponents[] = "components";
// What the installation made that did not exist before: registry keys by
// hive ("HKLM", "HKCU", as under "registry") and folders.
inline constexpr char kCreatedKeys[] = "created_keys";
inline constexpr char kCreatedFolders[] = "created_folders";

// The hives under "registry".
inline constexpr char kHklm[] = "HKLM";
inline constexpr char kHkcu[] = "HKCU";

// One registry key of a hive, and one value of such a key.
inline constexpr char kKeyPath[] = "path";
inline constexpr char kKeyClean[] = "clean";
inline constexpr char kKeyValues[] = "values";
inline constexpr char kValueName[] = "name";
inline constexpr char kValueType[] = "type";
inline constexpr char kValueData[] = "data";

// Shortcut destinations: the keys under "shortcuts", and the "type" of a
// legacy file's "shortcut" element.
inline constexpr char kDesktopShortcut[] = "SC_DEST_DESKTOP";
inline constexpr char kCommonDesktopShortcut[] = "SC_DEST_COMMON_DESKTOP";
inline constexpr char kMenuShortcut[] = "SC_DEST_MENU";
inline constexpr char kCommonMenuShortcut[] = "SC_DEST_COMMON_MENU";
inline constexpr char kQuickLaunchShortcut[] = "SC_DEST_QUICK_LAUNCH";

}  // namespace status_keys

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_INSTALLATION_STATUS_KEYS_H_
