#include "desktop/windows/installer/avro_stats/avro/avro_schema_node.h"

#include "gtest/gtest.h"

namespace {

using Ptr = AvroSchemaNode::Ptr;

Ptr Record(const char* name) {
  return AvroSchemaNode::CreateRecord(1, "", name, {{"x", AvroSchemaNode::CreateInt(1)}});
}

TEST(AvroSchemaNodeTest, UnionRefusesRepeatedPlainTypesButNotNamedOnes) {
  Ptr null = AvroSchemaNode::CreateNull(1);
  EXPECT_FALSE(AvroSchemaNode::CreateUnion(1, {null, AvroSchemaNode::CreateString(1), null}));
  EXPECT_FALSE(AvroSchemaNode::CreateUnion(
      1, {AvroSchemaNode::CreateArray(1, AvroSchemaNode::CreateInt(1)),
          AvroSchemaNode::CreateArray(1, AvroSchemaNode::CreateLong(1))}));

  Ptr records = AvroSchemaNode::CreateUnion(1, {null, Record("A"), Record("B")});
  ASSERT_TRUE(records);
  EXPECT_EQ(3u, records->GetChildCount());
  EXPECT_EQ("B", records->GetChild(2)->GetName());

  Ptr e1 = AvroSchemaNode::CreateEnum(1, "", "E1", {"a"});
  Ptr e2 = AvroSchemaNode::CreateEnum(1, "", "E2", {"b"});
  EXPECT_TRUE(AvroSchemaNode::CreateUnion(1, {e1, e2}));
}

TEST(AvroSchemaNodeTest, UnionRefusesNestedUnionAndMissingBranch) {
  Ptr inner = AvroSchemaNode::CreateUnion(
      1, {AvroSchemaNode::CreateNull(1), AvroSchemaNode::CreateInt(1)});
  ASSERT_TRUE(inner);
  EXPECT_FALSE(AvroSchemaNode::CreateUnion(1, {AvroSchemaNode::CreateString(1), inner}));
  EXPECT_FALSE(AvroSchemaNode::CreateUnion(1, {AvroSchemaNode::CreateString(1), nullptr}));
}

TEST(AvroSchemaNodeTest, RecordKeepsFirstOfDuplicateFields) {
  Ptr record = AvroSchemaNode::CreateRecord(
      7, "ns", "r",
      {{"a", AvroSchemaNode::CreateInt(7)},
       {"b", AvroSchemaNode::CreateString(7)},
       {"a", AvroSchemaNode::CreateLong(7)}});
  ASSERT_TRUE(record);
  EXPECT_EQ((std::vector<std::string>{"a", "b"}), record->GetFieldNames());
  EXPECT_EQ(AvroType::kInt, record->GetChild(0)->GetType());
  EXPECT_EQ(1, record->FindField("b"));
  EXPECT_EQ(-1, record->FindField("c"));
  EXPECT_EQ(nullptr, record->GetChild(2));
  EXPECT_EQ(7u, record->GetSchemaId());
}

TEST(AvroSchemaNodeTest, EnumSkipsRepeatedSymbols) {
  Ptr e = AvroSchemaNode::CreateEnum(1, "", "E", {"x", "y", "x", "z"});
  EXPECT_EQ((std::vector<std::string>{"x", "y", "z"}), e->GetEnumSymbols());
  EXPECT_EQ(3u, e->GetChildCount());
  EXPECT_EQ(2, e->FindEnumSymbol("z"));
  // Symbols are no children nodes.
  EXPECT_EQ(nullptr, e->GetChild(0));
}

TEST(AvroSchemaNodeTest, ContainersNeedTheirItemAndExposeIt) {
  EXPECT_FALSE(AvroSchemaNode::CreateArray(1, nullptr));
  EXPECT_FALSE(AvroSchemaNode::CreateMap(1, nullptr));
  Ptr map = AvroSchemaNode::CreateMap(1, AvroSchemaNode::CreateLong(1));
  EXPECT_EQ(AvroType::kLong, map->GetItemSchema()->GetType());
  EXPECT_EQ(0u, map->GetChildCount());
  EXPECT_EQ(nullptr, AvroSchemaNode::CreateInt(1)->GetItemSchema());
}

TEST(AvroSchemaNodeTest, ChildrenOutliveTheCallersReferences) {
  AvroSchemaNode* item = nullptr;
  Ptr array;
  {
    Ptr string = AvroSchemaNode::CreateString(1);
    item = string.get();
    array = AvroSchemaNode::CreateArray(1, string);
  }
  ASSERT_EQ(item, array->GetItemSchema());
  EXPECT_EQ(AvroType::kString, item->GetType());
}

}  // namespace
