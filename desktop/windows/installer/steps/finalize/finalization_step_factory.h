#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_FINALIZE_FINALIZATION_STEP_FACTORY_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_FINALIZE_FINALIZATION_STEP_FACTORY_H_

#include <memory>

#include "desktop/windows/installer/steps/step_kind.h"

class InstallerStep;
class InstallerStepContext;

// The finalisation and uninstall steps; null for any other kind.
std::unique_ptr<InstallerStep> CreateFinalizationStep(StepKind kind,
                                                      InstallerStepContext* context);

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_FINALIZE_FINALIZATION_STEP_FACTORY_H_
