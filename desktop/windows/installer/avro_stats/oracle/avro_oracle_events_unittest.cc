// Writes one complete message per installer event class, serialised by the
// message context as the sender does, for the python3-avro cross-check
// (check_avro_messages.py). Skipped unless TARVO_AVRO_ORACLE_DIR is set.

#include <stdint.h>

#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "desktop/windows/installer/avro_stats/avro/avro_codec.h"
#include "desktop/windows/installer/avro_stats/avro/avro_datum.h"
#include "desktop/windows/installer/avro_stats/avro/test_support/avro_json_dump.h"
#include "desktop/windows/installer/avro_stats/avro_message_context_impl.h"
#include "desktop/windows/installer/avro_stats/campaign_info.h"
#include "desktop/windows/installer/avro_stats/installer_events.h"
#include "desktop/windows/installer/avro_stats/sender_statistics.h"
#include "desktop/windows/installer/avro_stats/statistics_schema.h"
#include "desktop/windows/installer/avro_stats/oracle/test_support/oracle_output.h"
#include "gtest/gtest.h"

namespace {

constexpr int32_t kMinInt = std::numeric_limits<int32_t>::min();
constexpr int32_t kMaxInt = std::numeric_limits<int32_t>::max();
constexpr int64_t kMinLong = std::numeric_limits<int64_t>::min();
constexpr int64_t kMaxLong = std::numeric_limits<int64_t>::max();

const char kNonAscii[] = "Z\xC3\xBCrich \xE6\x9D\xB1\xE4\xBA\xAC \xF0\x9F\x98\x80";
const char kInvalidUtf8[] = "bad\xFF" "header\xC3";
const char kInvalidUtf8Written[] = "bad\xEF\xBF\xBD" "header\xEF\xBF\xBD";

FetchStatistics FullFetchStatistics() {
  FetchStatistics s;
  s.chunk_start = kMaxLong;
  s.chunk_number = kMinInt;
  s.ip = "2001:db8::1";
  s.redirected_url = std::string("https://example.com/p?q=") + kNonAscii;
  s.headers = {{"X-Zeta", kInvalidUtf8}, {"Content-Length", "0"}, {"", ""}, {"\xC3\xA9", kNonAscii}};
  s.wininet_error = 12002;
  s.http_status = 403;
  s.retry_count = 0;
  s.chunk_end = kMinLong;
  s.chunk_end_time = 1765000000123;
  s.response_too_long = -1;
  s.proxy_login_needed = true;
  s.proxy_login_result = kMaxInt;
  s.null_request_context = false;
  return s;
}

FetchStatistics StatusOnly() {
  FetchStatistics s;
  s.http_status = 201;
  return s;
}

InstallationSettings Settings() {
  InstallationSettings s;
  s.make_default = true;
  s.using_privileged_installation_folder = true;
  s.installation_mode = kMinInt;
  s.installation_operation = kMaxInt;
  return s;
}

PageTransitionStats PageStats(bool full) {
  PageTransitionStats s;
  if (!full)
    return s;
  s.page_type = 3;
  s.changed_make_default_browser_counter = 0;
  s.changed_import_data_counter = -1;
  s.changed_enable_stats_counter = kMaxInt;
  s.changed_delete_profile_counter = kMinInt;
  s.changed_install_mode_counter = 64;
  s.changed_language_counter = -65;
  s.changed_install_path_counter = 1;
  s.edited_install_path_counter = 8192;
  s.navigation_action = "next";
  s.failure_reason = "";
  s.error_displayed = kNonAscii;
  return s;
}

TEST(AvroOracleEventsTest, WriteOneMessagePerEventClass) {
  base::FilePath output;
  if (!GetOracleOutputFolder(&output))
    GTEST_SKIP() << kOracleOutputVariable << " is not set";
  ASSERT_TRUE(base::CreateDirectory(output));

  std::vector<std::unique_ptr<InstallerEvent>> events;
  std::vector<FetchStatistics> fetches = {FullFetchStatistics(), StatusOnly(), FetchStatistics()};
  events.push_back(std::make_unique<AdditionalFileFetchedEvent>(fetches, 1));
  events.push_back(std::make_unique<AutoupdateFailedEvent>(kInvalidUtf8, fetches, Settings(),
                                                           "1.2.3.4", kNonAscii, 0));
  events.push_back(std::make_unique<ChecksumVerifiedEvent>(1));
  events.push_back(std::make_unique<ControllerLaunchedEvent>(
      "full_package", kNonAscii, true, false, true,
      "\"C:\\Tarvo\\installer.exe\" --silent --with-feature:x=1", "x64", 1));
  events.push_back(std::make_unique<ControllerQuittingEvent>(false, 1));
  events.push_back(std::make_unique<ErrorEvent>(std::string(300, 'e'), 1));
  events.push_back(std::make_unique<FetchingAdditionalFileEvent>("", 1));
  events.push_back(std::make_unique<FetchingDownloadUrlEvent>(1));
  events.push_back(std::make_unique<FetchingPrimaryPackageEvent>(kNonAscii, std::vector<FetchStatistics>(), 1));
  events.push_back(std::make_unique<InitialSettingsGatheredEvent>(InstallationSettings(), 1));
  events.push_back(std::make_unique<InstallationCancelledEvent>(kMinInt, 1));
  events.push_back(std::make_unique<InstallerStepFinishedEvent>("copy_file:a\\b.dll", kMaxInt, 1));
  events.push_back(std::make_unique<InstallerStepStartingEvent>("write_status", 1));
  events.push_back(std::make_unique<PackageFetcherLocalErrorEvent>(kInvalidUtf8, 1));
  events.push_back(std::make_unique<PackageFetcherNetworkErrorEvent>(
      "timeout", std::vector<FetchStatistics>{StatusOnly()}, 1));
  events.push_back(std::make_unique<PackageReadyEvent>(1));
  events.push_back(std::make_unique<PageTransitionEvent>(PageStats(true), 1));
  events.push_back(std::make_unique<PrimaryPackageFetchedEvent>(fetches, 1));
  events.push_back(std::make_unique<SettingsAcceptedEvent>(Settings(), 1));
  events.push_back(std::make_unique<SignatureVerifiedEvent>(1));
  events.push_back(std::make_unique<StatusParsedEvent>("legacy_xml", 1));
  events.push_back(std::make_unique<VersionVerifiedEvent>("", kNonAscii, 1));
  // A default page record still makes the record present.
  events.push_back(std::make_unique<PageTransitionEvent>(PageStats(false), 1));

  CampaignInfo campaign;
  campaign.source = kNonAscii;
  AvroMessageContextImpl context("7b0c6a54-0f5e-4c1b-9d1e-2f6a8b3c4d5e", kInvalidUtf8,
                                 "100.0.4000.1", "stable", campaign);
  SenderStatistics counters;
  counters.dumped_messages_total = 4294967295u;  // Written as the int -1.
  counters.dumps_total = 2147483648u;
  counters.messages_total = 7;
  counters.send_attempts_total = 0;
  counters.successfully_sent_total = 2147483647u;

  AvroCodec codec;
  int number = 0;
  for (const auto& event : events) {
    SCOPED_TRACE(event->GetName());
    std::string message;
    context.Serialize(&message, *event, counters);
    ASSERT_GT(message.size(), AvroCodec::kSchemaIdHeaderSize);
    std::unique_ptr<AvroDatum> decoded = codec.Decode(
        GetInstallerSchema(), std::string_view(message).substr(AvroCodec::kSchemaIdHeaderSize));
    ASSERT_TRUE(decoded);
    AvroDatum* type = decoded->GetByPath("installer_event.event_type");
    ASSERT_TRUE(type);
    EXPECT_EQ(event->GetName(), type->GetSchema()->GetEnumSymbols()[type->GetEnumIndex()]);
    EXPECT_EQ(-1, decoded->GetByPath("installer_event.diagnostic_data.dumped_messages_total")->GetInt());

    std::string name = "evt_" + std::to_string(100 + number++) + "_" + event->GetName();
    ASSERT_TRUE(base::WriteFile(output.AppendASCII(name + ".bin"), message));
    ASSERT_TRUE(base::WriteFile(output.AppendASCII(name + ".json"), AvroDatumToJson(*decoded)));
  }
}

// The invalid UTF-8 of a header and of the identifiers reaches the wire as
// U+FFFD, never as bytes that a strict reader refuses.
TEST(AvroOracleEventsTest, InvalidUtf8IsReplacedInEveryStringField) {
  AvroMessageContextImpl context("guid", kInvalidUtf8, "1", "s", CampaignInfo());
  std::string message;
  context.Serialize(&message,
                    AutoupdateFailedEvent(kInvalidUtf8, {FullFetchStatistics()}, Settings(), "v",
                                          "s", 0),
                    SenderStatistics());
  // The decoder refuses invalid UTF-8 in strings, so decoding proves it.
  auto decoded = AvroCodec().Decode(GetInstallerSchema(),
                                    std::string_view(message).substr(AvroCodec::kSchemaIdHeaderSize));
  ASSERT_TRUE(decoded);
  EXPECT_EQ(kInvalidUtf8Written, decoded->GetByPath("installer_event.description")->GetString());
  EXPECT_EQ(kInvalidUtf8Written,
            decoded->GetByPath("identifiers.network_installer_id")->GetString());
  AvroDatum* items = decoded->GetByPath("installer_event.fetch_details");
  ASSERT_TRUE(items);
  ASSERT_EQ(1u, items->GetArraySize());
  const AvroDatum* header = items->GetChild(0)->GetField("headers")->GetField("X-Zeta");
  ASSERT_TRUE(header);
  EXPECT_EQ(kInvalidUtf8Written, header->GetString());
}

}  // namespace
