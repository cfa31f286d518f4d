#include "desktop/windows/installer/service/test_support/fake_installation_folder_details.h"

FakeInstallationFolderDetails::FakeInstallationFolderDetails() = default;
FakeInstallationFolderDetails::~FakeInstallationFolderDetails() = default;

void FakeInstallationFolderDetails::SetExistingInstallation(const InstallationStatus& status) {
  existing_status = std::make_unique<InstallationStatus>(status);
}

void FakeInstallationFolderDetails::Initialize(const base::FilePath& folder, bool recovery) {
  ++initialize_count;
  initialized_with_recovery = recovery;
  path = folder;
}

const InstallationStatus* FakeInstallationFolderDetails::GetExistingInstallation() const {
  return existing_status.get();
}

const base::FilePath& FakeInstallationFolderDetails::GetPath() const {
  return path;
}

const base::FilePath& FakeInstallationFolderDetails::GetValidParentFolder() const {
  return valid_parent;
}

InstallFolderProblem FakeInstallationFolderDetails::GetFolderProblem() const {
  return folder_problem;
}

std::vector<VolumeSpaceShortage> FakeInstallationFolderDetails::GetVolumesWithoutEnoughSpace()
    const {
  return volumes_without_enough_space;
}

bool FakeInstallationFolderDetails::HasExistingInstallation() const {
  return existing_status != nullptr;
}

bool FakeInstallationFolderDetails::HasExistingInstallationTraces() const {
  return existing_installation_traces;
}

const std::string& FakeInstallationFolderDetails::GetStatusFileDescription() const {
  return status_file_description;
}

const std::string& FakeInstallationFolderDetails::GetStatusFileText() const {
  return status_file_text;
}

const std::string& FakeInstallationFolderDetails::GetWelcomeUrl() const {
  return welcome_url;
}

bool FakeInstallationFolderDetails::DesktopShortcutExists() const {
  return desktop_shortcut_exists;
}

int32_t FakeInstallationFolderDetails::GetEnableStats() const {
  return enable_stats;
}

bool FakeInstallationFolderDetails::HasWriteAccess() const {
  return write_access;
}

int32_t FakeInstallationFolderDetails::GetImportBrowserData() const {
  return import_browser_data;
}

bool FakeInstallationFolderDetails::IsHttpHandler() const {
  return is_http_handler;
}

std::wstring FakeInstallationFolderDetails::GetLanguage() const {
  return language;
}

int32_t FakeInstallationFolderDetails::GetOldProductType() const {
  return old_product_type;
}

const std::vector<base::FilePath>& FakeInstallationFolderDetails::GetPinnedShortcutPaths() const {
  return pinned_shortcut_paths;
}

const std::vector<base::FilePath>& FakeInstallationFolderDetails::GetPinnedMasterShortcutPaths()
    const {
  return pinned_master_shortcut_paths;
}

const base::FilePath& FakeInstallationFolderDetails::GetProfilePath() const {
  return profile_path;
}

bool FakeInstallationFolderDetails::QuickLaunchShortcutExists() const {
  return quick_launch_shortcut_exists;
}

const base::FilePath& FakeInstallationFolderDetails::GetTemporaryShortcutFolder() const {
  return temporary_shortcut_folder;
}

bool FakeInstallationFolderDetails::TemporaryShortcutFolderExists() const {
  return temporary_shortcut_folder_exists;
}

const std::string& FakeInstallationFolderDetails::GetServerTrackingData() const {
  return server_tracking_data;
}

bool FakeInstallationFolderDetails::ShouldRecreateDesktopShortcut() const {
  return recreate_desktop;
}

bool FakeInstallationFolderDetails::ShouldRecreatePinnedShortcut() const {
  return recreate_pinned;
}

bool FakeInstallationFolderDetails::ShouldRecreateQuickLaunchShortcut() const {
  return recreate_quick_launch;
}

bool FakeInstallationFolderDetails::ShouldRecreateStartMenuShortcut() const {
  return recreate_start_menu;
}

int32_t FakeInstallationFolderDetails::IsSingleProfile() const {
  return single_profile;
}

bool FakeInstallationFolderDetails::StartMenuShortcutExists() const {
  return start_menu_shortcut_exists;
}

bool FakeInstallationFolderDetails::IsExperimentEnabled(const std::string& name) const {
  return enabled_experiments.count(name) != 0;
}
