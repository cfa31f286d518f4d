#ifndef DESKTOP_WINDOWS_INSTALLER_INSTALLATION_FOLDER_DETAILS_IMPL_H_
#define DESKTOP_WINDOWS_INSTALLER_INSTALLATION_FOLDER_DETAILS_IMPL_H_

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/features/feature_registry.h"
#include "base/files/file_path.h"
#include "desktop/windows/installer/service/installation_folder_details.h"
#include "desktop/windows/installer/service/installation_journal.h"

class ExistingInstallation;
class InstallationStatus;
namespace base {
class DictionaryValue;
}  // namespace base

class VolumeQueries;

// Examines a candidate installation folder: path checks, the nearest
// existing folder, free space on its volume and the temporary folder's,
// write access, and what an earlier installation there left behind (status,
// shortcuts, preferences, experiments, profile language).
class InstallationFolderDetailsImpl : public InstallationFolderDetails {
 public:
  // Room an installation needs on its volume, and the temporary folder on
  // its own.
  static constexpr uint64_t kRequiredMiB = 200;

  InstallationFolderDetailsImpl();
  // Asks `volume_queries` about drives, free space and the temporary folder.
  explicit InstallationFolderDetailsImpl(std::unique_ptr<VolumeQueries> volume_queries);
  ~InstallationFolderDetailsImpl() override;

  void Initialize(const base::FilePath& folder, bool recovery) override;
  const InstallationStatus* GetExistingInstallation() const override;
  const base::FilePath& GetPath() const override;
  const base::FilePath& GetValidParentFolder() const override;
  InstallFolderProblem GetFolderProblem() const override;
  InvalidFolderReason GetInvalidFolderReason() const override;
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

 private:
  // False, with the reason logged, when the path cannot be used at all.
  bool CheckPath();
  void LoadExistingStatus(bool recovery);
  void FindValidParent();
  // Reads the journal of a run killed in the folder, which the next run
  // undoes.
  void ReadKilledRun();
  // Where `path` was before that run: the copy it moved it to, or empty
  // when the run made it; `path` itself when no run was killed.
  base::FilePath BeforeKilledRun(const base::FilePath& path) const;
  // Whether the folder, holding no installation of its own, lies inside
  // another installation or holds one below it.
  bool IsNestedInstallation() const;
  void CheckFreeSpace();
  void ReadExistingInstallation();
  void TestShortcuts(const base::FilePath& target, bool is_launcher);
  void FindTemporaryShortcutFolder();
  void DetermineWriteAccess();
  void ReadExistingPrefs(const base::DictionaryValue& prefs);
  void ReadExperiments(const base::DictionaryValue& prefs);
  void ReadProfileLanguage(ExistingInstallation* installation);

  const std::unique_ptr<VolumeQueries> volume_queries_;

  std::unique_ptr<InstallationStatus> existing_status_;
  // The journal of a run killed in the folder, not yet undone.
  std::optional<InstallationJournal::Contents> killed_run_;
  bool desktop_shortcut_exists_ = false;
  bool start_menu_shortcut_exists_ = false;
  bool quick_launch_shortcut_exists_ = false;
  bool temporary_shortcut_folder_exists_ = false;
  bool write_access_ = false;
  std::vector<base::FilePath> pinned_shortcut_paths_;
  std::vector<base::FilePath> pinned_master_shortcut_paths_;
  bool recreate_desktop_ = false;
  bool recreate_start_menu_ = false;
  bool recreate_quick_launch_ = false;
  bool recreate_pinned_ = false;
  bool is_http_handler_ = false;
  int32_t import_browser_data_ = kTriStateUnknown;
  int32_t enable_stats_ = kTriStateUnknown;
  std::wstring language_;
  std::string welcome_url_;
  std::string server_tracking_data_;
  int32_t single_profile_ = kTriStateUnknown;
  int32_t old_product_type_ = -1;
  base::FilePath profile_path_;
  base::FilePath temporary_shortcut_folder_;
  features::FeatureRegistry experiments_;
  base::FilePath path_;
  base::FilePath valid_parent_;
  std::string status_file_description_;
  std::string status_file_text_;
  InstallFolderProblem folder_problem_ = FOLDER_PROBLEM_NONE;
  InvalidFolderReason invalid_reason_ = INVALID_FOLDER_SYNTAX;
  std::vector<VolumeSpaceShortage> volumes_without_enough_space_;
  bool existing_installation_traces_ = false;
};

// The standard details object; the entry point registers this as the
// process's details factory.
std::unique_ptr<InstallationFolderDetails> CreateStandardInstallationFolderDetails();

#endif  // DESKTOP_WINDOWS_INSTALLER_INSTALLATION_FOLDER_DETAILS_IMPL_H_
