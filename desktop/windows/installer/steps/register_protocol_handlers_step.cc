#include "desktop/windows/installer/steps/register_protocol_handlers_step.h"

#include <memory>
#include <string>

#include "base/command_line.h"
#include "base/logging.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/service/installation.h"
#include "desktop/windows/installer/service/installation_status.h"
#include "desktop/windows/installer/service/transactions/change_reg_value_operation.h"
#include "desktop/windows/installer/service/transactions/transaction.h"
#include "desktop/windows/installer/utils/installer_switches.h"
#include "desktop/windows/installer/utils/product_info.h"

namespace {

bool IsRecorded(const std::vector<StatusRegistryKey>& keys, const std::string& path) {
  for (const StatusRegistryKey& key : keys) {
    if (base::EqualsCaseInsensitiveASCII(key.path, path))
      return true;
  }
  return false;
}

// A URL scheme: a letter, then letters, digits, "+", "-" or ".". The name
// becomes part of registry key paths, so nothing else may pass.
bool IsAsciiLetter(wchar_t c) {
  return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
}

bool IsUrlScheme(const std::wstring& name) {
  if (name.empty() || name.size() > 64 || !IsAsciiLetter(name[0]))
    return false;
  for (wchar_t c : name) {
    if (!IsAsciiLetter(c) && !(c >= L'0' && c <= L'9') && c != L'+' && c != L'-' && c != L'.')
      return false;
  }
  return true;
}

}  // namespace

RegisterProtocolHandlersStep::RegisterProtocolHandlersStep(InstallerStepContext* context)
    : InstallerStep("register_protocol_handlers", context) {}

RegisterProtocolHandlersStep::~RegisterProtocolHandlersStep() = default;

StepResult RegisterProtocolHandlersStep::Run(int /*attempt*/) {
  if (!GetContext()->HasExistingInstallation())
    return StepResult(STEP_OK);
  const std::wstring protocol = GetContext()->GetCommandLine().GetSwitchValueNative(
      switches::kRegisterAsProtocolHandler);
  // An empty name would overwrite the key's default value, and one with a
  // backslash would name the keys of other programs.
  if (!IsUrlScheme(protocol)) {
    LOG(ERROR) << "Refusing to register \"" << protocol << "\": it is no URL scheme";
    return StepResult(STEP_OK);
  }
  const std::string name_with_channel = product_info::GetProductNameWithChannel();
  const std::string key = "SOFTWARE\\Clients\\StartMenuInternet\\" + name_with_channel +
                          "\\Capabilities\\URLAssociations";
  const InstallationStatus* existing = GetExistingInstallation();
  if (existing && IsRecorded(existing->hklm_keys, key)) {
    const std::wstring data = base::UTF8ToWide(name_with_channel);
    std::string error;
    if (!GetContext()->GetTransaction()->Execute(
            std::make_unique<ChangeRegValueOperation>(
                HKEY_LOCAL_MACHINE, base::UTF8ToWide(key), protocol, data.c_str(), REG_SZ,
                static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)), 0),
            &error)) {
      LOG(ERROR) << "Cannot register the protocol " << protocol << ": " << error;
      return StepResult(STEP_OK);
    }
  }
  // Through the step's transaction, like the value above; only for this
  // call, since the installation outlives the step.
  Installation* installation = Installation::GetInstance();
  installation->SetRegistryTransaction(GetContext()->GetTransaction());
  installation->SetAsDefaultFor(protocol, /*all_users=*/false);
  installation->SetRegistryTransaction(nullptr);
  return StepResult(STEP_OK);
}
