#ifndef DESKTOP_WINDOWS_INSTALLER_WININET_FETCH_STATISTICS_COLLECTOR_H_
#define DESKTOP_WINDOWS_INSTALLER_WININET_FETCH_STATISTICS_COLLECTOR_H_

#include "base/synchronization/lock.h"
#include "desktop/windows/installer/wininet/download_observer.h"

// One record for a request that is not resumed: its status, WinINet error
// and proxy login.
class FetchStatisticsCollector : public DownloadObserver {
 public:
  FetchStatisticsCollector();
  ~FetchStatisticsCollector() override;

  void SetWininetError(uint32_t error) override;
  void SetHttpStatus(uint32_t status) override;
  void SetProxyLoginNeeded() override;
  void SetProxyLoginResult(uint32_t result) override;
  void SetNullRequestContext() override;
  std::vector<FetchStatistics> GetFetchDetails() const override;

 private:
  mutable base::Lock lock_;
  FetchStatistics record_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_WININET_FETCH_STATISTICS_COLLECTOR_H_
