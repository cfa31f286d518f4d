#ifndef DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PACKAGE_FETCHER_DELEGATE_H_
#define DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PACKAGE_FETCHER_DELEGATE_H_

#include <stdint.h>

#include <string>
#include <vector>

#include "desktop/windows/installer/avro_stats/fetch_statistics.h"

// What the package fetcher tells its controller, on the UI thread.
class PackageFetcherDelegate {
 public:
  enum Status : uint32_t {
    kStarted = 0,
    kFetchingDownloadUrl = 1,
    kDownloadUrlReceived = 2,
    kFetchingAdditionalContent = 3,
    kPackageReady = 4,
  };
  enum ErrorKind : uint32_t {
    // The package folder could not be prepared.
    kFolderError = 0,
    // A download, reply, checksum, signature or local file failure.
    kFetchError = 1,
    // The version check failed or the package could not be moved in place.
    kVersionError = 2,
  };

  virtual ~PackageFetcherDelegate() = default;
  virtual void OnPackageFetcherStatusChanged(uint32_t status) = 0;
  // |fetch_details| are the records of the failed request; empty for local
  // errors.
  virtual void OnPackageFetcherError(uint32_t kind,
                                     std::string message,
                                     std::vector<FetchStatistics> fetch_details) = 0;
  virtual void SetTotalProgress(uint32_t bytes) = 0;
  virtual void SetCurrentProgress(uint32_t bytes) = 0;
  virtual void NotifyStalled() = 0;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PACKAGE_FETCHER_DELEGATE_H_
