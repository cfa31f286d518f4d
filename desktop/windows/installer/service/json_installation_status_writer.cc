#include "desktop/windows/installer/service/json_installation_status_writer.h"

#include <utility>

#include "base/files/important_file_writer.h"
#include "base/json/json_writer.h"
#include "base/logging.h"

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
      entry->SetStringWithoutPathExpansion("type", value.type);
      entry->SetStringWithoutPathExpansion("data", value.data);
      entry->SetStringWithoutPathExpansion("name", value.name);
      values->Append(std::move(entry));
    }
    auto entry = std::make_unique<base::DictionaryValue>();
    entry->SetIntegerWithoutPathExpansion("clean", key.clean);
    entry->SetListWithoutPathExpansion("values", std::move(values));
    entry->SetStringWithoutPathExpansion("path", key.path);
    list->Append(std::move(entry));
  }
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
  root->SetStringWithoutPathExpansion("version", status.version);
  root->SetBooleanWithoutPathExpansion("copy_only", status.copy_only);
  root->SetBooleanWithoutPathExpansion("_all_users", status.all_users);
  if (!status.app_id.empty())
    root->SetStringWithoutPathExpansion("app_id", status.app_id);
  root->SetStringWithoutPathExpansion("path", status.path.value());
  root->SetStringWithoutPathExpansion("_subfolder", status.subfolder.value());
  root->SetListWithoutPathExpansion("files", PathsToList(status.files));
  if (!status.root_files.empty())
    root->SetListWithoutPathExpansion("root_files", PathsToList(status.root_files));

  auto registry = std::make_unique<base::DictionaryValue>();
  if (!status.hklm_keys.empty())
    registry->SetListWithoutPathExpansion("HKLM", RegistryKeysToList(status.hklm_keys));
  if (!status.hkcu_keys.empty())
    registry->SetListWithoutPathExpansion("HKCU", RegistryKeysToList(status.hkcu_keys));
  root->SetDictionaryWithoutPathExpansion("registry", std::move(registry));

  auto shortcuts = std::make_unique<base::DictionaryValue>();
  SetShortcut(shortcuts.get(),
              status.all_users ? "SC_DEST_COMMON_DESKTOP" : "SC_DEST_DESKTOP",
              status.desktop_shortcut);
  SetShortcut(shortcuts.get(), status.all_users ? "SC_DEST_COMMON_MENU" : "SC_DEST_MENU",
              status.start_menu_shortcut);
  SetShortcut(shortcuts.get(), "SC_DEST_QUICK_LAUNCH", status.quick_launch_shortcut);
  if (!shortcuts->empty())
    root->SetDictionaryWithoutPathExpansion("shortcuts", std::move(shortcuts));

  if (!status.components.empty()) {
    auto components = std::make_unique<base::DictionaryValue>();
    for (const StatusComponent& component : status.components)
      components->SetStringWithoutPathExpansion(component.name, component.path.value());
    root->SetDictionaryWithoutPathExpansion("components", std::move(components));
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
