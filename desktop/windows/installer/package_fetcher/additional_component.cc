#include "desktop/windows/installer/package_fetcher/additional_component.h"

#include <algorithm>

#include "base/files/file_enumerator.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/values.h"
#include "desktop/windows/installer/checksum_checker/checksum_checker.h"

namespace {

bool Contains(const std::vector<std::string>& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

AdditionalComponent Read(const base::DictionaryValue& dictionary) {
  AdditionalComponent component;
  const base::Value* archive = dictionary.FindKey("archive");
  int archive_number = 0;
  bool has_filename = dictionary.GetStringWithoutPathExpansion("filename", &component.filename);
  component.complete =
      dictionary.GetStringWithoutPathExpansion("location", &component.location) &&
      dictionary.GetStringWithoutPathExpansion("type", &component.type) &&
      dictionary.GetStringWithoutPathExpansion("checksum", &component.checksum) && archive &&
      archive->GetAsInteger(&archive_number);
  component.archive = archive_number != 0;
  if (!component.archive && !has_filename)
    component.complete = false;
  return component;
}

}  // namespace

// static
std::vector<AdditionalComponent> AdditionalComponent::Choose(
    const base::ListValue* components, bool with_assistant,
    const std::vector<std::string>& needed) {
  std::vector<AdditionalComponent> chosen;
  if (!components)
    return chosen;
  for (const base::Value& item : components->GetList()) {
    const base::DictionaryValue* dictionary = nullptr;
    std::string type;
    if (!item.GetAsDictionary(&dictionary) ||
        !dictionary->GetStringWithoutPathExpansion("type", &type)) {
      continue;
    }
    AdditionalComponent component = Read(*dictionary);
    if ((type == "assistant" && with_assistant) || type == "partner_content" ||
        (type == "downloadable_resource" && Contains(needed, component.filename))) {
      chosen.push_back(std::move(component));
    }
  }
  return chosen;
}

// static
std::vector<AdditionalComponent> AdditionalComponent::FromTestFolder(
    const base::FilePath& folder, const std::vector<std::string>& needed) {
  std::vector<AdditionalComponent> found;
  base::FileEnumerator files(folder, /*recursive=*/true, base::FileEnumerator::FILES);
  for (base::FilePath path = files.Next(); !path.empty(); path = files.Next()) {
    base::FilePath relative;
    if (!folder.AppendRelativePath(path, &relative))
      continue;
    std::string name = base::WideToUTF8(relative.value());
    std::replace(name.begin(), name.end(), '\\', '/');
    std::string contents;
    if (!Contains(needed, name) || !base::ReadFileToString(path, &contents))
      continue;
    AdditionalComponent component;
    component.type = "downloadable_resource";
    component.checksum = ComputeSha256Hex(contents.data(), contents.size());
    component.filename = name;
    std::wstring location = path.value();
    std::replace(location.begin(), location.end(), L'\\', L'/');
    component.location = "file:///" + base::WideToUTF8(location);
    component.complete = true;
    found.push_back(std::move(component));
  }
  return found;
}

// static
bool AdditionalComponent::AppendToFilesList(const base::FilePath& files_list,
                                            const std::vector<std::string>& names) {
  std::string text;
  std::string existing;
  if (base::ReadFileToString(files_list, &existing) && !existing.empty() &&
      existing.back() != '\n') {
    text = "\r\n";
  }
  for (const std::string& name : names)
    text += name + "\r\n";
  if (names.empty())
    text += "\r\n";
  return base::PathExists(files_list)
             ? base::AppendToFile(files_list, text.data(), static_cast<int>(text.size()))
             : base::WriteFile(files_list, text);
}
