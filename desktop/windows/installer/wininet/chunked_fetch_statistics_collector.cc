#include "desktop/windows/installer/wininet/chunked_fetch_statistics_collector.h"

#include "base/strings/utf_string_conversions.h"
#include "base/time/time.h"

ChunkedFetchStatisticsCollector::ChunkedFetchStatisticsCollector() = default;
ChunkedFetchStatisticsCollector::~ChunkedFetchStatisticsCollector() = default;

FetchStatistics* ChunkedFetchStatisticsCollector::current() {
  lock_.AssertAcquired();
  return records_.empty() ? nullptr : &records_.back();
}

void ChunkedFetchStatisticsCollector::OnChunkStarted(int32_t offset) {
  base::AutoLock lock(lock_);
  FetchStatistics record;
  record.chunk_start = offset;
  record.chunk_number = chunk_counter_;
  if (records_.size() == kMaxRecords)
    records_.back() = std::move(record);
  else
    records_.push_back(std::move(record));
}

void ChunkedFetchStatisticsCollector::SetIp(const std::string& ip) {
  base::AutoLock lock(lock_);
  if (FetchStatistics* record = current())
    record->ip = ip;
}

void ChunkedFetchStatisticsCollector::SetRedirectedUrl(const std::wstring& url) {
  base::AutoLock lock(lock_);
  if (FetchStatistics* record = current())
    record->redirected_url = base::WideToUTF8(url);
}

void ChunkedFetchStatisticsCollector::AddHeader(const std::wstring& name,
                                                const std::wstring& value) {
  base::AutoLock lock(lock_);
  if (FetchStatistics* record = current())
    record->headers[base::WideToUTF8(name)] = base::WideToUTF8(value);
}

void ChunkedFetchStatisticsCollector::SetWininetError(uint32_t error) {
  base::AutoLock lock(lock_);
  if (FetchStatistics* record = current())
    record->wininet_error = static_cast<int32_t>(error);
}

void ChunkedFetchStatisticsCollector::SetHttpStatus(uint32_t status) {
  base::AutoLock lock(lock_);
  if (FetchStatistics* record = current())
    record->http_status = static_cast<int32_t>(status);
}

void ChunkedFetchStatisticsCollector::SetRetryCount(uint32_t count) {
  base::AutoLock lock(lock_);
  if (FetchStatistics* record = current())
    record->retry_count = static_cast<int32_t>(count);
}

void ChunkedFetchStatisticsCollector::OnChunkEnded(int32_t total_bytes) {
  base::AutoLock lock(lock_);
  FetchStatistics* record = current();
  if (!record)
    return;
  record->chunk_end = total_bytes;
  record->chunk_end_time =
      (base::Time::Now() - base::Time::FromTimeT(0)).InMilliseconds();
  ++chunk_counter_;
}

void ChunkedFetchStatisticsCollector::SetResponseTooLong(int32_t excess_bytes) {
  base::AutoLock lock(lock_);
  if (FetchStatistics* record = current())
    record->response_too_long = excess_bytes;
}

void ChunkedFetchStatisticsCollector::SetProxyLoginNeeded() {
  base::AutoLock lock(lock_);
  if (FetchStatistics* record = current())
    record->proxy_login_needed = true;
}

void ChunkedFetchStatisticsCollector::SetProxyLoginResult(uint32_t result) {
  base::AutoLock lock(lock_);
  if (FetchStatistics* record = current())
    record->proxy_login_result = static_cast<int32_t>(result);
}

void ChunkedFetchStatisticsCollector::SetNullRequestContext() {
  base::AutoLock lock(lock_);
  if (FetchStatistics* record = current())
    record->null_request_context = true;
}

std::vector<FetchStatistics> ChunkedFetchStatisticsCollector::GetFetchDetails() const {
  base::AutoLock lock(lock_);
  return records_;
}
