#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_FINALIZE_REMOVE_OLD_FILES_STEP_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_FINALIZE_REMOVE_OLD_FILES_STEP_H_

#include "desktop/windows/installer/steps/installer_step.h"

class InstallationStatus;

// Removes the files of the earlier installations recorded in "old_status".
// A record is removed with its files, all or nothing in an upgrade; in an
// uninstall the files that can go, go. A record whose subfolder is this
// run's or the running installer's (or is not one plain folder name) is
// kept untouched: deleting by it would hit the files in use.
class RemoveOldFilesStep : public InstallerStep {
 public:
  explicit RemoveOldFilesStep(InstallerStepContext* context);
  ~RemoveOldFilesStep() override;

  StepResult Run(int attempt) override;

 private:
  void RemoveRecord(const base::FilePath& status_file);
  // False when a file of the record could not be deleted; an uninstall
  // goes on with the others, anything else stops at the first.
  bool DeleteRecordFiles(const InstallationStatus& record, const base::FilePath& folder,
                         bool uninstall, Transaction* transaction);
  bool IsProtectedSubfolder(const base::FilePath& subfolder);
  void RemoveMessageCenterShortcuts();
};

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_FINALIZE_REMOVE_OLD_FILES_STEP_H_
