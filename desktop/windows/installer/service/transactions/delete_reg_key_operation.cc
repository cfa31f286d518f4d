#include "desktop/windows/installer/service/transactions/delete_reg_key_operation.h"

#include <utility>

#include "base/logging.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/registry.h"
#include "desktop/windows/installer/service/transactions/operation_access.h"
#include "desktop/windows/installer/service/transactions/registry_key_safety.h"
#include "desktop/windows/installer/service/transactions/registry_operation_util.h"
#include "desktop/windows/installer/service/transactions/transaction.h"
#include "desktop/windows/installer/utils/relative_path.h"
#include "desktop/windows/installer/utils/saved_security_info.h"
#include "desktop/windows/installer/utils/security_util.h"

namespace {

// Read, write, create and enumerate subkeys, delete, read control.
constexpr REGSAM kDeleteTreeAccess = 0x3001F;
// What deleting a key after reading it needs.
constexpr DWORD kRequiredAccess = 0x30019;
// Key names are at most 255 characters.
constexpr DWORD kMaxKeyNameLength = 256;

}  // namespace

DeleteRegKeyOperation::DeleteRegKeyOperation(HKEY root,
                                             const std::wstring& key_path,
                                             REGSAM access_flags,
                                             Scope scope)
    : key_path_(NormalizeRegistryKeyPath(key_path)),
      root_(root),
      access_flags_(access_flags),
      scope_(scope) {}

DeleteRegKeyOperation::~DeleteRegKeyOperation() = default;

bool DeleteRegKeyOperation::DoExecute(Transaction* sub_operations, std::string* error) {
  const std::wstring object_name = GetRegistryObjectName(root_, key_path_);
  VLOG(1) << "Attempting to delete registry key " << object_name;
  // The registry would end the path at a NUL and delete another key.
  if (HasControlCharacter(std::wstring_view(key_path_))) {
    LOG(ERROR) << "Refusing to delete a registry key whose name holds a control character";
    return false;
  }
  if (scope_ == Scope::kOnlyIfEmpty) {
    if (!IsRegistryKeySafeToChange(key_path_)) {
      LOG(ERROR) << "Refusing to delete the shared registry key \"" << object_name
                 << "\", even empty";
      return false;
    }
    if (!IsRegistryKeyEmpty(root_, key_path_, access_flags_)) {
      VLOG(1) << "Key missing or not empty. Nothing to do.";
      return true;
    }
  } else if (!IsRegistryKeySafeToDelete(key_path_)) {
    LOG(ERROR) << "Refusing to delete the shared registry key \"" << object_name << "\"";
    return false;
  }
  HKEY key = nullptr;
  const LONG result =
      ::RegOpenKeyExW(root_, key_path_.c_str(), 0, access_flags_ | KEY_QUERY_VALUE, &key);
  if (result == ERROR_FILE_NOT_FOUND) {
    VLOG(1) << "Key does not exist. Nothing to do.";
    return true;
  }
  if (result == ERROR_SUCCESS)
    ::RegCloseKey(key);
  else if (result != ERROR_ACCESS_DENIED) {
    LOG(ERROR) << "Failed to open key " << object_name;
    return false;
  }
  // The whole tree is read, and written down, before the first key goes.
  return SaveRecursive(key_path_, object_name) &&
         sub_operations->RecordUpcomingChange(DescribeUndo(), error) && DeleteSaved();
}

bool DeleteRegKeyOperation::SaveRecursive(const std::wstring& key_path,
                                          const std::wstring& object_name) {
  VLOG(1) << "SaveRecursive : " << key_path;
  SavedRegistryKey saved;
  saved.key_path = key_path;
  base::win::RegKey key;
  const auto open = [&] {
    return key.Open(root_, key_path.c_str(), access_flags_ | kDeleteTreeAccess);
  };
  const std::string name = base::WideToUTF8(object_name);
  const bool accessible =
      EnsureAccess({.object_name = object_name,
                    .object_type = GetRegistryObjectType(access_flags_),
                    .required = kRequiredAccess,
                    .granted = kDeleteTreeAccess},
                   open(),
                   {.missing = "Insufficient permissions on the key",
                    .grant_failed = "Unable to obtain sufficient permissions on key" + name,
                    .open_failed = "Failed to open key " + name},
                   open, &saved.saved_security);
  const bool read = accessible && ReadSavedRegistryKey(key.Handle(), object_name, &saved);
  // Kept before the subkeys are visited, so that a rollback recreates
  // parents first; kept also when this key stays, so that the rollback
  // gives a grant made on the way back.
  if (read || saved.saved_security)
    saved_keys_.push_back(std::move(saved));
  if (!read)
    return false;
  std::vector<std::wstring> subkeys;
  for (DWORD index = 0;; ++index) {
    wchar_t subkey_name[kMaxKeyNameLength];
    DWORD subkey_length = kMaxKeyNameLength;
    const LONG result = ::RegEnumKeyExW(key.Handle(), index, subkey_name, &subkey_length,
                                        nullptr, nullptr, nullptr, nullptr);
    if (result == ERROR_NO_MORE_ITEMS)
      break;
    if (result != ERROR_SUCCESS) {
      LOG(ERROR) << "Failed to read a subkey";
      return false;
    }
    subkeys.emplace_back(subkey_name, subkey_length);
  }
  key.Close();
  for (const std::wstring& subkey : subkeys) {
    if (!SaveRecursive(key_path + L"\\" + subkey, object_name + L"\\" + subkey))
      return false;
  }
  return true;
}

bool DeleteRegKeyOperation::DeleteSaved() {
  // Saved parents first: deleted subkeys first.
  for (auto saved = saved_keys_.rbegin(); saved != saved_keys_.rend(); ++saved) {
    const LONG result = ::RegDeleteKeyExW(root_, saved->key_path.c_str(), access_flags_, 0);
    if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) {
      LOG(ERROR) << "Failed to delete key " << GetRegistryObjectName(root_, saved->key_path)
                 << ": " << result;
      return false;
    }
    saved->deleted = true;
  }
  return true;
}

UndoRecord DeleteRegKeyOperation::DescribeUndo() const {
  UndoRecord record;
  record.kind = UndoRecord::Kind::kRestoreKeys;
  record.root = root_;
  record.view = access_flags_ & (KEY_WOW64_32KEY | KEY_WOW64_64KEY);
  record.key = key_path_;
  for (const SavedRegistryKey& saved : saved_keys_)
    record.keys.push_back({saved.key_path, saved.values});
  return record;
}

void DeleteRegKeyOperation::DoRollback() {
  for (const SavedRegistryKey& saved : saved_keys_) {
    if (!saved.deleted)
      continue;
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (::RegCreateKeyExW(root_, saved.key_path.c_str(), 0, nullptr, 0,
                          kDeleteTreeAccess | WRITE_DAC | WRITE_OWNER | access_flags_, nullptr,
                          &key, &disposition) != ERROR_SUCCESS) {
      LOG(ERROR) << "Cannot recreate registry key "
                 << GetRegistryObjectName(root_, saved.key_path);
      continue;
    }
    // A key that someone recreated meanwhile keeps its own content.
    if (disposition == REG_CREATED_NEW_KEY)
      WriteSavedRegistryKey(saved, key);
    ::RegCloseKey(key);
  }
  SecurityUtil* security = GetSecurityUtil();
  for (SavedRegistryKey& saved : saved_keys_) {
    if (saved.saved_security)
      security->RestoreAccess(&saved.saved_security);
  }
  saved_keys_.clear();
}
