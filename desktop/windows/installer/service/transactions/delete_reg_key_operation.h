#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_DELETE_REG_KEY_OPERATION_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_DELETE_REG_KEY_OPERATION_H_

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "desktop/windows/installer/service/transactions/operation.h"

struct SavedSecurityInfo;

// One value of a deleted key, kept for a rollback.
struct SavedRegistryValue {
  std::wstring name;
  DWORD type = REG_NONE;
  std::vector<uint8_t> data;
};

// One deleted key, kept for a rollback.
struct SavedRegistryKey {
  SavedRegistryKey();
  SavedRegistryKey(SavedRegistryKey&&) noexcept;
  SavedRegistryKey& operator=(SavedRegistryKey&&) noexcept;
  ~SavedRegistryKey();

  std::wstring key_path;  // Below the root.
  // Self-relative descriptor: group, DACL and label.
  std::vector<uint8_t> security_descriptor;
  // From granting ourselves access to delete the key.
  std::unique_ptr<SavedSecurityInfo> saved_security;
  std::vector<SavedRegistryValue> values;
};

// Deletes a registry key with its whole subtree, keeping a copy of every
// key (values and security) so that a rollback recreates what was deleted.
// Shared keys (see IsRegistryKeySafeToDelete) are refused.
class DeleteRegKeyOperation : public Operation {
 public:
  DeleteRegKeyOperation(HKEY root, const std::wstring& key_path, REGSAM access_flags);
  ~DeleteRegKeyOperation() override;

 private:
  bool DoExecute(Transaction* sub_operations, std::string* error) override;
  void DoRollback() override;

  bool DeleteAndSaveRecursive(const std::wstring& key_path, const std::wstring& object_name);

  std::wstring key_path_;
  HKEY root_;
  // Parents before their subkeys.
  std::vector<SavedRegistryKey> saved_keys_;
  REGSAM access_flags_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_DELETE_REG_KEY_OPERATION_H_
