#include "desktop/windows/installer/steps/component_entries.h"

#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/strings/string_split.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/service/installation_status.h"
#include "desktop/windows/installer/utils/relative_path.h"
#include "desktop/windows/installer/utils/service_utils.h"

namespace {

constexpr wchar_t kInstallerSuffix[] = L"_installer.exe";

}  // namespace

std::vector<ComponentEntry> ParseComponentsSwitch(const std::wstring& value) {
  std::vector<ComponentEntry> entries;
  for (const std::wstring& entry :
       base::SplitString(value, L"|", base::TRIM_WHITESPACE, base::SPLIT_WANT_NONEMPTY)) {
    const size_t colon = entry.find(L':');
    ComponentEntry parsed;
    if (colon != std::wstring::npos) {
      parsed.name = entry.substr(0, colon);
      parsed.folder = entry.substr(colon + 1);
    }
    if (!IsSafeFileName(parsed.name) || !IsSafeRelativePath(parsed.folder)) {
      LOG(ERROR) << "Skipping unsafe component entry " << base::WideToUTF8(entry);
      continue;
    }
    entries.push_back(std::move(parsed));
  }
  return entries;
}

bool IsRecordedComponentSafe(const StatusComponent& component,
                             const base::FilePath& install_folder) {
  const std::wstring name = base::UTF8ToWide(component.name);
  bool safe = IsSafeFileName(name) && IsParentPathIgnoreCase(install_folder, component.path);
  if (safe) {
    const std::wstring& path = component.path.value();
    const std::wstring rest =
        path.substr(install_folder.StripTrailingSeparators().value().size() + 1);
    safe = IsSafeRelativePath(rest);
  }
  if (!safe) {
    LOG(ERROR) << "Skipping unsafe component of the status: " << component.name << " in "
               << component.path;
  }
  return safe;
}

base::FilePath GetComponentInstallerPath(const base::FilePath& folder, const std::wstring& name) {
  const base::FilePath installer = folder.Append(name + kInstallerSuffix);
  if (name != L"suite" || base::PathExists(installer))
    return installer;
  const base::FilePath assistant = folder.Append(std::wstring(L"assistant") + kInstallerSuffix);
  LOG(INFO) << "Rewriting component installer name from " << installer;
  LOG(INFO) << "to: " << assistant;
  return assistant;
}
