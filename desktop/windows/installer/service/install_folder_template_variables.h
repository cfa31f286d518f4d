#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_INSTALL_FOLDER_TEMPLATE_VARIABLES_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_INSTALL_FOLDER_TEMPLATE_VARIABLES_H_

#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "desktop/windows/installer/service/transactions/registry_rule.h"

// Expands the registration table's placeholders for an installation found
// in a folder, to look up what it registered. Records nothing.
class InstallFolderTemplateVariables : public RegistryRuleHost {
 public:
  // `uninstall_entry` is the name of the installation's uninstall entry
  // (the last component of its key).
  InstallFolderTemplateVariables(const base::FilePath& install_folder,
                                 const std::wstring& uninstall_entry);
  ~InstallFolderTemplateVariables() override;

  // "InstallFolder", "Product", "Stream", "ProgID" (product and channel
  // names together), "Executable" and "Uninstall" (the uninstall entry's key
  // path); any other name is returned unchanged. Names are case-sensitive.
  std::wstring GetValue(const std::wstring& name) override;
  std::vector<StatusRegistryKey>* GetRegistryRecord(HKEY root) override;

 private:
  const base::FilePath install_folder_;
  const std::wstring product_;
  const std::wstring product_with_channel_;
  const std::wstring channel_;
  const std::wstring uninstall_entry_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_INSTALL_FOLDER_TEMPLATE_VARIABLES_H_
