#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_CREATE_REG_KEY_OPERATION_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_CREATE_REG_KEY_OPERATION_H_

#include <windows.h>

#include <memory>
#include <string>

#include "desktop/windows/installer/service/transactions/operation.h"

struct SavedSecurityInfo;

// Creates a registry key with its missing ancestors. Rollback deletes the
// topmost key it created with everything below it; an existing key is
// never touched.
class CreateRegKeyOperation : public Operation {
 public:
  CreateRegKeyOperation(HKEY root, const std::wstring& key_path, REGSAM access_flags);
  ~CreateRegKeyOperation() override;

 private:
  bool DoExecute(Transaction* sub_operations, std::string* error) override;
  void DoRollback() override;

  std::wstring key_path_;
  HKEY root_;
  // The highest key this operation created; empty until it created one.
  std::wstring topmost_created_key_;
  std::unique_ptr<SavedSecurityInfo> saved_security_;
  REGSAM access_flags_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_CREATE_REG_KEY_OPERATION_H_
