#include "desktop/windows/installer/avro_stats/avro_message_context_impl.h"

#include <memory>
#include <string>

#include "desktop/windows/installer/avro_stats/avro/avro_codec.h"
#include "desktop/windows/installer/avro_stats/avro/avro_datum.h"
#include "desktop/windows/installer/avro_stats/installer_events.h"
#include "desktop/windows/installer/avro_stats/sender_statistics.h"
#include "desktop/windows/installer/avro_stats/statistics_schema.h"
#include "gtest/gtest.h"

namespace {

std::unique_ptr<AvroDatum> DecodeMessage(const std::string& message) {
  if (message.size() < AvroCodec::kSchemaIdHeaderSize)
    return nullptr;
  return AvroCodec().Decode(GetInstallerSchema(), message.substr(AvroCodec::kSchemaIdHeaderSize));
}

TEST(AvroMessageContextImplTest, MessageCarriesHeaderContextAndCounters) {
  CampaignInfo campaign;
  campaign.name = "spring";
  AvroMessageContextImpl context("0f0e0d0c-0000-4000-8000-000000000001", "", "64.0.3278.0",
                                 "developer", campaign);
  SenderStatistics statistics;
  statistics.messages_total = 4;
  statistics.send_attempts_total = 2;
  ErrorEvent event("bad \xff byte", 1);
  std::string message;
  context.Serialize(&message, event, statistics);
  ASSERT_GE(message.size(), 5u);
  EXPECT_EQ(std::string("\x00\x00\x00\x00\xd0", 5), message.substr(0, 5));

  auto root = DecodeMessage(message);
  ASSERT_TRUE(root);
  EXPECT_EQ("0f0e0d0c-0000-4000-8000-000000000001",
            root->GetByPath("identifiers.session_guid")->GetString());
  // An empty id is still written: the union is not null.
  AvroDatum* identifiers = root->GetField("identifiers")->GetUnionBranch();
  EXPECT_EQ(1u, identifiers->GetField("network_installer_id")->GetUnionBranchIndex());
  EXPECT_EQ("64.0.3278.0", root->GetByPath("context.application.version")->GetString());
  EXPECT_EQ("developer", root->GetByPath("context.application.stream")->GetString());
  EXPECT_EQ(0u, root->GetField("context")->GetUnionBranch()->GetField("application")
                    ->GetUnionBranch()->GetField("name")->GetUnionBranchIndex());
  EXPECT_EQ("spring", root->GetByPath("context.campaign.name")->GetString());
  EXPECT_EQ("Windows", root->GetByPath("context.osname")->GetString());
  EXPECT_EQ(GetAvroOsVersion(), root->GetByPath("context.osversion")->GetString());
  EXPECT_EQ(4, root->GetByPath("installer_event.diagnostic_data.messages_total")->GetInt());
  EXPECT_EQ(2, root->GetByPath("installer_event.diagnostic_data.send_attempts_total")->GetInt());
  // Invalid UTF-8 in a detail cannot make the service refuse the message.
  EXPECT_EQ("bad \xef\xbf\xbd byte", root->GetByPath("installer_event.description")->GetString());
  // Never set by the installer.
  EXPECT_EQ(0u, root->GetField("QSPSubmissionServerMetadata")->GetUnionBranchIndex());
}

TEST(AvroMessageContextImplTest, OsVersionHasFourNumbers) {
  std::string version = GetAvroOsVersion();
  int major = -1, minor = -1, build = -1, revision = -1;
  char tail = 0;
  EXPECT_EQ(4, sscanf(version.c_str(), "%d.%d.%d.%d%c", &major, &minor, &build, &revision, &tail))
      << version;
  EXPECT_GE(major, 5);
  EXPECT_GE(revision, 0);
}

}  // namespace
