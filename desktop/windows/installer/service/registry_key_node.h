#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_REGISTRY_KEY_NODE_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_REGISTRY_KEY_NODE_H_

#include <windows.h>

#include <memory>
#include <string>

#include "base/win/registry.h"

class RegistryKeyEnumerator;

// A registry key opened at construction, for walking a tree of keys. The
// key may fail to open: ask IsValid().
class RegistryKeyNode {
 public:
  RegistryKeyNode(HKEY root, const std::wstring& path, REGSAM access);
  RegistryKeyNode(const RegistryKeyNode&) = delete;
  RegistryKeyNode& operator=(const RegistryKeyNode&) = delete;
  virtual ~RegistryKeyNode();

  virtual bool IsValid() const;
  // A string value (REG_SZ, or REG_EXPAND_SZ expanded); null names the
  // default value.
  virtual bool ReadValue(const wchar_t* value_name, std::wstring* value) const;
  virtual bool HasValue(const wchar_t* value_name) const;
  // The subkeys, opened with the same root and access. Never null.
  virtual std::unique_ptr<RegistryKeyEnumerator> CreateSubkeyEnumerator() const;
  // The last component of the path (the whole path when it has no "\").
  virtual std::wstring GetName() const;

  HKEY root() const { return root_; }
  REGSAM access() const { return access_; }
  const std::wstring& path() const { return path_; }

 private:
  HKEY root_;
  REGSAM access_;
  base::win::RegKey key_;
  std::wstring path_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_REGISTRY_KEY_NODE_H_
