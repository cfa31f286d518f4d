#include "desktop/windows/installer/service/default_browser_rules.h"

#include <memory>
#include <string>

#include "base/logging.h"
#include "base/win/windows_version.h"
#include "desktop/windows/installer/service/registry_rules_operation.h"
#include "desktop/windows/installer/service/transactions/operation.h"
#include "desktop/windows/installer/service/transactions/transaction.h"

namespace {

constexpr int32_t kXP = base::win::VERSION_XP;
constexpr int32_t kVista = base::win::VERSION_VISTA;
constexpr HKEY kAnyRoot = nullptr;
// Data written in rows without a value of their own.
constexpr wchar_t kEmpty[] = L"";

const RegistryRuleRow kFileHandlerRules[] = {
    {L"Software\\Classes\\{ProgID}", L"FriendlyTypeName", REG_SZ,
     RuleText(L"{Product} Web Document"), kXP, kAnyRoot, 0, 1, 0},
    {L"Software\\Classes\\{ProgID}", L"URL Protocol", REG_SZ, RuleText(kEmpty), kXP, kAnyRoot, 0,
     1, 0},
    {L"Software\\Classes\\{ProgID}\\DefaultIcon", nullptr, REG_SZ,
     RuleText(L"{InstallFolder}\\Launcher.exe,0"), kXP, kAnyRoot, 0, 1, 0},
    {L"Software\\Classes\\{ProgID}\\shell\\open\\command", nullptr, REG_SZ,
     RuleText(L"\"{InstallFolder}\\Launcher.exe\" -noautoupdate -- \"%1\""), kXP, kAnyRoot, 0, 2,
     0},
    {L"Software\\Classes\\{ProgID}\\shell\\open\\ddeexec", nullptr, kRegistryRuleDeleteKey, 0, kXP,
     HKEY_LOCAL_MACHINE, 0, 0, 0},
    {L"Software\\Classes\\{ProgID}\\shell\\open\\ddeexec", nullptr, REG_SZ, RuleText(kEmpty), kXP,
     HKEY_CURRENT_USER, 0, 2, 0},
    {L"Software\\Classes\\{ProgID}\\shell\\open\\ddeexec\\Application", nullptr, REG_SZ,
     RuleText(kEmpty), kXP, HKEY_CURRENT_USER, 0, 1, 0},
    {L"Software\\Classes\\{ProgID}\\shell\\open\\ddeexec\\Topic", nullptr, REG_SZ,
     RuleText(kEmpty), kXP, HKEY_CURRENT_USER, 0, 1, 0},
};

const RegistryRuleRow kFileExtensionRules[] = {
    {L"Software\\Classes\\{Extension}", nullptr, REG_SZ, RuleText(L"{ProgID}"), kXP, kAnyRoot, 0,
     0, 0},
    {L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\{Extension}\\UserChoice",
     L"Progid", kRegistryRuleDeleteValue, 0, kVista, HKEY_CURRENT_USER, 0, 0, 0},
};

const RegistryRuleRow kProtocolRules[] = {
    {L"Software\\Classes\\{Protocol}", L"EditFlags", REG_DWORD, RuleDword(2), kXP, kAnyRoot, 0, 0,
     0},
    {L"Software\\Classes\\{Protocol}", L"URL Protocol", REG_SZ, RuleText(kEmpty), kXP, kAnyRoot, 0,
     0, 0},
    {L"Software\\Classes\\{Protocol}\\DefaultIcon", nullptr, REG_SZ,
     RuleText(L"{InstallFolder}\\Launcher.exe,0"), kXP, kAnyRoot, 0, 0, 0},
    {L"Software\\Classes\\{Protocol}\\shell\\open\\command", nullptr, REG_SZ,
     RuleText(L"\"{InstallFolder}\\launcher.exe\" -noautoupdate -- \"%1\""), kXP, kAnyRoot, 0, 0,
     0},
    {L"Software\\Classes\\{Protocol}\\shell\\open\\ddeexec", nullptr, kRegistryRuleDeleteKey, 0,
     kXP, HKEY_LOCAL_MACHINE, 0, 0, 0},
    {L"Software\\Classes\\{Protocol}\\shell\\open\\ddeexec", nullptr, REG_SZ, RuleText(kEmpty),
     kXP, HKEY_CURRENT_USER, 0, 0, 0},
    {L"Software\\Classes\\{Protocol}\\shell\\open\\ddeexec\\Application", nullptr, REG_SZ,
     RuleText(kEmpty), kXP, HKEY_CURRENT_USER, 0, 0, 0},
    {L"Software\\Classes\\{Protocol}\\shell\\open\\ddeexec\\Topic", nullptr, REG_SZ,
     RuleText(kEmpty), kXP, HKEY_CURRENT_USER, 0, 0, 0},
    {L"Software\\Microsoft\\Windows\\Shell\\Associations\\UrlAssociations\\{Protocol}\\UserChoice",
     L"Progid", kRegistryRuleDeleteValue, 0, kVista, HKEY_CURRENT_USER, 0, 0, 0},
};

const RegistryRuleRow kStartMenuInternetRules[] = {
    {L"Software\\Clients\\StartMenuInternet", nullptr, REG_SZ, RuleText(L"{Product}{Stream}"), kXP,
     kAnyRoot, 0, 0, 0},
};

}  // namespace

std::span<const RegistryRuleRow> GetFileHandlerRules() {
  return kFileHandlerRules;
}

std::span<const RegistryRuleRow> GetFileExtensionRules() {
  return kFileExtensionRules;
}

std::span<const RegistryRuleRow> GetProtocolRules() {
  return kProtocolRules;
}

std::span<const RegistryRuleRow> GetStartMenuInternetRules() {
  return kStartMenuInternetRules;
}

bool ExecuteRegistryRules(std::span<const RegistryRuleRow> rows, RegistryRuleHost* host,
                          HKEY root, Transaction* transaction) {
  Transaction own;
  std::string error;
  if (!(transaction ? transaction : &own)
           ->Execute(std::make_unique<RegistryRulesOperation>(rows, host, root), &error)) {
    LOG(ERROR) << error;
    return false;
  }
  return true;
}
