#include "desktop/windows/installer/service/journal_registry_undo.h"

#include <windows.h>

#include <string>

#include "base/logging.h"
#include "desktop/windows/installer/service/transactions/registry_key_safety.h"
#include "desktop/windows/installer/service/transactions/registry_operation_util.h"

JournalRegistryUndo::JournalRegistryUndo(const base::FilePath& folder, ObjectWriters writers)
    : own_(folder), writers_(writers) {}

void JournalRegistryUndo::Undo(const UndoRecord& record) const {
  if (!IsTrustedWith(record))
    return;
  if (record.kind == UndoRecord::Kind::kRestoreValue)
    RestoreValue(record);
  else if (record.kind == UndoRecord::Kind::kDeleteKey)
    DeleteKey(record);
  else if (record.kind == UndoRecord::Kind::kRestoreKeys)
    RestoreKeys(record);
}

bool JournalRegistryUndo::IsTrustedWith(const UndoRecord& record) const {
  if (CanChangeRegistryRoot(writers_, record.root))
    return true;
  LOG(WARNING) << "Not undoing a change of " << record.key
               << ": accounts that could not make it can write the installation journal";
  return false;
}

void JournalRegistryUndo::RestoreValue(const UndoRecord& record) const {
  if (!IsRegistryKeySafeToChange(record.key) ||
      !own_.IsOwnValue(record.root, record.key, record.value_name)) {
    LOG(WARNING) << "Not restoring the value " << record.value_name << " of " << record.key
                 << ": the installer never writes it";
    return;
  }
  HKEY key = nullptr;
  if (::RegOpenKeyExW(record.root, record.key.c_str(), 0, record.view | KEY_SET_VALUE, &key) !=
      ERROR_SUCCESS) {
    return;  // Gone with the key the run made.
  }
  LONG result = ERROR_SUCCESS;
  if (record.value_type == UndoRecord::kAbsentValue) {
    result = ::RegDeleteValueW(key, record.value_name.c_str());
    if (result == ERROR_FILE_NOT_FOUND)
      result = ERROR_SUCCESS;
  } else {
    result = ::RegSetValueExW(key, record.value_name.c_str(), 0, record.value_type,
                              record.value_data.empty() ? nullptr : record.value_data.data(),
                              static_cast<DWORD>(record.value_data.size()));
  }
  ::RegCloseKey(key);
  if (result != ERROR_SUCCESS)
    LOG(ERROR) << "Cannot restore the value " << record.value_name << " of " << record.key;
}

void JournalRegistryUndo::DeleteKey(const UndoRecord& record) const {
  const std::wstring top = NormalizeRegistryKeyPath(record.top_key);
  std::wstring path = NormalizeRegistryKeyPath(record.key);
  if (path.compare(0, top.size(), top) != 0 ||
      (path.size() != top.size() && path[top.size()] != L'\\')) {
    LOG(WARNING) << "Not deleting the key " << record.key << ": it is not below " << top;
    return;
  }
  auto is_own = [&](const std::wstring& key) {
    return own_.IsOwnKey(record.root, key) || own_.LeadsToOwnEntries(record.root, key);
  };
  const bool whole = own_.IsOwnKey(record.root, path) && IsRegistryKeySafeToDelete(path);
  if (!is_own(path)) {
    LOG(WARNING) << "Not deleting the key " << record.key << ": the installer never makes it";
    return;
  }
  HKEY key = nullptr;
  if (whole &&
      ::RegOpenKeyExW(record.root, path.c_str(), 0, record.view | KEY_ALL_ACCESS, &key) ==
          ERROR_SUCCESS) {
    // RegDeleteTreeW keeps the view of the handle; SHDeleteKeyW would not.
    ::RegDeleteTreeW(key, nullptr);
    ::RegCloseKey(key);
  }
  for (;;) {
    if (!is_own(path) || !IsRegistryKeySafeToChange(path) ||
        !IsRegistryKeyEmpty(record.root, path, record.view) ||
        ::RegDeleteKeyExW(record.root, path.c_str(), record.view, 0) != ERROR_SUCCESS ||
        path.size() <= top.size()) {
      return;
    }
    path.resize(path.rfind(L'\\'));
  }
}

void JournalRegistryUndo::RestoreKeys(const UndoRecord& record) const {
  const std::wstring top = NormalizeRegistryKeyPath(record.key);
  for (const UndoRecord::Key& saved : record.keys) {
    const std::wstring path = NormalizeRegistryKeyPath(saved.path);
    if (path.compare(0, top.size(), top) != 0 ||
        (path.size() != top.size() && path[top.size()] != L'\\') ||
        !IsRegistryKeySafeToChange(path) ||
        !(own_.IsOwnKey(record.root, path) || own_.LeadsToOwnEntries(record.root, path))) {
      LOG(WARNING) << "Not making the key " << saved.path << " again: the installer never makes it";
      continue;
    }
    HKEY key = nullptr;
    if (::RegCreateKeyExW(record.root, path.c_str(), 0, nullptr, 0, record.view | KEY_SET_VALUE,
                          nullptr, &key, nullptr) != ERROR_SUCCESS) {
      LOG(ERROR) << "Cannot make the key " << saved.path << " again";
      continue;
    }
    for (const SavedRegistryValue& value : saved.values) {
      if (!own_.IsOwnValue(record.root, path, value.name)) {
        LOG(WARNING) << "Not restoring the value " << value.name << " of " << saved.path
                     << ": the installer never writes it";
        continue;
      }
      ::RegSetValueExW(key, value.name.c_str(), 0, value.type,
                       value.data.empty() ? nullptr : value.data.data(),
                       static_cast<DWORD>(value.data.size()));
    }
    ::RegCloseKey(key);
  }
}
