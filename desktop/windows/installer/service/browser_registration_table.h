#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_BROWSER_REGISTRATION_TABLE_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_BROWSER_REGISTRATION_TABLE_H_

#include <vector>

#include "desktop/windows/installer/service/transactions/registry_rule.h"

// What registers the browser with Windows: its ProgID, file and protocol
// capabilities, application paths and the uninstall entry, in the order
// they are written. Placeholders: "{ProgID}", "{Product}", "{Stream}",
// "{Version}", "{InstallFolder}", "{Executable}", "{Company}", "{HelpURL}",
// "{CompanyURL}", "{DownloadsURL}" and "{Uninstall}" (the uninstall key
// path). Built once on first use, read-only, shared by every thread.
const std::vector<RegistryRuleRow>& GetRegistrationTable();

// The row that hides the uninstall entry from "Programs and Features",
// added after the table when the installer's feature asks for it.
const RegistryRuleRow& GetHideFromProgramsAndFeaturesRow();

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_BROWSER_REGISTRATION_TABLE_H_
