#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_FINALIZE_PENDING_CLEANUP_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_FINALIZE_PENDING_CLEANUP_H_

#include <vector>

#include "base/files/file_path.h"
#include "base/process/process_handle.h"

// The clean-up batch file that an uninstall of a folder leaves behind and
// a later run of that folder never overlap: the later run first waits,
// bounded, for a batch file that may still run, and after putting killed
// runs right takes over one that is still there.

// Waits until the batch file of `folder` has ended: at most a minute for
// the processes it waits for (`own`, this run's processes, are passed
// over: a later process may have the id of an ended one), then at most
// 20 seconds for the file to go. Nothing when the folder has an
// installation journal: a run starts its batch file only once its work is
// final, so a run whose journal is there has none running. True when a
// batch file was there to wait for.
bool WaitForPendingCleanup(const base::FilePath& folder,
                           const std::vector<base::ProcessId>& own);

// A batch file of `folder` that is still there never ran, or ran no
// further: what it would delete goes now, and so does the file. One that
// is not a cleanup batch file of this folder stays as it is.
void TakeOverPendingCleanup(const base::FilePath& folder);

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_FINALIZE_PENDING_CLEANUP_H_
