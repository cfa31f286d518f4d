#include "base/metrics/histogram_recorder.h"

#include <string>
#include <thread>
#include <vector>

#include "base/metrics/histogram_functions.h"
#include "gtest/gtest.h"

namespace base {
namespace {

class HistogramRecorderTest : public testing::Test {
 protected:
  void SetUp() override { recorder()->Reset(); }
  void TearDown() override { recorder()->Reset(); }
  static HistogramRecorder* recorder() { return HistogramRecorder::GetInstance(); }
};

TEST_F(HistogramRecorderTest, KeepsCountsPerNameAndSampleUntilReset) {
  UmaHistogramBoolean("Test.Flag", true);
  UmaHistogramBoolean("Test.Flag", true);
  UmaHistogramBoolean("Test.Flag", false);
  UmaHistogramBoolean("Test.Flag.Other", false);

  EXPECT_EQ((HistogramRecorder::Samples{{0, 1}, {1, 2}}), recorder()->GetSamples("Test.Flag"));
  EXPECT_EQ(2, recorder()->GetCount("Test.Flag", 1));
  EXPECT_EQ(3, recorder()->GetTotalCount("Test.Flag"));
  // A name is its own histogram, also when another one starts with it.
  EXPECT_EQ(1, recorder()->GetTotalCount("Test.Flag.Other"));
  EXPECT_EQ(0, recorder()->GetTotalCount("Test"));
  EXPECT_TRUE(recorder()->GetSamples("Test.Unknown").empty());
  EXPECT_EQ(0, recorder()->GetCount("Test.Unknown", 1));

  recorder()->Reset();
  EXPECT_EQ(0, recorder()->GetTotalCount("Test.Flag"));
  EXPECT_TRUE(recorder()->GetSamples("Test.Flag.Other").empty());
}

TEST_F(HistogramRecorderTest, CustomCountsAreKeptWithinTheirRange) {
  for (int sample : {-5, 0, 1, 37, 10000, 10001, 2000000000})
    UmaHistogramCustomCounts("Test.Size", sample, 1, 10000, 50);
  EXPECT_EQ((HistogramRecorder::Samples{{1, 3}, {37, 1}, {10000, 3}}),
            recorder()->GetSamples("Test.Size"));
}

TEST_F(HistogramRecorderTest, RecordsFromSeveralThreadsAreAllKept) {
  constexpr int kThreads = 4;
  constexpr int kPerThread = 2000;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < kPerThread; ++i) {
        UmaHistogramCustomCounts("Test.Shared", i % 10, 0, 100, 50);
        // Each thread also adds names of its own while the others record.
        UmaHistogramBoolean("Test.Thread" + std::to_string(t) + "." + std::to_string(i % 50),
                            true);
      }
    });
  }
  for (std::thread& thread : threads)
    thread.join();
  EXPECT_EQ(kThreads * kPerThread, recorder()->GetTotalCount("Test.Shared"));
  EXPECT_EQ(kThreads * kPerThread / 10, recorder()->GetCount("Test.Shared", 3));
  EXPECT_EQ(kPerThread / 50, recorder()->GetCount("Test.Thread2.7", 1));
}

}  // namespace
}  // namespace base
