#include "desktop/windows/installer/service/registry_rules_operation.h"

#include <memory>
#include <utility>

#include "base/logging.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/service/transactions/transaction.h"

RegistryRulesOperation::RegistryRulesOperation(std::span<const RegistryRuleRow> rows,
                                               RegistryRuleHost* host,
                                               HKEY root)
    : rows_(rows), host_(host), root_(root) {}

RegistryRulesOperation::~RegistryRulesOperation() = default;

bool RegistryRulesOperation::DoExecute(Transaction* sub_operations, std::string* error) {
  for (const RegistryRuleRow& row : rows_) {
    std::unique_ptr<Operation> operation;
    if (!CreateOperationFromRegistryRule(RegistryRule(row, host_), root_, &operation)) {
      if (error)
        *error = "Registry rule refused for " + base::WideToUTF8(row.key);
      return false;
    }
    if (!operation)
      continue;
    std::string row_error;
    if (!sub_operations->Execute(std::move(operation), &row_error)) {
      if (error)
        *error = "Registry rule failed for " + base::WideToUTF8(row.key) + ": " + row_error;
      return false;
    }
  }
  return true;
}

void RegistryRulesOperation::DoRollback() {}
