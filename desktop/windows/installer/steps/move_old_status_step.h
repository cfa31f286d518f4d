#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_MOVE_OLD_STATUS_STEP_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_MOVE_OLD_STATUS_STEP_H_

#include "desktop/windows/installer/steps/installer_step.h"

// Before an upgrade replaces it, keeps the earlier status file in the
// "old_status" folder, named after it with the time appended. Never fails.
class MoveOldStatusStep : public InstallerStep {
 public:
  explicit MoveOldStatusStep(InstallerStepContext* context);
  ~MoveOldStatusStep() override;

  StepResult Run(int attempt) override;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_MOVE_OLD_STATUS_STEP_H_
