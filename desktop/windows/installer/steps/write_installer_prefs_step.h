#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_WRITE_INSTALLER_PREFS_STEP_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_WRITE_INSTALLER_PREFS_STEP_H_

#include "desktop/windows/installer/steps/installer_step.h"

namespace base {
class DictionaryValue;
}

// Writes the installation's "installer_prefs.json" (language, profile
// folder, experiments, statistics and import choices) for later runs of
// the installer and for the browser. Keys this run does not set keep what
// the file held. The file is written through the transaction, so a
// rollback restores the earlier one (or removes the new one).
class WriteInstallerPrefsStep : public InstallerStep {
 public:
  explicit WriteInstallerPrefsStep(InstallerStepContext* context);
  ~WriteInstallerPrefsStep() override;

  StepResult Run(int attempt) override;

 private:
  void SetSessionPrefs(base::DictionaryValue* prefs);
  void SetChoicePrefs(base::DictionaryValue* prefs);
};

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_WRITE_INSTALLER_PREFS_STEP_H_
