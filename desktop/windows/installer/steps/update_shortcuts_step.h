#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_UPDATE_SHORTCUTS_STEP_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_UPDATE_SHORTCUTS_STEP_H_

#include <utility>
#include <vector>

#include "base/files/file_path.h"
#include "desktop/windows/installer/steps/installer_step.h"
#include "desktop/windows/installer/steps/installer_steps.h"

// "update_shortcuts" (upgrade): brings the earlier installation's
// shortcuts and pins in line with the settings, keeping, renaming,
// recreating, adding or removing each one. Never fails.
class UpdateShortcutsStep : public InstallerStep {
 public:
  explicit UpdateShortcutsStep(InstallerStepContext* context);
  ~UpdateShortcutsStep() override;

  StepResult Run(int attempt) override;

 private:
  struct Shortcut {
    ShortcutPlace place;
    const base::FilePath* old_path;
    base::FilePath* new_path;
    bool exists;
    bool wanted;
    bool recreate;
  };

  // Whether an earlier shortcut carries another name than this build's.
  bool NeedsRename(const base::FilePath (&old_paths)[3]) const;
  // Keeps, moves or deletes the shortcut; adds it to `create` when it is to
  // be made.
  void HandleShortcut(const Shortcut& shortcut,
                      bool rename,
                      std::vector<ShortcutDestination>* create);
  // Deletes the old files of the shortcuts made again; one that could not
  // be made again keeps its old file, which stays recorded.
  void FinishRecreated();
  // Whether the master shortcut is to be pinned; unpins the earlier pins
  // where they go.
  bool HandlePins(bool rename);

  // Old path and new status field of each shortcut being made again.
  std::vector<std::pair<base::FilePath, base::FilePath*>> recreated_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_UPDATE_SHORTCUTS_STEP_H_
