#include "desktop/windows/installer/service/shell_shortcut_files.h"

#include <algorithm>
#include <utility>

#include "base/base_paths.h"
#include "base/path_service.h"
#include "desktop/windows/installer/utils/moved_aside_name.h"
#include "desktop/windows/installer/utils/relative_path.h"

ShellShortcutFiles::ShellShortcutFiles(std::vector<base::FilePath> folders,
                                       std::vector<std::wstring> names)
    : folders_(std::move(folders)), names_(std::move(names)) {}

ShellShortcutFiles::ShellShortcutFiles(const ShellShortcutFiles&) = default;

ShellShortcutFiles::~ShellShortcutFiles() = default;

// static
std::vector<base::FilePath> ShellShortcutFiles::GetShellFolders() {
  std::vector<base::FilePath> folders;
  for (int key : {base::DIR_USER_DESKTOP, base::DIR_COMMON_DESKTOP, base::DIR_START_MENU,
                  base::DIR_COMMON_START_MENU, base::DIR_USER_QUICK_LAUNCH,
                  base::DIR_TASKBAR_PINS}) {
    base::FilePath folder;
    if (base::PathService::Get(key, &folder) && !folder.empty())
      folders.push_back(folder.StripTrailingSeparators());
  }
  return folders;
}

bool ShellShortcutFiles::Contains(const base::FilePath& path) const {
  const base::FilePath folder = path.DirName();
  if (std::none_of(folders_.begin(), folders_.end(), [&folder](const base::FilePath& shell) {
        return base::FilePath::CompareEqualIgnoreCase(folder.value(), shell.value());
      })) {
    return false;
  }
  std::wstring name = path.BaseName().value();
  std::wstring original;
  if (ParseMovedAsideName(name, &original, nullptr))
    name = original;
  for (const std::wstring& shortcut : names_) {
    if (!shortcut.empty() && base::FilePath::CompareEqualIgnoreCase(name, shortcut) &&
        IsSafeFileName(name)) {
      return true;
    }
  }
  return false;
}
