#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_SETUP_REGISTRY_STEP_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_SETUP_REGISTRY_STEP_H_

#include <windows.h>

#include <string>

#include "desktop/windows/installer/steps/installer_step.h"

struct RegistryRuleRow;

// "setup_registry": writes the browser registration table and the
// uninstall entry under the root of the installation's mode, recording
// every written value in the new installation status. Only a failure of
// the uninstall entry fails the step.
class SetupRegistryStep : public InstallerStep {
 public:
  // The uninstall entry names at most this many suffixes ("1" ... "1000").
  static constexpr int kMaxUninstallKeySuffix = 1000;

  // `app_id` is the caller's; the step overwrites it with the uninstall
  // key path, which the rule host gives for "{Uninstall}".
  SetupRegistryStep(InstallerStepContext* context, std::wstring* app_id);
  ~SetupRegistryStep() override;

  StepResult Run(int attempt) override;

  // The first uninstall key of this product and version that does not
  // exist under `root` (32-bit view): no suffix, then "1", "2", ... False
  // when a key cannot be opened for another reason than its absence, or
  // when every suffix is taken.
  bool MakeUninstallKeyName(HKEY root, std::wstring* key);

 protected:
  // Opens `key` under `root` for reading in the 32-bit view; the registry's
  // answer. Replaceable for tests.
  virtual LONG ProbeKey(HKEY root, const std::wstring& key);

 private:
  // Builds and executes the row's operation; false when that failed.
  bool WriteRow(const RegistryRuleRow& row, HKEY root);

  std::wstring* const app_id_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_SETUP_REGISTRY_STEP_H_
