#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_DEFAULT_BROWSER_RULES_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_DEFAULT_BROWSER_RULES_H_

#include <windows.h>

#include <cstddef>
#include <span>

#include "desktop/windows/installer/service/transactions/registry_rule.h"

class Transaction;

// The registry rows of the default-browser registration, with the
// placeholders of FileHandlerRuleVariables.

// The installation's handler class "Software\Classes\{ProgID}".
std::span<const RegistryRuleRow> GetFileHandlerRules();
// An extension's class pointing to the handler class.
std::span<const RegistryRuleRow> GetFileExtensionRules();
// A protocol's own class opening the launcher.
std::span<const RegistryRuleRow> GetProtocolRules();
// "Software\Clients\StartMenuInternet" naming this browser.
std::span<const RegistryRuleRow> GetStartMenuInternetRules();

// Executes `rows` for `root` as one group: rows that do not apply there
// are skipped; the first failing row rolls back what the earlier ones did
// and gives false. With `transaction` the rows join it, to be committed or
// rolled back with the rest of its work; without, they are committed here.
bool ExecuteRegistryRules(std::span<const RegistryRuleRow> rows, RegistryRuleHost* host,
                          HKEY root, Transaction* transaction = nullptr);

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_DEFAULT_BROWSER_RULES_H_
