#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_FETCH_STATISTICS_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_FETCH_STATISTICS_H_

#include <stdint.h>

#include <map>
#include <optional>
#include <string>

// The statistics of one download request or chunk. An absent field is not
// reported (its value in the message stays null).
struct FetchStatistics {
  std::optional<int64_t> chunk_start;
  std::optional<int32_t> chunk_number;
  std::optional<std::string> ip;
  std::optional<std::string> redirected_url;
  // Reported in ascending key order.
  std::map<std::string, std::string> headers;
  std::optional<int32_t> wininet_error;
  std::optional<int32_t> http_status;
  std::optional<int32_t> retry_count;
  std::optional<int64_t> chunk_end;
  std::optional<int64_t> chunk_end_time;
  std::optional<int64_t> response_too_long;
  std::optional<bool> proxy_login_needed;
  std::optional<int32_t> proxy_login_result;
  std::optional<bool> null_request_context;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_FETCH_STATISTICS_H_
