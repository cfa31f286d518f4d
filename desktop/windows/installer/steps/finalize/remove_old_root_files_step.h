#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_FINALIZE_REMOVE_OLD_ROOT_FILES_STEP_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_FINALIZE_REMOVE_OLD_ROOT_FILES_STEP_H_

#include "desktop/windows/installer/steps/installer_step.h"

// After an upgrade: deletes the earlier installation's root files through
// the transaction, ignoring failures.
class RemoveOldRootFilesStep : public InstallerStep {
 public:
  explicit RemoveOldRootFilesStep(InstallerStepContext* context);
  ~RemoveOldRootFilesStep() override;

  StepResult Run(int attempt) override;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_FINALIZE_REMOVE_OLD_ROOT_FILES_STEP_H_
