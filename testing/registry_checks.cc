#include "testing/registry_checks.h"

#include "base/win/registry.h"

namespace testing_support {

bool KeyExists(HKEY root, const std::wstring& path, REGSAM view) {
  base::win::RegKey key;
  return key.Open(root, path.c_str(), KEY_READ | view) == ERROR_SUCCESS;
}

}  // namespace testing_support
