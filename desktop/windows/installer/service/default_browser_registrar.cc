#include "desktop/windows/installer/service/default_browser_registrar.h"

#include <windows.h>

#include <memory>

#include "base/logging.h"
#include "base/strings/stringprintf.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/registry.h"
#include "base/win/windows_version.h"
#include "desktop/windows/installer/service/default_browser_rules.h"
#include "desktop/windows/installer/service/file_handler_rule_variables.h"
#include "desktop/windows/installer/service/installation.h"
#include "desktop/windows/installer/service/os_operations.h"
#include "desktop/windows/installer/service/transactions/change_reg_value_operation.h"
#include "desktop/windows/installer/service/transactions/transaction.h"
#include "desktop/windows/installer/utils/installer_features.h"
#include "desktop/windows/installer/utils/product_info.h"
#include "desktop/windows/installer/utils/service_utils.h"

namespace {

constexpr wchar_t kPreviousDefaultBrowserValue[] = L"Previous Default Browser";
constexpr wchar_t kStartMenuInternetKey[] = L"Software\\Clients\\StartMenuInternet";
constexpr wchar_t kStartMenuInternet[] = L"StartmenuInternet";
constexpr wchar_t kSettingsAppId[] =
    L"windows.immersivecontrolpanel_cw5n1h2txyewy!microsoft.windows.immersivecontrolpanel";
constexpr wchar_t kDefaultAppsPage[] = L"page=SettingsPageAppsDefaults";

// Associations made default after http, when Windows lets the installer
// set them itself.
constexpr const wchar_t* kFurtherAssociations[] = {
    L"https", L"ftp", L".crx", L".htm", L".html", L".tvext", L".tvdownload", L".shtml", L".xht",
    L".xhtml"};

HKEY ChosenRoot(bool all_users) {
  return all_users ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

// A string value; the Windows error of opening the key or reading it.
LONG ReadString(HKEY root, const std::wstring& key_path, const wchar_t* name,
                std::wstring* value) {
  base::win::RegKey key;
  const LONG result = key.Open(root, key_path.c_str(), KEY_READ);
  if (result != ERROR_SUCCESS) return result;
  return key.ReadValue(name, value);
}

bool IsNotFound(LONG result) {
  return result == ERROR_FILE_NOT_FOUND || result == ERROR_PATH_NOT_FOUND;
}

std::wstring ToLower(std::wstring text) {
  if (!text.empty()) ::CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

std::wstring SettingsTargetFor(const std::wstring& association) {
  if (association == L"http") return L"SystemSettings_DefaultApps_Browser";
  if (association == L"mailto") return L"SystemSettings_DefaultApps_Email";
  return L"SettingsPageAppsDefaultsProtocolView";
}

}  // namespace

std::vector<std::wstring> GetDefaultBrowserAssociations() {
  std::vector<std::wstring> associations = {L"http"};
  associations.insert(associations.end(), std::begin(kFurtherAssociations),
                      std::end(kFurtherAssociations));
  associations.push_back(L"microsoft-edge");
  return associations;
}

bool IsUsableAssociationName(const std::wstring& association) {
  if (association.empty() || association == L"." || association == L"..") return false;
  for (wchar_t c : association) {
    if (c < 32 || c == L'\\' || c == L'/' || c == L'{' || c == L'}') return false;
  }
  return true;
}

DefaultBrowserRegistrar::DefaultBrowserRegistrar(Installation* installation, OSOperations* os,
                                                 const std::wstring& app_registration_name,
                                                 Transaction* transaction)
    : installation_(installation),
      os_(os),
      app_registration_name_(app_registration_name),
      transaction_(transaction) {
  DCHECK(installation_);
  DCHECK(os_);
}

DefaultBrowserRegistrar::~DefaultBrowserRegistrar() = default;

bool DefaultBrowserRegistrar::GetAssociationCommand(const std::wstring& association,
                                                    bool all_users, std::wstring* command) {
  DCHECK(command);
  if (!IsUsableAssociationName(association)) return false;
  const bool extension = IsFileExtension(association);
  std::wstring prog_id;
  if (os_->GetWindowsVersion() >= base::win::VERSION_VISTA && !all_users) {
    const std::wstring user_choice =
        std::wstring(L"Software\\Microsoft\\Windows\\") +
        (extension ? L"CurrentVersion\\Explorer\\FileExts\\"
                   : L"Shell\\Associations\\UrlAssociations\\") +
        association + L"\\UserChoice";
    const LONG result = ReadString(HKEY_CURRENT_USER, user_choice, L"ProgId", &prog_id);
    if (result != ERROR_SUCCESS && !IsNotFound(result)) return false;
    if (result != ERROR_SUCCESS) prog_id.clear();
  }
  if (prog_id.empty()) {
    if (!extension) {
      prog_id = association;
    } else if (all_users ? ReadString(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\" + association,
                                      nullptr, &prog_id) != ERROR_SUCCESS
                         : ReadString(HKEY_CLASSES_ROOT, association, nullptr, &prog_id) !=
                               ERROR_SUCCESS) {
      return false;
    }
  }
  const std::wstring command_key = prog_id + L"\\shell\\open\\command";
  const LONG result =
      all_users ? ReadString(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\" + command_key, nullptr,
                             command)
                : ReadString(HKEY_CLASSES_ROOT, command_key, nullptr, command);
  return result == ERROR_SUCCESS;
}

bool DefaultBrowserRegistrar::IsHandlerFor(const std::wstring& association) {
  // Without a folder every command naming any launcher would match.
  if (installation_->GetFolder().empty()) return false;
  std::wstring command;
  if (!installation_->GetAssociationCommand(association, /*all_users=*/false, &command))
    return false;
  const std::wstring launcher =
      ToLower(installation_->GetFolder().Append(kLauncherExeName).value());
  return ToLower(command).find(launcher) != std::wstring::npos;
}

bool DefaultBrowserRegistrar::IsHttpHandler() {
  if (!installation_->IsHandlerFor(L"http") || !installation_->IsHandlerFor(L"https"))
    return false;
  return os_->GetWindowsVersion() > base::win::VERSION_WIN7 || installation_->IsDefaultBrowser();
}

bool DefaultBrowserRegistrar::IsDefaultBrowser() {
  if (os_->GetWindowsVersion() >= base::win::VERSION_VISTA &&
      installation_->GetStatusIfLoaded().all_users) {
    return os_->QueryAppIsDefault(app_registration_name_, kStartMenuInternet,
                                  AssociationKind::kStartMenuClient);
  }
  std::wstring client;
  if (ReadString(HKEY_CURRENT_USER, kStartMenuInternetKey, nullptr, &client) != ERROR_SUCCESS &&
      ReadString(HKEY_LOCAL_MACHINE, kStartMenuInternetKey, nullptr, &client) != ERROR_SUCCESS) {
    return false;
  }
  return client == base::UTF8ToWide(product_info::GetProductNameWithChannel());
}

bool DefaultBrowserRegistrar::GetPreviousDefaultBrowser(std::wstring* value) {
  DCHECK(value);
  const std::wstring company_key = GetCompanyRegistryKey();
  return ReadString(HKEY_CURRENT_USER, company_key, kPreviousDefaultBrowserValue, value) ==
             ERROR_SUCCESS ||
         ReadString(HKEY_LOCAL_MACHINE, company_key, kPreviousDefaultBrowserValue, value) ==
             ERROR_SUCCESS;
}

bool DefaultBrowserRegistrar::SetPreviousDefaultBrowser(const std::wstring& value,
                                                        bool all_users) {
  // Created when missing: the value is what an uninstall restores, and
  // losing it silently would lose the user's browser choice.
  if (transaction_) {
    const std::wstring company_key = GetCompanyRegistryKey();
    std::string error;
    if (transaction_->Execute(std::make_unique<ChangeRegValueOperation>(
                                  ChosenRoot(all_users), company_key, kPreviousDefaultBrowserValue,
                                  value.c_str(), REG_SZ,
                                  static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)), 0),
                              &error)) {
      return true;
    }
    LOG(ERROR) << "Cannot store the previous default browser: " << error;
    return false;
  }
  base::win::RegKey key;
  if (key.Create(ChosenRoot(all_users), GetCompanyRegistryKey().c_str(), KEY_SET_VALUE) !=
      ERROR_SUCCESS) {
    return false;
  }
  return key.WriteValue(kPreviousDefaultBrowserValue, value.c_str()) == ERROR_SUCCESS;
}

void DefaultBrowserRegistrar::StorePreviousDefaultBrowser(bool all_users) {
  if (installation_->IsHandlerFor(L"http")) return;
  std::wstring command;
  if (installation_->GetAssociationCommand(L"http", all_users, &command))
    installation_->SetPreviousDefaultBrowser(command, all_users);
}

bool DefaultBrowserRegistrar::RegisterFileHandlers(bool all_users) {
  // An empty folder would register a launcher path relative to nowhere.
  if (installation_->GetFolder().empty()) return false;
  FileHandlerRuleVariables variables(std::wstring(), installation_->GetFolder(),
                                     installation_->GetProgId());
  return ExecuteRegistryRules(GetFileHandlerRules(), &variables, ChosenRoot(all_users),
                              transaction_);
}

bool DefaultBrowserRegistrar::WriteAssociationRules(const std::wstring& association,
                                                    bool all_users) {
  if (installation_->GetFolder().empty()) return false;
  FileHandlerRuleVariables variables(association, installation_->GetFolder(),
                                     installation_->GetProgId());
  return ExecuteRegistryRules(
      IsFileExtension(association) ? GetFileExtensionRules() : GetProtocolRules(), &variables,
      ChosenRoot(all_users), transaction_);
}

bool DefaultBrowserRegistrar::SetAsDefaultFor(const std::wstring& association, bool all_users) {
  // The association becomes part of key paths.
  if (!IsUsableAssociationName(association)) return false;
  const base::win::Version version = os_->GetWindowsVersion();
  if (version <= base::win::VERSION_WIN7) {
    if (version >= base::win::VERSION_VISTA && !all_users &&
        installation_->GetStatusIfLoaded().all_users &&
        !os_->SetAppAsDefault(app_registration_name_, association,
                              IsFileExtension(association) ? AssociationKind::kFileExtension
                                                           : AssociationKind::kUrlProtocol)) {
      return false;
    }
    return WriteAssociationRules(association, all_users);
  }
  if (version <= base::win::VERSION_WIN8_1) {
    if (all_users) return false;
    if (!installation_->IsHandlerFor(association)) {
      if (!os_->ShowOpenWithDialog(association)) return false;
      os_->NotifyAssociationsChanged();
    }
    return WriteAssociationRules(association, all_users);
  }
  if (all_users || installation_->IsHandlerFor(association)) return false;
  return SetAsDefaultOnWindows10(association);
}

bool DefaultBrowserRegistrar::SetAsDefaultOnWindows10(const std::wstring& association) {
  if (os_->SetDefaultAssociation(app_registration_name_,
                                 base::UTF8ToWide(product_info::GetProductName()), association)) {
    return true;
  }
  // Windows 10 lets only the user choose: open the default-apps page.
  if (!os_->ActivateApplication(kSettingsAppId, kDefaultAppsPage)) return false;
  const std::wstring target = SettingsTargetFor(association);
  return os_->ActivateApplication(
      kSettingsAppId, base::StringPrintf(L"%ls&target=%ls", kDefaultAppsPage, target.c_str()));
}

bool DefaultBrowserRegistrar::SetStartMenuInternetDefault(bool all_users) {
  const base::win::Version version = os_->GetWindowsVersion();
  if (version >= base::win::VERSION_WIN8 && all_users) return false;
  if (version >= base::win::VERSION_VISTA && version <= base::win::VERSION_WIN7 && !all_users &&
      installation_->GetStatusIfLoaded().all_users &&
      !os_->SetAppAsDefault(app_registration_name_, kStartMenuInternet,
                            AssociationKind::kStartMenuClient)) {
    return false;
  }
  FileHandlerRuleVariables variables(std::wstring(), installation_->GetFolder(),
                                     installation_->GetProgId());
  return ExecuteRegistryRules(GetStartMenuInternetRules(), &variables, ChosenRoot(all_users),
                              transaction_);
}

bool DefaultBrowserRegistrar::MakeDefaultBrowser(bool all_users) {
  if (installation_->IsSingleProfile()) return false;
  if (!installation_->RegisterFileHandlers(all_users)) return installation_->IsHttpHandler();
  installation_->SetAsDefaultFor(L"http", all_users);
  const base::win::Version version = os_->GetWindowsVersion();
  if ((version >= base::win::VERSION_WIN8 && version <= base::win::VERSION_WIN8_1) ||
      (version >= base::win::VERSION_WIN10 && !os_->IsInternetExplorerAvailable())) {
    return installation_->IsHttpHandler();
  }
  for (const wchar_t* association : kFurtherAssociations)
    installation_->SetAsDefaultFor(association, all_users);
  if (ShouldHandleProprietaryUris()) installation_->SetAsDefaultFor(L"microsoft-edge", all_users);
  installation_->SetStartMenuInternetDefault(all_users);
  return installation_->IsHttpHandler();
}
