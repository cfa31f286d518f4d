#include "desktop/windows/installer/service/transactions/delete_reg_key_operation.h"

#include <utility>

#include "base/logging.h"
#include "base/win/registry.h"
#include "desktop/windows/installer/service/transactions/registry_key_safety.h"
#include "desktop/windows/installer/service/transactions/registry_operation_util.h"
#include "desktop/windows/installer/utils/saved_security_info.h"
#include "desktop/windows/installer/utils/security_util.h"

namespace {

// Read, write, create and enumerate subkeys, delete, read control.
constexpr REGSAM kDeleteTreeAccess = 0x3001F;
// What deleting a key after reading it needs.
constexpr DWORD kRequiredAccess = 0x30019;
constexpr SECURITY_INFORMATION kSavedSecurity =
    GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION | LABEL_SECURITY_INFORMATION;
// Key names are at most 255 characters.
constexpr DWORD kMaxKeyNameLength = 256;

// Puts the saved access list (and group) on a recreated key, through a
// handle opened before the list may shut this process out. (Wine ignores a
// descriptor given to RegCreateKeyExW.) When the group cannot be set, the
// access list alone is put back.
void RestoreKeySecurity(HKEY key, std::vector<uint8_t>& descriptor) {
  if (descriptor.empty())
    return;
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  SECURITY_INFORMATION information = DACL_SECURITY_INFORMATION;
  if (::GetSecurityDescriptorControl(descriptor.data(), &control, &revision) &&
      (control & SE_DACL_PROTECTED)) {
    information |= PROTECTED_DACL_SECURITY_INFORMATION;
  }
  LONG result =
      ::RegSetKeySecurity(key, information | GROUP_SECURITY_INFORMATION, descriptor.data());
  if (result != ERROR_SUCCESS)
    result = ::RegSetKeySecurity(key, information, descriptor.data());
  if (result != ERROR_SUCCESS)
    LOG(ERROR) << "Cannot restore the security of a recreated registry key: " << result;
}

}  // namespace

SavedRegistryKey::SavedRegistryKey() = default;
SavedRegistryKey::SavedRegistryKey(SavedRegistryKey&&) noexcept = default;
SavedRegistryKey& SavedRegistryKey::operator=(SavedRegistryKey&&) noexcept = default;
SavedRegistryKey::~SavedRegistryKey() = default;

DeleteRegKeyOperation::DeleteRegKeyOperation(HKEY root,
                                             const std::wstring& key_path,
                                             REGSAM access_flags)
    : key_path_(NormalizeRegistryKeyPath(key_path)), root_(root), access_flags_(access_flags) {}

DeleteRegKeyOperation::~DeleteRegKeyOperation() = default;

bool DeleteRegKeyOperation::DoExecute(Transaction* /*sub_operations*/, std::string* /*error*/) {
  const std::wstring object_name = GetRegistryObjectName(root_, key_path_);
  VLOG(1) << "Attempting to delete registry key " << object_name;
  if (!IsRegistryKeySafeToDelete(key_path_)) {
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
  return DeleteAndSaveRecursive(key_path_, object_name);
}

bool DeleteRegKeyOperation::DeleteAndSaveRecursive(const std::wstring& key_path,
                                                   const std::wstring& object_name) {
  VLOG(1) << "DeleteAndSaveRecursive : " << key_path;
  SavedRegistryKey saved;
  saved.key_path = key_path;

  const SE_OBJECT_TYPE object_type = GetRegistryObjectType(access_flags_);
  SecurityUtil* security = GetSecurityUtil();
  base::win::RegKey key;
  LONG result = key.Open(root_, key_path.c_str(), access_flags_ | kDeleteTreeAccess);
  bool granted = false;
  if (result != ERROR_SUCCESS || !security->HasAccess(object_name, object_type, kRequiredAccess)) {
    if (result != ERROR_SUCCESS && result != ERROR_ACCESS_DENIED) {
      LOG(ERROR) << "Failed to open key " << object_name;
      return false;
    }
    VLOG(1) << "Insufficient permissions on the key";
    if (!security->GrantAccessToCurrentUser(object_name, object_type, kDeleteTreeAccess, false,
                                            &saved.saved_security)) {
      LOG(ERROR) << "Unable to obtain sufficient permissions on key" << object_name;
      return false;
    }
    granted = true;
  }
  // Kept from here on, also when a step below fails: the rollback gives the
  // grant back. Saved before the subkeys, so a rollback recreates parents
  // first. |record| is valid until the subkeys are visited.
  saved_keys_.push_back(std::move(saved));
  SavedRegistryKey& record = saved_keys_.back();
  if (granted) {
    result = key.Open(root_, key_path.c_str(), access_flags_ | kDeleteTreeAccess);
    if (result != ERROR_SUCCESS) {
      LOG(ERROR) << "Failed to open key " << object_name;
      return false;
    }
  }

  DWORD descriptor_size = 0;
  result = ::RegGetKeySecurity(key.Handle(), kSavedSecurity, nullptr, &descriptor_size);
  if (result != ERROR_INSUFFICIENT_BUFFER && result != ERROR_SUCCESS) {
    LOG(ERROR) << "Failed to obtain security descriptor for " << object_name;
    return false;
  }
  record.security_descriptor.assign(descriptor_size, 0);
  result = ::RegGetKeySecurity(key.Handle(), kSavedSecurity,
                               record.security_descriptor.empty()
                                   ? nullptr
                                   : record.security_descriptor.data(),
                               &descriptor_size);
  if (result != ERROR_SUCCESS) {
    LOG(ERROR) << "Failed to obtain security descriptor for " << object_name
               << " (but we succeeded earlier)";
    return false;
  }

  DWORD value_count = 0;
  DWORD max_value_name = 0;
  DWORD max_value_data = 0;
  result = ::RegQueryInfoKeyW(key.Handle(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                              &value_count, &max_value_name, &max_value_data, nullptr, nullptr);
  if (result != ERROR_SUCCESS) {
    LOG(ERROR) << "Failed to obtain key info for " << object_name;
    return false;
  }
  VLOG(1) << value_count << " values";

  std::vector<wchar_t> name_buffer(max_value_name + 1);
  std::vector<uint8_t> data_buffer(max_value_data + 1);
  for (DWORD index = 0; index < value_count; ++index) {
    DWORD name_length = static_cast<DWORD>(name_buffer.size());
    DWORD data_size = static_cast<DWORD>(data_buffer.size());
    DWORD type = REG_NONE;
    result = ::RegEnumValueW(key.Handle(), index, name_buffer.data(), &name_length, nullptr,
                             &type, data_buffer.data(), &data_size);
    if (result != ERROR_SUCCESS) {
      LOG(ERROR) << "Failed to obtain value nr " << index;
      return false;
    }
    SavedRegistryValue value;
    value.name.assign(name_buffer.data(), name_length);
    value.type = type;
    value.data.assign(data_buffer.begin(), data_buffer.begin() + data_size);
    record.values.push_back(std::move(value));
  }

  for (;;) {
    wchar_t subkey_name[kMaxKeyNameLength];
    DWORD subkey_length = kMaxKeyNameLength;
    // Each recursion deletes its subkey, so index 0 is always the next one.
    result = ::RegEnumKeyExW(key.Handle(), 0, subkey_name, &subkey_length, nullptr, nullptr,
                             nullptr, nullptr);
    if (result == ERROR_NO_MORE_ITEMS)
      break;
    if (result != ERROR_SUCCESS) {
      LOG(ERROR) << "Failed to read a subkey";
      return false;
    }
    const std::wstring subkey(subkey_name, subkey_length);
    if (!DeleteAndSaveRecursive(key_path + L"\\" + subkey, object_name + L"\\" + subkey))
      return false;
  }
  key.Close();
  result = ::RegDeleteKeyExW(root_, key_path.c_str(), access_flags_, 0);
  if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) {
    LOG(ERROR) << "Failed to delete key " << object_name << ": " << result;
    return false;
  }
  return true;
}

void DeleteRegKeyOperation::DoRollback() {
  for (SavedRegistryKey& saved : saved_keys_) {
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
    if (disposition == REG_CREATED_NEW_KEY) {
      for (const SavedRegistryValue& value : saved.values) {
        ::RegSetValueExW(key, value.name.c_str(), 0, value.type,
                         value.data.empty() ? nullptr : value.data.data(),
                         static_cast<DWORD>(value.data.size()));
      }
      RestoreKeySecurity(key, saved.security_descriptor);
    }
    ::RegCloseKey(key);
  }
  SecurityUtil* security = GetSecurityUtil();
  for (SavedRegistryKey& saved : saved_keys_) {
    if (saved.saved_security)
      security->RestoreAccess(&saved.saved_security);
  }
  saved_keys_.clear();
}
