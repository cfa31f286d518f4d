#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_SETUP_REGISTRY_STEP_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_SETUP_REGISTRY_STEP_H_

#include <windows.h>

#include <string>

#include "desktop/windows/installer/steps/installer_step.h"

#include "desktop/windows/installer/service/transactions/create_reg_key_operation.h"

struct RegistryRule;
struct RegistryRuleRow;

// "setup_registry": writes the browser registration table and the
// uninstall entry under the root of the installation's mode, recording
// every written value in the new installation status. Only a failure of
// the uninstall entry fails the step.
class SetupRegistryStep : public InstallerStep {
 public:
  // The uninstall entry names at most this many suffixes ("1" ... "1000").
  static constexpr int kMaxUninstallKeySuffix = 1000;

  enum class KeyClaim {
    kClaimed,
    // Another installation has it (or took it just now).
    kTaken,
    kFailed,
  };

  // `app_id` is the caller's; the step overwrites it with the uninstall
  // key path, which the rule host gives for "{Uninstall}".
  SetupRegistryStep(InstallerStepContext* context, std::wstring* app_id);
  ~SetupRegistryStep() override;

  StepResult Run(int attempt) override;

  // Takes the first uninstall key of this product and version under `root`
  // (32-bit view) that it can create anew: no suffix, then "1", "2", ...
  // Taking a name is one atomic creation, so two installations running at
  // once never share an entry. False when a key can be neither made nor
  // found taken, or when every suffix is taken.
  bool ClaimUninstallKey(HKEY root, std::wstring* key);

 protected:
  // Creates `key` under `root` in the 32-bit view through the transaction,
  // only when no one has it yet; what it created goes into `creation`.
  // Replaceable for tests.
  virtual KeyClaim ClaimKey(HKEY root, const std::wstring& key, RegKeyCreation* creation);

 private:
  // Builds and executes the row's operation; false when that failed.
  bool WriteRow(const RegistryRuleRow& row, HKEY root);
  // Makes the key a writing row needs, recording the keys that are new.
  bool CreateRowKey(const RegistryRule& rule, const std::wstring& key, HKEY root);
  // An upgrade keeps what the installation before it made and is still
  // there.
  void KeepCreatedKeys(HKEY root);
  void RecordCreatedKeys(HKEY root, const RegKeyCreation& creation);

  std::wstring* const app_id_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_SETUP_REGISTRY_STEP_H_
