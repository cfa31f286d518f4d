#include "desktop/windows/installer/steps/finalize/pending_cleanup.h"

#include <windows.h>

#include <algorithm>

#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/time/time.h"
#include "base/win/scoped_handle.h"
#include "desktop/windows/installer/service/installation_journal.h"
#include "desktop/windows/installer/steps/finalize/cleanup_batch_file.h"

namespace {

constexpr base::TimeDelta kProcessesWait = base::TimeDelta::FromSeconds(60);
// A batch file whose processes have ended finishes its round (about a
// second) and then deletes a few files.
constexpr base::TimeDelta kBatchFileWait = base::TimeDelta::FromSeconds(20);
constexpr DWORD kPollMilliseconds = 100;

void WaitForProcesses(const base::ProcessId* pids, const std::vector<base::ProcessId>& own) {
  std::vector<base::win::ScopedHandle> processes;
  std::vector<HANDLE> handles;
  for (int i = 0; i < 3; ++i) {
    if (!pids[i] || std::find(own.begin(), own.end(), pids[i]) != own.end())
      continue;
    base::win::ScopedHandle process(::OpenProcess(SYNCHRONIZE, FALSE, pids[i]));
    if (!process.IsValid())
      continue;  // Ended.
    handles.push_back(process.Get());
    processes.push_back(std::move(process));
  }
  if (handles.empty())
    return;
  LOG(INFO) << "Waiting for the processes of an earlier uninstall to end";
  if (::WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), TRUE,
                               static_cast<DWORD>(kProcessesWait.InMilliseconds())) !=
      WAIT_OBJECT_0) {
    LOG(WARNING) << "The processes of an earlier uninstall still run";
  }
}

}  // namespace

bool WaitForPendingCleanup(const base::FilePath& folder,
                           const std::vector<base::ProcessId>& own) {
  const base::FilePath batch_file = CleanupBatchFile::GetPath(folder);
  if (!base::PathExists(batch_file) ||
      base::PathExists(InstallationJournal::GetPath(folder))) {
    return false;
  }
  CleanupBatchFile batch(folder);
  if (CleanupBatchFile::ReadFile(folder, &batch, nullptr))
    WaitForProcesses(batch.processes(), own);
  LOG(INFO) << "Waiting for the clean-up of an earlier uninstall: " << batch_file;
  const base::TimeTicks deadline = base::TimeTicks::Now() + kBatchFileWait;
  while (base::PathExists(batch_file) && base::TimeTicks::Now() < deadline)
    ::Sleep(kPollMilliseconds);
  return true;
}

void TakeOverPendingCleanup(const base::FilePath& folder) {
  const base::FilePath batch_file = CleanupBatchFile::GetPath(folder);
  if (!base::PathExists(batch_file))
    return;
  CleanupBatchFile batch(folder);
  if (!CleanupBatchFile::ReadFile(folder, &batch, nullptr)) {
    LOG(WARNING) << "Leaving " << batch_file << ": it is no cleanup batch file of this folder";
    return;
  }
  LOG(INFO) << "Taking over the clean-up of an earlier uninstall: " << batch_file;
  // First the file: a cmd that still reads it on Windows stops at its next
  // line.
  if (!base::DeleteFile(batch_file, /*recursive=*/false)) {
    PLOG(WARNING) << "Cannot delete " << batch_file;
    return;
  }
  batch.CarryOut();
}
