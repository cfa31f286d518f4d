#ifndef DESKTOP_WINDOWS_INSTALLER_SETTINGS_SETTINGS_IMPL_H_
#define DESKTOP_WINDOWS_INSTALLER_SETTINGS_SETTINGS_IMPL_H_

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "base/memory/ref_counted.h"
#include "base/memory/weak_ptr.h"
#include "desktop/windows/installer/service/installation_folder_details_fetcher.h"
#include "desktop/windows/installer/settings/settings.h"
#include "desktop/windows/installer/settings/settings_flag.h"

namespace base {
class CommandLine;
}

class InstallationFolderDetails;
class InstallerSession;
class PayloadManager;

// The settings of this process, built from the command line, tracking data,
// the registry, defaults and the details of the chosen folder (which decide
// the operation). Lives on the thread that built it; folder details are
// computed elsewhere and applied here, only the answer to the latest
// request counting.
class SettingsImpl : public Settings {
 public:
  // Every switch and role flag comes from `session` (and the command line
  // it was made from), which outlives the settings.
  // `command_line_install_folder` is the value of switch "installfolder"
  // (empty when absent). `payload_manager` is null inside a package.
  SettingsImpl(const InstallerSession* session,
               const base::FilePath& command_line_install_folder,
               int architecture,
               PayloadManager* payload_manager,
               InstallationFolderDetailsFetcherFactory fetcher_factory);
  ~SettingsImpl() override;
  SettingsImpl(const SettingsImpl&) = delete;
  SettingsImpl& operator=(const SettingsImpl&) = delete;

  // Settings:
  void GetDefaultInstallFolder(base::FilePath* path, int sources) const override;
  std::vector<base::FilePath> GetCandidateInstallFolders() const override;
  InstallOperation GetOperation() const override;
  InstallFolderProblem GetFolderProblem() const override;
  InstallationSettings GetSummary() const override;
  const InstallationFolderDetails* GetFolderDetails() const override;
  bool HasPendingFolderDetails() const override;
  void AddObserver(SettingsObserver* observer) override;
  void RemoveObserver(SettingsObserver* observer) override;
  bool SetLaunchBrowser(bool value) override;
  bool SetDefaultBrowser(bool value) override;
  bool SetImportBrowserData(bool value) override;
  bool SetEnableInstallerStats(bool value) override;
  bool SetEnableBrowserStats(bool value) override;
  bool SetDesktopShortcut(bool value) override;
  bool SetStartMenuShortcut(bool value) override;
  bool SetQuickLaunchShortcut(bool value) override;
  bool SetDeleteProfile(bool value) override;
  bool SetInstallAssistant(bool value) override;
  bool SetMode(InstallMode mode) override;
  bool IsModeSupported() const override;
  bool CanChangeShortcuts() const override;
  bool IsInstallOperation() const override;
  bool IsUninstallSession() const override;
  bool IsOnlyInstallationOfStream() const override;
  bool SetCopyOnly(bool value) override;
  bool SetSingleProfile(bool value) override;
  bool SetAllUsers(bool value) override;
  void SetInstallFolderPath(const base::FilePath& path) override;
  void SetInstallFolder(const std::wstring& path) override;
  void RefreshFolderDetails() override;
  void SetLanguage(const std::wstring& language) override;
  bool GetLaunchBrowser() const override;
  bool GetDefaultBrowser() const override;
  bool GetImportBrowserData() const override;
  bool GetEnableInstallerStats() const override;
  bool GetEnableBrowserStats() const override;
  bool GetDesktopShortcut() const override;
  bool GetStartMenuShortcut() const override;
  bool GetQuickLaunchShortcut() const override;
  bool GetPinnedShortcut() const override;
  bool GetDeleteProfile() const override;
  bool GetInstallAssistant() const override;
  InstallMode GetInstallMode() const override;
  bool GetCopyOnly() const override;
  bool GetSingleProfile() const override;
  bool GetAllUsers() const override;
  base::FilePath GetInstallFolderPath() const override;
  std::wstring GetLanguage() const override;
  base::FilePath GetProfileFolder() const override;
  void AppendPassThroughSwitches(base::CommandLine* command_line) const override;
  void ToCommandLine(base::CommandLine* command_line, bool suppress_launch) const override;
  bool IsEditable() const override;
  void SetEditable(bool editable) override;
  int GetArchitecture() const override;
  bool HasNoPayloadManager() const override;
  bool GetRunImmediately() const override;

  // Sets copy-only and clears what a standalone copy cannot have, or clears
  // it and gives the shortcuts back their switches' values or defaults.
  // No notification; nothing while frozen.
  void ApplyCopyOnly(bool copy_only);
  // A shortcut flag's value when no switch names it.
  static bool GetShortcutDefault(SettingsFlag flag);
  // Defaults, then the flag switches of the session's command line.
  void InitFromCommandLine();
  // The default folder from the `sources` mask for the given flags; empty
  // when no source gives one. Never a relative path.
  void ComputeDefaultInstallFolder(base::FilePath* path,
                                   int sources,
                                   int architecture,
                                   bool all_users,
                                   bool copy_only) const;
  // The completion of every folder request: takes the details over,
  // decides the operation and tells the observers.
  void ApplyFolderDetails(std::unique_ptr<InstallationFolderDetails> details);

 private:
  bool GetFlag(SettingsFlag flag) const { return flags_[flag]; }
  // Sets the flag (logged) and notifies; false while frozen.
  bool SetFlagValue(SettingsFlag flag, bool value);
  // A present switch sets the flag from its value, without notification.
  bool ReadFlagSwitch(SettingsFlag flag, const char* switch_name,
                      const base::CommandLine& command_line);
  void ApplyTrackingDataDefaults(const base::CommandLine& command_line);
  void ChooseFirstFolder(const base::FilePath& command_line_install_folder);
  // Whether every name and path the installation makes of its folder fits
  // (an uninstall makes none that are new).
  bool FolderFitsInstallation() const;
  void ReadInstallFolderFromRegistry();
  void FindStandaloneFolders();
  void ReadDeleteProfileSwitch(const base::CommandLine& command_line);
  void CountStreamInstallations();
  void RequestFolderDetails(const base::FilePath& path);
  void StartFetcher(const base::FilePath& path, bool first_registry_folder);
  void OnFolderDetailsFetched(uint64_t request, bool first_registry_folder,
                              std::unique_ptr<InstallationFolderDetails> details);
  void ApplyExistingInstallation(const base::CommandLine& command_line);
  bool IsUpgrade() const { return operation_ == INSTALL_OPERATION_UPGRADE; }
  void LogFlags() const;
  void LogFolderStatus() const;
  void NotifyObservers(void (SettingsObserver::*notification)());

  const InstallerSession* const session_;
  InstallOperation operation_ = INSTALL_OPERATION_UNKNOWN;
  InstallFolderProblem folder_problem_ = FOLDER_PROBLEM_NONE;
  bool flags_[SETTINGS_FLAG_COUNT] = {};
  std::wstring language_;
  std::unique_ptr<InstallationFolderDetails> folder_details_;
  base::scoped_refptr<InstallationFolderDetailsFetcher> pending_fetcher_;
  // Counts requests: an answer to any but the latest is dropped, even when
  // it was already on its way when a newer request cancelled it.
  uint64_t latest_request_ = 0;
  InstallationFolderDetailsFetcherFactory fetcher_factory_;
  mutable std::mutex observers_lock_;
  std::vector<SettingsObserver*> observers_;
  bool editable_ = true;
  bool only_installation_of_stream_ = true;
  base::FilePath command_line_install_folder_;
  base::FilePath registry_install_folder_;
  base::FilePath profile_folder_;
  // The best standalone folder; empty when no drive or desktop fits.
  base::FilePath standalone_default_;
  int architecture_;
  bool no_payload_manager_;
  bool run_immediately_ = false;

  base::WeakPtrFactory<SettingsImpl> weak_factory_{this};
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SETTINGS_SETTINGS_IMPL_H_
