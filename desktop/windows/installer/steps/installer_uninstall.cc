// How an uninstall's clean-up batch file and the runs of its folder take
// turns.

#include <utility>
#include <vector>

#include "base/command_line.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/process/process_handle.h"
#include "desktop/windows/installer/steps/finalize/cleanup_batch_file.h"
#include "desktop/windows/installer/steps/finalize/pending_cleanup.h"
#include "desktop/windows/installer/steps/installer.h"
#include "desktop/windows/installer/utils/installer_switches.h"
#include "desktop/windows/installer/utils/process_id_text.h"

bool Installer::WaitForEarlierCleanup(const base::FilePath& folder) {
  std::vector<base::ProcessId> own = {base::GetCurrentProcId(), parent_pid_};
  DWORD initial = 0;
  if (ParseProcessIdText(command_line_.GetSwitchValueNative(switches::kInitialPid), &initial))
    own.push_back(initial);
  if (!WaitForPendingCleanup(folder, own) || base::DirectoryExists(folder))
    return true;
  // The batch file removed the emptied folder after the folder details
  // found it: it is made again, as this run expected it.
  return CreateFolder(folder, RESULT_FOLDER_CREATION_FAILED);
}

void Installer::RunWhenFinal(base::OnceClosure action) {
  final_actions_.push_back(std::move(action));
}

void Installer::FinishUninstall() {
  // Not before: the batch file deletes copies that the next run needs to
  // undo this one, should it be killed before its end.
  CommitWork();
  for (base::OnceClosure& action : final_actions_)
    std::move(action).Run();
  final_actions_.clear();
  const base::FilePath batch = CleanupBatchFile::GetPath(GetBaseInstallFolder());
  // With a folder-permission helper, the helper starts it once this run
  // lets go of the folder.
  if (HasFinishedEvent() || !base::PathExists(batch))
    return;
  LOG(INFO) << "Starting final cleanup batch file.";
  StartCleanupBatchFile(batch);
}
