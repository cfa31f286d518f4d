#include "desktop/windows/installer/service/transactions/create_reg_key_operation.h"

#include "base/logging.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/service/transactions/file_operation_util.h"
#include "desktop/windows/installer/service/transactions/operation_access.h"
#include "desktop/windows/installer/service/transactions/registry_key_safety.h"
#include "desktop/windows/installer/service/transactions/registry_operation_util.h"
#include "desktop/windows/installer/service/transactions/transaction.h"
#include "desktop/windows/installer/utils/saved_security_info.h"
#include "desktop/windows/installer/utils/security_util.h"

CreateRegKeyOperation::CreateRegKeyOperation(HKEY root,
                                             const std::wstring& key_path,
                                             REGSAM access_flags,
                                             ExistingKey existing,
                                             RegKeyCreation* creation)
    : key_path_(NormalizeRegistryKeyPath(key_path)),
      root_(root),
      existing_(existing),
      creation_(creation),
      access_flags_(access_flags) {}

CreateRegKeyOperation::~CreateRegKeyOperation() {
  if (saved_security_)
    GetSecurityUtil()->RestoreAccess(&saved_security_);
}

bool CreateRegKeyOperation::DoExecute(Transaction* sub_operations, std::string* error) {
  VLOG(1) << "Attempting to create registry key " << key_path_ << " under "
          << GetRegistryObjectName(root_, std::wstring());
  HKEY key = nullptr;
  LONG result =
      ::RegOpenKeyExW(root_, key_path_.c_str(), 0, access_flags_ | KEY_QUERY_VALUE, &key);
  if (result != ERROR_FILE_NOT_FOUND) {
    if (result == ERROR_SUCCESS)
      ::RegCloseKey(key);
    return FoundExisting(error);
  }

  VLOG(1) << "Attempting to find the nearest existing ancestor.";
  std::wstring topmost = key_path_;
  std::wstring ancestor = GetParentKeyPath(key_path_);
  for (;;) {
    key = nullptr;
    result =
        ::RegOpenKeyExW(root_, ancestor.c_str(), 0, access_flags_ | KEY_CREATE_SUB_KEY, &key);
    if (result != ERROR_FILE_NOT_FOUND)
      break;
    if (ancestor.empty()) {
      LOG(ERROR) << "No existing ancestor found.";
      return false;
    }
    topmost = ancestor;
    ancestor = GetParentKeyPath(ancestor);
  }
  if (result == ERROR_SUCCESS)
    ::RegCloseKey(key);
  else if (result != ERROR_ACCESS_DENIED) {
    LOG(ERROR) << "Existing ancestor could not be opened.";
    return false;
  }

  const std::wstring ancestor_name = GetRegistryObjectName(root_, ancestor);
  VLOG(1) << "Ancestor found: " << ancestor_name;
  const std::string name = base::WideToUTF8(ancestor_name);
  if (!EnsureAccess({.object_name = ancestor_name,
                     .object_type = GetRegistryObjectType(access_flags_),
                     .required = KEY_CREATE_SUB_KEY,
                     .granted = KEY_CREATE_SUB_KEY},
                    result,
                    {.missing = "No access to" + name,
                     .grant_failed = "Failed obtaining permissions on " + name},
                    /*reopen=*/nullptr, &saved_security_)) {
    return false;
  }
  UndoRecord record =
      MakeRegistryUndoRecord(UndoRecord::Kind::kDeleteKey, root_, access_flags_, key_path_);
  record.top_key = topmost;
  if (!sub_operations->RecordUpcomingChange(record, error))
    return false;
  return CreateLevels(topmost, error);
}

bool CreateRegKeyOperation::FoundExisting(std::string* error) {
  if (creation_)
    creation_->existed = true;
  if (existing_ == ExistingKey::kAccept) {
    VLOG(1) << "The key already exists. No need to do anything.";
    return true;
  }
  VLOG(1) << "The key " << key_path_ << " exists already; it was to be a new one.";
  SetOperationError(error, "The registry key exists already");
  return false;
}

bool CreateRegKeyOperation::CreateLevels(const std::wstring& first_missing, std::string* error) {
  // The registry tells, for each key, whether this call made it: only those
  // are this operation's to take back.
  for (size_t end = first_missing.size();; end = key_path_.find(L'\\', end + 1)) {
    const std::wstring level = key_path_.substr(0, end);
    HKEY key = nullptr;
    DWORD disposition = 0;
    const LONG result = ::RegCreateKeyExW(root_, level.c_str(), 0, nullptr, 0,
                                          KEY_ALL_ACCESS | access_flags_, nullptr, &key,
                                          &disposition);
    if (result != ERROR_SUCCESS) {
      LOG(ERROR) << "Failed creating key.";
      return false;
    }
    ::RegCloseKey(key);
    const bool last = end == std::wstring::npos || end >= key_path_.size();
    if (disposition == REG_CREATED_NEW_KEY) {
      created_keys_.push_back(level);
      if (creation_)
        creation_->created.push_back(level);
    } else if (last) {
      // Made by another process since it was found missing.
      return FoundExisting(error);
    }
    if (last)
      return true;
  }
}

void CreateRegKeyOperation::DoRollback() {
  for (auto it = created_keys_.rbegin(); it != created_keys_.rend(); ++it) {
    const bool is_key = *it == key_path_;
    if (is_key) {
      HKEY key = nullptr;
      if (::RegOpenKeyExW(root_, it->c_str(), 0, access_flags_ | KEY_ALL_ACCESS, &key) ==
          ERROR_SUCCESS) {
        // RegDeleteTreeW keeps the view of the handle; SHDeleteKeyW would not.
        ::RegDeleteTreeW(key, nullptr);
        ::RegCloseKey(key);
      }
    } else if (!IsRegistryKeyEmpty(root_, *it, access_flags_)) {
      // Another process has put something into it meanwhile.
      continue;
    }
    ::RegDeleteKeyExW(root_, it->c_str(), access_flags_, 0);
  }
  created_keys_.clear();
}
