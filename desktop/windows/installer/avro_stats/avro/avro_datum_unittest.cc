#include "desktop/windows/installer/avro_stats/avro/avro_datum.h"

#include "gtest/gtest.h"

namespace {

using Ptr = AvroSchemaNode::Ptr;

Ptr Nullable(Ptr type) {
  return AvroSchemaNode::CreateUnion(1, {AvroSchemaNode::CreateNull(1), std::move(type)});
}

// { a: U[{ b: U[string], n: long }], m: map<int>, e: enum{p,q} }
Ptr NestedSchema() {
  Ptr inner = AvroSchemaNode::CreateRecord(
      1, "", "inner",
      {{"b", Nullable(AvroSchemaNode::CreateString(1))}, {"n", AvroSchemaNode::CreateLong(1)}});
  return AvroSchemaNode::CreateRecord(
      1, "", "outer",
      {{"a", Nullable(inner)},
       {"m", AvroSchemaNode::CreateMap(1, AvroSchemaNode::CreateInt(1))},
       {"e", AvroSchemaNode::CreateEnum(1, "", "E", {"p", "q"})}});
}

TEST(AvroDatumTest, DefaultsFollowTheSchema) {
  auto datum = AvroDatum::Create(NestedSchema());
  AvroDatum* a = datum->GetField("a");
  ASSERT_TRUE(a);
  EXPECT_EQ(0u, a->GetUnionBranchIndex());
  ASSERT_TRUE(a->GetUnionBranch());
  EXPECT_EQ(AvroType::kNull, a->GetUnionBranch()->GetType());
  EXPECT_EQ(0, datum->GetField("e")->GetEnumIndex());
  EXPECT_TRUE(datum->GetField("m")->GetMapKeys().empty());
  EXPECT_FALSE(AvroDatum::Create(nullptr));
}

TEST(AvroDatumTest, SelectUnionBranchKeepsOrReplacesTheBranchDatum) {
  auto datum = AvroDatum::Create(Nullable(AvroSchemaNode::CreateString(1)));
  AvroDatum* first = datum->SelectUnionBranch(1);
  ASSERT_TRUE(first);
  ASSERT_TRUE(first->SetString("kept"));
  AvroDatum* again = datum->SelectUnionBranch(1);
  EXPECT_EQ(first, again);
  EXPECT_EQ("kept", again->GetString());

  ASSERT_TRUE(datum->SelectUnionBranch(0));
  AvroDatum* fresh = datum->SelectUnionBranch(1);
  ASSERT_TRUE(fresh);
  EXPECT_EQ("", fresh->GetString());

  // Out of range changes nothing.
  EXPECT_EQ(nullptr, datum->SelectUnionBranch(2));
  EXPECT_EQ(1u, datum->GetUnionBranchIndex());
  EXPECT_EQ(nullptr, AvroDatum::Create(AvroSchemaNode::CreateInt(1))->SelectUnionBranch(0));
}

TEST(AvroDatumTest, EnumRefusesUnknownSymbolsAndIndexes) {
  auto datum = AvroDatum::Create(AvroSchemaNode::CreateEnum(1, "", "E", {"p", "q"}));
  EXPECT_FALSE(datum->SetEnumSymbol("r"));
  EXPECT_EQ(0, datum->GetEnumIndex());
  EXPECT_TRUE(datum->SetEnumSymbol("q"));
  EXPECT_EQ(1, datum->GetEnumIndex());
  EXPECT_FALSE(datum->SetEnumIndex(2));
  EXPECT_FALSE(datum->SetEnumIndex(-1));
  EXPECT_EQ(1, datum->GetEnumIndex());
}

TEST(AvroDatumTest, GetByPathSwitchesEveryUnionOnTheWay) {
  auto datum = AvroDatum::Create(NestedSchema());
  AvroDatum* b = datum->GetByPath("a.b");
  ASSERT_TRUE(b);
  EXPECT_EQ(AvroType::kString, b->GetType());
  EXPECT_EQ(1u, datum->GetField("a")->GetUnionBranchIndex());
  AvroDatum* inner = datum->GetField("a")->GetUnionBranch();
  EXPECT_EQ(1u, inner->GetField("b")->GetUnionBranchIndex());

  // A second walk keeps what the first one wrote.
  ASSERT_TRUE(b->SetString("x"));
  ASSERT_TRUE(datum->GetByPath("a.n")->SetLong(5));
  EXPECT_EQ("x", datum->GetByPath("a.b")->GetString());

  // The last piece naming a union resolves to its non-null branch.
  AvroDatum* a = datum->GetByPath("a");
  ASSERT_TRUE(a);
  EXPECT_EQ(AvroType::kRecord, a->GetType());
}

TEST(AvroDatumTest, GetByPathFailsOnUnknownPieces) {
  auto datum = AvroDatum::Create(NestedSchema());
  EXPECT_EQ(nullptr, datum->GetByPath("a.zz"));
  EXPECT_EQ(nullptr, datum->GetByPath("zz.b"));
  EXPECT_EQ(nullptr, datum->GetByPath(""));
  EXPECT_EQ(nullptr, datum->GetByPath("a..b"));
  EXPECT_EQ(nullptr, datum->GetByPath("a.b."));
  // Descending into a scalar names nothing.
  EXPECT_EQ(nullptr, datum->GetByPath("a.n.x"));
}

TEST(AvroDatumTest, SettersRefuseSlotsOfAnotherType) {
  auto long_datum = AvroDatum::Create(AvroSchemaNode::CreateLong(1));
  EXPECT_FALSE(long_datum->SetInt(7));
  EXPECT_EQ(0, long_datum->GetLong());
  EXPECT_EQ(0, long_datum->GetInt());
  EXPECT_TRUE(long_datum->SetLong(7));

  auto int_datum = AvroDatum::Create(AvroSchemaNode::CreateInt(1));
  EXPECT_FALSE(int_datum->SetLong(1));
  EXPECT_FALSE(int_datum->SetBool(true));
  EXPECT_FALSE(int_datum->SetString("1"));
  EXPECT_FALSE(int_datum->SetEnumSymbol("p"));

  // A union is not its branch: values go to the selected branch datum.
  auto nullable = AvroDatum::Create(Nullable(AvroSchemaNode::CreateString(1)));
  EXPECT_FALSE(nullable->SetString("x"));
  auto null_datum = AvroDatum::Create(AvroSchemaNode::CreateNull(1));
  EXPECT_FALSE(null_datum->SetBool(false));
}

TEST(AvroDatumTest, StringsAreStoredAsValidUtf8) {
  auto datum = AvroDatum::Create(AvroSchemaNode::CreateString(1));
  const std::string kReplacement = "\xEF\xBF\xBD";
  struct {
    std::string input;
    std::string stored;
  } cases[] = {
      {"plain", "plain"},
      {"gr\xC3\xBC\xC3\x9F \xE2\x82\xAC \xF0\x9F\x98\x80", "gr\xC3\xBC\xC3\x9F \xE2\x82\xAC \xF0\x9F\x98\x80"},
      {std::string("a\0b", 3), std::string("a\0b", 3)},
      {"a\xFF" "b", "a" + kReplacement + "b"},
      // A truncated sequence is one replacement, and the byte after it survives.
      {"\xE2\x82" "x", kReplacement + "x"},
      {"end\xC3", "end" + kReplacement},
      // Surrogates encoded as UTF-8 are invalid.
      {"\xED\xA0\x80", kReplacement + kReplacement + kReplacement},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(datum->SetString(c.input));
    EXPECT_EQ(c.stored, datum->GetString()) << c.input;
  }

  // Bytes are kept as given.
  auto bytes = AvroDatum::Create(AvroSchemaNode::CreateBytes(1));
  ASSERT_TRUE(bytes->SetString("\xFF\x00"));
  EXPECT_EQ("\xFF", bytes->GetString());
  ASSERT_TRUE(bytes->SetString(std::string("\xFF\x00", 2)));
  EXPECT_EQ(std::string("\xFF\x00", 2), bytes->GetString());
}

TEST(AvroDatumTest, MapKeysAreSortedByBytesAndValidUtf8) {
  auto datum = AvroDatum::Create(AvroSchemaNode::CreateMap(1, AvroSchemaNode::CreateInt(1)));
  ASSERT_TRUE(datum->GetOrAddMapValue("b")->SetInt(2));
  ASSERT_TRUE(datum->GetOrAddMapValue("a")->SetInt(1));
  ASSERT_TRUE(datum->GetOrAddMapValue("B")->SetInt(3));
  ASSERT_TRUE(datum->GetOrAddMapValue("\xC3\xA9")->SetInt(4));
  EXPECT_EQ((std::vector<std::string>{"B", "a", "b", "\xC3\xA9"}), datum->GetMapKeys());
  // An existing key keeps its value.
  EXPECT_EQ(2, datum->GetOrAddMapValue("b")->GetInt());
  EXPECT_EQ(1, datum->GetField("a")->GetInt());
  EXPECT_EQ(nullptr, datum->GetField("c"));

  datum->GetOrAddMapValue("k\xFF");
  EXPECT_TRUE(datum->GetField("k\xEF\xBF\xBD"));
}

TEST(AvroDatumTest, ResetDropsValuesAndChildren) {
  auto datum = AvroDatum::Create(NestedSchema());
  ASSERT_TRUE(datum->GetByPath("a.n")->SetLong(3));
  datum->GetField("m")->GetOrAddMapValue("k");
  ASSERT_TRUE(datum->GetField("e")->SetEnumIndex(1));
  datum->Reset();
  EXPECT_EQ(0u, datum->GetField("a")->GetUnionBranchIndex());
  EXPECT_TRUE(datum->GetField("m")->GetMapKeys().empty());
  EXPECT_EQ(0, datum->GetField("e")->GetEnumIndex());

  auto array = AvroDatum::Create(AvroSchemaNode::CreateArray(1, AvroSchemaNode::CreateInt(1)));
  array->AppendArrayItem()->SetInt(1);
  ASSERT_EQ(1u, array->GetArraySize());
  array->Reset();
  EXPECT_EQ(0u, array->GetArraySize());
  EXPECT_EQ(nullptr, array->GetChild(0));
}

}  // namespace
