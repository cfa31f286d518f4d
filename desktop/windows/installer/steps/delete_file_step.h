#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_DELETE_FILE_STEP_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_DELETE_FILE_STEP_H_

#include "base/files/file_path.h"
#include "desktop/windows/installer/steps/installer_step.h"

// Deletes one file (a package list file) through the transaction.
class DeleteFileStep : public InstallerStep {
 public:
  DeleteFileStep(const base::FilePath& path, InstallerStepContext* context);
  ~DeleteFileStep() override;

  StepResult Run(int attempt) override;

 private:
  const base::FilePath path_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_DELETE_FILE_STEP_H_
