#include "desktop/windows/installer/avro_stats/statistics_record_writers.h"

#include <memory>

#include "desktop/windows/installer/avro_stats/avro/avro_codec.h"
#include "desktop/windows/installer/avro_stats/avro/avro_datum.h"
#include "desktop/windows/installer/avro_stats/statistics_schema.h"
#include "gtest/gtest.h"

namespace {

class StatisticsRecordWritersTest : public testing::Test {
 protected:
  void SetUp() override {
    root_ = AvroDatum::Create(GetInstallerSchema());
    event_ = root_->GetByPath("installer_event");
  }
  std::unique_ptr<AvroDatum> root_;
  AvroDatum* event_ = nullptr;
};

TEST_F(StatisticsRecordWritersTest, FetchItemWithOnlyStatusLeavesTheRestNull) {
  FetchStatistics stats;
  stats.http_status = 503;
  ASSERT_TRUE(WriteFetchStatistics(event_, "fetch_details", {stats}));
  AvroDatum* item = event_->GetByPath("fetch_details")->GetChild(0);
  ASSERT_TRUE(item);
  for (const char* field :
       {"chunk_start", "chunk_number", "ip", "redirected_url", "wininet_error", "retry_count",
        "chunk_end", "chunk_end_time", "response_too_long", "proxy_login_needed",
        "proxy_login_result", "null_request_context"}) {
    EXPECT_EQ(0u, item->GetField(field)->GetUnionBranchIndex()) << field;
  }
  EXPECT_EQ(1u, item->GetField("http_status")->GetUnionBranchIndex());
  EXPECT_EQ(503, item->GetField("http_status")->GetUnionBranch()->GetInt());
  EXPECT_TRUE(item->GetField("headers")->GetMapKeys().empty());
}

TEST_F(StatisticsRecordWritersTest, FetchItemsKeepOrderHeadersSortAndLongsStayLong) {
  FetchStatistics first;
  first.headers["X-b"] = "2";
  first.headers["Content-Length"] = "10";
  first.headers["X-a"] = "1";
  first.chunk_start = 5000000000LL;
  first.chunk_end = -1;
  first.proxy_login_needed = false;
  FetchStatistics second;
  second.ip = "127.0.0.1";
  ASSERT_TRUE(WriteFetchStatistics(event_, "fetch_details", {first, second}));
  AvroDatum* array = event_->GetByPath("fetch_details");
  ASSERT_EQ(2u, array->GetArraySize());
  AvroDatum* item = array->GetChild(0);
  EXPECT_EQ(std::vector<std::string>({"Content-Length", "X-a", "X-b"}),
            item->GetField("headers")->GetMapKeys());
  EXPECT_EQ(5000000000LL, item->GetByPath("chunk_start")->GetLong());
  EXPECT_EQ(-1, item->GetByPath("chunk_end")->GetLong());
  // A present false is written, unlike an absent value.
  EXPECT_EQ(1u, item->GetField("proxy_login_needed")->GetUnionBranchIndex());
  EXPECT_EQ("127.0.0.1", array->GetChild(1)->GetByPath("ip")->GetString());
}

TEST_F(StatisticsRecordWritersTest, DefaultPageStatsMakeTheRecordPresent) {
  ASSERT_TRUE(WritePageTransitionStats(event_, "page_transitions", PageTransitionStats()));
  AvroDatum* page = event_->GetField("page_transitions");
  ASSERT_EQ(1u, page->GetUnionBranchIndex());
  AvroDatum* record = page->GetUnionBranch();
  EXPECT_EQ(0, record->GetField("page_type")->GetInt());
  EXPECT_EQ(0u, record->GetField("changed_language_counter")->GetUnionBranchIndex());
  EXPECT_EQ(0u, record->GetField("error_displayed")->GetUnionBranchIndex());

  PageTransitionStats stats;
  stats.page_type = 3;
  stats.navigation_action = "next";
  stats.edited_install_path_counter = 2;
  ASSERT_TRUE(WritePageTransitionStats(event_, "page_transitions", stats));
  EXPECT_EQ(3, record->GetField("page_type")->GetInt());
  EXPECT_EQ("next", record->GetByPath("navigation_action")->GetString());
  EXPECT_EQ(2, record->GetByPath("edited_install_path_counter")->GetInt());
}

TEST_F(StatisticsRecordWritersTest, SettingsAreMatchedByName) {
  InstallationSettings settings;
  settings.make_default = true;
  settings.using_privileged_installation_folder = true;
  settings.installation_mode = 2;
  settings.installation_operation = 7;
  ASSERT_TRUE(WriteInstallationSettings(event_, "settings", settings));
  AvroDatum* record = event_->GetByPath("settings");
  EXPECT_TRUE(record->GetField("make_default")->GetBool());
  EXPECT_FALSE(record->GetField("using_default_installation_folder")->GetBool());
  EXPECT_TRUE(record->GetField("using_privileged_installation_folder")->GetBool());
  EXPECT_EQ(2, record->GetField("installation_mode")->GetInt());
  EXPECT_EQ(7, record->GetField("installation_operation")->GetInt());
}

TEST_F(StatisticsRecordWritersTest, CampaignWithOnlyASource) {
  CampaignInfo campaign;
  campaign.source = "newsletter";
  ASSERT_TRUE(WriteCampaignInfo(root_.get(), "context.campaign", campaign));
  AvroDatum* record = root_->GetField("context")->GetUnionBranch()->GetField("campaign");
  ASSERT_EQ(1u, record->GetUnionBranchIndex());
  AvroDatum* fields = record->GetUnionBranch();
  EXPECT_EQ(0u, fields->GetField("name")->GetUnionBranchIndex());
  EXPECT_EQ(0u, fields->GetField("medium")->GetUnionBranchIndex());
  EXPECT_EQ("newsletter", fields->GetByPath("source")->GetString());
}

TEST_F(StatisticsRecordWritersTest, LargeCountersKeepTheirBits) {
  SenderStatistics statistics;
  statistics.messages_total = 0x80000000u;
  statistics.dumps_total = 0xFFFFFFFFu;
  statistics.successfully_sent_total = 3;
  ASSERT_TRUE(WriteSenderStatistics(event_, "diagnostic_data", statistics));
  AvroDatum* record = event_->GetField("diagnostic_data");
  EXPECT_EQ(INT32_MIN, record->GetField("messages_total")->GetInt());
  EXPECT_EQ(-1, record->GetField("dumps_total")->GetInt());
  EXPECT_EQ(3, record->GetField("successfully_sent_total")->GetInt());
  // The encoder reads the int slots: the counters survive a round trip.
  AvroCodec codec;
  auto decoded = codec.Decode(GetInstallerSchema(), codec.Encode(*root_));
  ASSERT_TRUE(decoded);
  EXPECT_EQ(INT32_MIN, decoded->GetByPath("installer_event.diagnostic_data.messages_total")->GetInt());
}

TEST_F(StatisticsRecordWritersTest, WrongTypeOrUnknownPathWritesNothing) {
  // chunk_start is a long: an int written there would encode as 0.
  FetchStatistics stats;
  ASSERT_TRUE(WriteFetchStatistics(event_, "fetch_details", {stats}));
  AvroDatum* item = event_->GetByPath("fetch_details")->GetChild(0);
  EXPECT_FALSE(WriteInt(item, "chunk_start", 5));
  EXPECT_FALSE(WriteString(event_, "no_such_field", "x"));
  EXPECT_FALSE(WriteInstallationSettings(event_, "nowhere", InstallationSettings()));
  EXPECT_FALSE(WriteEnumSymbol(event_, "description", "x64"));
  // An absent optional is no error and leaves the union alone.
  EXPECT_TRUE(WriteOptionalInt(event_, "counter", std::nullopt));
  EXPECT_EQ(0u, event_->GetField("counter")->GetUnionBranchIndex());
}

}  // namespace
