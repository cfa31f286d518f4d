#ifndef DESKTOP_WINDOWS_INSTALLER_UTILS_SERVICE_UTILS_H_
#define DESKTOP_WINDOWS_INSTALLER_UTILS_SERVICE_UTILS_H_

#include <windows.h>
#include <shtypes.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/files/file_path.h"

// <security.h> maps GetUserNameEx to GetUserNameExW; ours takes a wide
// string and must keep its own name wherever this header is seen.
#ifdef GetUserNameEx
#undef GetUserNameEx
#endif

namespace base {
namespace win {
struct ShortcutProperties;
}
}  // namespace base

// Free, stateless helpers the whole installer shares.

// "Software\<company name>": the maker's key below a hive root.
std::wstring GetCompanyRegistryKey();
// "Software\Microsoft\Windows\CurrentVersion\Uninstall\<entry_name>".
std::wstring GetUninstallRegistryKey(const std::wstring& entry_name);
// Whether `key_path` starts with the Uninstall key's path (ASCII case
// ignored): the product keeps those keys in the 32-bit registry view.
bool IsUninstallRegistryKey(const std::wstring& key_path);
// The browser executable's file name: the product's file-name base + ".exe".
std::wstring GetBrowserExeName();

// "Global\" or "Local\", `object_name`, "/" and the folder's key
// (GetFolderKey) with every "\" turned into "/": names of kernel objects
// that belong to one installation folder, however it is spelt.
std::wstring MakeKernelObjectName(const std::wstring& folder, const std::wstring& object_name,
                                  bool global);
// The same with `spelling` taken as it is, as installers of earlier
// versions named their objects.
std::wstring MakeKernelObjectNameOfSpelling(const std::wstring& spelling,
                                            const std::wstring& object_name, bool global);
// The installer mutex of `folder`: kInstallerMutexPrefix and its key with
// "/" for "\".
std::wstring GetInstallerMutexName(const base::FilePath& folder);
// The same with `spelling` taken as it is, as installers of earlier versions
// named it.
std::wstring GetInstallerMutexNameOfSpelling(const std::wstring& spelling);
// Its mailslot below "\\.\mailslot\": kInstallerMailslotPrefix and its key.
std::wstring GetInstallerMailslotName(const base::FilePath& folder);
// Opens an object that belongs to an installation folder by `name`, its
// name today (after the folder's key), or, when nothing of that name exists,
// by `spelt_name`, the name an installer of an earlier version gave it after
// the folder as spelt (not tried when empty or the same). `open` opens one
// name; it returns null or INVALID_HANDLE_VALUE on failure, the reason in
// GetLastError, and so does this.
HANDLE OpenByNameOrSpelling(const std::wstring& name, const std::wstring& spelt_name,
                            const std::function<HANDLE(const std::wstring&)>& open);

// The name of this build's stream.
std::string GetStreamName();
// 1 "Nightly", 2 "Developer", 3 "Next", 4 "Stable"; any other number gives
// the product's channel name.
std::string GetStreamNameForNumber(int stream);

// The security object name of a key ("CURRENT_USER\Software\x"); a root
// other than the four known ones gives the key path alone.
void RegistryRootName(HKEY root, const std::wstring& key_path, std::wstring* name);
// The other way round: the root and key path of a security object name of
// one of the four known roots (root name compared ignoring case).
bool SplitRegistryObjectName(const std::wstring& name, HKEY* root, std::wstring* key_path);

// Whether `path` may name a file (or, with `is_folder`, a folder): shorter
// than MAX_PATH (248 for folders), an optional drive or "\\server\share\"
// prefix, and components without forbidden characters, leading blanks,
// trailing blanks or dots, or device names. Empty components are allowed.
bool IsValidFileSystemPath(const std::wstring& path, bool is_folder);

// A known folder through shell32's SHGetKnownFolderPath when it exists
// (looked up at run time), else SHGetFolderPathW with `csidl`. With `create`
// a missing folder is made. Folders that some systems (and Wine) do not
// know - UserProgramFiles, QuickLaunch, UserPinned - fall back to their
// default places below the application-data folders. `path` is set only on
// success.
bool GetKnownFolderPath(REFKNOWNFOLDERID folder_id, int csidl, base::FilePath* path, bool create);

// The process user's account name.
bool GetCurrentUserName(std::wstring* name);
// The process user's SID as SDDL text ("S-1-5-21-..."); empty on failure.
std::wstring GetCurrentUserSid();
// GetUserNameExW in `name_format` (an EXTENDED_NAME_FORMAT value).
bool GetUserNameEx(std::wstring* name, int name_format);
// DOMAIN\user.
bool GetUserSamName(std::wstring* name);
// The user's full name; fails where the system keeps none (also Wine).
bool GetUserDisplayName(std::wstring* name);

// English system text of a Windows error: "<message> (0x<code>)".
std::string GetWindowsErrorText(DWORD error);

enum PeMachineKind {
  PE_MACHINE_I386 = 0,
  PE_MACHINE_OTHER = 1,
  // Missing, unreadable, truncated or not a PE image.
  PE_MACHINE_UNKNOWN = 2,
};
PeMachineKind GetPeMachineKind(const base::FilePath& file);

// Whether `child` lies strictly inside `parent`, ASCII case ignored.
bool IsParentPathIgnoreCase(const base::FilePath& parent, const base::FilePath& child);

// What identifies a file whatever path reaches it.
struct FileIdentity {
  DWORD volume_serial_number = 0;
  uint64_t file_index = 0;

  bool operator==(const FileIdentity& other) const = default;
};
bool GetFileIdentity(const base::FilePath& path, FileIdentity* identity);

// The shortcut helpers need COM on the calling thread.
// Reads a shortcut through the replaceable reader below.
bool ReadShortcutProperties(const base::FilePath& shortcut, uint32_t options,
                            base::win::ShortcutProperties* properties);
// Whether the shortcut's target is `file` (the same file on disk).
// `locate`, when given, says where the shortcut's target path leads in
// the view `file` belongs to (the installation as it was before a killed
// run moved its files).
bool ShortcutPointsToFile(
    const base::FilePath& shortcut,
    const base::FilePath& file,
    const std::function<base::FilePath(const base::FilePath&)>& locate = nullptr);

// Appends to `pins` every taskbar pin ("*.lnk" in the path service's
// DIR_TASKBAR_PINS) that points to `target` and carries `app_id`.
void FindPinnedShortcutFor(const base::FilePath& target, const std::wstring& app_id,
                           std::vector<base::FilePath>* pins);

// Association names: protocols ("https") and file extensions (".htm").
// An empty name is neither.
bool IsProtocolName(const std::wstring& association);
bool IsFileExtension(const std::wstring& association);

// How shortcuts are read (base::win::ResolveShortcutProperties by default).
// Replaceable because Wine cannot read a shortcut's application id back.
using ShortcutPropertiesReader = bool (*)(const base::FilePath& shortcut, uint32_t options,
                                          base::win::ShortcutProperties* properties);
class ScopedShortcutPropertiesReaderForTesting {
 public:
  explicit ScopedShortcutPropertiesReaderForTesting(ShortcutPropertiesReader reader);
  ~ScopedShortcutPropertiesReaderForTesting();
  ScopedShortcutPropertiesReaderForTesting(const ScopedShortcutPropertiesReaderForTesting&) =
      delete;
  ScopedShortcutPropertiesReaderForTesting& operator=(
      const ScopedShortcutPropertiesReaderForTesting&) = delete;

 private:
  ShortcutPropertiesReader previous_;
};

namespace service_utils_internal {

using GetKnownFolderPathFunction = HRESULT(WINAPI*)(REFKNOWNFOLDERID, DWORD, HANDLE, PWSTR*);
// GetKnownFolderPath with the known-folder function given (nullptr: the
// system lacks it).
bool GetKnownFolderPathWith(GetKnownFolderPathFunction function, REFKNOWNFOLDERID folder_id,
                            int csidl, base::FilePath* path, bool create);

}  // namespace service_utils_internal

#endif  // DESKTOP_WINDOWS_INSTALLER_UTILS_SERVICE_UTILS_H_
