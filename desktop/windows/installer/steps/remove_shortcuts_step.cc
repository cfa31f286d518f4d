#include "desktop/windows/installer/steps/remove_shortcuts_step.h"

#include <memory>
#include <string>

#include "base/logging.h"
#include "desktop/windows/installer/service/installation_folder_details.h"
#include "desktop/windows/installer/service/installation_status.h"
#include "desktop/windows/installer/service/transactions/delete_file_operation.h"
#include "desktop/windows/installer/service/transactions/transaction.h"
#include "desktop/windows/installer/steps/installer_steps.h"

namespace {

void Delete(InstallerStepContext* context, const base::FilePath& path) {
  if (path.empty())
    return;
  std::string error;
  if (!context->GetTransaction()->Execute(
          std::make_unique<DeleteFileOperation>(path, /*check_in_use=*/false,
                                                /*remove_empty_parents=*/false),
          &error)) {
    LOG(WARNING) << "Cannot remove " << path.value() << ": " << error;
  }
}

// A recorded shortcut goes only when it is one of the shortcut folders'.
void DeleteRecordedShortcut(InstallerStepContext* context, const base::FilePath& path) {
  if (!path.empty() && IsShortcutInShortcutFolder(path))
    Delete(context, path);
}

}  // namespace

RemoveShortcutsStep::RemoveShortcutsStep(InstallerStepContext* context)
    : InstallerStep("remove_shortcuts", context) {}

RemoveShortcutsStep::~RemoveShortcutsStep() = default;

StepResult RemoveShortcutsStep::Run(int /*attempt*/) {
  LOG(INFO) << "Removing shortctus.";
  const InstallationFolderDetails* details = GetFolderDetails();
  if (!details)
    return StepResult(STEP_OK);
  if (!details->GetPinnedShortcutPaths().empty()) {
    VLOG(1) << "Unpinning shortcuts";
    UnpinShortcuts(GetContext(), details->GetPinnedShortcutPaths());
  }
  if (!details->GetPinnedMasterShortcutPaths().empty()) {
    VLOG(1) << "Unpinning extra shortcuts";
    UnpinShortcuts(GetContext(), details->GetPinnedMasterShortcutPaths());
  }
  if (const InstallationStatus* existing = GetExistingInstallation()) {
    if (details->DesktopShortcutExists()) {
      VLOG(1) << "Removing desktop shortcut.";
      DeleteRecordedShortcut(GetContext(), existing->desktop_shortcut);
    }
    if (details->StartMenuShortcutExists()) {
      VLOG(1) << "Removing start menu shortcut.";
      DeleteRecordedShortcut(GetContext(), existing->start_menu_shortcut);
    }
    if (details->QuickLaunchShortcutExists()) {
      VLOG(1) << "Removing quick launch shortcut.";
      DeleteRecordedShortcut(GetContext(), existing->quick_launch_shortcut);
    }
  }
  if (details->TemporaryShortcutFolderExists()) {
    VLOG(1) << "Removing temporary shortcut folder.";
    Delete(GetContext(), details->GetTemporaryShortcutFolder());
  }
  return StepResult(STEP_OK);
}
