#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_REGISTRY_OPERATION_UTIL_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_REGISTRY_OPERATION_UTIL_H_

#include <windows.h>

#include <aclapi.h>

#include <string>

#include "desktop/windows/installer/service/transactions/operation.h"

// Helpers shared by the registry operations.

// The security object name of a key: "CURRENT_USER\<key_path>" and the like.
std::wstring GetRegistryObjectName(HKEY root, const std::wstring& key_path);

// The security object type for keys opened with `access_flags`: the 32-bit
// view's type when the flags ask for exactly that view.
SE_OBJECT_TYPE GetRegistryObjectType(REGSAM access_flags);

// The parent of a key path below a root ("a\b" gives "a", "a" gives "").
std::wstring GetParentKeyPath(const std::wstring& key_path);

// Whether the key exists and holds neither values nor subkeys.
bool IsRegistryKeyEmpty(HKEY root, const std::wstring& key_path, REGSAM access_flags);

// An undo record of `kind` for the key `key_path` of `root`, in the view
// that `access_flags` choose.
UndoRecord MakeRegistryUndoRecord(UndoRecord::Kind kind, HKEY root, REGSAM access_flags,
                                  const std::wstring& key_path);

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_REGISTRY_OPERATION_UTIL_H_
