#ifndef DESKTOP_WINDOWS_INSTALLER_WININET_DOWNLOAD_RETRY_POLICY_H_
#define DESKTOP_WINDOWS_INSTALLER_WININET_DOWNLOAD_RETRY_POLICY_H_

#include <stdint.h>

#include <string>

#include "base/time/time.h"

// What bounds one download, from its start to its end, resumes and retries
// included. Progress means new bytes: bytes beyond the furthest one the
// download ever wrote, so a body sent again from the start is none.
struct DownloadLimits {
  static constexpr int kDefaultRetryLimit = 600;

  // Retries in a row without progress, |retry_delay| apart.
  int retry_limit = kDefaultRetryLimit;
  base::TimeDelta retry_delay = base::TimeDelta::FromSeconds(6);
  // Connect, send and receive time-out of each request.
  base::TimeDelta request_timeout = base::TimeDelta::FromSeconds(60);
  // A request that brings fewer than |slow_bytes| in a |slow_window| is
  // cut and counts as a retry without progress: a trickle is no download.
  uint32_t slow_bytes = 128 * 1024;
  base::TimeDelta slow_window = base::TimeDelta::FromMinutes(2);
  // Requests sent and time taken by the whole download.
  int max_requests = 1000;
  base::TimeDelta max_duration = base::TimeDelta::FromHours(3);
};

// The decisions of one download that need no network: when to retry and
// when to give up, the budget of requests and time, the pace a request
// must keep, and how its body is read. Progress is measured by the
// furthest byte written (the high water), which the caller passes in.
class DownloadRetryPolicy {
 public:
  enum class BudgetUse {
    // The request in hand goes on.
    kGoOn,
    // A new request is to be sent.
    kNewRequest,
  };
  enum class Pace { kTooSlow, kSteady };

  const DownloadLimits& limits() const { return limits_; }
  DownloadLimits& limits() { return limits_; }
  int retry_count() const { return retry_count_; }
  int requests() const { return requests_; }
  uint32_t window_bytes() const { return window_bytes_; }

  // A new download; the run of retries is not reset here, only by progress
  // or by a completed download.
  void OnDownloadStarted(base::TimeTicks now);
  // A request went out; its pace window starts.
  void OnRequestSent(uint32_t high_water);
  void OnBytesWritten(uint32_t count) { window_bytes_ += count; }

  // Whether the request in hand brought bytes beyond those of earlier
  // requests.
  bool RequestBroughtNewBytes(uint32_t high_water) const {
    return high_water > request_start_high_water_;
  }
  void ResetRetries() { retry_count_ = 0; }
  // Whether the user should hear that the download is stalled.
  bool IsStalled() const { return retry_count_ >= 2; }
  bool RetriesExhausted() const { return retry_count_ > limits_.retry_limit; }
  void CountRetry() { ++retry_count_; }

  // Empty while the budget allows |use|; otherwise why not.
  std::string BudgetExhausted(base::TimeTicks now, BudgetUse use) const;

  // At the end of a pace window: a request too slow marks the download as
  // slowed down; a steady one that brought progress ends the run of
  // retries, and the next window starts.
  Pace JudgePace(uint32_t high_water);
  void StartPaceWindow(uint32_t high_water);

  // A body that flows slowly is read as it comes: WinINet ends an
  // asynchronous read only once the whole buffer is full, so a large read
  // would show no progress for long, and a time-out would lose what it
  // had read. Once queries keep finding WinINet's own buffer full, the
  // body flows fast and whole-buffer reads save the per-call cost, until
  // one has to wait long; a download that was once too slow is read as it
  // comes to its end.
  //
  // Whether the read starting at |now| asks for the whole buffer.
  bool StartRead(base::TimeTicks now);
  // What a query for data found, for the reads after this one.
  void OnDataAvailable(uint32_t available);
  // A read that brought bytes ended at |now|.
  void OnReadEnded(base::TimeTicks now);

 private:
  DownloadLimits limits_;
  int retry_count_ = 0;
  int requests_ = 0;
  base::TimeTicks started_at_;
  // Where the furthest byte stood when the request in hand was sent.
  uint32_t request_start_high_water_ = 0;
  // The pace of the request in hand: bytes since the window began, and
  // the furthest byte then.
  uint32_t window_bytes_ = 0;
  uint32_t window_high_water_ = 0;
  bool slowed_down_ = false;
  bool fast_reads_ = false;
  int full_queries_ = 0;
  // The read in hand asked for the whole buffer, at |read_started_|.
  bool whole_read_ = false;
  base::TimeTicks read_started_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_WININET_DOWNLOAD_RETRY_POLICY_H_
