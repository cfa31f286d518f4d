#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_INSTALLER_STEPS_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_INSTALLER_STEPS_H_

#include <string>
#include <utility>
#include <vector>

#include "base/files/file_path.h"
#include "desktop/windows/installer/steps/installer_step.h"

// The browser's shortcuts: made once as a master file in the package
// folder, then copied to each destination through the transaction, so that
// a failed installation removes the copies again. Shortcuts never fail a
// step: what cannot be made, moved, pinned or deleted is logged.

// A destination folder, and the new status field (desktop, start menu or
// quick launch) that receives the shortcut's path once it is in place.
using ShortcutDestination = std::pair<base::FilePath, base::FilePath*>;

enum class ShortcutPlace {
  kDesktop,
  kStartMenu,
  kQuickLaunch,
};

// The folder of a shortcut: the common desktop and start menu for an
// all-users installation, the user's otherwise; quick launch is always the
// user's. Empty when the system does not know it.
base::FilePath GetShortcutFolder(ShortcutPlace place, bool all_users);

// What the shortcuts start: "launcher.exe" in the installation folder.
base::FilePath GetShortcutTarget(InstallerStepContext* context);

// The shortcut's file name: the visible product name with its channel and
// the product's shortcut suffix, then ".lnk".
std::wstring MakeShortcutFileName();

// Makes the master shortcut to `target` and copies it to each destination
// in order; with `pin` the master is pinned to the taskbar, and where the
// tracking data ask for it a partner-site shortcut is made and pinned too.
// False when a shortcut could not be made (then nothing is copied).
bool CreateShortcuts(InstallerStepContext* context,
                     const std::vector<ShortcutDestination>& destinations,
                     bool pin,
                     const base::FilePath& target);

// Whether a shortcut path read from a status file may be moved or deleted:
// a ".lnk" file right inside one of the shortcut folders. A damaged record
// must not make the steps delete anything else.
bool IsShortcutInShortcutFolder(const base::FilePath& path);

// Unpins each shortcut and deletes it through the transaction.
void UnpinShortcuts(InstallerStepContext* context, const std::vector<base::FilePath>& shortcuts);

// Deletes a shortcut through the transaction; once that commits, the
// folders above it that the installation made (`created_folders`) go too,
// each while it is empty. False when the deletion failed.
bool DeleteShortcut(InstallerStepContext* context,
                    const base::FilePath& shortcut,
                    const std::vector<base::FilePath>& created_folders);

// "install_shortcuts": the desktop, start-menu and quick-launch shortcuts
// and the taskbar pin that the settings ask for.
class InstallShortcutsStep : public InstallerStep {
 public:
  explicit InstallShortcutsStep(InstallerStepContext* context);
  ~InstallShortcutsStep() override;

  StepResult Run(int attempt) override;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_INSTALLER_STEPS_H_
