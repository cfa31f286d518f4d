#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_INSTALL_COMPONENTS_STEP_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_INSTALL_COMPONENTS_STEP_H_

#include "desktop/windows/installer/steps/component_entries.h"
#include "desktop/windows/installer/steps/installer_step.h"

class ComponentInstallerRunner;

// Runs the component installers named by the "components" switch, one
// after the other, and records those that succeeded; an upgrade keeps the
// components recorded before. A component never fails the operation.
class InstallComponentsStep : public InstallerStep {
 public:
  explicit InstallComponentsStep(InstallerStepContext* context);
  ~InstallComponentsStep() override;

  StepResult Run(int attempt) override;

 private:
  void KeepRecordedComponents();
  // Whether the component installer ran and exited with 0.
  bool RunComponent(ComponentInstallerRunner* runner, const base::FilePath& running_installer,
                    const ComponentEntry& entry, const base::FilePath& destination);
  void Record(const ComponentEntry& entry, const base::FilePath& destination);
};

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_INSTALL_COMPONENTS_STEP_H_
