#include "desktop/windows/installer/steps/clean_registry_step.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/registry.h"
#include "desktop/windows/installer/service/default_browser_registrar.h"
#include "desktop/windows/installer/service/default_browser_rules.h"
#include "desktop/windows/installer/service/file_handler_rule_variables.h"
#include "desktop/windows/installer/service/installation.h"
#include "desktop/windows/installer/service/installation_status.h"
#include "desktop/windows/installer/service/installation_status_keys.h"
#include "desktop/windows/installer/service/own_registry_entries.h"
#include "desktop/windows/installer/service/registry_key_enumerator.h"
#include "desktop/windows/installer/service/registry_key_node.h"
#include "desktop/windows/installer/service/transactions/change_reg_value_operation.h"
#include "desktop/windows/installer/service/transactions/delete_reg_key_operation.h"
#include "desktop/windows/installer/service/transactions/registry_key_safety.h"
#include "desktop/windows/installer/service/transactions/registry_operation_util.h"
#include "desktop/windows/installer/service/transactions/registry_rule.h"
#include "desktop/windows/installer/service/transactions/transaction.h"
#include "desktop/windows/installer/settings/settings.h"
#include "desktop/windows/installer/utils/security_util.h"

namespace {

constexpr wchar_t kInstallLocation[] = L"InstallLocation";

// The product keeps its uninstall entries in the 32-bit view.
REGSAM ViewOf(const std::wstring& key_path) {
  return IsUninstallRegistryKey(key_path) ? KEY_WOW64_32KEY : 0;
}

size_t CountComponents(const std::string& key_path) {
  return static_cast<size_t>(std::count(key_path.begin(), key_path.end(), '\\')) + 1;
}

// The default-browser associations, then every other protocol of the
// user's classes: a protocol registered on its own (the protocol-handler
// operation) is in no record and has any name. Whether one still leads
// here is for the caller to check.
std::vector<std::wstring> GetAssociationsToCheck() {
  std::vector<std::wstring> associations = GetDefaultBrowserAssociations();
  std::vector<std::wstring> found;
  RegistryKeyEnumerator classes(HKEY_CURRENT_USER, L"Software\\Classes", KEY_READ);
  while (std::unique_ptr<RegistryKeyNode> node = classes.Next()) {
    const std::wstring name = node->GetName();
    // Braces would read as placeholders of the rule rows.
    if (name.empty() || IsFileExtension(name) || name.find_first_of(L"{}") != std::wstring::npos ||
        !node->HasValue(L"URL Protocol")) {
      continue;
    }
    const bool known = std::any_of(associations.begin(), associations.end(),
                                   [&name](const std::wstring& association) {
                                     return base::EqualsCaseInsensitiveASCII(association, name);
                                   });
    if (!known)
      found.push_back(name);
  }
  associations.insert(associations.end(), found.begin(), found.end());
  return associations;
}

// Who can change the installation folder or the status records in it.
ObjectWriters GetRecordWriters(const base::FilePath& folder) {
  // No folder, no record read from one.
  if (folder.empty())
    return ObjectWriters::kAdministrators;
  return GetFolderAndRecordWriters(
      GetSecurityUtil(), folder,
      {folder.Append(kInstallationStatusFileName), folder.Append(kLegacyStatusFileName),
       folder.Append(kOldStatusFolderName)});
}

}  // namespace

CleanRegistryStep::CleanRegistryStep(InstallerStepContext* context, PeMachineKind launcher_machine)
    : InstallerStep("clean_registry", context), launcher_machine_(launcher_machine) {}

CleanRegistryStep::~CleanRegistryStep() = default;

StepResult CleanRegistryStep::Run(int /*attempt*/) {
  LOG(INFO) << "Cleaning up registry";
  const InstallationStatus* existing = GetExistingInstallation();
  if (!existing) {
    LOG(INFO) << "No record of an earlier installation: nothing to clean";
    return StepResult(STEP_OK);
  }
  const base::FilePath& folder = GetContext()->GetBaseInstallFolder();
  record_writers_ = GetRecordWriters(folder);
  own_ = std::make_unique<OwnRegistryEntries>(folder);
  for (const StatusRegistryKey& key : existing->hkcu_keys)
    CleanKey(HKEY_CURRENT_USER, key);
  for (const StatusRegistryKey& key : existing->hklm_keys)
    CleanKey(HKEY_LOCAL_MACHINE, key);
  // An upgrade keeps the default-browser registration: the handler step
  // writes it again only where Windows lets it. It also keeps the keys the
  // installation made, which it records again.
  if (GetSettings()->GetOperation() == INSTALL_OPERATION_UNINSTALL) {
    CleanDefaultBrowserRegistration(*existing);
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
      RemoveCreatedKeys(root, *existing->CreatedKeysFor(root));
  }
  return StepResult(STEP_OK);
}

void CleanRegistryStep::RemoveCreatedKeys(HKEY root, const std::vector<std::string>& keys) {
  // The deepest first, so that a parent is empty once its children are gone.
  std::vector<std::string> ordered = keys;
  std::stable_sort(ordered.begin(), ordered.end(), [](const std::string& a, const std::string& b) {
    return CountComponents(a) > CountComponents(b);
  });
  for (const std::string& key : ordered) {
    const std::wstring path = NormalizeRegistryKeyPath(base::UTF8ToWide(key));
    // An empty key carries nothing of anyone's; one with a value or a
    // subkey stays, whoever put it there. A root's direct child (Software)
    // is never the installation's.
    if (path.find(L'\\') == std::wstring::npos || !IsRegistryKeyEmpty(root, path, ViewOf(path)) ||
        !IsTrusted(root, path, own_->IsOwnKey(root, path) || own_->LeadsToOwnEntries(root, path))) {
      continue;
    }
    VLOG(1) << "Removing the emptied key " << path << " the installation made";
    Execute(std::make_unique<DeleteRegKeyOperation>(root, path, ViewOf(path),
                                                    DeleteRegKeyOperation::Scope::kOnlyIfEmpty));
  }
}

void CleanRegistryStep::CleanKey(HKEY root, const StatusRegistryKey& key) {
  const std::wstring path = base::UTF8ToWide(key.path);
  VLOG(1) << "Cleanup for key " << path << " with depth " << key.clean;
  if (launcher_machine_ == PE_MACHINE_OTHER && IsUninstallRegistryKey(path))
    CleanNativeUninstallEntry(root, path);
  const REGSAM view = ViewOf(path);
  // The record comes from a file on disk: a damaged one must not be able
  // to name a key that other programs share. Such a key keeps everything
  // but the installation's own values.
  std::wstring target;
  if (key.clean >= 1 && !GetRegistryKeyToClean(path, key.clean, &target)) {
    LOG(WARNING) << "Not removing " << path << " with depth " << key.clean
                 << ": the key is shared; removing only its recorded values";
  }
  if (target.empty()) {
    if (!IsRegistryKeySafeToChange(path)) {
      LOG(WARNING) << "Not removing the recorded values of " << path << ": the key is Windows'";
      return;
    }
    for (const StatusRegistryValue& value : key.values) {
      const std::wstring name = base::UTF8ToWide(value.name);
      if (!IsTrusted(root, path, own_->IsOwnValue(root, path, name)))
        continue;
      Execute(std::make_unique<ChangeRegValueOperation>(
          root, path, name, nullptr, ChangeRegValueOperation::kDeleteValue, 0, view));
    }
    return;
  }
  if (IsTrusted(root, target, own_->IsOwnKey(root, target)))
    Execute(std::make_unique<DeleteRegKeyOperation>(root, target, view));
}

bool CleanRegistryStep::IsTrusted(HKEY root, const std::wstring& key, bool own) const {
  if (own || CanChangeRegistryRoot(record_writers_, root))
    return true;
  LOG(WARNING) << "Not cleaning " << key << ": the installer never writes it, and accounts "
               << "that could not change it can write the installation's records";
  return false;
}

void CleanRegistryStep::CleanDefaultBrowserRegistration(const InstallationStatus& existing) {
  // The default-browser rows are written after the status record and are
  // not in it; their names come from the recorded app id, which must not
  // be able to name another key.
  const std::wstring& app_id = existing.app_id;
  if (app_id.empty() || app_id.find_first_of(L"\\/{}") != std::wstring::npos ||
      app_id == L"." || app_id == L"..") {
    return;
  }
  const base::FilePath folder = GetSettings()->GetInstallFolderPath();
  ExistingInstallation installation(folder, std::make_unique<InstallationStatus>(existing));
  const std::wstring prog_id = installation.GetProgId();
  const std::wstring launcher = base::ToLowerASCII(folder.Append(kLauncherExeName).value());
  VLOG(1) << "Cleanup of the default-browser registration of " << prog_id;
  // Gathered before any clean-up, which may change the classes enumerated.
  const std::vector<std::wstring> associations = GetAssociationsToCheck();
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    FileHandlerRuleVariables handler_class(std::wstring(), folder, prog_id);
    CleanRows(GetFileHandlerRules(), &handler_class, root);
    // An association is ours to clean only while it still leads to this
    // installation: another browser may have taken it since.
    for (const std::wstring& association : associations) {
      const bool extension = IsFileExtension(association);
      std::wstring current;
      base::win::RegKey(root,
                        (extension ? L"Software\\Classes\\" + association
                                   : L"Software\\Classes\\" + association +
                                         L"\\shell\\open\\command")
                            .c_str(),
                        KEY_READ)
          .ReadValue(nullptr, &current);
      const bool ours = extension ? base::EqualsCaseInsensitiveASCII(current, prog_id)
                                  : base::ToLowerASCII(current).find(launcher) !=
                                        std::wstring::npos;
      if (!ours)
        continue;
      FileHandlerRuleVariables variables(association, folder, prog_id);
      CleanRows(extension ? GetFileExtensionRules() : GetProtocolRules(), &variables, root);
    }
  }
}

void CleanRegistryStep::CleanRows(std::span<const RegistryRuleRow> rows,
                                  RegistryRuleHost* host,
                                  HKEY root) {
  for (const RegistryRuleRow& row : rows) {
    // A row that deleted something has nothing to take back.
    if (!RegistryRuleApplies(row, root) || row.type == kRegistryRuleDeleteKey ||
        row.type == kRegistryRuleDeleteValue) {
      continue;
    }
    std::wstring key;
    std::wstring value_name;
    ExpandRulePlaceholders(RegistryRule(row, host), &key, &value_name);
    base::win::RegKey opened(root, key.c_str(), KEY_READ);
    if (!opened.Valid())
      continue;
    // The row's own clean-up depth: 0 takes only its value, so that a key
    // other programs share (a protocol's, an extension's) stays.
    if (row.clean == 0) {
      const wchar_t* name = value_name.empty() ? nullptr : value_name.c_str();
      if (opened.HasValue(name)) {
        Execute(std::make_unique<ChangeRegValueOperation>(
            root, key, value_name, nullptr, ChangeRegValueOperation::kDeleteValue, 0, 0));
      }
      continue;
    }
    opened.Close();
    std::wstring target;
    if (GetRegistryKeyToClean(key, static_cast<int>(row.clean), &target) &&
        base::win::RegKey(root, target.c_str(), KEY_READ).Valid()) {
      Execute(std::make_unique<DeleteRegKeyOperation>(root, target, 0));
    }
  }
}

void CleanRegistryStep::CleanNativeUninstallEntry(HKEY root, const std::wstring& key_path) {
  base::win::RegKey key(root, key_path.c_str(), KEY_READ);
  std::wstring location;
  if (!key.Valid() || key.ReadValue(kInstallLocation, &location) != ERROR_SUCCESS)
    return;
  key.Close();
  if (!base::FilePath::CompareEqualIgnoreCase(
          base::FilePath(location).StripTrailingSeparators().value(),
          GetSettings()->GetInstallFolderPath().StripTrailingSeparators().value())) {
    return;
  }
  Execute(std::make_unique<DeleteRegKeyOperation>(root, key_path, 0));
}

void CleanRegistryStep::Execute(std::unique_ptr<Operation> operation) {
  std::string error;
  if (!GetContext()->GetTransaction()->Execute(std::move(operation), &error))
    LOG(WARNING) << "A registry clean-up failed: " << error;
}
