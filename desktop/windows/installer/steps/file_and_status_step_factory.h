#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_FILE_AND_STATUS_STEP_FACTORY_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_FILE_AND_STATUS_STEP_FACTORY_H_

#include <memory>

#include "desktop/windows/installer/steps/step_kind.h"

class InstallerStep;
class InstallerStepContext;

// The file, verification, status, preference and component steps; null
// for any other kind.
std::unique_ptr<InstallerStep> CreateFileOrStatusStep(StepKind kind,
                                                      const StepArguments& arguments,
                                                      InstallerStepContext* context);

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_FILE_AND_STATUS_STEP_FACTORY_H_
