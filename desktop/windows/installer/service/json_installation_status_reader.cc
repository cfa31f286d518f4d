#include "desktop/windows/installer/service/json_installation_status_reader.h"

#include <utility>

#include "base/json/json_reader.h"
#include "base/logging.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/values.h"
#include "desktop/windows/installer/service/installation_status_keys.h"
#include "desktop/windows/installer/utils/relative_path.h"

namespace {

// ASCII white space only: a name may end in a no-break or ideographic space.
std::wstring Trimmed(const std::wstring& text) {
  return std::wstring(base::TrimWhitespaceASCII(text, base::TRIM_ALL));
}

// The path `text` names, trimmed unless `as_is`. A path would silently end
// at a NUL, so a text with a control character fails here, with `error`
// naming `field`, rather than as a shorter path.
bool ToPath(const std::wstring& text, const char* field, bool as_is, base::FilePath* path,
            std::string* error) {
  const std::wstring value = as_is ? text : Trimmed(text);
  if (HasControlCharacter(std::wstring_view(value))) {
    *error = std::string("A control character in ") + field;
    return false;
  }
  *path = base::FilePath(value);
  return true;
}

// Reads a list of file paths. |required| makes an absent key an error.
bool ReadFileList(const base::DictionaryValue& root, const char* key, const char* field,
                  bool required, std::vector<base::FilePath>* paths, std::string* error) {
  const base::Value* value = nullptr;
  if (!root.GetWithoutPathExpansion(key, &value)) {
    if (!required)
      return true;
    *error = std::string("No ") + key + " list";
    return false;
  }
  if (!value->is_list()) {
    *error = required ? std::string("No ") + key + " list" : std::string(key) + " is not a list";
    return false;
  }
  for (const base::Value& element : value->GetList()) {
    if (!element.is_string()) {
      *error = std::string("Element on ") + key + " list is not a string";
      return false;
    }
    std::wstring text;
    element.GetAsString(&text);
    base::FilePath path;
    if (!ToPath(text, field, /*as_is=*/false, &path, error))
      return false;
    paths->push_back(std::move(path));
  }
  return true;
}

bool ReadRegistryValue(const base::Value& element, StatusRegistryValue* value,
                       std::string* error) {
  const base::DictionaryValue* dict = nullptr;
  if (!element.GetAsDictionary(&dict)) {
    *error = "Registry value is not a dictionary";
    return false;
  }
  if (!dict->GetStringWithoutPathExpansion(status_keys::kValueName, &value->name)) {
    *error = "No name in a registry key value";
    return false;
  }
  if (!dict->GetStringWithoutPathExpansion(status_keys::kValueType, &value->type)) {
    *error = "No type information on a registry key value";
    return false;
  }
  dict->GetStringWithoutPathExpansion(status_keys::kValueData, &value->data);
  return true;
}

bool ReadRegistryKey(const base::Value& element, StatusRegistryKey* key, std::string* error) {
  const base::DictionaryValue* dict = nullptr;
  if (!element.GetAsDictionary(&dict)) {
    *error = "Registry key not a dictionary";
    return false;
  }
  if (!dict->GetStringWithoutPathExpansion(status_keys::kKeyPath, &key->path)) {
    *error = "Registry key dictionary doesn't specify a path";
    return false;
  }
  int clean = 0;
  if (!dict->GetIntegerWithoutPathExpansion(status_keys::kKeyClean, &clean)) {
    *error = "No cleanup information on a registry key";
    return false;
  }
  key->clean = clean;
  const base::ListValue* values = nullptr;
  if (!dict->GetListWithoutPathExpansion(status_keys::kKeyValues, &values)) {
    *error = "No values list in a registry key";
    return false;
  }
  for (const base::Value& value_element : *values) {
    StatusRegistryValue value;
    if (!ReadRegistryValue(value_element, &value, error))
      return false;
    key->values.push_back(std::move(value));
  }
  return true;
}

// An absent hive is fine; one that is not a list fails with no message.
bool ReadHive(const base::DictionaryValue& registry, const char* hive,
              std::vector<StatusRegistryKey>* keys, std::string* error) {
  const base::Value* value = nullptr;
  if (!registry.GetWithoutPathExpansion(hive, &value))
    return true;
  if (!value->is_list()) {
    error->clear();
    return false;
  }
  for (const base::Value& element : value->GetList()) {
    StatusRegistryKey key;
    if (!ReadRegistryKey(element, &key, error))
      return false;
    keys->push_back(std::move(key));
  }
  return true;
}

bool ReadShortcuts(const base::DictionaryValue& root, InstallationStatus* status,
                   std::string* error) {
  const base::Value* value = nullptr;
  if (!root.GetWithoutPathExpansion(status_keys::kShortcuts, &value))
    return true;
  const base::DictionaryValue* shortcuts = nullptr;
  if (!value->GetAsDictionary(&shortcuts)) {
    *error = "Shortcuts not a dictionary";
    return false;
  }
  for (base::DictionaryValue::Iterator it(*shortcuts); !it.IsAtEnd(); it.Advance()) {
    std::wstring path;
    if (!it.value().GetAsString(&path)) {
      *error = "Shorcut path is not a string";
      return false;
    }
    base::FilePath* field = status->ShortcutForDestination(it.key());
    if (!field) {
      *error = "Invalid shortcut type " + it.key();
      return false;
    }
    // Entries come in key order: of two names for one shortcut the later
    // one ("SC_DEST_DESKTOP" after "SC_DEST_COMMON_DESKTOP") is kept.
    if (!ToPath(path, "a shortcut", /*as_is=*/true, field, error))
      return false;
  }
  return true;
}

bool ReadComponents(const base::DictionaryValue& root, InstallationStatus* status,
                    std::string* error) {
  const base::DictionaryValue* components = nullptr;
  if (!root.GetDictionaryWithoutPathExpansion(status_keys::kComponents, &components))
    return true;
  for (base::DictionaryValue::Iterator it(*components); !it.IsAtEnd(); it.Advance()) {
    std::wstring text;
    if (!it.value().GetAsString(&text)) {
      *error = "Component path is not a string: " + it.key();
      return false;
    }
    base::FilePath path;
    if (!ToPath(text, "a component", /*as_is=*/false, &path, error))
      return false;
    status->components.push_back(StatusComponent{it.key(), path});
  }
  return true;
}

// The strings of the list `key` in `dictionary`. Older installers write
// none, and what they are for (tidying up empty leftovers) is no reason to
// refuse a record: anything that is not a string is passed over.
std::vector<std::string> ReadOptionalStrings(const base::DictionaryValue& dictionary,
                                             const char* key) {
  std::vector<std::string> strings;
  const base::ListValue* list = nullptr;
  if (!dictionary.GetListWithoutPathExpansion(key, &list))
    return strings;
  for (const base::Value& element : list->GetList()) {
    if (element.is_string())
      strings.push_back(element.GetString());
  }
  return strings;
}

bool ReadCreated(const base::DictionaryValue& root, InstallationStatus* status,
                 std::string* error) {
  const base::DictionaryValue* keys = nullptr;
  if (root.GetDictionaryWithoutPathExpansion(status_keys::kCreatedKeys, &keys)) {
    status->hklm_created_keys = ReadOptionalStrings(*keys, status_keys::kHklm);
    status->hkcu_created_keys = ReadOptionalStrings(*keys, status_keys::kHkcu);
  }
  for (const std::string& folder : ReadOptionalStrings(root, status_keys::kCreatedFolders)) {
    base::FilePath path;
    if (!ToPath(base::UTF8ToWide(folder), "a created folder", /*as_is=*/true, &path, error))
      return false;
    status->created_folders.push_back(std::move(path));
  }
  return true;
}

bool ReadRoot(const base::Value& root_value, InstallationStatus* status, std::string* error) {
  const base::DictionaryValue* root = nullptr;
  if (!root_value.GetAsDictionary(&root)) {
    *error = "The root is not a dictionary";
    return false;
  }
  if (!root->GetStringWithoutPathExpansion(status_keys::kVersion, &status->version)) {
    *error = "No version information";
    return false;
  }
  const base::Value* app_id = nullptr;
  if (root->GetWithoutPathExpansion(status_keys::kAppId, &app_id) &&
      !app_id->GetAsString(&status->app_id)) {
    *error = "Invalid app id type";
    return false;
  }
  if (!root->GetBooleanWithoutPathExpansion(status_keys::kCopyOnly, &status->copy_only)) {
    *error = "No copy only information";
    return false;
  }
  if (!root->GetBooleanWithoutPathExpansion(status_keys::kAllUsers, &status->all_users)) {
    *error = "No all users information";
    return false;
  }
  std::wstring path;
  if (!root->GetStringWithoutPathExpansion(status_keys::kPath, &path)) {
    *error = "No install path information";
    return false;
  }
  if (!ToPath(path, "the installation folder", /*as_is=*/false, &status->path, error))
    return false;
  const base::Value* subfolder = nullptr;
  if (root->GetWithoutPathExpansion(status_keys::kSubfolder, &subfolder)) {
    std::wstring text;
    if (!subfolder->GetAsString(&text)) {
      *error = "Subfolder not a string";
      return false;
    }
    if (!ToPath(text, "the subfolder", /*as_is=*/false, &status->subfolder, error))
      return false;
  }
  if (!ReadFileList(*root, status_keys::kFiles, "a file", /*required=*/true, &status->files,
                    error) ||
      !ReadFileList(*root, status_keys::kRootFiles, "a root file", /*required=*/false,
                    &status->root_files, error)) {
    return false;
  }
  const base::DictionaryValue* registry = nullptr;
  if (!root->GetDictionaryWithoutPathExpansion(status_keys::kRegistry, &registry)) {
    *error = "No registry dictionary";
    return false;
  }
  if (!ReadHive(*registry, status_keys::kHklm, &status->hklm_keys, error) ||
      !ReadHive(*registry, status_keys::kHkcu, &status->hkcu_keys, error)) {
    return false;
  }
  return ReadShortcuts(*root, status, error) && ReadComponents(*root, status, error) &&
         ReadCreated(*root, status, error);
}

}  // namespace

JsonInstallationStatusReader::JsonInstallationStatusReader() = default;

JsonInstallationStatusReader::~JsonInstallationStatusReader() = default;

void JsonInstallationStatusReader::Read(std::unique_ptr<InstallationStatus>* status,
                                        const std::string& text,
                                        InstallationStatusSource kind) {
  DCHECK(status);
  status->reset();
  std::string parse_error;
  std::unique_ptr<base::Value> root =
      base::JSONReader::ReadAndReturnError(text, base::JSON_PARSE_RFC, nullptr, &parse_error);
  if (!root) {
    error_message_ = "Cannot parse the file as JSON: " + parse_error;
    return;
  }
  auto result = std::make_unique<InstallationStatus>(kind);
  std::string error;
  if (!ReadRoot(*root, result.get(), &error)) {
    error_message_ = std::move(error);
    return;
  }
  std::string field;
  if (HasControlCharacterInNames(*result, &field)) {
    error_message_ = "A control character in " + field;
    return;
  }
  *status = std::move(result);
}

const std::string& JsonInstallationStatusReader::GetErrorMessage() const {
  return error_message_;
}
