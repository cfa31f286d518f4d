#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_INSTALLATION_STATUS_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_INSTALLATION_STATUS_H_

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "desktop/windows/installer/service/installation_status_source.h"

// One registry value that an installation wrote. All texts are UTF-8.
struct StatusRegistryValue {
  std::string type;  // Windows name of the type, e.g. "REG_SZ".
  std::string name;  // Empty for the key's default value.
  std::string data;  // See RecordRegistryValueInStatus.

  bool operator==(const StatusRegistryValue&) const = default;
};

// One registry key that an installation wrote values under.
struct StatusRegistryKey {
  // Clean-up depth on removal: 0 or less removes only |values|; n >= 1
  // removes the key n - 1 levels above |path| (1 = the key itself).
  int32_t clean = 0;
  std::string path;  // Below the hive root, UTF-8.
  std::vector<StatusRegistryValue> values;

  bool operator==(const StatusRegistryKey&) const = default;
};

struct StatusComponent {
  std::string name;
  base::FilePath path;

  bool operator==(const StatusComponent&) const = default;
};

// What one installation put on the machine, so that an upgrade, repair or
// uninstall can remove exactly that.
class InstallationStatus {
 public:
  explicit InstallationStatus(InstallationStatusSource source);
  InstallationStatus(const InstallationStatus&);
  InstallationStatus& operator=(const InstallationStatus&);
  ~InstallationStatus();

  // The id carried by the pinned taskbar shortcut: |app_id| + "1".
  std::wstring GetAppIdWithSuffix() const;

  // The shortcut field a status file names |destination| ("SC_DEST_DESKTOP",
  // "SC_DEST_COMMON_MENU", ...); null for a name it does not know.
  base::FilePath* ShortcutForDestination(const std::string& destination);

  bool operator==(const InstallationStatus&) const = default;

  bool copy_only = false;
  bool all_users = false;
  InstallationStatusSource source;
  std::wstring app_id;
  base::FilePath path;
  base::FilePath subfolder;
  std::string version;
  base::FilePath desktop_shortcut;
  base::FilePath start_menu_shortcut;
  base::FilePath quick_launch_shortcut;
  std::vector<base::FilePath> files;       // Inside |subfolder|.
  std::vector<base::FilePath> root_files;  // Inside |path| itself.
  std::vector<StatusComponent> components;
  std::vector<StatusRegistryKey> hklm_keys;
  std::vector<StatusRegistryKey> hkcu_keys;
  // Registry keys (UTF-8, below the hive root) and folders that did not
  // exist before and that the installation made: an uninstall removes
  // those that are empty by then, and nothing else that is empty.
  std::vector<std::string> hklm_created_keys;
  std::vector<std::string> hkcu_created_keys;
  std::vector<base::FilePath> created_folders;

  // The created-keys list of `root` (HKEY_LOCAL_MACHINE or
  // HKEY_CURRENT_USER).
  std::vector<std::string>* CreatedKeysFor(HKEY root);
  const std::vector<std::string>* CreatedKeysFor(HKEY root) const;
};

// Appends to `list` each entry of `added` it does not hold yet (ASCII case
// ignored), in order.
void AddCreatedKeys(const std::vector<std::string>& added, std::vector<std::string>* list);
void AddCreatedFolders(const std::vector<base::FilePath>& added,
                       std::vector<base::FilePath>* list);

// Whether a record's `subfolder` may be joined to its installation folder:
// empty (the folder itself) or one plain folder name, never a way out of
// it. Every use of a subfolder read from a file goes through this.
bool IsRecordedSubfolderSafe(const base::FilePath& subfolder);

// Whether a record read from a file names something by a text that holds a
// control character: its folder, subfolder, files, root files, shortcuts,
// components, app id, registry key paths or value names, created folders or
// created keys. Windows ends such
// a name at an embedded NUL, so it would reach another file or key than
// every check saw. `field`, when not null, receives what held one.
bool HasControlCharacterInNames(const InstallationStatus& status, std::string* field);

// Type value meaning "the value was deleted": nothing is recorded for it.
inline constexpr uint32_t kDeletedRegistryValueType = 0xFFFFFFFFu;

// Records a value just written under |key_path| in |keys| (the record's
// hklm_keys or hkcu_keys). The key is found ignoring ASCII case (the last
// match wins) and keeps the larger clean-up depth; a new key is appended
// otherwise. The value is always appended, never merged. Data recorded:
// REG_SZ/REG_EXPAND_SZ as UTF-8, REG_BINARY as "01,ab", REG_DWORD as
// "000000ff"; other types (and data too short for the type) record "".
// |data| is read only within |size| bytes.
void RecordRegistryValueInStatus(std::vector<StatusRegistryKey>* keys,
                                 const std::wstring& key_path,
                                 const std::wstring& value_name,
                                 const void* data,
                                 uint32_t type,
                                 uint32_t size,
                                 int32_t clean);

// "REG_NONE" ... "REG_QWORD" for the types 0 to 11; empty for others.
std::string GetRegistryTypeName(uint32_t type);

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_INSTALLATION_STATUS_H_
