#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_DELETE_MINIMAL_INSTALL_FILE_STEP_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_DELETE_MINIMAL_INSTALL_FILE_STEP_H_

#include "desktop/windows/installer/steps/installer_step.h"

// Removes the "minimal_install" marker once every downloadable resource is
// in the versioned folder. Never fails.
class DeleteMinimalInstallFileStep : public InstallerStep {
 public:
  explicit DeleteMinimalInstallFileStep(InstallerStepContext* context);
  ~DeleteMinimalInstallFileStep() override;

  StepResult Run(int attempt) override;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_DELETE_MINIMAL_INSTALL_FILE_STEP_H_
