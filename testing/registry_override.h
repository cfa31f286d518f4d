#ifndef TESTING_REGISTRY_OVERRIDE_H_
#define TESTING_REGISTRY_OVERRIDE_H_

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace registry_util {

// Redirects HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE of this process into a
// fresh scratch key under the real HKCU\Software\TarvoTest for the manager's
// lifetime, so a test may write to "the registry" without touching the real
// hives. Other processes (children included) still see the real hives.
//
// Under an HKLM override KEY_WOW64_32KEY no longer redirects to
// Wow6432Node: test registry-view logic on the real HKLM instead.
//
// Managers may be nested; destroy them in reverse order of creation (as
// scoped objects are). Scratch keys left by a crashed run are removed by the
// next manager once they are a day old.
class RegistryOverrideManager {
 public:
  RegistryOverrideManager();
  RegistryOverrideManager(const RegistryOverrideManager&) = delete;
  RegistryOverrideManager& operator=(const RegistryOverrideManager&) = delete;
  // Restores every root this manager overrode and deletes the scratch keys.
  ~RegistryOverrideManager();

  // Redirects |root| (HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE) to a new empty
  // scratch key. On success |override_path|, when given, receives the
  // scratch key's path relative to the real HKCU. Returns false, with the
  // registry unchanged, when the key cannot be made or the override fails.
  bool OverrideRegistry(HKEY root);
  bool OverrideRegistry(HKEY root, std::wstring* override_path);

 private:
  class ScopedRegistryKeyOverride;

  std::vector<std::unique_ptr<ScopedRegistryKeyOverride>> overrides_;
};

}  // namespace registry_util

#endif  // TESTING_REGISTRY_OVERRIDE_H_
