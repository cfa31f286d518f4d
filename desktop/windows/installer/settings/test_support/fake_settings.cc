#include "desktop/windows/installer/settings/test_support/fake_settings.h"

#include <algorithm>

#include "desktop/windows/installer/settings/settings_observer.h"

FakeSettings::FakeSettings() : folder_details(std::make_unique<FakeInstallationFolderDetails>()) {}

FakeSettings::~FakeSettings() = default;

void FakeSettings::NotifyFlagChanged() {
  Notify(&SettingsObserver::OnFlagChanged);
}

void FakeSettings::NotifyLanguageChanged() {
  Notify(&SettingsObserver::OnLanguageChanged);
}

void FakeSettings::NotifyPathChanged() {
  Notify(&SettingsObserver::OnPathChanged);
}

void FakeSettings::Notify(void (SettingsObserver::*notification)()) {
  const std::vector<SettingsObserver*> observers = observers_;
  for (SettingsObserver* observer : observers) {
    if (std::find(observers_.begin(), observers_.end(), observer) != observers_.end())
      (observer->*notification)();
  }
}

bool FakeSettings::Set(SettingsFlag flag, bool value) {
  if (!editable)
    return false;
  if (flags[flag] != value) {
    flags[flag] = value;
    NotifyFlagChanged();
  }
  return true;
}

void FakeSettings::GetDefaultInstallFolder(base::FilePath* path, int) const {
  *path = default_install_folder;
}

std::vector<base::FilePath> FakeSettings::GetCandidateInstallFolders() const {
  return {default_install_folder};
}

InstallOperation FakeSettings::GetOperation() const {
  return operation;
}

InstallFolderProblem FakeSettings::GetFolderProblem() const {
  return folder_problem;
}

InstallationSettings FakeSettings::GetSummary() const {
  return summary;
}

const InstallationFolderDetails* FakeSettings::GetFolderDetails() const {
  return folder_details.get();
}

bool FakeSettings::HasPendingFolderDetails() const {
  return pending_folder_details;
}

void FakeSettings::AddObserver(SettingsObserver* observer) {
  observers_.push_back(observer);
}

void FakeSettings::RemoveObserver(SettingsObserver* observer) {
  observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

bool FakeSettings::SetLaunchBrowser(bool value) {
  return Set(LAUNCH_TARVO, value);
}

bool FakeSettings::SetDefaultBrowser(bool value) {
  return Set(DEFAULT_BROWSER, value);
}

bool FakeSettings::SetImportBrowserData(bool value) {
  return Set(IMPORT_BROWSER_DATA, value);
}

bool FakeSettings::SetEnableInstallerStats(bool value) {
  return Set(ENABLE_INSTALLER_STATS, value);
}

bool FakeSettings::SetEnableBrowserStats(bool value) {
  return Set(ENABLE_TARVO_STATS, value);
}

bool FakeSettings::SetDesktopShortcut(bool value) {
  return Set(DESKTOP_SHORTCUT, value);
}

bool FakeSettings::SetStartMenuShortcut(bool value) {
  return Set(START_MENU_SHORTCUT, value);
}

bool FakeSettings::SetQuickLaunchShortcut(bool value) {
  return Set(QUICK_LAUNCH_SHORTCUT, value);
}

bool FakeSettings::SetDeleteProfile(bool value) {
  return Set(DELETE_PROFILE, value);
}

bool FakeSettings::SetInstallAssistant(bool value) {
  return Set(INSTALL_ASSISTANT, value);
}

bool FakeSettings::SetMode(InstallMode mode) {
  if (!editable)
    return false;
  requested_modes.push_back(mode);
  Set(COPY_ONLY, mode == INSTALL_MODE_STANDALONE);
  Set(ALL_USERS_FLAG, mode == INSTALL_MODE_ALL_USERS);
  return true;
}

bool FakeSettings::IsModeSupported() const {
  return true;
}

bool FakeSettings::CanChangeShortcuts() const {
  return !flags[COPY_ONLY];
}

bool FakeSettings::IsInstallOperation() const {
  return operation == INSTALL_OPERATION_INSTALL;
}

bool FakeSettings::IsUninstallSession() const {
  return uninstall_session || operation == INSTALL_OPERATION_UNINSTALL;
}

bool FakeSettings::IsOnlyInstallationOfStream() const {
  return only_installation_of_stream;
}

bool FakeSettings::SetCopyOnly(bool value) {
  return Set(COPY_ONLY, value);
}

bool FakeSettings::SetSingleProfile(bool value) {
  return Set(SINGLE_PROFILE, value);
}

bool FakeSettings::SetAllUsers(bool value) {
  return Set(ALL_USERS_FLAG, value);
}

void FakeSettings::SetInstallFolderPath(const base::FilePath& path) {
  SetInstallFolder(path.value());
}

void FakeSettings::SetInstallFolder(const std::wstring& path) {
  if (editable)
    requested_folders.push_back(path);
}

void FakeSettings::RefreshFolderDetails() {
  ++refresh_count;
}

void FakeSettings::SetLanguage(const std::wstring& value) {
  if (!editable || value == language)
    return;
  language = value;
  NotifyLanguageChanged();
}

bool FakeSettings::GetLaunchBrowser() const {
  return flags[LAUNCH_TARVO];
}

bool FakeSettings::GetDefaultBrowser() const {
  return flags[DEFAULT_BROWSER];
}

bool FakeSettings::GetImportBrowserData() const {
  return flags[IMPORT_BROWSER_DATA];
}

bool FakeSettings::GetEnableInstallerStats() const {
  return flags[ENABLE_INSTALLER_STATS];
}

bool FakeSettings::GetEnableBrowserStats() const {
  return flags[ENABLE_TARVO_STATS];
}

bool FakeSettings::GetDesktopShortcut() const {
  return flags[DESKTOP_SHORTCUT];
}

bool FakeSettings::GetStartMenuShortcut() const {
  return flags[START_MENU_SHORTCUT];
}

bool FakeSettings::GetQuickLaunchShortcut() const {
  return flags[QUICK_LAUNCH_SHORTCUT];
}

bool FakeSettings::GetPinnedShortcut() const {
  return flags[PINNED_SHORTCUT];
}

bool FakeSettings::GetDeleteProfile() const {
  return flags[DELETE_PROFILE];
}

bool FakeSettings::GetInstallAssistant() const {
  return flags[INSTALL_ASSISTANT];
}

InstallMode FakeSettings::GetInstallMode() const {
  if (flags[COPY_ONLY])
    return INSTALL_MODE_STANDALONE;
  return flags[ALL_USERS_FLAG] ? INSTALL_MODE_ALL_USERS : INSTALL_MODE_CURRENT_USER;
}

bool FakeSettings::GetCopyOnly() const {
  return flags[COPY_ONLY];
}

bool FakeSettings::GetSingleProfile() const {
  return flags[SINGLE_PROFILE];
}

bool FakeSettings::GetAllUsers() const {
  return flags[ALL_USERS_FLAG];
}

base::FilePath FakeSettings::GetInstallFolderPath() const {
  return folder_details->GetPath();
}

std::wstring FakeSettings::GetLanguage() const {
  return language;
}

base::FilePath FakeSettings::GetProfileFolder() const {
  return profile_folder;
}

void FakeSettings::AppendPassThroughSwitches(base::CommandLine*) const {}

void FakeSettings::ToCommandLine(base::CommandLine* command_line, bool suppress_launch) const {
  last_suppress_launch = suppress_launch;
  command_line->AppendSwitch("backend");
  for (const auto& [name, value] : command_line_switches)
    command_line->AppendSwitchNative(name, value);
}

bool FakeSettings::IsEditable() const {
  return editable;
}

void FakeSettings::SetEditable(bool value) {
  editable = value;
}

int FakeSettings::GetArchitecture() const {
  return architecture;
}

bool FakeSettings::HasNoPayloadManager() const {
  return no_payload_manager;
}

bool FakeSettings::GetRunImmediately() const {
  return run_immediately;
}
