#include "desktop/windows/installer/wininet/fetch_statistics_collector.h"

FetchStatisticsCollector::FetchStatisticsCollector() = default;
FetchStatisticsCollector::~FetchStatisticsCollector() = default;

void FetchStatisticsCollector::SetWininetError(uint32_t error) {
  base::AutoLock lock(lock_);
  record_.wininet_error = static_cast<int32_t>(error);
}

void FetchStatisticsCollector::SetHttpStatus(uint32_t status) {
  base::AutoLock lock(lock_);
  record_.http_status = static_cast<int32_t>(status);
}

void FetchStatisticsCollector::SetProxyLoginNeeded() {
  base::AutoLock lock(lock_);
  record_.proxy_login_needed = true;
}

void FetchStatisticsCollector::SetProxyLoginResult(uint32_t result) {
  base::AutoLock lock(lock_);
  record_.proxy_login_result = static_cast<int32_t>(result);
}

void FetchStatisticsCollector::SetNullRequestContext() {
  base::AutoLock lock(lock_);
  record_.null_request_context = true;
}

std::vector<FetchStatistics> FetchStatisticsCollector::GetFetchDetails() const {
  base::AutoLock lock(lock_);
  return {record_};
}
