// Writes one complete message per installer event class, serialised by the
// message context as the sender does, with the values it must carry, for
// the python3-avro cross-check (check_avro_messages.py). Skipped unless
// TARVO_AVRO_ORACLE_DIR is set.

#include <windows.h>
#include <stdint.h>

#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "desktop/windows/installer/avro_stats/avro/avro_codec.h"
#include "desktop/windows/installer/avro_stats/avro/avro_datum.h"
#include "desktop/windows/installer/avro_stats/avro_message_context_impl.h"
#include "desktop/windows/installer/avro_stats/campaign_info.h"
#include "desktop/windows/installer/avro_stats/installer_events.h"
#include "desktop/windows/installer/avro_stats/sender_statistics.h"
#include "desktop/windows/installer/avro_stats/statistics_schema.h"
#include "desktop/windows/installer/avro_stats/oracle/test_support/oracle_output.h"
#include "desktop/windows/installer/avro_stats/test_support/registry_os_version.h"
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

// What the message context below writes into every message, in JSON.
constexpr char kIdentifiersJson[] =
    R"({"network_installer_id": "bad\ufffdheader\ufffd",
        "session_guid": "7b0c6a54-0f5e-4c1b-9d1e-2f6a8b3c4d5e"})";
constexpr char kDiagnosticDataJson[] =
    R"({"dumped_messages_total": -1, "dumps_total": -2147483648, "messages_total": 7,
        "send_attempts_total": 0, "successfully_sent_total": 2147483647})";

// FullFetchStatistics(), StatusOnly() and FetchStatistics(); headers in
// ascending byte order of their keys.
constexpr char kFetchesJson[] = R"([
    {"chunk_start": 9223372036854775807, "chunk_number": -2147483648, "ip": "2001:db8::1",
     "redirected_url": "https://example.com/p?q=Z\u00fcrich \u6771\u4eac \ud83d\ude00",
     "headers": {"": "", "Content-Length": "0", "X-Zeta": "bad\ufffdheader\ufffd",
                 "\u00e9": "Z\u00fcrich \u6771\u4eac \ud83d\ude00"},
     "wininet_error": 12002, "http_status": 403, "retry_count": 0,
     "chunk_end": -9223372036854775808, "chunk_end_time": 1765000000123,
     "response_too_long": -1, "proxy_login_needed": true, "proxy_login_result": 2147483647,
     "null_request_context": false},
    {"http_status": 201, "headers": {}},
    {"headers": {}}])";

// Settings().
constexpr char kSettingsJson[] =
    R"({"make_default": true, "using_default_installation_folder": false,
        "installation_mode": -2147483648, "installation_operation": 2147483647,
        "using_privileged_installation_folder": true})";

// The wall clock in milliseconds since the Unix epoch, read apart from the
// code under test.
int64_t NowUnixMilliseconds() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  const int64_t ticks =
      (static_cast<int64_t>(now.dwHighDateTime) << 32) | static_cast<int64_t>(now.dwLowDateTime);
  return (ticks - 116444736000000000LL) / 10000;
}

// A range for the checker; generous, as the clock the events read may tick
// more coarsely than this one.
std::string Between(int64_t from, int64_t to) {
  return "{\"$between\": [" + std::to_string(from - 1000) + ", " + std::to_string(to + 1000) +
         "]}";
}

struct EventCase {
  std::unique_ptr<InstallerEvent> event;
  // The `event_type` symbol, and the members of `installer_event` that the
  // event sets, written from its constructor arguments. The checker takes
  // every other optional field to be null.
  const char* event_type;
  std::string details;
};

std::vector<EventCase> MakeEventCases() {
  const std::vector<FetchStatistics> fetches = {FullFetchStatistics(), StatusOnly(),
                                                FetchStatistics()};
  std::vector<EventCase> cases;
  auto add = [&cases](std::unique_ptr<InstallerEvent> event, const char* type,
                      std::string details) {
    cases.push_back({std::move(event), type, std::move(details)});
  };
  add(std::make_unique<AdditionalFileFetchedEvent>(fetches, 1), "additional_file_fetched",
      std::string("\"fetch_details\": ") + kFetchesJson);
  add(std::make_unique<AutoupdateFailedEvent>(kInvalidUtf8, fetches, Settings(), "1.2.3.4",
                                              kNonAscii, 0),
      "autoupdate_failed",
      std::string(R"("description": "bad\ufffdheader\ufffd", "fetch_details": )") +
          kFetchesJson + ", \"settings\": " + kSettingsJson +
          R"(, "version_information": {"version": "1.2.3.4",
              "stream": "Z\u00fcrich \u6771\u4eac \ud83d\ude00"})");
  add(std::make_unique<ChecksumVerifiedEvent>(1), "checksum_verified", "");
  // Two launches: every pair of the three flags differs in one of them.
  add(std::make_unique<ControllerLaunchedEvent>(
          "full_package", kNonAscii, true, false, true,
          "\"C:\\Tarvo\\installer.exe\" --silent --with-feature:x=1", "x64", 1),
      "controller_launched",
      R"("controller_launched_details": {"payload_type": "full_package",
          "tracking_data": "Z\u00fcrich \u6771\u4eac \ud83d\ude00",
          "run_immediately": true, "autoupdate": false, "silent": true,
          "command_line": "\"C:\\Tarvo\\installer.exe\" --silent --with-feature:x=1",
          "package_architecture": "x64"})");
  add(std::make_unique<ControllerLaunchedEvent>("tracking_data", "", false, false, true,
                                                "installer.exe", "x86", 1),
      "controller_launched",
      R"("controller_launched_details": {"payload_type": "tracking_data", "tracking_data": "",
          "run_immediately": false, "autoupdate": false, "silent": true,
          "command_line": "installer.exe", "package_architecture": "x86"})");
  add(std::make_unique<ControllerQuittingEvent>(false, 1), "controller_quitting",
      R"("result": false)");
  add(std::make_unique<ControllerQuittingEvent>(true, 1), "controller_quitting",
      R"("result": true)");
  add(std::make_unique<ErrorEvent>(std::string(300, 'e'), 1), "error",
      "\"description\": \"" + std::string(300, 'e') + "\"");
  add(std::make_unique<FetchingAdditionalFileEvent>("", 1), "fetching_additional_file",
      R"("description": "")");
  add(std::make_unique<FetchingDownloadUrlEvent>(1), "fetching_download_url", "");
  add(std::make_unique<FetchingPrimaryPackageEvent>(kNonAscii, std::vector<FetchStatistics>(),
                                                    1),
      "fetching_primary_package",
      R"("description": "Z\u00fcrich \u6771\u4eac \ud83d\ude00", "fetch_details": [])");
  add(std::make_unique<InitialSettingsGatheredEvent>(InstallationSettings(), 1),
      "initial_settings_gathered",
      R"("settings": {"make_default": false, "using_default_installation_folder": false,
          "installation_mode": 0, "installation_operation": 0,
          "using_privileged_installation_folder": false})");
  add(std::make_unique<InstallationCancelledEvent>(2, 1), "installation_cancelled",
      R"("counter": 2)");
  add(std::make_unique<InstallerStepFinishedEvent>("copy_file:a\\b.dll", 41, 1),
      "installer_step_finished", R"("description": "copy_file:a\\b.dll", "counter": 41)");
  add(std::make_unique<InstallerStepStartingEvent>("write_status", 1), "installer_step_starting",
      R"("description": "write_status")");
  add(std::make_unique<PackageFetcherLocalErrorEvent>(kInvalidUtf8, 1),
      "package_fetcher_local_error", R"("description": "bad\ufffdheader\ufffd")");
  add(std::make_unique<PackageFetcherNetworkErrorEvent>(
          "timeout", std::vector<FetchStatistics>{StatusOnly()}, 1),
      "package_fetcher_network_error",
      R"("description": "timeout", "fetch_details": [{"http_status": 201, "headers": {}}])");
  add(std::make_unique<PackageReadyEvent>(1), "package_ready", "");
  add(std::make_unique<PageTransitionEvent>(PageStats(true), 1), "page_transition",
      R"("page_transitions": {"page_type": 3, "changed_make_default_browser_counter": 0,
          "changed_import_data_counter": -1, "changed_enable_stats_counter": 2147483647,
          "changed_delete_profile_counter": -2147483648, "changed_install_mode_counter": 64,
          "changed_language_counter": -65, "changed_install_path_counter": 1,
          "edited_install_path_counter": 8192, "navigation_action": "next",
          "failure_reason": "", "error_displayed": "Z\u00fcrich \u6771\u4eac \ud83d\ude00"})");
  add(std::make_unique<PrimaryPackageFetchedEvent>(fetches, 1), "primary_package_fetched",
      std::string("\"fetch_details\": ") + kFetchesJson);
  add(std::make_unique<SettingsAcceptedEvent>(Settings(), 1), "settings_accepted",
      std::string("\"settings\": ") + kSettingsJson);
  add(std::make_unique<SignatureVerifiedEvent>(1), "signature_verified", "");
  add(std::make_unique<StatusParsedEvent>("legacy_xml", 1), "status_parsed",
      R"("description": "legacy_xml")");
  add(std::make_unique<VersionVerifiedEvent>("64.0.3278.0", "beta", 1), "version_verified",
      R"("version_information": {"version": "64.0.3278.0", "stream": "beta"})");
  add(std::make_unique<VersionVerifiedEvent>("", kNonAscii, 1), "version_verified",
      R"("version_information": {"version": "",
          "stream": "Z\u00fcrich \u6771\u4eac \ud83d\ude00"})");
  // A default page record still makes the record present.
  add(std::make_unique<PageTransitionEvent>(PageStats(false), 1), "page_transition",
      R"("page_transitions": {"page_type": 0})");
  return cases;
}

// Each event class serialised as the sender does, with the values it must
// carry written from its constructor arguments: check_avro_messages.py
// decodes the bytes with python3-avro and compares.
TEST(AvroOracleEventsTest, WriteOneMessagePerEventClass) {
  base::FilePath output;
  if (!GetOracleOutputFolder(&output))
    GTEST_SKIP() << kOracleOutputVariable << " is not set";
  ASSERT_TRUE(base::CreateDirectory(output));
  const std::string os_version = GetOsVersionFromRegistry();
  ASSERT_FALSE(os_version.empty());

  const int64_t created_from = NowUnixMilliseconds();
  std::vector<EventCase> cases = MakeEventCases();
  const int64_t created_to = NowUnixMilliseconds();

  CampaignInfo campaign;
  campaign.source = kNonAscii;
  AvroMessageContextImpl context("7b0c6a54-0f5e-4c1b-9d1e-2f6a8b3c4d5e", kInvalidUtf8,
                                 "100.0.4000.1", "stable", campaign);
  const std::string context_json =
      R"({"application": {"version": "100.0.4000.1", "stream": "stable"},
          "campaign": {"source": "Z\u00fcrich \u6771\u4eac \ud83d\ude00"},
          "osname": "Windows", "osversion": ")" +
      os_version + "\"}";
  SenderStatistics counters;
  counters.dumped_messages_total = 4294967295u;  // Written as the int -1.
  counters.dumps_total = 2147483648u;
  counters.messages_total = 7;
  counters.send_attempts_total = 0;
  counters.successfully_sent_total = 2147483647u;

  // Every construction takes the next session id.
  const int32_t first_session_id = cases.front().event->message_session_id();
  for (size_t i = 0; i < cases.size(); ++i) {
    const EventCase& c = cases[i];
    SCOPED_TRACE(c.event_type);
    std::string message;
    const int64_t sent_from = NowUnixMilliseconds();
    context.Serialize(&message, *c.event, counters);
    const int64_t sent_to = NowUnixMilliseconds();

    const std::string expected =
        "{\"QSPMessageUUID\": \"" + c.event->message_uuid() + "\",\n" +
        "\"EventTimestamp\": " + Between(created_from, created_to) + ",\n" +
        "\"SentTimestamp\": " + Between(sent_from, sent_to) + ",\n" +
        "\"UTCOffset\": 0,\n\"context\": " + context_json + ",\n" +
        "\"identifiers\": " + kIdentifiersJson + ",\n" +
        "\"installer_event\": {\"event_type\": \"" + c.event_type + "\",\n" +
        "\"message_session_id\": " + std::to_string(first_session_id + static_cast<int>(i)) +
        ",\n\"diagnostic_data\": " + kDiagnosticDataJson +
        (c.details.empty() ? "" : ",\n" + c.details) + "}}\n";
    std::string name = "evt_" + std::to_string(100 + i) + "_" + c.event_type;
    ASSERT_TRUE(base::WriteFile(output.AppendASCII(name + ".bin"), message));
    ASSERT_TRUE(base::WriteFile(output.AppendASCII(name + ".json"), expected));
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
