#include "desktop/windows/installer/steps/update_shortcuts_step.h"

#include <algorithm>
#include <iterator>
#include <memory>
#include <string>
#include <utility>

#include "base/files/file_util.h"
#include "base/logging.h"
#include "desktop/windows/installer/service/installation_folder_details.h"
#include "desktop/windows/installer/service/installation_status.h"
#include "desktop/windows/installer/service/transactions/delete_file_operation.h"
#include "desktop/windows/installer/service/transactions/move_file_operation.h"
#include "desktop/windows/installer/service/transactions/transaction.h"
#include "desktop/windows/installer/settings/settings.h"
#include "desktop/windows/installer/utils/installer_session.h"

namespace {

const InstallationStatus& EmptyStatus() {
  static const InstallationStatus empty(INSTALLATION_STATUS_SOURCE_INVALID);
  return empty;
}

bool Execute(InstallerStepContext* context, std::unique_ptr<Operation> operation) {
  std::string error;
  if (context->GetTransaction()->Execute(std::move(operation), &error))
    return true;
  LOG(WARNING) << "A shortcut operation failed: " << error;
  return false;
}

base::FilePath Checked(const base::FilePath& recorded) {
  return recorded.empty() || !IsShortcutInShortcutFolder(recorded) ? base::FilePath() : recorded;
}

}  // namespace

UpdateShortcutsStep::UpdateShortcutsStep(InstallerStepContext* context)
    : InstallerStep("update_shortcuts", context) {}

UpdateShortcutsStep::~UpdateShortcutsStep() = default;

bool UpdateShortcutsStep::NeedsRename(const base::FilePath (&old_paths)[3]) const {
  const std::wstring current = base::FilePath(MakeShortcutFileName()).RemoveExtension().value();
  for (const base::FilePath& old : old_paths) {
    if (!old.empty() && old.BaseName().RemoveExtension().value() != current)
      return true;
  }
  return false;
}

void UpdateShortcutsStep::HandleShortcut(const Shortcut& shortcut,
                                         bool rename,
                                         std::vector<ShortcutDestination>* create) {
  const base::FilePath folder = GetShortcutFolder(shortcut.place, GetSettings()->GetAllUsers());
  if (shortcut.exists && !shortcut.wanted) {
    VLOG(1) << "Removing shortcut";
    const InstallationStatus* existing = GetExistingInstallation();
    DeleteShortcut(GetContext(), *shortcut.old_path,
                   existing ? existing->created_folders : std::vector<base::FilePath>());
  } else if (shortcut.exists && !shortcut.recreate && !rename) {
    *shortcut.new_path = *shortcut.old_path;
  } else if (shortcut.exists && !shortcut.recreate) {
    VLOG(1) << "Moving shortcut";
    const base::FilePath moved = folder.Append(MakeShortcutFileName());
    // Another shortcut's name may be what needs the renaming; this one
    // already has the current name and place.
    const bool done =
        base::FilePath::CompareEqualIgnoreCase(moved.value(), shortcut.old_path->value()) ||
        Execute(GetContext(), std::make_unique<MoveFileOperation>(*shortcut.old_path, moved));
    *shortcut.new_path = done ? moved : *shortcut.old_path;
  } else if (shortcut.exists) {
    VLOG(1) << "Recreating shortcut";
    // The old file goes once the new one is in place (FinishRecreated).
    create->emplace_back(folder, shortcut.new_path);
    recreated_.emplace_back(*shortcut.old_path, shortcut.new_path);
  } else if (shortcut.wanted) {
    VLOG(1) << "Preparing to add shortcut";
    create->emplace_back(folder, shortcut.new_path);
  }
}

void UpdateShortcutsStep::FinishRecreated() {
  for (const auto& [old_path, new_path] : recreated_) {
    if (new_path->empty()) {
      // Not made again: the old shortcut stays and stays recorded.
      *new_path = old_path;
    } else if (!base::FilePath::CompareEqualIgnoreCase(new_path->value(), old_path.value())) {
      Execute(GetContext(), std::make_unique<DeleteFileOperation>(old_path, /*check_in_use=*/false,
                                                                  /*remove_empty_parents=*/false));
    }
  }
  recreated_.clear();
}

bool UpdateShortcutsStep::HandlePins(bool rename) {
  VLOG(1) << "Handling pinned shortcut:";
  const Settings* settings = GetSettings();
  // An autoupdate of an all-users installation runs without the user who
  // pinned; the pins stay as they are.
  if (IsAutoupdate() && settings->GetAllUsers())
    return false;
  const InstallationFolderDetails* details = GetFolderDetails();
  const std::vector<base::FilePath> pins =
      details ? details->GetPinnedShortcutPaths() : std::vector<base::FilePath>();
  if (pins.empty())
    return settings->GetPinnedShortcut();
  if (!settings->GetPinnedShortcut()) {
    VLOG(1) << "Unpinning existing shortcuts";
    UnpinShortcuts(GetContext(), pins);
    return false;
  }
  if (!rename && !details->ShouldRecreatePinnedShortcut())
    return false;
  VLOG(1) << "Unpinning existing shortcuts (with repin)";
  UnpinShortcuts(GetContext(), pins);
  return true;
}

StepResult UpdateShortcutsStep::Run(int /*attempt*/) {
  const Settings* settings = GetSettings();
  if (settings->GetCopyOnly())
    return StepResult(STEP_OK);
  LOG(INFO) << "Updating shortcuts";
  const InstallationStatus& old =
      GetExistingInstallation() ? *GetExistingInstallation() : EmptyStatus();
  // Only recorded shortcuts that are shortcuts of the shortcut folders are
  // touched; any other recorded path counts as no shortcut.
  const base::FilePath old_paths[] = {Checked(old.desktop_shortcut),
                                      Checked(old.start_menu_shortcut),
                                      Checked(old.quick_launch_shortcut)};
  const bool rename = NeedsRename(old_paths);
  if (rename)
    LOG(INFO) << "Shortcuts need to be renamed";
  const InstallationFolderDetails* details = GetFolderDetails();
  InstallationStatus* status = GetInstallationStatus();
  // The folders the installation made before stay its own while they are
  // there.
  std::vector<base::FilePath> kept_folders;
  std::copy_if(old.created_folders.begin(), old.created_folders.end(),
               std::back_inserter(kept_folders),
               [](const base::FilePath& folder) { return base::DirectoryExists(folder); });
  AddCreatedFolders(kept_folders, &status->created_folders);
  const Shortcut shortcuts[] = {
      {ShortcutPlace::kDesktop, &old_paths[0], &status->desktop_shortcut,
       details && details->DesktopShortcutExists(), settings->GetDesktopShortcut(),
       details && details->ShouldRecreateDesktopShortcut()},
      {ShortcutPlace::kStartMenu, &old_paths[1], &status->start_menu_shortcut,
       details && details->StartMenuShortcutExists(), settings->GetStartMenuShortcut(),
       details && details->ShouldRecreateStartMenuShortcut()},
      {ShortcutPlace::kQuickLaunch, &old_paths[2], &status->quick_launch_shortcut,
       details && details->QuickLaunchShortcutExists(), settings->GetQuickLaunchShortcut(),
       details && details->ShouldRecreateQuickLaunchShortcut()},
  };
  const char* const announcements[] = {
      "Handling desktop shortcut:", "Handling start menu shortcut:",
      "Handling quick launch shortcut:"};
  std::vector<ShortcutDestination> create;
  for (size_t i = 0; i < std::size(shortcuts); ++i) {
    VLOG(1) << announcements[i];
    Shortcut shortcut = shortcuts[i];
    shortcut.exists = shortcut.exists && !shortcut.old_path->empty();
    HandleShortcut(shortcut, rename, &create);
  }
  const bool pin = HandlePins(rename);
  CreateShortcuts(GetContext(), create, pin, GetShortcutTarget(GetContext()));
  FinishRecreated();
  return StepResult(STEP_OK);
}
