#include "desktop/windows/installer/service/transactions/registry_operation_util.h"

#include "desktop/windows/installer/utils/service_utils.h"

std::wstring GetRegistryObjectName(HKEY root, const std::wstring& key_path) {
  std::wstring name;
  RegistryRootName(root, key_path, &name);
  return name;
}

SE_OBJECT_TYPE GetRegistryObjectType(REGSAM access_flags) {
  return access_flags == KEY_WOW64_32KEY ? SE_REGISTRY_WOW64_32KEY : SE_REGISTRY_KEY;
}

std::wstring GetParentKeyPath(const std::wstring& key_path) {
  const size_t separator = key_path.find_last_of(L'\\');
  if (separator == std::wstring::npos)
    return std::wstring();
  return key_path.substr(0, separator);
}

bool IsRegistryKeyEmpty(HKEY root, const std::wstring& key_path, REGSAM access_flags) {
  HKEY key = nullptr;
  if (::RegOpenKeyExW(root, key_path.c_str(), 0, access_flags | KEY_QUERY_VALUE, &key) !=
      ERROR_SUCCESS) {
    return false;
  }
  DWORD subkeys = 0;
  DWORD values = 0;
  const LONG result = ::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr,
                                         nullptr, &values, nullptr, nullptr, nullptr, nullptr);
  ::RegCloseKey(key);
  return result == ERROR_SUCCESS && subkeys == 0 && values == 0;
}

UndoRecord MakeRegistryUndoRecord(UndoRecord::Kind kind, HKEY root, REGSAM access_flags,
                                  const std::wstring& key_path) {
  UndoRecord record;
  record.kind = kind;
  record.root = root;
  record.view = access_flags & (KEY_WOW64_32KEY | KEY_WOW64_64KEY);
  record.key = key_path;
  return record;
}
