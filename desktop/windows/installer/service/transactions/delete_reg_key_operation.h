#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_DELETE_REG_KEY_OPERATION_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_DELETE_REG_KEY_OPERATION_H_

#include <windows.h>

#include <string>
#include <vector>

#include "desktop/windows/installer/service/transactions/operation.h"
#include "desktop/windows/installer/service/transactions/saved_registry_key.h"

// Deletes a registry key with its whole subtree, keeping a copy of every
// key (values and security) so that a rollback recreates what was deleted;
// the whole tree is read before the first key goes. A deletion that fails
// half-way leaves the keys not yet deleted in place,
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

 private:
  bool DoExecute(Transaction* sub_operations, std::string* error) override;
  void DoRollback() override;

  // Saves the key at `key_path` and the keys below it, parents first,
  // deleting nothing yet.
  bool SaveRecursive(const std::wstring& key_path, const std::wstring& object_name);
  // Deletes the saved keys, subkeys first.
  bool DeleteSaved();
  // How the deletion of the saved keys is undone.
  UndoRecord DescribeUndo() const;

  std::wstring key_path_;
  HKEY root_;
  // In the order visited: parents before their subkeys.
  std::vector<SavedRegistryKey> saved_keys_;
  REGSAM access_flags_;
  const Scope scope_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_DELETE_REG_KEY_OPERATION_H_
