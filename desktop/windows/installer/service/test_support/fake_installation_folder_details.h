#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TEST_SUPPORT_FAKE_INSTALLATION_FOLDER_DETAILS_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TEST_SUPPORT_FAKE_INSTALLATION_FOLDER_DETAILS_H_

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "desktop/windows/installer/service/installation_folder_details.h"
#include "desktop/windows/installer/service/installation_status.h"

// Folder details that a test fills field by field. Initialize only records
// its arguments (and sets `path`); nothing is examined on disk. Initial
// values are those of a freshly made real object.
class FakeInstallationFolderDetails : public InstallationFolderDetails {
 public:
  FakeInstallationFolderDetails();
  ~FakeInstallationFolderDetails() override;

  // Gives the fake an existing installation (a copy of `status`).
  void SetExistingInstallation(const InstallationStatus& status);

  void Initialize(const base::FilePath& folder, bool recovery) override;
  const InstallationStatus* GetExistingInstallation() const override;
  const base::FilePath& GetPath() const override;
  const base::FilePath& GetValidParentFolder() const override;
  InstallFolderProblem GetFolderProblem() const override;
  InvalidFolderReason GetInvalidFolderReason() const override { return invalid_reason; }
  std::vector<VolumeSpaceShortage> GetVolumesWithoutEnoughSpace() const override;
  bool HasExistingInstallation() const override;
  bool HasExistingInstallationTraces() const override;
  const std::string& GetStatusFileDescription() const override;
  const std::string& GetStatusFileText() const override;
  const std::string& GetWelcomeUrl() const override;
  bool DesktopShortcutExists() const override;
  int32_t GetEnableStats() const override;
  bool HasWriteAccess() const override;
  int32_t GetImportBrowserData() const override;
  bool IsHttpHandler() const override;
  std::wstring GetLanguage() const override;
  int32_t GetOldProductType() const override;
  const std::vector<base::FilePath>& GetPinnedShortcutPaths() const override;
  const std::vector<base::FilePath>& GetPinnedMasterShortcutPaths() const override;
  const base::FilePath& GetProfilePath() const override;
  bool QuickLaunchShortcutExists() const override;
  const base::FilePath& GetTemporaryShortcutFolder() const override;
  bool TemporaryShortcutFolderExists() const override;
  const std::string& GetServerTrackingData() const override;
  bool ShouldRecreateDesktopShortcut() const override;
  bool ShouldRecreatePinnedShortcut() const override;
  bool ShouldRecreateQuickLaunchShortcut() const override;
  bool ShouldRecreateStartMenuShortcut() const override;
  int32_t IsSingleProfile() const override;
  bool StartMenuShortcutExists() const override;
  bool IsExperimentEnabled(const std::string& name) const override;

  // What Initialize was given.
  int initialize_count = 0;
  bool initialized_with_recovery = false;

  std::unique_ptr<InstallationStatus> existing_status;
  bool desktop_shortcut_exists = false;
  bool start_menu_shortcut_exists = false;
  bool quick_launch_shortcut_exists = false;
  bool temporary_shortcut_folder_exists = false;
  bool write_access = false;
  std::vector<base::FilePath> pinned_shortcut_paths;
  std::vector<base::FilePath> pinned_master_shortcut_paths;
  bool recreate_desktop = false;
  bool recreate_start_menu = false;
  bool recreate_quick_launch = false;
  bool recreate_pinned = false;
  bool is_http_handler = false;
  int32_t import_browser_data = kTriStateUnknown;
  int32_t enable_stats = kTriStateUnknown;
  std::wstring language;
  std::string welcome_url;
  std::string server_tracking_data;
  int32_t single_profile = kTriStateUnknown;
  int32_t old_product_type = -1;
  base::FilePath profile_path;
  base::FilePath temporary_shortcut_folder;
  // Names of the experiments that are on.
  std::set<std::string> enabled_experiments;
  base::FilePath path;
  base::FilePath valid_parent;
  std::string status_file_description;
  std::string status_file_text;
  InstallFolderProblem folder_problem = FOLDER_PROBLEM_NONE;
  InvalidFolderReason invalid_reason = INVALID_FOLDER_SYNTAX;
  std::vector<VolumeSpaceShortage> volumes_without_enough_space;
  bool existing_installation_traces = false;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TEST_SUPPORT_FAKE_INSTALLATION_FOLDER_DETAILS_H_
