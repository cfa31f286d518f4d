#include "desktop/windows/installer/steps/remove_shortcuts_step.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/win/shortcut.h"
#include "desktop/windows/installer/service/installation.h"
#include "desktop/windows/installer/service/installation_folder_details.h"
#include "desktop/windows/installer/service/installation_status.h"
#include "desktop/windows/installer/service/transactions/delete_file_operation.h"
#include "desktop/windows/installer/service/transactions/transaction.h"
#include "desktop/windows/installer/steps/installer_steps.h"
#include "desktop/windows/installer/utils/service_utils.h"

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

// Whether a recorded shortcut the folder details did not find pointing at
// the installation is still the installation's. A link may keep its target
// only as an ANSI path (so under Wine), which names a folder with other
// characters wrongly: where the target's identity cannot be read, a target
// naming one of `targets` counts, and so does one that no longer exists.
bool IsOwnShortcut(const base::FilePath& shortcut, const std::vector<base::FilePath>& targets) {
  base::win::ShortcutProperties properties;
  if (!ReadShortcutProperties(shortcut, base::win::ShortcutProperties::PROPERTIES_TARGET,
                              &properties)) {
    return false;
  }
  const base::FilePath& target = properties.target;
  FileIdentity identity;
  if (!target.empty() && GetFileIdentity(target, &identity)) {
    return std::any_of(targets.begin(), targets.end(), [&identity](const base::FilePath& own) {
      FileIdentity own_identity;
      return GetFileIdentity(own, &own_identity) && own_identity == identity;
    });
  }
  const bool named = std::any_of(targets.begin(), targets.end(), [&target](const base::FilePath& own) {
    return base::FilePath::CompareEqualIgnoreCase(own.value(), target.value());
  });
  return named || target.empty() || !base::PathExists(target);
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
    const struct {
      bool exists;
      const base::FilePath& path;
      const char* announcement;
    } recorded[] = {
        {details->DesktopShortcutExists(), existing->desktop_shortcut,
         "Removing desktop shortcut."},
        {details->StartMenuShortcutExists(), existing->start_menu_shortcut,
         "Removing start menu shortcut."},
        {details->QuickLaunchShortcutExists(), existing->quick_launch_shortcut,
         "Removing quick launch shortcut."},
    };
    const base::FilePath& folder = details->GetPath();
    std::vector<base::FilePath> targets = {folder.Append(kLauncherExeName),
                                           folder.Append(GetBrowserExeName())};
    if (IsRecordedSubfolderSafe(existing->subfolder))
      targets.push_back(folder.Append(existing->subfolder).Append(GetBrowserExeName()));
    for (const auto& shortcut : recorded) {
      // A damaged record must not name anything but a shortcut of ours.
      if (shortcut.path.empty() || !IsShortcutInShortcutFolder(shortcut.path) ||
          !(shortcut.exists || IsOwnShortcut(shortcut.path, targets))) {
        continue;
      }
      VLOG(1) << shortcut.announcement;
      DeleteShortcut(GetContext(), shortcut.path, existing->created_folders);
    }
  }
  if (details->TemporaryShortcutFolderExists()) {
    VLOG(1) << "Removing temporary shortcut folder.";
    Delete(GetContext(), details->GetTemporaryShortcutFolder());
  }
  return StepResult(STEP_OK);
}
