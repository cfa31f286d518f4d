#include "desktop/windows/installer/steps/setup_registry_step.h"

#include <cwchar>
#include <memory>
#include <utility>
#include <vector>

#include "base/features/feature_registry.h"
#include "base/logging.h"
#include "base/strings/utf_string_conversions.h"
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

LONG SetupRegistryStep::ProbeKey(HKEY root, const std::wstring& key) {
  HKEY opened = nullptr;
  const LONG result = ::RegOpenKeyExW(root, key.c_str(), 0, KEY_READ | KEY_WOW64_32KEY, &opened);
  if (result == ERROR_SUCCESS)
    ::RegCloseKey(opened);
  return result;
}

bool SetupRegistryStep::MakeUninstallKeyName(HKEY root, std::wstring* key) {
  const std::wstring base = GetUninstallRegistryKey(
      base::UTF8ToWide(product_info::GetProductName() + " " + product_info::GetVersionString()));
  for (int suffix = 0; suffix <= kMaxUninstallKeySuffix; ++suffix) {
    const std::wstring candidate = suffix ? base + std::to_wstring(suffix) : base;
    const LONG result = ProbeKey(root, candidate);
    if (result == ERROR_FILE_NOT_FOUND) {
      *key = candidate;
      return true;
    }
    // Only a key that is really there is taken; any other answer (access
    // denied, ...) says nothing of it, and going on could loop for ever.
    if (result != ERROR_SUCCESS) {
      LOG(ERROR) << "Cannot tell whether the uninstall key " << candidate
                 << " exists: " << GetWindowsErrorText(static_cast<DWORD>(result));
      return false;
    }
  }
  LOG(ERROR) << "Every uninstall key name of " << base << " is taken";
  return false;
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
  std::wstring uninstall_key;
  if (!MakeUninstallKeyName(root, &uninstall_key))
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
