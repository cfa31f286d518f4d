#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_INSTALL_TRACKING_DATA_STEP_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_INSTALL_TRACKING_DATA_STEP_H_

#include "desktop/windows/installer/steps/installer_step.h"

// "install_tracking_data": keeps the session's tracking data as
// "server_tracking_data" in the installation folder, for later runs (the
// browser's own updates). The write goes through the transaction, so a
// failed installation leaves no such file behind; the file is no
// installed file of the status. Best effort: never fails.
class InstallTrackingDataStep : public InstallerStep {
 public:
  explicit InstallTrackingDataStep(InstallerStepContext* context);
  ~InstallTrackingDataStep() override;

  StepResult Run(int attempt) override;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_INSTALL_TRACKING_DATA_STEP_H_
