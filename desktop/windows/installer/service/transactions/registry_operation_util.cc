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
