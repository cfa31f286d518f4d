#include "desktop/windows/installer/wininet/download_retry_policy.h"

#include "gtest/gtest.h"

namespace {

using BudgetUse = DownloadRetryPolicy::BudgetUse;
using Pace = DownloadRetryPolicy::Pace;

const base::TimeTicks kStart = base::TimeTicks() + base::TimeDelta::FromHours(1);

// The last request may finish but not be followed by another; time runs
// out for both.
TEST(DownloadRetryPolicyTest, TheBudgetBoundsRequestsAndTime) {
  DownloadRetryPolicy policy;
  policy.limits().max_requests = 2;
  policy.limits().max_duration = base::TimeDelta::FromSeconds(60);
  policy.OnDownloadStarted(kStart);
  policy.OnRequestSent(0);
  EXPECT_EQ("", policy.BudgetExhausted(kStart, BudgetUse::kNewRequest));
  policy.OnRequestSent(0);
  EXPECT_EQ("", policy.BudgetExhausted(kStart, BudgetUse::kGoOn));
  EXPECT_EQ("The download used up its 2 requests",
            policy.BudgetExhausted(kStart, BudgetUse::kNewRequest));
  const base::TimeTicks late = kStart + base::TimeDelta::FromSeconds(60);
  EXPECT_EQ("The download took over its 60 seconds", policy.BudgetExhausted(late, BudgetUse::kGoOn));
  // A new download has its budget again.
  policy.OnDownloadStarted(late);
  EXPECT_EQ("", policy.BudgetExhausted(late, BudgetUse::kNewRequest));
}

// Retries in a row end at the limit; only new bytes end a run of them.
TEST(DownloadRetryPolicyTest, OnlyNewBytesEndARunOfRetries) {
  DownloadRetryPolicy policy;
  policy.limits().retry_limit = 1;
  policy.limits().slow_bytes = 100;
  policy.OnDownloadStarted(kStart);
  policy.OnRequestSent(/*high_water=*/500);
  EXPECT_FALSE(policy.RequestBroughtNewBytes(500));
  EXPECT_TRUE(policy.RequestBroughtNewBytes(501));
  for (int i = 0; i < 2; ++i) {
    EXPECT_FALSE(policy.RetriesExhausted());
    policy.CountRetry();
  }
  EXPECT_TRUE(policy.IsStalled());
  EXPECT_TRUE(policy.RetriesExhausted());

  // A steady window without new bytes (a body sent again) keeps the run.
  policy.OnRequestSent(500);
  policy.OnBytesWritten(100);
  EXPECT_EQ(Pace::kSteady, policy.JudgePace(500));
  EXPECT_TRUE(policy.RetriesExhausted());
  policy.OnBytesWritten(100);
  EXPECT_EQ(Pace::kSteady, policy.JudgePace(600));
  EXPECT_EQ(0, policy.retry_count());
  // Each window is judged on its own bytes.
  policy.OnBytesWritten(99);
  EXPECT_EQ(Pace::kTooSlow, policy.JudgePace(699));
}

// Reads ask for the whole buffer only after 16 full queries in a row, stop
// after a read that waited long, and never once the download was too slow.
TEST(DownloadRetryPolicyTest, WholeBufferReadsOnlyWhileTheBodyFlowsFast) {
  DownloadRetryPolicy policy;
  policy.OnDownloadStarted(kStart);
  policy.OnRequestSent(0);
  auto query = [&](int times, uint32_t available) {
    for (int i = 0; i < times; ++i) {
      ASSERT_FALSE(policy.StartRead(kStart));
      policy.OnDataAvailable(available);
    }
  };
  query(15, 8192);
  query(1, 8191);
  query(15, 8192);
  EXPECT_FALSE(policy.StartRead(kStart));
  policy.OnDataAvailable(8192);
  EXPECT_TRUE(policy.StartRead(kStart));
  policy.OnReadEnded(kStart + base::TimeDelta::FromMilliseconds(500));
  EXPECT_TRUE(policy.StartRead(kStart));
  policy.OnReadEnded(kStart + base::TimeDelta::FromMilliseconds(501));
  EXPECT_FALSE(policy.StartRead(kStart));

  policy.OnBytesWritten(0);
  EXPECT_EQ(Pace::kTooSlow, policy.JudgePace(0));
  policy.OnRequestSent(0);
  query(40, 1 << 20);
  EXPECT_FALSE(policy.StartRead(kStart));
}

}  // namespace
