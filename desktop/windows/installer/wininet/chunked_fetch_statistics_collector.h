#ifndef DESKTOP_WINDOWS_INSTALLER_WININET_CHUNKED_FETCH_STATISTICS_COLLECTOR_H_
#define DESKTOP_WINDOWS_INSTALLER_WININET_CHUNKED_FETCH_STATISTICS_COLLECTOR_H_

#include <stddef.h>

#include <vector>

#include "base/synchronization/lock.h"
#include "desktop/windows/installer/wininet/download_observer.h"

// One record per chunk of a download: the first request and each resume.
// Reports before the first chunk starts have no record to go to. A download
// that keeps resuming keeps its first records and its latest one.
class ChunkedFetchStatisticsCollector : public DownloadObserver {
 public:
  static constexpr size_t kMaxRecords = 50;

  ChunkedFetchStatisticsCollector();
  ~ChunkedFetchStatisticsCollector() override;

  void OnChunkStarted(int32_t offset) override;
  void SetIp(const std::string& ip) override;
  void SetRedirectedUrl(const std::wstring& url) override;
  void AddHeader(const std::wstring& name, const std::wstring& value) override;
  void SetWininetError(uint32_t error) override;
  void SetHttpStatus(uint32_t status) override;
  void SetRetryCount(uint32_t count) override;
  void OnChunkEnded(int32_t total_bytes) override;
  void SetResponseTooLong(int32_t excess_bytes) override;
  void SetProxyLoginNeeded() override;
  void SetProxyLoginResult(uint32_t result) override;
  void SetNullRequestContext() override;
  std::vector<FetchStatistics> GetFetchDetails() const override;

 private:
  // The record of the chunk in hand, or null; call with the lock held.
  FetchStatistics* current();

  mutable base::Lock lock_;
  std::vector<FetchStatistics> records_;
  int32_t chunk_counter_ = 0;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_WININET_CHUNKED_FETCH_STATISTICS_COLLECTOR_H_
