#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_FINALIZE_UNINSTALL_CLEANUP_STEP_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_FINALIZE_UNINSTALL_CLEANUP_STEP_H_

#include <memory>
#include <string>

#include "desktop/windows/installer/steps/installer_step.h"

class CleanupBatchFile;
class UserProfileDeletion;

// Removes the installed files; what cannot be deleted while the installer
// runs is moved aside and left to "k.bat", which waits for the installer
// processes to end. Once the uninstall is final, the autoupdate task and
// (when asked) the profile go, and the Installer starts "k.bat". Never
// fails.
class UninstallCleanupStep : public InstallerStep {
 public:
  explicit UninstallCleanupStep(InstallerStepContext* context);
  ~UninstallCleanupStep() override;

  StepResult Run(int attempt) override;

 private:
  static void RemoveScheduledTasks(const std::wstring& app_id);
  void DeleteFiles(CleanupBatchFile* batch);
  // False when the delete failed.
  bool Delete(const base::FilePath& path);
  // Deletes `path` when it exists; one that cannot be deleted now (a
  // running program) is moved aside and its copy left to `batch`.
  void DeleteOrLeave(const base::FilePath& path, CleanupBatchFile* batch);
  void WriteBatchFile(CleanupBatchFile* batch);
  static void DeleteProfile(std::unique_ptr<UserProfileDeletion> deletion);
};

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_FINALIZE_UNINSTALL_CLEANUP_STEP_H_
