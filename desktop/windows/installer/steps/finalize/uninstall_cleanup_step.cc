#include "desktop/windows/installer/steps/finalize/uninstall_cleanup_step.h"

#include <memory>

#include "base/bind.h"
#include "base/command_line.h"
#include "base/files/file_enumerator.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/process/process_handle.h"
#include "base/strings/string_number_conversions.h"
#include "desktop/windows/installer/service/installation.h"
#include "desktop/windows/installer/service/installation_status.h"
#include "desktop/windows/installer/service/scheduled_tasks/windows_task_scheduler.h"
#include "desktop/windows/installer/service/transactions/delete_file_operation.h"
#include "desktop/windows/installer/service/transactions/file_operation_util.h"
#include "desktop/windows/installer/service/transactions/move_file_operation.h"
#include "desktop/windows/installer/service/transactions/transaction.h"
#include "desktop/windows/installer/service/transactions/write_file_operation.h"
#include "desktop/windows/installer/service/user_profile_deletion.h"
#include "desktop/windows/installer/settings/settings.h"
#include "desktop/windows/installer/steps/finalize/cleanup_batch_file.h"
#include "desktop/windows/installer/utils/moved_aside_name.h"
#include "desktop/windows/installer/utils/installer_switches.h"
#include "desktop/windows/installer/utils/product_info.h"
#include "desktop/windows/installer/utils/relative_path.h"
#include "desktop/windows/installer/utils/service_utils.h"

namespace {

constexpr char kStepName[] = "uninstall_cleanup";
constexpr wchar_t kAutoupdateTaskPrefix[] = L"Autoupdate ";
constexpr wchar_t kPrefDefaultOverridesName[] = L"pref_default_overrides";

base::ProcessId InitialPid(const base::CommandLine& command_line) {
  unsigned value = 0;
  if (!base::StringToUint(command_line.GetSwitchValueASCII(switches::kInitialPid),
                          &value)) {
    return 0;
  }
  return value;
}

}  // namespace

UninstallCleanupStep::UninstallCleanupStep(InstallerStepContext* context)
    : InstallerStep(kStepName, context) {}

UninstallCleanupStep::~UninstallCleanupStep() = default;

StepResult UninstallCleanupStep::Run(int /*attempt*/) {
  LOG(INFO) << "Cleaning up files after uninstallation";
  // The task and the profile cannot be put back should the uninstall be
  // killed and undone: they go once it is final.
  const InstallationStatus* existing = GetExistingInstallation();
  if (!GetSettings()->GetCopyOnly()) {
    GetContext()->RunWhenFinal(base::BindOnce(&RemoveScheduledTasks,
                                              existing ? existing->app_id : std::wstring()));
  }
  // Decided before the files go, from the installation as it stands; the
  // profile folder comes from the installer preferences.
  if (GetSettings()->GetDeleteProfile() && existing) {
    ExistingInstallation installation(GetContext()->GetBaseInstallFolder(),
                                      std::make_unique<InstallationStatus>(*existing));
    GetContext()->RunWhenFinal(base::BindOnce(
        &DeleteProfile, std::make_unique<UserProfileDeletion>(&installation)));
  }
  CleanupBatchFile batch(GetContext()->GetBaseInstallFolder());
  DeleteFiles(&batch);
  WriteBatchFile(&batch);
  return StepResult(STEP_OK);
}

// static
void UninstallCleanupStep::RemoveScheduledTasks(const std::wstring& app_id) {
  VLOG(1) << "Removing scheduled task";
  std::unique_ptr<WindowsTaskScheduler> scheduler = CreateWindowsTaskScheduler();
  if (!scheduler->Initialize())
    return;
  scheduler->DeleteStaleTasks();
  if (!app_id.empty())
    scheduler->DeleteTask(kAutoupdateTaskPrefix + app_id);
}

bool UninstallCleanupStep::Delete(const base::FilePath& path) {
  std::string error;
  return GetContext()->GetTransaction()->Execute(
      std::make_unique<DeleteFileOperation>(path, /*check_in_use=*/true,
                                            /*remove_empty_parents=*/false),
      &error);
}

void UninstallCleanupStep::DeleteOrLeave(const base::FilePath& path, CleanupBatchFile* batch) {
  if (!base::PathExists(path) || Delete(path))
    return;
  // Under its own name the batch file could delete what a later
  // installation of the folder put there before it ran.
  const base::FilePath aside = MakeMovedAsideName(path);
  std::string error;
  if (GetContext()->GetTransaction()->Execute(
          std::make_unique<MoveFileOperation>(path, aside, GetContext()->GetBaseInstallFolder()),
          &error)) {
    batch->AddFile(aside);
  } else {
    LOG(WARNING) << "Cannot move " << path << " aside: " << error;
  }
}

void UninstallCleanupStep::DeleteFiles(CleanupBatchFile* batch) {
  const base::FilePath root = GetContext()->GetBaseInstallFolder();
  const InstallationStatus* existing = GetExistingInstallation();
  // A record naming a folder outside the installation is not followed.
  if (existing && IsRecordedSubfolderSafe(existing->subfolder)) {
    const base::FilePath versioned = root.Append(existing->subfolder);
    for (const base::FilePath& file : existing->files) {
      if (!IsSafeRelativePath(file.value()))
        continue;
      const base::FilePath path = versioned.Append(file);
      DeleteOrLeave(path, batch);
      // Emptied only once the transaction commits: the batch file removes
      // the folders then, each only when nothing else is left in it.
      batch->AddFolderAndAncestors(path.DirName());
    }
    // Copies that other deletions moved aside and that the commit may not
    // remove while a program holds them.
    if (!existing->subfolder.empty()) {
      base::FileEnumerator old_files(versioned, /*recursive=*/false, base::FileEnumerator::FILES,
                                     L"*.old");
      for (base::FilePath old = old_files.Next(); !old.empty(); old = old_files.Next()) {
        if (ParseMovedAsideName(old.BaseName().value(), nullptr, nullptr))
          batch->AddFile(old);
      }
      batch->AddFolderAndAncestors(versioned);
    }
  }
  DeleteOrLeave(root.Append(kLauncherExeName), batch);
  if (!ProductInfo::IsWhiteLabeled()) {
    const base::FilePath old_browser =
        root.Append(GetBrowserExeName()).ReplaceExtension(L".old");
    if (base::PathExists(old_browser))
      Delete(old_browser);
  }
  // In no record either. The installer's own preferences are left: they
  // keep the user's choices (language, statistics, import) for the folder.
  DeleteOrLeave(root.Append(kPrefDefaultOverridesName), batch);
  if (existing) {
    for (const base::FilePath& file : existing->root_files) {
      if (IsSafeRelativePath(file.value()))
        DeleteOrLeave(root.Append(file), batch);
    }
  }
}

void UninstallCleanupStep::WriteBatchFile(CleanupBatchFile* batch) {
  batch->SetProcess(1, base::GetCurrentProcId());
  batch->SetProcess(2, InitialPid(GetContext()->GetCommandLine()));
  batch->SetProcess(3, GetContext()->GetParentPid());
  const base::FilePath path = CleanupBatchFile::GetPath(GetContext()->GetBaseInstallFolder());
  std::string error;
  // Through the transaction: a run killed before its end takes it back.
  if (!GetContext()->GetTransaction()->Execute(
          std::make_unique<WriteFileOperation>(path, batch->GetContents(CP_OEMCP)), &error)) {
    LOG(ERROR) << "Cannot write the final cleanup batch file: " << error;
  }
}

// static
void UninstallCleanupStep::DeleteProfile(std::unique_ptr<UserProfileDeletion> deletion) {
  deletion->Run();
}
