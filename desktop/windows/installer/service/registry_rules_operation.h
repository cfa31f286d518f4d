#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_REGISTRY_RULES_OPERATION_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_REGISTRY_RULES_OPERATION_H_

#include <windows.h>

#include <span>
#include <string>

#include "desktop/windows/installer/service/transactions/operation.h"
#include "desktop/windows/installer/service/transactions/registry_rule.h"

// A group of registry rows executed as one operation: each row's operation
// runs as a sub-operation, so that the transaction the group runs in keeps
// them (and rolls them back) one by one, and a failing row undoes the rows
// before it. Rows that do not apply to the root are skipped. The rows and
// the host must outlive Execute.
class RegistryRulesOperation : public Operation {
 public:
  RegistryRulesOperation(std::span<const RegistryRuleRow> rows, RegistryRuleHost* host, HKEY root);
  ~RegistryRulesOperation() override;

 private:
  bool DoExecute(Transaction* sub_operations, std::string* error) override;
  // The rows' own operations undo them.
  void DoRollback() override;

  std::span<const RegistryRuleRow> rows_;
  RegistryRuleHost* host_;
  HKEY root_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_REGISTRY_RULES_OPERATION_H_
