#include "desktop/windows/installer/wininet/chunked_fetch_statistics_collector.h"
#include "desktop/windows/installer/wininet/fetch_statistics_collector.h"

#include "gtest/gtest.h"

namespace {

TEST(FetchStatisticsCollectorTest, KeepsOneRecordOfTheRequest) {
  FetchStatisticsCollector collector;
  std::vector<FetchStatistics> details = collector.GetFetchDetails();
  ASSERT_EQ(1u, details.size());
  EXPECT_FALSE(details[0].http_status.has_value());
  EXPECT_FALSE(details[0].chunk_number.has_value());

  // Chunk reports are not its business; status, error and proxy login are.
  collector.OnChunkStarted(0);
  collector.AddHeader(L"Server", L"x");
  collector.SetHttpStatus(200);
  collector.SetWininetError(12002);
  collector.SetProxyLoginNeeded();
  details = collector.GetFetchDetails();
  ASSERT_EQ(1u, details.size());
  EXPECT_EQ(200, details[0].http_status);
  EXPECT_EQ(12002, details[0].wininet_error);
  EXPECT_EQ(true, details[0].proxy_login_needed);
  EXPECT_TRUE(details[0].headers.empty());
  EXPECT_FALSE(details[0].chunk_number.has_value());
}

TEST(ChunkedFetchStatisticsCollectorTest, OneRecordPerChunk) {
  ChunkedFetchStatisticsCollector collector;
  // Nothing to write into before the first chunk.
  collector.SetHttpStatus(500);
  EXPECT_TRUE(collector.GetFetchDetails().empty());

  collector.OnChunkStarted(0);
  collector.SetIp("127.0.0.1");
  collector.AddHeader(L"Server", L"first");
  collector.AddHeader(L"Server", L"second");
  collector.SetHttpStatus(200);
  collector.OnChunkEnded(1000);
  collector.OnChunkStarted(1000);
  collector.SetRetryCount(1);
  collector.SetHttpStatus(206);
  collector.OnChunkEnded(1500);
  collector.OnChunkStarted(1500);
  collector.SetRedirectedUrl(L"https://b.example/\x00fc");
  collector.SetResponseTooLong(7);
  collector.OnChunkEnded(2007);

  std::vector<FetchStatistics> details = collector.GetFetchDetails();
  ASSERT_EQ(3u, details.size());
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(i, details[i].chunk_number);
  EXPECT_EQ("127.0.0.1", details[0].ip);
  EXPECT_EQ("second", details[0].headers["Server"]);
  EXPECT_EQ(200, details[0].http_status);
  EXPECT_EQ(1000, details[0].chunk_end);
  EXPECT_TRUE(details[0].chunk_end_time.has_value());
  EXPECT_EQ(1000, details[1].chunk_start);
  EXPECT_EQ(1, details[1].retry_count);
  EXPECT_EQ(206, details[1].http_status);
  EXPECT_FALSE(details[1].ip.has_value());
  EXPECT_EQ("https://b.example/\xc3\xbc", details[2].redirected_url);
  EXPECT_EQ(7, details[2].response_too_long);
  EXPECT_EQ(2007, details[2].chunk_end);
}

// A download that resumes for ever must not keep a record of every chunk:
// the first ones stay and the last slot follows the latest chunk.
TEST(ChunkedFetchStatisticsCollectorTest, RecordsAreBounded) {
  ChunkedFetchStatisticsCollector collector;
  const int chunks = 3 * ChunkedFetchStatisticsCollector::kMaxRecords;
  for (int i = 0; i < chunks; ++i) {
    collector.OnChunkStarted(i * 10);
    collector.OnChunkEnded(i * 10 + 10);
  }
  std::vector<FetchStatistics> details = collector.GetFetchDetails();
  ASSERT_EQ(ChunkedFetchStatisticsCollector::kMaxRecords, details.size());
  EXPECT_EQ(0, details[0].chunk_number);
  EXPECT_EQ(static_cast<int>(details.size()) - 2, details[details.size() - 2].chunk_number);
  EXPECT_EQ(chunks - 1, details.back().chunk_number);
  EXPECT_EQ(chunks * 10, details.back().chunk_end);
}

}  // namespace
