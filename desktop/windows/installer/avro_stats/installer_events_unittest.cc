#include "desktop/windows/installer/avro_stats/installer_events.h"

#include <memory>
#include <string>

#include "base/guid.h"
#include "base/threading/platform_thread.h"
#include "desktop/windows/installer/avro_stats/avro/avro_datum.h"
#include "desktop/windows/installer/avro_stats/statistics_schema.h"
#include "gtest/gtest.h"

namespace {

std::unique_ptr<AvroDatum> ToMessage(const InstallerEvent& event) {
  std::unique_ptr<AvroDatum> root = AvroDatum::Create(GetInstallerSchema());
  event.ToDatum(root.get());
  return root;
}

AvroDatum* EventRecord(AvroDatum* root) {
  AvroDatum* event_union = root->GetField("installer_event");
  EXPECT_EQ(1u, event_union->GetUnionBranchIndex());
  return event_union->GetUnionBranch();
}

size_t Branch(AvroDatum* record, const char* field) {
  return record->GetField(field)->GetUnionBranchIndex();
}

TEST(InstallerEventsTest, SessionIdsCountEveryConstructionInOrder) {
  ErrorEvent first("a", 1);
  PackageReadyEvent second(1);
  EXPECT_EQ(first.message_session_id() + 1, second.message_session_id());
  EXPECT_GT(first.message_session_id(), 0);
  EXPECT_TRUE(base::IsValidGUIDOutputString(first.message_uuid()));
  EXPECT_NE(first.message_uuid(), second.message_uuid());
}

TEST(InstallerEventsTest, EventWithoutDetailsLeavesEveryDetailNull) {
  PackageReadyEvent event(1);
  auto root = ToMessage(event);
  AvroDatum* record = EventRecord(root.get());
  EXPECT_EQ(19, record->GetField("event_type")->GetEnumIndex());
  for (const char* field : {"description", "result", "counter", "controller_launched_details",
                            "settings", "page_transitions", "fetch_details",
                            "version_information"}) {
    EXPECT_EQ(0u, Branch(record, field)) << field;
  }
  EXPECT_EQ(event.message_session_id(), record->GetField("message_session_id")->GetInt());
}

TEST(InstallerEventsTest, ControllerLaunchedWritesEveryDetail) {
  ControllerLaunchedEvent event("3", "tracking", true, false, true, "installer.exe --silent",
                                "x64", 1);
  auto root = ToMessage(event);
  AvroDatum* details = EventRecord(root.get())->GetByPath("controller_launched_details");
  ASSERT_TRUE(details);
  EXPECT_EQ("3", details->GetField("payload_type")->GetString());
  EXPECT_EQ("tracking", details->GetField("tracking_data")->GetString());
  EXPECT_TRUE(details->GetField("run_immediately")->GetBool());
  EXPECT_FALSE(details->GetField("autoupdate")->GetBool());
  EXPECT_TRUE(details->GetField("silent")->GetBool());
  EXPECT_EQ("installer.exe --silent", details->GetField("command_line")->GetString());
  EXPECT_EQ(1, details->GetField("package_architecture")->GetEnumIndex());

  ControllerLaunchedEvent odd("0", "", false, false, false, "", "arm64", 1);
  auto odd_root = ToMessage(odd);
  EXPECT_EQ(0, EventRecord(odd_root.get())
                   ->GetByPath("controller_launched_details.package_architecture")
                   ->GetEnumIndex());
}

TEST(InstallerEventsTest, EmptyFetchListStillSelectsTheArray) {
  FetchingPrimaryPackageEvent event("", FetchStatisticsList(), 1);
  auto root = ToMessage(event);
  AvroDatum* record = EventRecord(root.get());
  ASSERT_EQ(1u, Branch(record, "fetch_details"));
  EXPECT_EQ(0u, record->GetField("fetch_details")->GetUnionBranch()->GetArraySize());
  // An empty description is still written.
  EXPECT_EQ(1u, Branch(record, "description"));
}

TEST(InstallerEventsTest, AutoupdateFailedCarriesSettingsAndVersionAtLevelZero) {
  InstallationSettings settings;
  settings.using_privileged_installation_folder = true;
  settings.installation_operation = 4;
  FetchStatistics chunk;
  chunk.http_status = 404;
  AutoupdateFailedEvent event("no package", {chunk}, settings, "64.0.1", "stable", 0);
  EXPECT_EQ(0, event.GetVerbosityLevel());
  auto root = ToMessage(event);
  AvroDatum* record = EventRecord(root.get());
  EXPECT_EQ(0, record->GetField("event_type")->GetEnumIndex());
  EXPECT_EQ("no package", record->GetByPath("description")->GetString());
  EXPECT_TRUE(record->GetByPath("settings.using_privileged_installation_folder")->GetBool());
  EXPECT_EQ(4, record->GetByPath("settings.installation_operation")->GetInt());
  EXPECT_EQ(1u, record->GetByPath("fetch_details")->GetArraySize());
  EXPECT_EQ("64.0.1", record->GetByPath("version_information.version")->GetString());
  EXPECT_EQ("stable", record->GetByPath("version_information.stream")->GetString());
}

TEST(InstallerEventsTest, StepFinishedWritesCounterAndDescription) {
  InstallerStepFinishedEvent event("CopyFiles", -7, 1);
  auto root = ToMessage(event);
  AvroDatum* record = EventRecord(root.get());
  EXPECT_EQ(5, record->GetField("event_type")->GetEnumIndex());
  EXPECT_EQ(-7, record->GetByPath("counter")->GetInt());
  EXPECT_EQ("CopyFiles", record->GetByPath("description")->GetString());
  EXPECT_EQ(0u, Branch(record, "result"));
}

TEST(InstallerEventsTest, EveryClassNamesASymbolOfTheSchema) {
  std::unique_ptr<InstallerEvent> events[] = {
      std::make_unique<AdditionalFileFetchedEvent>(FetchStatisticsList(), 1),
      std::make_unique<ChecksumVerifiedEvent>(1),
      std::make_unique<ControllerQuittingEvent>(true, 1),
      std::make_unique<FetchingAdditionalFileEvent>("f", 1),
      std::make_unique<FetchingDownloadUrlEvent>(1),
      std::make_unique<InitialSettingsGatheredEvent>(InstallationSettings(), 1),
      std::make_unique<InstallationCancelledEvent>(2, 1),
      std::make_unique<InstallerStepStartingEvent>("s", 1),
      std::make_unique<PackageFetcherLocalErrorEvent>("l", 1),
      std::make_unique<PackageFetcherNetworkErrorEvent>("n", FetchStatisticsList(), 1),
      std::make_unique<PageTransitionEvent>(PageTransitionStats(), 1),
      std::make_unique<PrimaryPackageFetchedEvent>(FetchStatisticsList(), 1),
      std::make_unique<SettingsAcceptedEvent>(InstallationSettings(), 1),
      std::make_unique<SignatureVerifiedEvent>(1),
      std::make_unique<StatusParsedEvent>("json", 1),
      std::make_unique<VersionVerifiedEvent>("1", "s", 1),
  };
  auto schema = GetInstallerSchema();
  const AvroSchemaNode* event_node =
      schema->GetChild(schema->FindField("installer_event"))->GetChild(1);
  const AvroSchemaNode* type_node = event_node->GetChild(event_node->FindField("event_type"));
  for (const auto& event : events) {
    auto root = ToMessage(*event);
    int index = type_node->FindEnumSymbol(event->GetName());
    ASSERT_GE(index, 1) << event->GetName();
    EXPECT_EQ(index, EventRecord(root.get())->GetField("event_type")->GetEnumIndex());
  }
}

TEST(InstallerEventsTest, EachSerialisationTakesANewSentTime) {
  ErrorEvent event("x", 1);
  auto first = ToMessage(event);
  base::PlatformThread::Sleep(base::TimeDelta::FromMilliseconds(20));
  auto second = ToMessage(event);
  EXPECT_EQ(first->GetField("EventTimestamp")->GetLong(),
            second->GetField("EventTimestamp")->GetLong());
  EXPECT_LT(first->GetField("SentTimestamp")->GetLong(),
            second->GetField("SentTimestamp")->GetLong());
  EXPECT_EQ(event.message_uuid(), second->GetByPath("QSPMessageUUID")->GetString());
  EXPECT_EQ(ToUnixMilliseconds(event.creation_time()),
            first->GetField("EventTimestamp")->GetLong());
}

TEST(InstallerEventsTest, UnixMillisecondsOfAKnownTime) {
  EXPECT_EQ(1000, ToUnixMilliseconds(base::Time::FromTimeT(1)));
  EXPECT_EQ(1500000000000LL, ToUnixMilliseconds(base::Time::FromTimeT(1500000000)));
}

}  // namespace
