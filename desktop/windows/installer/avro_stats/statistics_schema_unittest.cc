#include "desktop/windows/installer/avro_stats/statistics_schema.h"

#include <functional>

#include "desktop/windows/installer/avro_stats/avro/avro_codec.h"
#include "desktop/windows/installer/avro_stats/avro/avro_datum.h"
#include "gtest/gtest.h"

namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string result;
  for (int value : values)
    result.push_back(static_cast<char>(value));
  return result;
}

void Walk(const AvroSchemaNode& node, const std::function<void(const AvroSchemaNode&)>& visit) {
  visit(node);
  for (size_t i = 0; node.GetChild(i); ++i)
    Walk(*node.GetChild(i), visit);
  if (node.GetItemSchema())
    Walk(*node.GetItemSchema(), visit);
}

TEST(StatisticsSchemaTest, TreeShape) {
  AvroSchemaNode::Ptr schema = BuildInstallerSchema();
  ASSERT_TRUE(schema);
  EXPECT_EQ("tarvo_desktop_installer", schema->GetName());
  int records = 0, enums = 0, unions = 0;
  Walk(*schema, [&](const AvroSchemaNode& node) {
    EXPECT_EQ(kInstallerSchemaId, node.GetSchemaId());
    EXPECT_EQ("", node.GetNamespace());
    switch (node.GetType()) {
      case AvroType::kRecord:
        ++records;
        break;
      case AvroType::kEnum:
        ++enums;
        break;
      case AvroType::kUnion:
        ++unions;
        // Every union is U[T]: null first, then one other type.
        ASSERT_EQ(2u, node.GetChildCount());
        EXPECT_EQ(AvroType::kNull, node.GetChild(0)->GetType());
        EXPECT_NE(AvroType::kNull, node.GetChild(1)->GetType());
        break;
      default:
        break;
    }
  });
  EXPECT_EQ(14, records);
  EXPECT_EQ(2, enums);
  EXPECT_EQ(65, unions);
}

TEST(StatisticsSchemaTest, ProcessWideSchemaIsBuiltOnce) {
  AvroSchemaNode::Ptr first = GetInstallerSchema();
  EXPECT_EQ(first.get(), GetInstallerSchema().get());
  EXPECT_NE(first.get(), BuildInstallerSchema().get());
}

TEST(StatisticsSchemaTest, FreshMessageEncodesEveryFieldAsNullOrZero) {
  auto root = AvroDatum::Create(GetInstallerSchema());
  AvroCodec codec;
  EXPECT_EQ(std::string(8, '\0'), codec.Encode(*root));
  EXPECT_EQ(Bytes({0x00, 0x00, 0x00, 0x00, 0xD0}) + std::string(8, '\0'),
            codec.EncodeWithSchemaId(*root));
}

TEST(StatisticsSchemaTest, InstallerEventCarriesDiagnosticsAndArchitecture) {
  auto root = AvroDatum::Create(GetInstallerSchema());
  AvroDatum* arch = root->GetByPath("installer_event.controller_launched_details.package_architecture");
  ASSERT_TRUE(arch);
  ASSERT_TRUE(arch->SetEnumSymbol("x64"));
  // event_type stays on its first symbol until an event sets it.
  EXPECT_EQ(0, root->GetByPath("installer_event.event_type")->GetEnumIndex());
  AvroCodec codec;
  EXPECT_EQ(Bytes({0, 0, 0, 0, 0, 0, 0,
                   0x02,              // installer_event: branch 1
                   0, 0, 0, 0, 0,     // event_type .. message_session_id
                   0x02,              // controller_launched_details: branch 1
                   0, 0, 0, 0, 0, 0,  // payload_type .. command_line
                   0x02,              // package_architecture "x64"
                   0, 0, 0, 0,        // settings .. version_information
                   0, 0, 0, 0, 0}),   // diagnostic_data, never nullable
            codec.Encode(*root));
}

TEST(StatisticsSchemaTest, EventTypeSymbolsKeepTheirIndexes) {
  auto root = AvroDatum::Create(GetInstallerSchema());
  AvroDatum* type = root->GetByPath("installer_event.event_type");
  ASSERT_TRUE(type);
  EXPECT_TRUE(type->SetEnumSymbol("generic"));
  EXPECT_EQ(23, type->GetEnumIndex());
  EXPECT_TRUE(type->SetEnumSymbol("unpacked"));
  EXPECT_EQ(16, type->GetEnumIndex());
  EXPECT_FALSE(type->SetEnumSymbol("Generic"));
}

TEST(StatisticsSchemaTest, SettingsAreMatchedByNameNotPosition) {
  auto root = AvroDatum::Create(GetInstallerSchema());
  AvroDatum* settings = root->GetByPath("installer_event.settings");
  ASSERT_TRUE(settings);
  // The wire order puts the privileged-folder flag last.
  ASSERT_TRUE(settings->GetField("using_privileged_installation_folder")->SetBool(true));
  std::string encoded = AvroCodec().Encode(*root);
  ASSERT_GE(encoded.size(), 20u);
  // settings branch byte, then 00 00 00 00 and the flag.
  EXPECT_EQ(Bytes({0x02, 0, 0, 0, 0, 0x01}), encoded.substr(14, 6));
}

}  // namespace
