#include "desktop/windows/installer/steps/setup_registry_step.h"

#include <cwchar>
#include <memory>
#include <utility>
#include <vector>

#include "base/features/feature_registry.h"
#include "base/logging.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/registry.h"
#include "desktop/windows/installer/service/installation_status.h"
#include "desktop/windows/installer/service/browser_registration_table.h"
#include "desktop/windows/installer/service/transactions/operation.h"
#include "desktop/windows/installer/service/transactions/registry_rule.h"
#include "desktop/windows/installer/service/transactions/transaction.h"
#include "desktop/windows/installer/settings/settings.h"
#include "desktop/windows/installer/utils/installer_features.h"
#include "desktop/windows/installer/utils/product_info.h"
#include "desktop/windows/installer/utils/service_utils.h"

namespace {

constexpr wchar_t kUninstallPlaceholder[] = L"{Uninstall}";
constexpr char kUninstallFailure[] = "Failed writing uninstallation information";

bool IsUninstallRow(const RegistryRuleRow& row) {
  return row.key && std::wcscmp(row.key, kUninstallPlaceholder) == 0;
}

std::wstring DescribeValue(const std::wstring& key, const std::wstring& value_name) {
  return value_name.empty() ? L"default value to key " + key
                            : L"value " + value_name + L" to key " + key;
}

}  // namespace

SetupRegistryStep::SetupRegistryStep(InstallerStepContext* context, std::wstring* app_id)
    : InstallerStep("setup_registry", context), app_id_(app_id) {
  DCHECK(app_id_);
}

SetupRegistryStep::~SetupRegistryStep() = default;

SetupRegistryStep::KeyClaim SetupRegistryStep::ClaimKey(HKEY root,
                                                       const std::wstring& key,
                                                       RegKeyCreation* creation) {
  std::string error;
  if (GetContext()->GetTransaction()->Execute(
          std::make_unique<CreateRegKeyOperation>(root, key, KEY_WOW64_32KEY,
                                                  CreateRegKeyOperation::ExistingKey::kRefuse,
                                                  creation),
          &error)) {
    return KeyClaim::kClaimed;
  }
  return creation->existed ? KeyClaim::kTaken : KeyClaim::kFailed;
}

bool SetupRegistryStep::ClaimUninstallKey(HKEY root, std::wstring* key) {
  const std::wstring base = GetUninstallRegistryKey(
      base::UTF8ToWide(product_info::GetProductName() + " " + product_info::GetVersionString()));
  for (int suffix = 0; suffix <= kMaxUninstallKeySuffix; ++suffix) {
    const std::wstring candidate = suffix ? base + std::to_wstring(suffix) : base;
    RegKeyCreation creation;
    switch (ClaimKey(root, candidate, &creation)) {
      case KeyClaim::kClaimed:
        RecordCreatedKeys(root, creation);
        *key = candidate;
        return true;
      case KeyClaim::kTaken:
        continue;
      case KeyClaim::kFailed:
        // Neither made nor found: going on could loop for ever.
        LOG(ERROR) << "Cannot create the uninstall key " << candidate;
        return false;
    }
  }
  LOG(ERROR) << "Every uninstall key name of " << base << " is taken";
  return false;
}

bool SetupRegistryStep::CreateRowKey(const RegistryRule& rule,
                                     const std::wstring& key,
                                     HKEY root) {
  RegKeyCreation creation;
  std::string error;
  if (!GetContext()->GetTransaction()->Execute(
          std::make_unique<CreateRegKeyOperation>(root, key, rule.row.access_flags,
                                                  CreateRegKeyOperation::ExistingKey::kAccept,
                                                  &creation),
          &error)) {
    LOG(ERROR) << "Failed creating the key " << key << ": " << error;
    return false;
  }
  RecordCreatedKeys(root, creation);
  return true;
}

void SetupRegistryStep::RecordCreatedKeys(HKEY root, const RegKeyCreation& creation) {
  std::vector<std::string> created;
  for (const std::wstring& key : creation.created)
    created.push_back(base::WideToUTF8(key));
  AddCreatedKeys(created, GetInstallationStatus()->CreatedKeysFor(root));
}

void SetupRegistryStep::KeepCreatedKeys(HKEY root) {
  const InstallationStatus* existing = GetExistingInstallation();
  if (GetSettings()->GetOperation() != INSTALL_OPERATION_UPGRADE || !existing)
    return;
  std::vector<std::string> kept;
  for (const std::string& key : *existing->CreatedKeysFor(root)) {
    const std::wstring path = base::UTF8ToWide(key);
    const REGSAM view = IsUninstallRegistryKey(path) ? KEY_WOW64_32KEY : 0;
    if (base::win::RegKey(root, path.c_str(), KEY_QUERY_VALUE | view).Valid())
      kept.push_back(key);
  }
  AddCreatedKeys(kept, GetInstallationStatus()->CreatedKeysFor(root));
}

bool SetupRegistryStep::WriteRow(const RegistryRuleRow& row, HKEY root) {
  const RegistryRule rule(row, GetContext()->GetRuleHost());
  std::wstring key;
  std::wstring value_name;
  ExpandRulePlaceholders(rule, &key, &value_name);
  std::unique_ptr<Operation> operation;
  if (!CreateOperationFromRegistryRule(rule, root, &operation)) {
    LOG(ERROR) << "Cannot make the operation for " << DescribeValue(key, value_name);
    return false;
  }
  if (!operation) {
    VLOG(2) << "Skipping inapplicable operation: " << DescribeValue(key, value_name);
    return true;
  }
  VLOG(1) << "Writing " << DescribeValue(key, value_name);
  // Made first, so that the keys it takes are known to be this
  // installation's.
  if (row.type >= 0 && !CreateRowKey(rule, key, root))
    return false;
  std::string error;
  if (!GetContext()->GetTransaction()->Execute(std::move(operation), &error)) {
    LOG(ERROR) << "Failed writing " << DescribeValue(key, value_name) << ": " << error;
    return false;
  }
  return true;
}

StepResult SetupRegistryStep::Run(int /*attempt*/) {
  if (GetSettings()->GetCopyOnly())
    return StepResult(STEP_OK);
  LOG(INFO) << "Setting up the registry";
  const HKEY root = GetSettings()->GetAllUsers() ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
  KeepCreatedKeys(root);
  std::wstring uninstall_key;
  if (!ClaimUninstallKey(root, &uninstall_key))
    return StepResult(STEP_FAILED, RESULT_GENERAL_FAILURE, std::wstring(), kUninstallFailure);
  *app_id_ = uninstall_key;
  VLOG(1) << "Uninstall key: " << uninstall_key;

  GetContext()->StartRegistryRecording();
  std::vector<RegistryRuleRow> rows = GetRegistrationTable();
  if (features::IsFeatureEnabled(kInstallerHideFromProgramAndFeatures))
    rows.push_back(GetHideFromProgramsAndFeaturesRow());
  for (const RegistryRuleRow& row : rows) {
    // The rest of the registration is best effort; without the uninstall
    // entry the installation could not be removed.
    if (!WriteRow(row, root) && IsUninstallRow(row))
      return StepResult(STEP_FAILED, RESULT_GENERAL_FAILURE, std::wstring(), kUninstallFailure);
  }
  GetContext()->StopRegistryRecording();
  return StepResult(STEP_OK);
}
