#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_INSTALL_HELPER_STEP_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_INSTALL_HELPER_STEP_H_

#include "desktop/windows/installer/steps/installer_step.h"

// Puts the taskbar-pinning helper of the machine's processor into the
// versioned folder and records it; a prepared package already holds both
// helpers, of which the 32-bit one goes on an x64 machine. Never fails the
// operation.
class InstallHelperStep : public InstallerStep {
 public:
  // Whether the machine's native processor is x64.
  using IsNativeX64Function = bool (*)();

  explicit InstallHelperStep(InstallerStepContext* context);
  ~InstallHelperStep() override;

  StepResult Run(int attempt) override;

  // Replaces the processor query; null restores it.
  static void SetIsNativeX64ForTesting(IsNativeX64Function function);
};

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_INSTALL_HELPER_STEP_H_
