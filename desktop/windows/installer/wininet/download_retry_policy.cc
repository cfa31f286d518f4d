#include "desktop/windows/installer/wininet/download_retry_policy.h"

#include "base/strings/stringprintf.h"

namespace {

// Queries that find at least this much in WinINet's buffer, this many in a
// row, mean the body flows fast; a whole-buffer read that waits longer than
// |kSlowRead| means it no longer does.
constexpr uint32_t kFullQueryBytes = 8192;
constexpr int kFullQueriesForFastReads = 16;
constexpr base::TimeDelta kSlowRead = base::TimeDelta::FromMilliseconds(500);

}  // namespace

void DownloadRetryPolicy::OnDownloadStarted(base::TimeTicks now) {
  requests_ = 0;
  slowed_down_ = false;
  started_at_ = now;
  request_start_high_water_ = 0;
}

void DownloadRetryPolicy::OnRequestSent(uint32_t high_water) {
  ++requests_;
  request_start_high_water_ = high_water;
  fast_reads_ = false;
  full_queries_ = 0;
  StartPaceWindow(high_water);
}

std::string DownloadRetryPolicy::BudgetExhausted(base::TimeTicks now, BudgetUse use) const {
  const bool requests_left = use == BudgetUse::kGoOn || requests_ < limits_.max_requests;
  if (!requests_left)
    return base::StringPrintf("The download used up its %d requests", limits_.max_requests);
  if (now - started_at_ >= limits_.max_duration) {
    return base::StringPrintf("The download took over its %d seconds",
                              static_cast<int>(limits_.max_duration.InSeconds()));
  }
  return std::string();
}

DownloadRetryPolicy::Pace DownloadRetryPolicy::JudgePace(uint32_t high_water) {
  if (window_bytes_ < limits_.slow_bytes) {
    slowed_down_ = true;
    return Pace::kTooSlow;
  }
  if (high_water > window_high_water_)
    retry_count_ = 0;
  StartPaceWindow(high_water);
  return Pace::kSteady;
}

void DownloadRetryPolicy::StartPaceWindow(uint32_t high_water) {
  window_bytes_ = 0;
  window_high_water_ = high_water;
}

bool DownloadRetryPolicy::StartRead(base::TimeTicks now) {
  whole_read_ = fast_reads_;
  if (whole_read_)
    read_started_ = now;
  return whole_read_;
}

void DownloadRetryPolicy::OnDataAvailable(uint32_t available) {
  full_queries_ = available >= kFullQueryBytes ? full_queries_ + 1 : 0;
  fast_reads_ = !slowed_down_ && full_queries_ >= kFullQueriesForFastReads;
}

void DownloadRetryPolicy::OnReadEnded(base::TimeTicks now) {
  if (whole_read_ && now - read_started_ > kSlowRead) {
    fast_reads_ = false;
    full_queries_ = 0;
  }
}
