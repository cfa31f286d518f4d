#ifndef DESKTOP_WINDOWS_INSTALLER_WININET_DOWNLOAD_PROGRESS_OBSERVER_H_
#define DESKTOP_WINDOWS_INSTALLER_WININET_DOWNLOAD_PROGRESS_OBSERVER_H_

#include <stdint.h>

// Progress of the body being downloaded, in bytes.
class DownloadProgressObserver {
 public:
  virtual ~DownloadProgressObserver() = default;
  virtual void SetTotalProgress(uint32_t bytes) = 0;
  virtual void SetCurrentProgress(uint32_t bytes) = 0;
  // Retries go on without progress.
  virtual void NotifyStalled() = 0;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_WININET_DOWNLOAD_PROGRESS_OBSERVER_H_
