#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_INSTALLATION_FOLDER_DETAILS_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_INSTALLATION_FOLDER_DETAILS_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/callback.h"
#include "base/files/file_path.h"
#include "desktop/windows/installer/service/install_folder_problem.h"

class InstallationStatus;

// Preferences of an earlier installation that may be absent.
inline constexpr int32_t kTriStateUnknown = -1;
inline constexpr int32_t kTriStateFalse = 0;
inline constexpr int32_t kTriStateTrue = 1;

// A volume that lacks the room an installation needs.
struct VolumeSpaceShortage {
  base::FilePath volume_root;  // "C:", upper case.
  uint64_t required_mib = 0;

  bool operator==(const VolumeSpaceShortage&) const = default;
};

// What is known of a candidate installation folder: whether the path is
// usable, where it would be created, whether there is room, and what an
// earlier installation left there that the new settings should carry over.
// Filled once by Initialize, read afterwards.
class InstallationFolderDetails {
 public:
  virtual ~InstallationFolderDetails() = default;

  // Examines `folder`; `recovery` also looks for the status copies an
  // upgrade moved aside. Never fails as a whole: problems end up in
  // GetFolderProblem and the fields stay at their initial values.
  virtual void Initialize(const base::FilePath& folder, bool recovery) = 0;

  // The earlier installation's record; null when there is none.
  virtual const InstallationStatus* GetExistingInstallation() const = 0;
  virtual const base::FilePath& GetPath() const = 0;
  // The folder itself when it exists, else its nearest existing ancestor;
  // empty when there is none.
  virtual const base::FilePath& GetValidParentFolder() const = 0;
  virtual InstallFolderProblem GetFolderProblem() const = 0;
  // Why the path is invalid (FOLDER_PROBLEM_INVALID_PATH).
  virtual InvalidFolderReason GetInvalidFolderReason() const = 0;
  virtual std::vector<VolumeSpaceShortage> GetVolumesWithoutEnoughSpace() const = 0;
  virtual bool HasExistingInstallation() const = 0;
  // No status, but files an installation leaves ("launcher.exe").
  virtual bool HasExistingInstallationTraces() const = 0;
  // What was wrong with a status file that exists but could not be used,
  // and its raw text.
  virtual const std::string& GetStatusFileDescription() const = 0;
  virtual const std::string& GetStatusFileText() const = 0;
  virtual const std::string& GetWelcomeUrl() const = 0;
  virtual bool DesktopShortcutExists() const = 0;
  // Tri-states: kTriStateUnknown, kTriStateFalse or kTriStateTrue.
  virtual int32_t GetEnableStats() const = 0;
  virtual bool HasWriteAccess() const = 0;
  virtual int32_t GetImportBrowserData() const = 0;
  virtual bool IsHttpHandler() const = 0;
  virtual std::wstring GetLanguage() const = 0;
  virtual int32_t GetOldProductType() const = 0;
  virtual const std::vector<base::FilePath>& GetPinnedShortcutPaths() const = 0;
  // Pins of the application id with the suffix "1".
  virtual const std::vector<base::FilePath>& GetPinnedMasterShortcutPaths() const = 0;
  virtual const base::FilePath& GetProfilePath() const = 0;
  virtual bool QuickLaunchShortcutExists() const = 0;
  virtual const base::FilePath& GetTemporaryShortcutFolder() const = 0;
  virtual bool TemporaryShortcutFolderExists() const = 0;
  // The raw contents of the folder's "server_tracking_data".
  virtual const std::string& GetServerTrackingData() const = 0;
  // Shortcuts that still point at the browser executable instead of the
  // launcher are made again.
  virtual bool ShouldRecreateDesktopShortcut() const = 0;
  virtual bool ShouldRecreatePinnedShortcut() const = 0;
  virtual bool ShouldRecreateQuickLaunchShortcut() const = 0;
  virtual bool ShouldRecreateStartMenuShortcut() const = 0;
  virtual int32_t IsSingleProfile() const = 0;
  virtual bool StartMenuShortcutExists() const = 0;
  // Whether the earlier installation's experiment list turns `name` on.
  virtual bool IsExperimentEnabled(const std::string& name) const = 0;
};

// Makes the details objects of the process.
using InstallationFolderDetailsFactory =
    base::RepeatingCallback<std::unique_ptr<InstallationFolderDetails>()>;

// A new, not yet initialised details object from the registered factory;
// null while none is registered.
std::unique_ptr<InstallationFolderDetails> CreateInstallationFolderDetails();

// Registers a factory for its lifetime and restores the one before it. The
// entry point registers the standard one at start-up; tests their fakes.
class ScopedInstallationFolderDetailsFactory {
 public:
  explicit ScopedInstallationFolderDetailsFactory(InstallationFolderDetailsFactory factory);
  ~ScopedInstallationFolderDetailsFactory();
  ScopedInstallationFolderDetailsFactory(const ScopedInstallationFolderDetailsFactory&) = delete;
  ScopedInstallationFolderDetailsFactory& operator=(const ScopedInstallationFolderDetailsFactory&) =
      delete;

 private:
  InstallationFolderDetailsFactory previous_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_INSTALLATION_FOLDER_DETAILS_H_
