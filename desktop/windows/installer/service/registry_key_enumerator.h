#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_REGISTRY_KEY_ENUMERATOR_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_REGISTRY_KEY_ENUMERATOR_H_

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "base/win/registry.h"

class RegistryKeyNode;

// The subkeys of one key, in the registry's order. A key that does not
// open has none.
class RegistryKeyEnumerator {
 public:
  RegistryKeyEnumerator(HKEY root, const std::wstring& path, REGSAM access);
  RegistryKeyEnumerator(const RegistryKeyEnumerator&) = delete;
  RegistryKeyEnumerator& operator=(const RegistryKeyEnumerator&) = delete;
  virtual ~RegistryKeyEnumerator();

  // The next subkey, or null once there is none (or on any error, after
  // which the enumeration stays ended).
  virtual std::unique_ptr<RegistryKeyNode> Next();

 private:
  HKEY root_;
  std::wstring path_;
  REGSAM access_;
  std::wstring name_;
  base::win::RegKey key_;
  uint32_t next_index_ = 0;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_REGISTRY_KEY_ENUMERATOR_H_
