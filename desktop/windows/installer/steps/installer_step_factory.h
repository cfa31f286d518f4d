#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_INSTALLER_STEP_FACTORY_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_INSTALLER_STEP_FACTORY_H_

#include <memory>

#include "desktop/windows/installer/steps/step_kind.h"

class InstallerStep;
class InstallerStepContext;

// Makes the step objects of the step lists.
class InstallerStepFactory {
 public:
  virtual ~InstallerStepFactory() = default;
  virtual std::unique_ptr<InstallerStep> CreateStep(StepKind kind, const StepArguments& arguments,
                                                    InstallerStepContext* context) = 0;
};

// The factory of this build: a kind whose step class is not built yet makes
// a step that fails the operation, saying so, rather than a false success.
std::unique_ptr<InstallerStepFactory> CreateDefaultInstallerStepFactory();

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_INSTALLER_STEP_FACTORY_H_
