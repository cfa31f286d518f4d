#include "desktop/windows/installer/steps/installer.h"

#include <utility>
#include <vector>

#include "base/base_paths.h"
#include "base/logging.h"
#include "base/path_service.h"
#include "desktop/windows/installer/service/installation_folder_details.h"
#include "desktop/windows/installer/service/leftover_cleaner.h"
#include "desktop/windows/installer/settings/settings.h"
#include "desktop/windows/installer/steps/installer_steps.h"
#include "desktop/windows/installer/utils/relative_path.h"
#include "desktop/windows/installer/utils/test_stop_point.h"

namespace {

// The versioned folder this process runs from, when it lies in `folder`.
base::FilePath GetOwnSubfolder(const base::FilePath& folder) {
  base::FilePath exe_folder;
  if (!base::PathService::Get(base::DIR_EXE, &exe_folder) ||
      !base::FilePath::CompareEqualIgnoreCase(
          exe_folder.DirName().StripTrailingSeparators().value(),
          folder.StripTrailingSeparators().value())) {
    return base::FilePath();
  }
  return exe_folder.BaseName();
}

// Whose records a run trusts and keeps: its own class of accounts.
ObjectWriters RecordWriters(const Settings& settings) {
  return settings.GetAllUsers() ? ObjectWriters::kAdministrators : ObjectWriters::kCurrentUser;
}

}  // namespace

ShellShortcutFiles Installer::GetOwnShortcutFiles() {
  // The current name, and those an earlier installation's shortcuts had,
  // which an upgrade renames.
  std::vector<std::wstring> names = {MakeShortcutFileName()};
  std::vector<base::FilePath> recorded;
  if (const InstallationStatus* existing = GetExistingInstallation()) {
    recorded = {existing->desktop_shortcut, existing->start_menu_shortcut,
                existing->quick_launch_shortcut};
  }
  if (const InstallationFolderDetails* details = settings_->GetFolderDetails()) {
    for (const base::FilePath& pin : details->GetPinnedShortcutPaths())
      recorded.push_back(pin);
  }
  for (const base::FilePath& shortcut : recorded) {
    if (!shortcut.empty())
      names.push_back(shortcut.BaseName().value());
  }
  return ShellShortcutFiles(ShellShortcutFiles::GetShellFolders(), std::move(names));
}

void Installer::RecoverInterruptedWork(const base::FilePath& folder) {
  const ShellShortcutFiles shortcuts = GetOwnShortcutFiles();
  folder_boundary_ = std::make_unique<FolderBoundary>(folder);
  for (const base::FilePath& shell_folder : shortcuts.folders())
    folder_boundary_->AddFolder(shell_folder);
  transaction_.SetFolderBoundary(folder_boundary_.get());
  LeftoverCleaner cleaner(folder, RecordWriters(*settings_), &shortcuts);
  cleaner.FinishInterruptedRun();
  // The folder this run prepares or runs from, and the installation it
  // replaces, stay whatever the files on disk say now.
  cleaner.Keep(GetInstallSubfolder());
  cleaner.Keep(GetOwnSubfolder(folder));
  if (const InstallationStatus* existing = GetExistingInstallation())
    cleaner.Keep(existing->subfolder);
  cleaner.RemoveLeftovers();
}

void Installer::StartJournal(const base::FilePath& folder, InstallationJournal::Role role) {
  DCHECK(!journal_);
  const ShellShortcutFiles shortcuts = GetOwnShortcutFiles();
  journal_writers_ = RecordWriters(*settings_);
  journal_ = InstallationJournal::Start(folder, journal_writers_, role, &shortcuts);
  journal_folder_ = folder;
  operations_before_journal_ = transaction_.size();
  transaction_.SetJournal(journal_.get());
  if (!journal_ || role != InstallationJournal::Role::kRun)
    return;
  const InstallationStatus* existing = GetExistingInstallation();
  if (existing && IsSafeFileName(existing->subfolder.value()))
    replaced_subfolder_ = existing->subfolder;
  for (const base::FilePath& subfolder : {GetInstallSubfolder(), replaced_subfolder_}) {
    if (IsSafeFileName(subfolder.value()))
      journal_->Record({UndoRecord::Kind::kVersionedFolder, folder.Append(subfolder)});
  }
}

void Installer::CommitWork() {
  if (!journal_)
    return;
  journal_->MarkCommitting();
  StopHereIfTestAsks("commit");
  transaction_.Commit();
  DropJournal();
  // The versioned folders the new status no longer names go now, unless a
  // program in them still runs; then the next run takes them.
  LeftoverCleaner cleaner(journal_folder_, journal_writers_);
  cleaner.Keep(GetOwnSubfolder(journal_folder_));
  cleaner.AddRecorded(replaced_subfolder_);
  cleaner.RemoveLeftovers();
}

void Installer::DropJournal() {
  transaction_.SetJournal(nullptr);
  if (!journal_)
    return;
  journal_->Remove();
  journal_.reset();
}
