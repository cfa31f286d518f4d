#ifndef DESKTOP_WINDOWS_INSTALLER_WININET_DOWNLOAD_PROGRESS_OBSERVER_H_
#define DESKTOP_WINDOWS_INSTALLER_WININET_DOWNLOAD_PROGRESS_OBSERVER_H_

#include <stdint.h>

// Progress of the body being downloaded, in bytes.
class DownloadProgressObserver {
 public:
  virtual ~DownloadProgressObserver() = default;
  // The announced length: at the first answer of a download, and again only
  // when it changes.
  virtual void SetTotalProgress(uint32_t bytes) = 0;
  // Only for new bytes: the body got further than ever before in this
  // download (a body sent again from the start is no progress).
  virtual void SetCurrentProgress(uint32_t bytes) = 0;
  // Retries go on without progress.
  virtual void NotifyStalled() = 0;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_WININET_DOWNLOAD_PROGRESS_OBSERVER_H_
