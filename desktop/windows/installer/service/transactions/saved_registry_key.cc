#include "desktop/windows/installer/service/transactions/saved_registry_key.h"

#include <utility>

#include "base/logging.h"
#include "desktop/windows/installer/utils/saved_security_info.h"

namespace {

constexpr SECURITY_INFORMATION kSavedSecurity =
    GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION | LABEL_SECURITY_INFORMATION;

bool ReadSecurityDescriptor(HKEY key, const std::wstring& object_name, SavedRegistryKey* saved) {
  DWORD size = 0;
  LONG result = ::RegGetKeySecurity(key, kSavedSecurity, nullptr, &size);
  if (result != ERROR_INSUFFICIENT_BUFFER && result != ERROR_SUCCESS) {
    LOG(ERROR) << "Failed to obtain security descriptor for " << object_name;
    return false;
  }
  saved->security_descriptor.assign(size, 0);
  result = ::RegGetKeySecurity(
      key, kSavedSecurity,
      saved->security_descriptor.empty() ? nullptr : saved->security_descriptor.data(), &size);
  if (result != ERROR_SUCCESS) {
    LOG(ERROR) << "Failed to obtain security descriptor for " << object_name
               << " (but we succeeded earlier)";
    return false;
  }
  return true;
}

bool ReadValues(HKEY key, const std::wstring& object_name, SavedRegistryKey* saved) {
  DWORD value_count = 0;
  DWORD max_value_name = 0;
  DWORD max_value_data = 0;
  LONG result =
      ::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &value_count,
                         &max_value_name, &max_value_data, nullptr, nullptr);
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
    result = ::RegEnumValueW(key, index, name_buffer.data(), &name_length, nullptr, &type,
                             data_buffer.data(), &data_size);
    if (result != ERROR_SUCCESS) {
      LOG(ERROR) << "Failed to obtain value nr " << index;
      return false;
    }
    SavedRegistryValue value;
    value.name.assign(name_buffer.data(), name_length);
    value.type = type;
    value.data.assign(data_buffer.begin(), data_buffer.begin() + data_size);
    saved->values.push_back(std::move(value));
  }
  return true;
}

// Whether `descriptor` carries an integrity label (a SACL with entries; a
// key without a label reads back without a SACL).
bool HasLabel(PSECURITY_DESCRIPTOR descriptor) {
  BOOL present = FALSE;
  BOOL defaulted = FALSE;
  PACL sacl = nullptr;
  return ::GetSecurityDescriptorSacl(descriptor, &present, &sacl, &defaulted) && present && sacl &&
         sacl->AceCount > 0;
}

// Puts the saved group, access list and label on a recreated key, through
// a handle opened before the access list may shut this process out. (Wine
// ignores a descriptor given to RegCreateKeyExW.) The label goes in the
// same call as the access list: Wine refuses it alone in
// RegSetKeySecurity (87), and its SetSecurityInfo drops it. What cannot be
// set is left out, the access list last.
void RestoreKeySecurity(HKEY key, const std::vector<uint8_t>& saved_descriptor) {
  if (saved_descriptor.empty())
    return;
  // RegSetKeySecurity takes a non-const descriptor but does not change it.
  std::vector<uint8_t> descriptor = saved_descriptor;
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  SECURITY_INFORMATION dacl = DACL_SECURITY_INFORMATION;
  if (::GetSecurityDescriptorControl(descriptor.data(), &control, &revision) &&
      (control & SE_DACL_PROTECTED)) {
    dacl |= PROTECTED_DACL_SECURITY_INFORMATION;
  }
  const SECURITY_INFORMATION label = HasLabel(descriptor.data()) ? LABEL_SECURITY_INFORMATION : 0;
  const SECURITY_INFORMATION attempts[] = {
      dacl | GROUP_SECURITY_INFORMATION | label,
      dacl | GROUP_SECURITY_INFORMATION,
      dacl,
  };
  LONG result = ERROR_SUCCESS;
  for (SECURITY_INFORMATION information : attempts) {
    result = ::RegSetKeySecurity(key, information, descriptor.data());
    if (result == ERROR_SUCCESS) {
      LOG_IF(ERROR, information != attempts[0])
          << "Restored only part of the security of a recreated registry key: " << information;
      return;
    }
  }
  LOG(ERROR) << "Cannot restore the security of a recreated registry key: " << result;
}

}  // namespace

SavedRegistryKey::SavedRegistryKey() = default;
SavedRegistryKey::SavedRegistryKey(SavedRegistryKey&&) noexcept = default;
SavedRegistryKey& SavedRegistryKey::operator=(SavedRegistryKey&&) noexcept = default;
SavedRegistryKey::~SavedRegistryKey() = default;

bool ReadSavedRegistryKey(HKEY key, const std::wstring& object_name, SavedRegistryKey* saved) {
  DCHECK(saved);
  return ReadSecurityDescriptor(key, object_name, saved) && ReadValues(key, object_name, saved);
}

void WriteSavedRegistryKey(const SavedRegistryKey& saved, HKEY key) {
  DCHECK(key);
  for (const SavedRegistryValue& value : saved.values) {
    const LONG result = ::RegSetValueExW(key, value.name.c_str(), 0, value.type,
                                         value.data.empty() ? nullptr : value.data.data(),
                                         static_cast<DWORD>(value.data.size()));
    LOG_IF(ERROR, result != ERROR_SUCCESS)
        << "Cannot restore the value " << value.name << " of " << saved.key_path << ": " << result;
  }
  RestoreKeySecurity(key, saved.security_descriptor);
}
