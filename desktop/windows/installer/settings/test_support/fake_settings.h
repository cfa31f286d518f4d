#ifndef DESKTOP_WINDOWS_INSTALLER_SETTINGS_TEST_SUPPORT_FAKE_SETTINGS_H_
#define DESKTOP_WINDOWS_INSTALLER_SETTINGS_TEST_SUPPORT_FAKE_SETTINGS_H_

#include <memory>
#include <string>
#include <vector>

#include "base/command_line.h"
#include "desktop/windows/installer/service/test_support/fake_installation_folder_details.h"
#include "desktop/windows/installer/settings/settings.h"
#include "desktop/windows/installer/settings/settings_flag.h"

// Settings that a test fills field by field, for code that reads or
// changes settings (runners, steps, controllers, the window). Setters store
// what they are given, apply no refusal rule except a frozen state, and
// notify the observers when a value changed; `Notify*` lets a test tell
// the observers itself. Used on one thread.
class FakeSettings : public Settings {
 public:
  FakeSettings();
  ~FakeSettings() override;

  void NotifyFlagChanged();
  void NotifyLanguageChanged();
  void NotifyPathChanged();

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

  InstallOperation operation = INSTALL_OPERATION_INSTALL;
  InstallFolderProblem folder_problem = FOLDER_PROBLEM_NONE;
  // An uninstall session also when the operation is not (yet) uninstall.
  bool uninstall_session = false;
  // Indexed by SettingsFlag.
  bool flags[SETTINGS_FLAG_COUNT] = {};
  std::wstring language = L"en";
  // The install folder is its path.
  std::unique_ptr<FakeInstallationFolderDetails> folder_details;
  bool pending_folder_details = false;
  bool only_installation_of_stream = true;
  bool editable = true;
  int architecture = 0;
  bool no_payload_manager = false;
  bool run_immediately = false;
  base::FilePath default_install_folder;
  base::FilePath profile_folder;
  InstallationSettings summary;
  // What ToCommandLine writes: these switches, in order, after "backend".
  std::vector<std::pair<std::string, std::wstring>> command_line_switches;
  // What was asked for.
  std::vector<std::wstring> requested_folders;
  std::vector<InstallMode> requested_modes;
  int refresh_count = 0;
  mutable bool last_suppress_launch = false;

 private:
  bool Set(SettingsFlag flag, bool value);
  void Notify(void (SettingsObserver::*notification)());

  std::vector<SettingsObserver*> observers_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SETTINGS_TEST_SUPPORT_FAKE_SETTINGS_H_
