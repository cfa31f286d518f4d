#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_TEST_SUPPORT_OPERATION_ONLY_SETTINGS_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_TEST_SUPPORT_OPERATION_ONLY_SETTINGS_H_

#include <string>
#include <vector>

#include "base/command_line.h"
#include "desktop/windows/installer/settings/settings.h"

// Settings that answer the operation, the folder details and the install
// folder the test sets; every other getter gives a default and every setter
// refuses. Enough for the step scheduler and package preparation.
class OperationOnlySettings : public Settings {
 public:
  explicit OperationOnlySettings(InstallOperation operation) : operation_(operation) {}

  void set_operation(InstallOperation operation) { operation_ = operation; }
  void set_folder_details(const InstallationFolderDetails* details) { folder_details_ = details; }
  void set_install_folder(const base::FilePath& folder) { install_folder_ = folder; }

  void GetDefaultInstallFolder(base::FilePath* /*path*/, int /*sources*/) const override {}
  std::vector<base::FilePath> GetCandidateInstallFolders() const override { return {}; }
  InstallOperation GetOperation() const override { return operation_; }
  InstallFolderProblem GetFolderProblem() const override { return FOLDER_PROBLEM_NONE; }
  InstallationSettings GetSummary() const override { return InstallationSettings(); }
  const InstallationFolderDetails* GetFolderDetails() const override { return folder_details_; }
  bool HasPendingFolderDetails() const override { return false; }
  void AddObserver(SettingsObserver* /*observer*/) override {}
  void RemoveObserver(SettingsObserver* /*observer*/) override {}
  bool SetLaunchBrowser(bool /*value*/) override { return false; }
  bool SetDefaultBrowser(bool /*value*/) override { return false; }
  bool SetImportBrowserData(bool /*value*/) override { return false; }
  bool SetEnableInstallerStats(bool /*value*/) override { return false; }
  bool SetEnableBrowserStats(bool /*value*/) override { return false; }
  bool SetDesktopShortcut(bool /*value*/) override { return false; }
  bool SetStartMenuShortcut(bool /*value*/) override { return false; }
  bool SetQuickLaunchShortcut(bool /*value*/) override { return false; }
  bool SetDeleteProfile(bool /*value*/) override { return false; }
  bool SetInstallAssistant(bool /*value*/) override { return false; }
  bool SetMode(InstallMode /*mode*/) override { return false; }
  bool IsModeSupported() const override { return false; }
  bool CanChangeShortcuts() const override { return false; }
  bool IsInstallOperation() const override { return false; }
  bool IsUninstallSession() const override { return operation_ == INSTALL_OPERATION_UNINSTALL; }
  bool IsOnlyInstallationOfStream() const override { return false; }
  bool SetCopyOnly(bool /*value*/) override { return false; }
  bool SetSingleProfile(bool /*value*/) override { return false; }
  bool SetAllUsers(bool /*value*/) override { return false; }
  void SetInstallFolderPath(const base::FilePath& /*path*/) override {}
  void SetInstallFolder(const std::wstring& /*path*/) override {}
  void RefreshFolderDetails() override {}
  void SetLanguage(const std::wstring& /*language*/) override {}
  bool GetLaunchBrowser() const override { return false; }
  bool GetDefaultBrowser() const override { return false; }
  bool GetImportBrowserData() const override { return false; }
  bool GetEnableInstallerStats() const override { return false; }
  bool GetEnableBrowserStats() const override { return false; }
  bool GetDesktopShortcut() const override { return false; }
  bool GetStartMenuShortcut() const override { return false; }
  bool GetQuickLaunchShortcut() const override { return false; }
  bool GetPinnedShortcut() const override { return false; }
  bool GetDeleteProfile() const override { return false; }
  bool GetInstallAssistant() const override { return false; }
  InstallMode GetInstallMode() const override { return INSTALL_MODE_CURRENT_USER; }
  bool GetCopyOnly() const override { return false; }
  bool GetSingleProfile() const override { return false; }
  bool GetAllUsers() const override { return false; }
  base::FilePath GetInstallFolderPath() const override { return install_folder_; }
  std::wstring GetLanguage() const override { return std::wstring(); }
  base::FilePath GetProfileFolder() const override { return base::FilePath(); }
  void AppendPassThroughSwitches(base::CommandLine* /*command_line*/) const override {}
  void ToCommandLine(base::CommandLine* /*command_line*/, bool /*suppress_launch*/) const override {}
  bool IsEditable() const override { return false; }
  void SetEditable(bool /*editable*/) override {}
  int GetArchitecture() const override { return 0; }
  bool HasNoPayloadManager() const override { return false; }
  bool GetRunImmediately() const override { return false; }

 private:
  InstallOperation operation_;
  const InstallationFolderDetails* folder_details_ = nullptr;
  base::FilePath install_folder_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_TEST_SUPPORT_OPERATION_ONLY_SETTINGS_H_
