#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_SAVED_REGISTRY_KEY_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_SAVED_REGISTRY_KEY_H_

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct SavedSecurityInfo;

// One value of a deleted key, kept for a rollback.
struct SavedRegistryValue {
  std::wstring name;
  DWORD type = REG_NONE;
  std::vector<uint8_t> data;
};

// One key that a deletion visited, kept so that a rollback can recreate it.
struct SavedRegistryKey {
  SavedRegistryKey();
  SavedRegistryKey(SavedRegistryKey&&) noexcept;
  SavedRegistryKey& operator=(SavedRegistryKey&&) noexcept;
  ~SavedRegistryKey();

  std::wstring key_path;  // Below the root.
  // Self-relative descriptor: group, DACL and integrity label.
  std::vector<uint8_t> security_descriptor;
  // From granting ourselves access to delete the key.
  std::unique_ptr<SavedSecurityInfo> saved_security;
  std::vector<SavedRegistryValue> values;
  // The key is gone: only such keys are recreated.
  bool deleted = false;
};

// Reads the security descriptor and every value of the open `key` (opened
// with KEY_QUERY_VALUE and READ_CONTROL) into `saved`. `object_name` names
// the key in log texts. False, logged, when something cannot be read.
bool ReadSavedRegistryKey(HKEY key, const std::wstring& object_name, SavedRegistryKey* saved);

// Writes the saved values and security onto `key`, just recreated and
// opened with KEY_SET_VALUE, WRITE_DAC and WRITE_OWNER. What cannot be
// written is logged and left out.
void WriteSavedRegistryKey(const SavedRegistryKey& saved, HKEY key);

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_SAVED_REGISTRY_KEY_H_
