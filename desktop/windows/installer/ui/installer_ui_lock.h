#ifndef DESKTOP_WINDOWS_INSTALLER_UI_INSTALLER_UI_LOCK_H_
#define DESKTOP_WINDOWS_INSTALLER_UI_INSTALLER_UI_LOCK_H_

#include <windows.h>

#include "base/files/file_path.h"
#include "base/win/scoped_handle.h"

// One installer UI per user session: the first UI keeps a delete-on-close
// lock file holding its UI thread's id; later ones read that id to raise the
// first UI's window instead of starting.
class InstallerUiLock {
 public:
  // The lock file "tarvo_installer_ui.lck" in `folder` (the temporary folder
  // in production).
  explicit InstallerUiLock(const base::FilePath& folder);
  ~InstallerUiLock();

  InstallerUiLock(const InstallerUiLock&) = delete;
  InstallerUiLock& operator=(const InstallerUiLock&) = delete;

  // The thread id of the UI that owns the lock: the current thread's when
  // this call obtained it; 0 when there is no valid owner (then the caller
  // goes on without the lock).
  DWORD Acquire();

  // Brings the first enabled, visible top-level window of `thread_id` to
  // the foreground; false when it has none.
  static bool RaiseWindowOfThread(DWORD thread_id);

 private:
  DWORD AcquireHoldingMutex();

  base::FilePath path_;
  base::win::ScopedHandle file_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_UI_INSTALLER_UI_LOCK_H_
