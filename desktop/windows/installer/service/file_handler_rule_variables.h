#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_FILE_HANDLER_RULE_VARIABLES_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_FILE_HANDLER_RULE_VARIABLES_H_

#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "desktop/windows/installer/service/transactions/registry_rule.h"

// Placeholder values of the default-browser rules. What they write is not
// recorded in any status record.
class FileHandlerRuleVariables : public RegistryRuleHost {
 public:
  // `association`: the protocol or extension (empty for the handler
  // class); `prog_id`: the installation's handler class name.
  FileHandlerRuleVariables(const std::wstring& association, const base::FilePath& folder,
                           const std::wstring& prog_id);
  ~FileHandlerRuleVariables() override;

  // "Protocol", "Extension": the association; "InstallFolder": the folder;
  // "ProgID": the class name; "Product": the product name; "Stream": the
  // channel name; any other name stands for itself.
  std::wstring GetValue(const std::wstring& name) override;
  std::vector<StatusRegistryKey>* GetRegistryRecord(HKEY root) override;

 private:
  std::wstring association_;
  base::FilePath folder_;
  std::wstring prog_id_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_FILE_HANDLER_RULE_VARIABLES_H_
