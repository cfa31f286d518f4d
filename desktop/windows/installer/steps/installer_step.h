#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_INSTALLER_STEP_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_INSTALLER_STEP_H_

#include <string>

#include "base/files/file_path.h"
#include "desktop/windows/installer/steps/installer_step_context.h"
#include "desktop/windows/installer/steps/step_result.h"

// One named unit of work of an operation. Run may be called again on the
// same object for a retry. A step changes the machine only through the
// context's transaction and never undoes its own work; its constructor does
// nothing.
class InstallerStep {
 public:
  // `context` is not owned and outlives the step.
  InstallerStep(std::string name, InstallerStepContext* context);
  virtual ~InstallerStep();
  InstallerStep(const InstallerStep&) = delete;
  InstallerStep& operator=(const InstallerStep&) = delete;

  // `attempt` is 0 on the first run and grows by one per retry.
  virtual StepResult Run(int attempt) = 0;

  const std::string& name() const { return name_; }

 protected:
  InstallerStepContext* GetContext() const { return context_; }
  Settings* GetSettings() const { return context_->GetSettings(); }
  base::FilePath GetInstallFolder() const { return context_->GetInstallFolder(); }
  base::FilePath GetPackageFolder() const { return context_->GetPackageFolder(); }
  InstallationStatus* GetInstallationStatus() const { return context_->GetInstallationStatus(); }
  const InstallationStatus* GetExistingInstallation() const {
    return context_->GetExistingInstallation();
  }
  const InstallationFolderDetails* GetFolderDetails() const {
    return context_->GetFolderDetails();
  }

 private:
  InstallerStepContext* const context_;
  const std::string name_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_INSTALLER_STEP_H_
