#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_UNINSTALL_COMPONENTS_STEP_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_UNINSTALL_COMPONENTS_STEP_H_

#include "desktop/windows/installer/steps/installer_step.h"

// Starts the uninstaller of every component the existing installation
// recorded, without waiting for them. Never fails.
class UninstallComponentsStep : public InstallerStep {
 public:
  explicit UninstallComponentsStep(InstallerStepContext* context);
  ~UninstallComponentsStep() override;

  StepResult Run(int attempt) override;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_UNINSTALL_COMPONENTS_STEP_H_
