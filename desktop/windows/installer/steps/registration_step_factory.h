#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_REGISTRATION_STEP_FACTORY_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_REGISTRATION_STEP_FACTORY_H_

#include <memory>

#include "desktop/windows/installer/steps/step_kind.h"

class InstallerStep;
class InstallerStepContext;

// The registry, tracking-data, registration and shortcut steps of `kind`;
// null for any other kind.
std::unique_ptr<InstallerStep> CreateRegistrationStep(StepKind kind,
                                                      const StepArguments& arguments,
                                                      InstallerStepContext* context);

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_REGISTRATION_STEP_FACTORY_H_
