#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_REMOVE_SHORTCUTS_STEP_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_REMOVE_SHORTCUTS_STEP_H_

#include "desktop/windows/installer/steps/installer_step.h"

// "remove_shortcuts" (uninstall): unpins the installation's taskbar pins
// and deletes its shortcuts and temporary shortcut folder. Never fails.
class RemoveShortcutsStep : public InstallerStep {
 public:
  explicit RemoveShortcutsStep(InstallerStepContext* context);
  ~RemoveShortcutsStep() override;

  StepResult Run(int attempt) override;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_REMOVE_SHORTCUTS_STEP_H_
