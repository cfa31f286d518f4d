#include "desktop/windows/installer/avro_stats/avro_message_context_impl.h"

#include <windows.h>

#include <memory>
#include <string>

#include "base/win/registry.h"
#include "desktop/windows/installer/avro_stats/avro/avro_codec.h"
#include "desktop/windows/installer/avro_stats/avro/avro_datum.h"
#include "desktop/windows/installer/avro_stats/installer_events.h"
#include "desktop/windows/installer/avro_stats/sender_statistics.h"
#include "desktop/windows/installer/avro_stats/statistics_schema.h"
#include "desktop/windows/installer/avro_stats/test_support/registry_os_version.h"
#include "gtest/gtest.h"
#include "testing/registry_override.h"

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
  const std::string os_version = GetOsVersionFromRegistry();
  ASSERT_FALSE(os_version.empty());
  EXPECT_EQ(os_version, root->GetByPath("context.osversion")->GetString());
  EXPECT_EQ(4, root->GetByPath("installer_event.diagnostic_data.messages_total")->GetInt());
  EXPECT_EQ(2, root->GetByPath("installer_event.diagnostic_data.send_attempts_total")->GetInt());
  // Invalid UTF-8 in a detail cannot make the service refuse the message.
  EXPECT_EQ("bad \xef\xbf\xbd byte", root->GetByPath("installer_event.description")->GetString());
  // Never set by the installer.
  EXPECT_EQ(0u, root->GetField("QSPSubmissionServerMetadata")->GetUnionBranchIndex());
}

// The version the system reports, against what the registry records of it
// (the test prefix is set to Windows 10, build 18362).
TEST(AvroMessageContextImplTest, OsVersionIsTheOneTheRegistryRecords) {
  const std::string expected = GetOsVersionFromRegistry();
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(expected, GetAvroOsVersion());
  EXPECT_EQ(0u, GetAvroOsVersion().rfind("10.0.", 0)) << GetAvroOsVersion();
}

// The fourth number is the update build revision when the system has one.
TEST(AvroMessageContextImplTest, OsVersionRevisionIsTheUpdateBuildRevision) {
  const std::string real = GetAvroOsVersion();
  const std::string build = real.substr(0, real.rfind('.') + 1);  // "a.b.c."
  registry_util::RegistryOverrideManager registry;
  ASSERT_TRUE(registry.OverrideRegistry(HKEY_LOCAL_MACHINE));
  EXPECT_EQ(build + "0", GetAvroOsVersion());  // No key at all.

  base::win::RegKey key(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
                        KEY_SET_VALUE);
  ASSERT_TRUE(key.Valid());
  EXPECT_EQ(build + "0", GetAvroOsVersion());  // A key without the value.
  ASSERT_EQ(ERROR_SUCCESS, key.WriteValue(L"UBR", DWORD{3155}));
  EXPECT_EQ(build + "3155", GetAvroOsVersion());
  ASSERT_EQ(ERROR_SUCCESS, key.WriteValue(L"UBR", L"3155"));
  EXPECT_EQ(build + "0", GetAvroOsVersion());  // Not a number.
}

}  // namespace
