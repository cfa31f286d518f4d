#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_CLEAN_REGISTRY_STEP_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_CLEAN_REGISTRY_STEP_H_

#include <windows.h>

#include <memory>
#include <span>
#include <string>
#include <vector>

#include "desktop/windows/installer/service/transactions/registry_rule.h"
#include "desktop/windows/installer/steps/installer_step.h"
#include "desktop/windows/installer/utils/object_writers.h"
#include "desktop/windows/installer/utils/service_utils.h"

class Operation;
class InstallationStatus;
class OwnRegistryEntries;
struct StatusRegistryKey;

// "clean_registry" (upgrade and uninstall): removes the registry values and
// keys the existing installation recorded, each as its clean-up depth says;
// an uninstall also removes the default-browser registration, which is in
// no record.
// A recorded key can never make it delete a shared key (the Uninstall key,
// Software\Classes, ...): such deletions are refused and logged. Where
// accounts that could not change a root's keys themselves can write the
// installation folder or its records, a record is followed there only for
// the keys and values the installer's own tables write. Best effort: never
// fails.
class CleanRegistryStep : public InstallerStep {
 public:
  // `launcher_machine`: the machine of the existing launcher.exe. A 64-bit
  // one may have left an uninstall entry in the 64-bit view too.
  CleanRegistryStep(InstallerStepContext* context, PeMachineKind launcher_machine);
  ~CleanRegistryStep() override;

  StepResult Run(int attempt) override;

 private:
  void CleanKey(HKEY root, const StatusRegistryKey& key);
  // On uninstall: the keys the installation made, each while it is empty.
  void RemoveCreatedKeys(HKEY root, const std::vector<std::string>& keys);
  // On uninstall: the handler class, and the extensions and protocols
  // (the default browser's and any other of the user's classes) that still
  // lead to this installation, each row as deep as its table's clean-up
  // depth says (the class key; only the values of a protocol's or an
  // extension's key).
  void CleanDefaultBrowserRegistration(const InstallationStatus& existing);
  void CleanRows(std::span<const RegistryRuleRow> rows, RegistryRuleHost* host, HKEY root);
  // Deletes the uninstall entry `key_path` of the default view when it
  // belongs to this installation folder.
  void CleanNativeUninstallEntry(HKEY root, const std::wstring& key_path);
  void Execute(std::unique_ptr<Operation> operation);
  // Whether a record may have `key` (or a value of it) cleaned under `root`:
  // when it is the installer's `own`, or those who can write the records
  // could change the root themselves.
  bool IsTrusted(HKEY root, const std::wstring& key, bool own) const;

  const PeMachineKind launcher_machine_;
  ObjectWriters record_writers_ = ObjectWriters::kOthers;
  std::unique_ptr<OwnRegistryEntries> own_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_CLEAN_REGISTRY_STEP_H_
