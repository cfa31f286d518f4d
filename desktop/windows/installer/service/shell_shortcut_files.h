#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_SHELL_SHORTCUT_FILES_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_SHELL_SHORTCUT_FILES_H_

#include <string>
#include <vector>

#include "base/files/file_path.h"

// The installer's own shortcut files in the shell's shortcut folders (the
// desktops, the start menus, quick launch and the taskbar's pins): a file
// directly in one of those folders named as one of the installer's
// shortcuts, or a moved-aside copy of one. The only paths outside the
// installation folder that its journal may name.
class ShellShortcutFiles {
 public:
  // `names`: the shortcut file names ("Tarvo developer.lnk").
  ShellShortcutFiles(std::vector<base::FilePath> folders, std::vector<std::wstring> names);
  ShellShortcutFiles(const ShellShortcutFiles&);
  ~ShellShortcutFiles();

  // The shell's shortcut folders as this process finds them.
  static std::vector<base::FilePath> GetShellFolders();

  bool Contains(const base::FilePath& path) const;
  const std::vector<base::FilePath>& folders() const { return folders_; }

 private:
  std::vector<base::FilePath> folders_;
  std::vector<std::wstring> names_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_SHELL_SHORTCUT_FILES_H_
