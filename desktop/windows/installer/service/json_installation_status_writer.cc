#include "desktop/windows/installer/service/json_installation_status_writer.h"

#include <utility>

#include "base/files/important_file_writer.h"
#include "base/json/json_writer.h"
#include "base/logging.h"
#include "desktop/windows/installer/service/installation_status_keys.h"

namespace {

std::unique_ptr<base::ListValue> PathsToList(const std::vector<base::FilePath>& paths) {
  auto list = std::make_unique<base::ListValue>();
  list->Reserve(paths.size());
  for (const base::FilePath& path : paths)
    list->AppendString(path.value());
  return list;
}

std::unique_ptr<base::ListValue> RegistryKeysToList(const std::vector<StatusRegistryKey>& keys) {
  auto list = std::make_unique<base::ListValue>();
  for (const StatusRegistryKey& key : keys) {
    auto values = std::make_unique<base::ListValue>();
    for (const StatusRegistryValue& value : key.values) {
      auto entry = std::make_unique<base::DictionaryValue>();
      entry->SetStringWithoutPathExpansion(status_keys::kValueType, value.type);
      entry->SetStringWithoutPathExpansion(status_keys::kValueData, value.data);
      entry->SetStringWithoutPathExpansion(status_keys::kValueName, value.name);
      values->Append(std::move(entry));
    }
    auto entry = std::make_unique<base::DictionaryValue>();
    entry->SetIntegerWithoutPathExpansion(status_keys::kKeyClean, key.clean);
    entry->SetListWithoutPathExpansion(status_keys::kKeyValues, std::move(values));
    entry->SetStringWithoutPathExpansion(status_keys::kKeyPath, key.path);
    list->Append(std::move(entry));
  }
  return list;
}

std::unique_ptr<base::ListValue> StringsToList(const std::vector<std::string>& texts) {
  auto list = std::make_unique<base::ListValue>();
  for (const std::string& text : texts)
    list->AppendString(text);
  return list;
}

void SetShortcut(base::DictionaryValue* shortcuts, const char* destination,
                 const base::FilePath& path) {
  if (!path.empty())
    shortcuts->SetStringWithoutPathExpansion(destination, path.value());
}

}  // namespace

std::unique_ptr<base::DictionaryValue> InstallationStatusToDictionary(
    const InstallationStatus& status) {
  auto root = std::make_unique<base::DictionaryValue>();
  root->SetStringWithoutPathExpansion(status_keys::kVersion, status.version);
  root->SetBooleanWithoutPathExpansion(status_keys::kCopyOnly, status.copy_only);
  root->SetBooleanWithoutPathExpansion(status_keys::kAllUsers, status.all_users);
  if (!status.app_id.empty())
    root->SetStringWithoutPathExpansion(status_keys::kAppId, status.app_id);
  root->SetStringWithoutPathExpansion(status_keys::kPath, status.path.value());
  root->SetStringWithoutPathExpansion(status_keys::kSubfolder, status.subfolder.value());
  root->SetListWithoutPathExpansion(status_keys::kFiles, PathsToList(status.files));
  if (!status.root_files.empty())
    root->SetListWithoutPathExpansion(status_keys::kRootFiles, PathsToList(status.root_files));

  auto registry = std::make_unique<base::DictionaryValue>();
  if (!status.hklm_keys.empty())
    registry->SetListWithoutPathExpansion(status_keys::kHklm, RegistryKeysToList(status.hklm_keys));
  if (!status.hkcu_keys.empty())
    registry->SetListWithoutPathExpansion(status_keys::kHkcu, RegistryKeysToList(status.hkcu_keys));
  root->SetDictionaryWithoutPathExpansion(status_keys::kRegistry, std::move(registry));

  auto shortcuts = std::make_unique<base::DictionaryValue>();
  const bool common = status.all_users;
  SetShortcut(shortcuts.get(),
              common ? status_keys::kCommonDesktopShortcut : status_keys::kDesktopShortcut,
              status.desktop_shortcut);
  SetShortcut(shortcuts.get(),
              common ? status_keys::kCommonMenuShortcut : status_keys::kMenuShortcut,
              status.start_menu_shortcut);
  SetShortcut(shortcuts.get(), status_keys::kQuickLaunchShortcut, status.quick_launch_shortcut);
  if (!shortcuts->empty())
    root->SetDictionaryWithoutPathExpansion(status_keys::kShortcuts, std::move(shortcuts));

  auto created_keys = std::make_unique<base::DictionaryValue>();
  if (!status.hklm_created_keys.empty()) {
    created_keys->SetListWithoutPathExpansion(status_keys::kHklm,
                                              StringsToList(status.hklm_created_keys));
  }
  if (!status.hkcu_created_keys.empty()) {
    created_keys->SetListWithoutPathExpansion(status_keys::kHkcu,
                                              StringsToList(status.hkcu_created_keys));
  }
  if (!created_keys->empty())
    root->SetDictionaryWithoutPathExpansion(status_keys::kCreatedKeys, std::move(created_keys));
  if (!status.created_folders.empty()) {
    root->SetListWithoutPathExpansion(status_keys::kCreatedFolders,
                                      PathsToList(status.created_folders));
  }

  if (!status.components.empty()) {
    auto components = std::make_unique<base::DictionaryValue>();
    for (const StatusComponent& component : status.components)
      components->SetStringWithoutPathExpansion(component.name, component.path.value());
    root->SetDictionaryWithoutPathExpansion(status_keys::kComponents, std::move(components));
  }
  return root;
}

std::string SerializeInstallationStatus(const InstallationStatus& status) {
  std::string json;
  if (!base::JSONWriter::Write(*InstallationStatusToDictionary(status), &json)) {
    LOG(ERROR) << "Failed to write status as JSON";
    return std::string();
  }
  return json;
}

bool WriteInstallationStatusAsJson(const InstallationStatus& status, const base::FilePath& file) {
  std::string json = SerializeInstallationStatus(status);
  if (json.empty())
    return false;
  return base::ImportantFileWriter::WriteFileAtomically(file, json);
}
