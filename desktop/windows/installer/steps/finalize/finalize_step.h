#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_FINALIZE_FINALIZE_STEP_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_FINALIZE_FINALIZE_STEP_H_

#include "desktop/windows/installer/steps/installer_step.h"

// Ends an install or upgrade: the autoupdate scheduled task and the
// firewall rule, both best effort; never fails.
class FinalizeStep : public InstallerStep {
 public:
  explicit FinalizeStep(InstallerStepContext* context);
  ~FinalizeStep() override;

  StepResult Run(int attempt) override;

 private:
  void CreateAutoupdateTask();
  void DecreaseTaskErrorCount();
};

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_FINALIZE_FINALIZE_STEP_H_
