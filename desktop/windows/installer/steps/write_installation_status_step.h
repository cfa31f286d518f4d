#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_WRITE_INSTALLATION_STATUS_STEP_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_WRITE_INSTALLATION_STATUS_STEP_H_

#include "desktop/windows/installer/steps/installer_step.h"

class InstallationStatus;

// Writes the status record this run filled to "installation_status.json"
// of the installation folder, through the transaction: a rollback brings
// the earlier file back (or removes the new one).
class WriteInstallationStatusStep : public InstallerStep {
 public:
  explicit WriteInstallationStatusStep(InstallerStepContext* context);
  ~WriteInstallationStatusStep() override;

  StepResult Run(int attempt) override;

 protected:
  WriteInstallationStatusStep(std::string name, InstallerStepContext* context);
  StepResult Write(const InstallationStatus& status);
};

// Fixing downloadable resources: the existing record with the files this
// run restored added, written back to the same file.
class UpdateInstallationStatusStep : public WriteInstallationStatusStep {
 public:
  explicit UpdateInstallationStatusStep(InstallerStepContext* context);
  ~UpdateInstallationStatusStep() override;

  StepResult Run(int attempt) override;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_WRITE_INSTALLATION_STATUS_STEP_H_
