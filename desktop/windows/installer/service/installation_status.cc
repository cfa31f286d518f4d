#include "desktop/windows/installer/service/installation_status.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <iterator>

#include "base/logging.h"
#include "base/strings/string_util.h"
#include "base/strings/stringprintf.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/service/installation_status_keys.h"
#include "desktop/windows/installer/utils/relative_path.h"

InstallationStatus::InstallationStatus(InstallationStatusSource source) : source(source) {}

InstallationStatus::InstallationStatus(const InstallationStatus&) = default;

InstallationStatus& InstallationStatus::operator=(const InstallationStatus&) = default;

InstallationStatus::~InstallationStatus() = default;

std::wstring InstallationStatus::GetAppIdWithSuffix() const {
  return app_id + L"1";
}

base::FilePath* InstallationStatus::ShortcutForDestination(const std::string& destination) {
  if (destination == status_keys::kDesktopShortcut ||
      destination == status_keys::kCommonDesktopShortcut)
    return &desktop_shortcut;
  if (destination == status_keys::kMenuShortcut || destination == status_keys::kCommonMenuShortcut)
    return &start_menu_shortcut;
  if (destination == status_keys::kQuickLaunchShortcut)
    return &quick_launch_shortcut;
  return nullptr;
}

std::vector<std::string>* InstallationStatus::CreatedKeysFor(HKEY root) {
  DCHECK(root == HKEY_LOCAL_MACHINE || root == HKEY_CURRENT_USER);
  return root == HKEY_LOCAL_MACHINE ? &hklm_created_keys : &hkcu_created_keys;
}

const std::vector<std::string>* InstallationStatus::CreatedKeysFor(HKEY root) const {
  return const_cast<InstallationStatus*>(this)->CreatedKeysFor(root);
}

void AddCreatedKeys(const std::vector<std::string>& added, std::vector<std::string>* list) {
  for (const std::string& key : added) {
    const bool known = std::any_of(list->begin(), list->end(), [&key](const std::string& known) {
      return base::EqualsCaseInsensitiveASCII(known, key);
    });
    if (!known)
      list->push_back(key);
  }
}

void AddCreatedFolders(const std::vector<base::FilePath>& added,
                       std::vector<base::FilePath>* list) {
  for (const base::FilePath& folder : added) {
    const bool known =
        std::any_of(list->begin(), list->end(), [&folder](const base::FilePath& known) {
          return base::FilePath::CompareEqualIgnoreCase(known.value(), folder.value());
        });
    if (!known)
      list->push_back(folder);
  }
}

namespace {

bool AnyHasControlCharacter(const std::vector<base::FilePath>& paths) {
  return std::any_of(paths.begin(), paths.end(), [](const base::FilePath& path) {
    return HasControlCharacter(std::wstring_view(path.value()));
  });
}

bool AnyHasControlCharacter(const std::vector<std::string>& texts) {
  return std::any_of(texts.begin(), texts.end(), [](const std::string& text) {
    return HasControlCharacter(std::string_view(text));
  });
}

// The first key path or value name of `keys` that holds a control character.
const char* FindInRegistryKeys(const std::vector<StatusRegistryKey>& keys) {
  for (const StatusRegistryKey& key : keys) {
    if (HasControlCharacter(std::string_view(key.path)))
      return "a registry key path";
    for (const StatusRegistryValue& value : key.values) {
      if (HasControlCharacter(std::string_view(value.name)))
        return "a registry value name";
    }
  }
  return nullptr;
}

const char* FindControlCharacter(const InstallationStatus& status) {
  if (HasControlCharacter(std::wstring_view(status.path.value())))
    return "the installation folder";
  if (HasControlCharacter(std::wstring_view(status.subfolder.value())))
    return "the subfolder";
  if (HasControlCharacter(std::wstring_view(status.app_id)))
    return "the app id";
  if (AnyHasControlCharacter(status.files))
    return "a file";
  if (AnyHasControlCharacter(status.root_files))
    return "a root file";
  if (AnyHasControlCharacter(
          {status.desktop_shortcut, status.start_menu_shortcut, status.quick_launch_shortcut})) {
    return "a shortcut";
  }
  for (const StatusComponent& component : status.components) {
    if (HasControlCharacter(std::string_view(component.name)) ||
        HasControlCharacter(std::wstring_view(component.path.value()))) {
      return "a component";
    }
  }
  if (AnyHasControlCharacter(status.created_folders))
    return "a created folder";
  if (AnyHasControlCharacter(status.hklm_created_keys) ||
      AnyHasControlCharacter(status.hkcu_created_keys)) {
    return "a created registry key";
  }
  if (const char* found = FindInRegistryKeys(status.hklm_keys))
    return found;
  return FindInRegistryKeys(status.hkcu_keys);
}

}  // namespace

bool IsRecordedSubfolderSafe(const base::FilePath& subfolder) {
  return subfolder.empty() || IsSafeFileName(std::wstring_view(subfolder.value()));
}

bool HasControlCharacterInNames(const InstallationStatus& status, std::string* field) {
  const char* found = FindControlCharacter(status);
  if (found && field)
    *field = found;
  return found != nullptr;
}

std::string GetRegistryTypeName(uint32_t type) {
  static const char* const kNames[] = {
      "REG_NONE",          "REG_SZ",
      "REG_EXPAND_SZ",     "REG_BINARY",
      "REG_DWORD",         "REG_DWORD_BIG_ENDIAN",
      "REG_LINK",          "REG_MULTI_SZ",
      "REG_RESOURCE_LIST", "REG_FULL_RESOURCE_DESCRIPTOR",
      "REG_RESOURCE_REQUIREMENTS_LIST", "REG_QWORD",
  };
  if (type >= std::size(kNames))
    return std::string();
  return kNames[type];
}

namespace {

std::string RegistryDataToString(const void* data, uint32_t type, uint32_t size) {
  if (!data)
    return std::string();
  switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ: {
      // The size may or may not count the terminator; never read past it.
      const wchar_t* text = static_cast<const wchar_t*>(data);
      size_t length = wcsnlen(text, size / sizeof(wchar_t));
      return base::WideToUTF8(std::wstring_view(text, length));
    }
    case REG_BINARY: {
      const unsigned char* bytes = static_cast<const unsigned char*>(data);
      std::string result;
      for (uint32_t i = 0; i < size; ++i)
        result += base::StringPrintf(i == 0 ? "%.2x" : ",%.2x", bytes[i]);
      return result;
    }
    case REG_DWORD: {
      if (size < sizeof(DWORD))
        return std::string();
      DWORD value;
      memcpy(&value, data, sizeof(value));
      return base::StringPrintf("%.8lx", static_cast<unsigned long>(value));
    }
    default:
      return std::string();
  }
}

}  // namespace

void RecordRegistryValueInStatus(std::vector<StatusRegistryKey>* keys,
                                 const std::wstring& key_path,
                                 const std::wstring& value_name,
                                 const void* data,
                                 uint32_t type,
                                 uint32_t size,
                                 int32_t clean) {
  DCHECK(keys);
  if (type == kDeletedRegistryValueType)
    return;
  std::string path = base::WideToUTF8(key_path);
  auto found = std::find_if(keys->rbegin(), keys->rend(), [&path](const StatusRegistryKey& key) {
    return base::EqualsCaseInsensitiveASCII(key.path, path);
  });
  StatusRegistryKey* key;
  if (found != keys->rend()) {
    key = &*found;
    key->clean = std::max(key->clean, clean);
  } else {
    keys->push_back(StatusRegistryKey{clean, path, {}});
    key = &keys->back();
  }
  key->values.push_back(StatusRegistryValue{GetRegistryTypeName(type),
                                            base::WideToUTF8(value_name),
                                            RegistryDataToString(data, type, size)});
}
