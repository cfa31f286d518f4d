#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_VERIFY_DOWNLOADABLE_RESOURCES_STEP_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_VERIFY_DOWNLOADABLE_RESOURCES_STEP_H_

#include "desktop/windows/installer/steps/installer_step.h"

// In a minimal installation, checks the SHA-1 of every downloadable
// resource present in the package folder; an absent one is not an error.
class VerifyDownloadableResourcesStep : public InstallerStep {
 public:
  explicit VerifyDownloadableResourcesStep(InstallerStepContext* context);
  ~VerifyDownloadableResourcesStep() override;

  StepResult Run(int attempt) override;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_VERIFY_DOWNLOADABLE_RESOURCES_STEP_H_
