#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_CREATE_REG_KEY_OPERATION_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_CREATE_REG_KEY_OPERATION_H_

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "desktop/windows/installer/service/transactions/operation.h"

struct SavedSecurityInfo;

// What a CreateRegKeyOperation found and did, for its caller to read once
// it has run.
struct RegKeyCreation {
  // Every key the operation created, the topmost first: only keys the
  // registry reported as new, never one another program made meanwhile.
  std::vector<std::wstring> created;
  // The key was there already (made by someone else, however recently).
  bool existed = false;
};

// Creates a registry key with its missing ancestors, one level at a time,
// so that it knows which keys it made itself. Rollback deletes the key it
// created with everything below it, then each ancestor it created while
// that is empty: a key another process put meanwhile into one of them (a
// second installation's uninstall entry) stays. An existing key is never
// touched.
class CreateRegKeyOperation : public Operation {
 public:
  enum class ExistingKey {
    // A key already there is fine: nothing to do.
    kAccept,
    // The key must be new: one already there fails the operation, which
    // then changes nothing. The registry decides atomically, so of two
    // processes creating the same key only one succeeds.
    kRefuse,
  };

  // `creation`, when given, must outlive the execution.
  CreateRegKeyOperation(HKEY root,
                        const std::wstring& key_path,
                        REGSAM access_flags,
                        ExistingKey existing = ExistingKey::kAccept,
                        RegKeyCreation* creation = nullptr);
  ~CreateRegKeyOperation() override;

 private:
  bool DoExecute(Transaction* sub_operations, std::string* error) override;
  void DoRollback() override;

  // The key exists already: `kAccept` succeeds, `kRefuse` fails.
  bool FoundExisting(std::string* error);
  // Creates the missing keys from `first_missing` down to the key.
  bool CreateLevels(const std::wstring& first_missing, std::string* error);

  std::wstring key_path_;
  HKEY root_;
  const ExistingKey existing_;
  RegKeyCreation* const creation_;
  // The keys this operation created, topmost first.
  std::vector<std::wstring> created_keys_;
  std::unique_ptr<SavedSecurityInfo> saved_security_;
  REGSAM access_flags_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_CREATE_REG_KEY_OPERATION_H_
