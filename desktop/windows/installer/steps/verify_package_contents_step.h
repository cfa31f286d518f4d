#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_VERIFY_PACKAGE_CONTENTS_STEP_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_VERIFY_PACKAGE_CONTENTS_STEP_H_

#include "desktop/windows/installer/steps/installer_step.h"
#include "desktop/windows/installer/steps/step_kind.h"

// Checks, before anything is copied, that every listed package file can be
// opened for reading; a package prepared into the versioned folder has its
// files recorded as installed.
class VerifyPackageContentsStep : public InstallerStep {
 public:
  // Keeps its own copy of `lists`.
  VerifyPackageContentsStep(const PackageFileLists& lists, InstallerStepContext* context);
  ~VerifyPackageContentsStep() override;

  StepResult Run(int attempt) override;

 private:
  const PackageFileLists lists_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_VERIFY_PACKAGE_CONTENTS_STEP_H_
