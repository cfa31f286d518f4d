#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_DELETE_REG_KEY_OPERATION_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_DELETE_REG_KEY_OPERATION_H_

#include <windows.h>

#include <string>
#include <vector>

#include "desktop/windows/installer/service/transactions/operation.h"
#include "desktop/windows/installer/service/transactions/saved_registry_key.h"

namespace base {
namespace win {
class RegKey;
}  // namespace win
}  // namespace base

// Deletes a registry key with its whole subtree, keeping a copy of every
// key (values and security) so that a rollback recreates what was deleted.
// A deletion that fails half-way leaves the keys not yet deleted in place,
// and its rollback recreates exactly those that were. Shared keys (see
// IsRegistryKeySafeToDelete) are refused, unless only an empty key is to
// go: that holds nothing of anyone's, but the start-up, policy and system
// keys (IsRegistryKeySafeToChange) stay even empty. A path with a control
// character is always refused: the registry would end it at a NUL.
class DeleteRegKeyOperation : public Operation {
 public:
  enum class Scope {
    kWholeTree,
    // The key only while it holds neither values nor subkeys; otherwise
    // nothing is done (and that is no failure).
    kOnlyIfEmpty,
  };

  DeleteRegKeyOperation(HKEY root, const std::wstring& key_path, REGSAM access_flags,
                        Scope scope = Scope::kWholeTree);
  ~DeleteRegKeyOperation() override;

  UndoRecord DescribeUndo() const override;

 private:
  bool DoExecute(Transaction* sub_operations, std::string* error) override;
  void DoRollback() override;

  // Saves the key at `key_path`, then deletes its subkeys and itself.
  bool DeleteAndSaveRecursive(const std::wstring& key_path, const std::wstring& object_name);
  // Deletes every subkey of the open `key` (saving each), then the key
  // itself, whose record is `saved_keys_[index]`.
  bool DeleteSubkeysAndKey(base::win::RegKey* key, size_t index, const std::wstring& object_name);

  std::wstring key_path_;
  HKEY root_;
  // In the order visited: parents before their subkeys.
  std::vector<SavedRegistryKey> saved_keys_;
  REGSAM access_flags_;
  const Scope scope_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_DELETE_REG_KEY_OPERATION_H_
