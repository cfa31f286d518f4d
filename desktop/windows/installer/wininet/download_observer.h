#ifndef DESKTOP_WINDOWS_INSTALLER_WININET_DOWNLOAD_OBSERVER_H_
#define DESKTOP_WINDOWS_INSTALLER_WININET_DOWNLOAD_OBSERVER_H_

#include <stdint.h>

#include <string>
#include <vector>

#include "desktop/windows/installer/avro_stats/fetch_statistics.h"

// What happened on the wire during one request of the downloader. Every
// report does nothing here; the fetch statistics collectors keep them.
// Reports come on the downloader's thread.
class DownloadObserver {
 public:
  virtual ~DownloadObserver();
  virtual void OnChunkStarted(int32_t /*offset*/) {}
  virtual void SetIp(const std::string& /*ip*/) {}
  virtual void SetRedirectedUrl(const std::wstring& /*url*/) {}
  virtual void AddHeader(const std::wstring& /*name*/, const std::wstring& /*value*/) {}
  virtual void SetWininetError(uint32_t /*error*/) {}
  virtual void SetHttpStatus(uint32_t /*status*/) {}
  virtual void SetRetryCount(uint32_t /*count*/) {}
  virtual void OnChunkEnded(int32_t /*total_bytes*/) {}
  virtual void SetResponseTooLong(int32_t /*excess_bytes*/) {}
  virtual void SetProxyLoginNeeded() {}
  virtual void SetProxyLoginResult(uint32_t /*result*/) {}
  virtual void SetNullRequestContext() {}
  virtual std::vector<FetchStatistics> GetFetchDetails() const;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_WININET_DOWNLOAD_OBSERVER_H_
