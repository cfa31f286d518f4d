#ifndef DESKTOP_WINDOWS_INSTALLER_SETTINGS_SETTINGS_H_
#define DESKTOP_WINDOWS_INSTALLER_SETTINGS_SETTINGS_H_

#include <cstdint>
#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "desktop/windows/installer/avro_stats/installation_settings.h"
#include "desktop/windows/installer/service/install_folder_problem.h"

namespace base {
class CommandLine;
}

class InstallationFolderDetails;
class SettingsObserver;

enum InstallOperation : uint32_t {
  // Until the first folder details are applied.
  INSTALL_OPERATION_UNKNOWN = 0,
  INSTALL_OPERATION_INSTALL = 1,
  INSTALL_OPERATION_UPGRADE = 2,
  INSTALL_OPERATION_UNINSTALL = 3,
  INSTALL_OPERATION_REGISTER_PROTOCOL_HANDLER = 4,
  INSTALL_OPERATION_FIX_DOWNLOADABLE_RESOURCES = 5,
};

enum InstallMode : uint32_t {
  INSTALL_MODE_ALL_USERS = 0,
  INSTALL_MODE_CURRENT_USER = 1,
  INSTALL_MODE_STANDALONE = 2,
};

// Where a default install folder may come from; a mask of these.
enum DefaultFolderSource : int {
  DEFAULT_FOLDER_STANDARD = 1,
  DEFAULT_FOLDER_REGISTRY = 2,
  DEFAULT_FOLDER_COMMAND_LINE = 4,
  DEFAULT_FOLDER_ALL = 7,
};

// The installation settings of one installer process: what to do, where,
// how, and whether it may still change. Read by the controllers, runners,
// steps and window; changed by the interactive controller. Setters return
// true when they changed the value and false when they refused (copy-only,
// upgrade and uninstall rules, or frozen settings). Used on one thread.
class Settings {
 public:
  virtual ~Settings() = default;

  // The default folder from the `sources` mask for the current
  // architecture, all-users and copy-only flags.
  virtual void GetDefaultInstallFolder(base::FilePath* path, int sources) const = 0;
  // Copy-only: the standalone default (empty when there is none); else the
  // default from the registry and standard sources, as if not copy-only.
  virtual std::vector<base::FilePath> GetCandidateInstallFolders() const = 0;
  virtual InstallOperation GetOperation() const = 0;
  virtual InstallFolderProblem GetFolderProblem() const = 0;
  virtual InstallationSettings GetSummary() const = 0;
  // Never null.
  virtual const InstallationFolderDetails* GetFolderDetails() const = 0;
  virtual bool HasPendingFolderDetails() const = 0;
  virtual void AddObserver(SettingsObserver* observer) = 0;
  virtual void RemoveObserver(SettingsObserver* observer) = 0;

  virtual bool SetLaunchBrowser(bool value) = 0;
  virtual bool SetDefaultBrowser(bool value) = 0;
  virtual bool SetImportBrowserData(bool value) = 0;
  virtual bool SetEnableInstallerStats(bool value) = 0;
  virtual bool SetEnableBrowserStats(bool value) = 0;
  virtual bool SetDesktopShortcut(bool value) = 0;
  virtual bool SetStartMenuShortcut(bool value) = 0;
  virtual bool SetQuickLaunchShortcut(bool value) = 0;
  // Only in an uninstall session.
  virtual bool SetDeleteProfile(bool value) = 0;
  virtual bool SetInstallAssistant(bool value) = 0;
  // Switches copy-only, all users and single profile for the mode; a folder
  // that was one of the candidates moves to the new mode's default.
  virtual bool SetMode(InstallMode mode) = 0;
  // Answers true; kept for callers that ask.
  virtual bool IsModeSupported() const = 0;
  // Not copy-only.
  virtual bool CanChangeShortcuts() const = 0;
  virtual bool IsInstallOperation() const = 0;
  // An uninstall was asked for: also while the folder is still examined,
  // and when it holds nothing to uninstall (the operation is then unknown).
  virtual bool IsUninstallSession() const = 0;
  // False when another registered installation of this stream was found
  // during an uninstall; profile deletion is offered only while true.
  virtual bool IsOnlyInstallationOfStream() const = 0;
  virtual bool SetCopyOnly(bool value) = 0;
  virtual bool SetSingleProfile(bool value) = 0;
  virtual bool SetAllUsers(bool value) = 0;
  virtual void SetInstallFolderPath(const base::FilePath& path) = 0;
  // Asks for the folder's details unless it is the current folder; the
  // answer applies later, on this thread.
  virtual void SetInstallFolder(const std::wstring& path) = 0;
  virtual void RefreshFolderDetails() = 0;
  virtual void SetLanguage(const std::wstring& language) = 0;

  virtual bool GetLaunchBrowser() const = 0;
  virtual bool GetDefaultBrowser() const = 0;
  virtual bool GetImportBrowserData() const = 0;
  virtual bool GetEnableInstallerStats() const = 0;
  virtual bool GetEnableBrowserStats() const = 0;
  virtual bool GetDesktopShortcut() const = 0;
  virtual bool GetStartMenuShortcut() const = 0;
  virtual bool GetQuickLaunchShortcut() const = 0;
  virtual bool GetPinnedShortcut() const = 0;
  virtual bool GetDeleteProfile() const = 0;
  virtual bool GetInstallAssistant() const = 0;
  virtual InstallMode GetInstallMode() const = 0;
  virtual bool GetCopyOnly() const = 0;
  virtual bool GetSingleProfile() const = 0;
  virtual bool GetAllUsers() const = 0;
  // The folder details' path: the one install folder of the settings.
  virtual base::FilePath GetInstallFolderPath() const = 0;
  virtual std::wstring GetLanguage() const = 0;
  virtual base::FilePath GetProfileFolder() const = 0;

  // Copies the pass-through switches of the process's command line.
  virtual void AppendPassThroughSwitches(base::CommandLine* command_line) const = 0;
  // The settings as backend switches (no program), from which a backend
  // builds the same settings. `suppress_launch` writes "launchtarvo=0".
  virtual void ToCommandLine(base::CommandLine* command_line, bool suppress_launch) const = 0;

  virtual bool IsEditable() const = 0;
  // False freezes the settings: every setter then refuses.
  virtual void SetEditable(bool editable) = 0;
  // An InstallerArchitecture value.
  virtual int GetArchitecture() const = 0;
  virtual bool HasNoPayloadManager() const = 0;
  virtual bool GetRunImmediately() const = 0;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SETTINGS_SETTINGS_H_
