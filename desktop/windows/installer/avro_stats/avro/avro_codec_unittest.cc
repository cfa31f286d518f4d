#include "desktop/windows/installer/avro_stats/avro/avro_codec.h"

#include <limits>

#include "desktop/windows/installer/avro_stats/avro/message_signature.h"
#include "gtest/gtest.h"

namespace {

using Ptr = AvroSchemaNode::Ptr;

std::string Bytes(std::initializer_list<int> values) {
  std::string result;
  for (int value : values)
    result.push_back(static_cast<char>(value));
  return result;
}

Ptr Nullable(Ptr type) {
  return AvroSchemaNode::CreateUnion(1, {AvroSchemaNode::CreateNull(1), std::move(type)});
}

std::string EncodeLong(int64_t value) {
  auto datum = AvroDatum::Create(AvroSchemaNode::CreateLong(1));
  datum->SetLong(value);
  return AvroCodec().Encode(*datum);
}

class AvroCodecTest : public testing::Test {
 protected:
  AvroCodec codec_;
};

TEST_F(AvroCodecTest, LongsUseZigZagVarints) {
  EXPECT_EQ(Bytes({0x00}), EncodeLong(0));
  EXPECT_EQ(Bytes({0x01}), EncodeLong(-1));
  EXPECT_EQ(Bytes({0x02}), EncodeLong(1));
  EXPECT_EQ(Bytes({0x7F}), EncodeLong(-64));
  EXPECT_EQ(Bytes({0x80, 0x01}), EncodeLong(64));
  EXPECT_EQ(Bytes({0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x01}),
            EncodeLong(std::numeric_limits<int64_t>::max()));
  EXPECT_EQ(Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x01}),
            EncodeLong(std::numeric_limits<int64_t>::min()));

  auto int_datum = AvroDatum::Create(AvroSchemaNode::CreateInt(1));
  int_datum->SetInt(-1);
  EXPECT_EQ(Bytes({0x01}), codec_.Encode(*int_datum));
  int_datum->SetInt(std::numeric_limits<int32_t>::min());
  EXPECT_EQ(Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0x0F}), codec_.Encode(*int_datum));
}

TEST_F(AvroCodecTest, LongsRoundTripAtTheEdges) {
  for (int64_t value : {std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max(),
                        int64_t{-1}, int64_t{0}, int64_t{1} << 62, -(int64_t{1} << 62)}) {
    auto decoded = codec_.Decode(AvroSchemaNode::CreateLong(1), EncodeLong(value));
    ASSERT_TRUE(decoded) << value;
    EXPECT_EQ(value, decoded->GetLong());
  }
}

TEST_F(AvroCodecTest, ContainersAreOneBlock) {
  auto text = AvroDatum::Create(Nullable(AvroSchemaNode::CreateString(1)));
  text->SelectUnionBranch(1)->SetString("abc");
  EXPECT_EQ(Bytes({0x02, 0x06, 'a', 'b', 'c'}), codec_.Encode(*text));

  auto array = AvroDatum::Create(AvroSchemaNode::CreateArray(1, AvroSchemaNode::CreateInt(1)));
  EXPECT_EQ(Bytes({0x00}), codec_.Encode(*array));
  array->AppendArrayItem()->SetInt(1);
  array->AppendArrayItem()->SetInt(2);
  EXPECT_EQ(Bytes({0x04, 0x02, 0x04, 0x00}), codec_.Encode(*array));

  auto map = AvroDatum::Create(AvroSchemaNode::CreateMap(1, AvroSchemaNode::CreateString(1)));
  map->GetOrAddMapValue("b")->SetString("2");
  map->GetOrAddMapValue("a")->SetString("1");
  EXPECT_EQ(Bytes({0x04, 0x02, 'a', 0x02, '1', 0x02, 'b', 0x02, '2', 0x00}), codec_.Encode(*map));
}

TEST_F(AvroCodecTest, FloatsAreLittleEndianIeee) {
  auto f = AvroDatum::Create(AvroSchemaNode::CreateFloat(1));
  f->SetFloat(1.0f);
  EXPECT_EQ(Bytes({0x00, 0x00, 0x80, 0x3F}), codec_.Encode(*f));
  auto d = AvroDatum::Create(AvroSchemaNode::CreateDouble(1));
  d->SetDouble(-2.0);
  EXPECT_EQ(Bytes({0, 0, 0, 0, 0, 0, 0x00, 0xC0}), codec_.Encode(*d));
}

TEST_F(AvroCodecTest, SchemaIdHeaderIsBigEndian) {
  auto datum = AvroDatum::Create(AvroSchemaNode::CreateInt(0x01020304));
  datum->SetInt(1);
  EXPECT_EQ(Bytes({0x00, 0x01, 0x02, 0x03, 0x04, 0x02}), codec_.EncodeWithSchemaId(*datum));
}

TEST_F(AvroCodecTest, DecodeRefusesMalformedScalars) {
  Ptr long_schema = AvroSchemaNode::CreateLong(1);
  // Eleven continuation bytes, and a tenth byte that overflows 64 bits.
  EXPECT_FALSE(codec_.Decode(long_schema, std::string(11, '\x80') + Bytes({0x00})));
  EXPECT_FALSE(codec_.Decode(long_schema, std::string(9, '\xFF') + Bytes({0x02})));
  EXPECT_FALSE(codec_.Decode(long_schema, Bytes({0x80})));
  EXPECT_FALSE(codec_.Decode(long_schema, ""));
  EXPECT_FALSE(codec_.Decode(long_schema, Bytes({0x02, 0x00})));  // Left over.

  // int: the long 2^31 does not fit.
  EXPECT_FALSE(codec_.Decode(AvroSchemaNode::CreateInt(1), Bytes({0x80, 0x80, 0x80, 0x80, 0x10})));
  auto min_int = codec_.Decode(AvroSchemaNode::CreateInt(1), Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0x0F}));
  ASSERT_TRUE(min_int);
  EXPECT_EQ(std::numeric_limits<int32_t>::min(), min_int->GetInt());

  EXPECT_FALSE(codec_.Decode(AvroSchemaNode::CreateBoolean(1), Bytes({0x02})));
  EXPECT_FALSE(codec_.Decode(AvroSchemaNode::CreateFloat(1), Bytes({0, 0, 0})));

  Ptr e = AvroSchemaNode::CreateEnum(1, "", "E", {"p", "q"});
  EXPECT_FALSE(codec_.Decode(e, Bytes({0x04})));  // Index 2 of 2 symbols.
  EXPECT_FALSE(codec_.Decode(e, Bytes({0x01})));  // Index -1.
  EXPECT_FALSE(codec_.Decode(Nullable(AvroSchemaNode::CreateInt(1)), Bytes({0x04})));
}

TEST_F(AvroCodecTest, DecodeRefusesBadStrings) {
  Ptr string = AvroSchemaNode::CreateString(1);
  EXPECT_FALSE(codec_.Decode(string, Bytes({0x01})));             // Length -1.
  EXPECT_FALSE(codec_.Decode(string, Bytes({0x08, 'a', 'b'})));   // Length 4 of 2.
  EXPECT_FALSE(codec_.Decode(string, Bytes({0x02, 0xFF})));        // Not UTF-8.
  auto bytes = codec_.Decode(AvroSchemaNode::CreateBytes(1), Bytes({0x02, 0xFF}));
  ASSERT_TRUE(bytes);
  EXPECT_EQ("\xFF", bytes->GetString());
}

TEST_F(AvroCodecTest, DecodeReadsNegativeBlockCountsWithTheirSize) {
  Ptr array = AvroSchemaNode::CreateArray(1, AvroSchemaNode::CreateInt(1));
  // Block of -2 items, 2 bytes, then a block of 1, then the end.
  auto datum = codec_.Decode(array, Bytes({0x03, 0x04, 0x02, 0x04, 0x02, 0x06, 0x00}));
  ASSERT_TRUE(datum);
  ASSERT_EQ(3u, datum->GetArraySize());
  EXPECT_EQ(3, datum->GetChild(2)->GetInt());
  // A block size beyond the input fails.
  EXPECT_FALSE(codec_.Decode(array, Bytes({0x03, 0x40, 0x02, 0x04, 0x00})));
}

TEST_F(AvroCodecTest, DecodeRefusesCountsBeyondTheInput) {
  Ptr array = AvroSchemaNode::CreateArray(1, AvroSchemaNode::CreateInt(1));
  // 2^40 items announced, three bytes present: refused before any allocation.
  EXPECT_FALSE(codec_.Decode(array, Bytes({0x80, 0x80, 0x80, 0x80, 0x80, 0x40, 0x02, 0x00})));
  EXPECT_FALSE(codec_.Decode(array, Bytes({0x06, 0x02, 0x04, 0x00})));  // 3 items, 2 present.
  // INT64_MIN as a count cannot be negated.
  EXPECT_FALSE(codec_.Decode(array, std::string(9, '\xFF') + Bytes({0x01, 0x00, 0x00})));

  Ptr map = AvroSchemaNode::CreateMap(1, AvroSchemaNode::CreateNull(1));
  // Each entry needs at least its key length byte.
  EXPECT_FALSE(codec_.Decode(map, Bytes({0x06, 0x00, 0x00})));
}

TEST_F(AvroCodecTest, DecodeKeepsTheLastValueOfARepeatedMapKey) {
  Ptr map = AvroSchemaNode::CreateMap(1, AvroSchemaNode::CreateArray(1, AvroSchemaNode::CreateInt(1)));
  // {"k": [1]} then {"k": [2, 3]} in one block.
  auto datum = codec_.Decode(
      map, Bytes({0x04, 0x02, 'k', 0x02, 0x02, 0x00, 0x02, 'k', 0x04, 0x04, 0x06, 0x00, 0x00}));
  ASSERT_TRUE(datum);
  ASSERT_EQ(1u, datum->GetMapKeys().size());
  const AvroDatum* value = datum->GetField("k");
  ASSERT_EQ(2u, value->GetArraySize());
  EXPECT_EQ(2, value->GetChild(0)->GetInt());
}

TEST_F(AvroCodecTest, SignatureMatchesTheReferenceDerivation) {
  // Reference values from an independent PBKDF2-HMAC-SHA1 / HMAC-SHA256.
  ASSERT_EQ("q7Rk2Vx9LmT4pZc8Hs3N", GetSigningSalt());
  EXPECT_EQ("", GetSigningPassword());
  EXPECT_EQ("e0W9a5siHUAAI7ot43qhUMI1W1kaIMVq0uu8F3hEeJk=",
            ComputeMessageSignature("", "", GetSigningSalt()));
  EXPECT_EQ("eItqAsdvvfulonxv/oXVRhyJ0wYk3v43QPWA/TxYU8s=",
            ComputeMessageSignature("", "abc", GetSigningSalt()));
  EXPECT_NE(ComputeMessageSignature("", "abc", GetSigningSalt()),
            ComputeMessageSignature("x", "abc", GetSigningSalt()));
}

TEST_F(AvroCodecTest, SignedLayoutRoundTripsAndDetectsTampering) {
  Ptr schema = AvroSchemaNode::CreateRecord(
      1, "", "r", {{"s", AvroSchemaNode::CreateString(1)}, {"n", AvroSchemaNode::CreateLong(1)}});
  auto datum = AvroDatum::Create(schema);
  datum->GetField("s")->SetString("payload");
  datum->GetField("n")->SetLong(-12345);
  std::string message = codec_.EncodeSigned(*datum);
  ASSERT_EQ(AvroCodec::kSignatureSize + codec_.Encode(*datum).size(), message.size());
  EXPECT_NE(std::string(32, '\0'), message.substr(0, 32));

  auto decoded = codec_.DecodeSigned(schema, message);
  ASSERT_TRUE(decoded);
  EXPECT_EQ("payload", decoded->GetField("s")->GetString());
  EXPECT_EQ(-12345, decoded->GetField("n")->GetLong());

  for (size_t index : {size_t{0}, size_t{31}, size_t{32}, message.size() - 1}) {
    std::string tampered = message;
    tampered[index] ^= 0x01;
    EXPECT_FALSE(codec_.DecodeSigned(schema, tampered)) << index;
  }
}

TEST_F(AvroCodecTest, SignedLayoutEdgeLengths) {
  Ptr null = AvroSchemaNode::CreateNull(1);
  EXPECT_FALSE(codec_.DecodeSigned(null, std::string(31, '\0')));
  std::string empty_payload = codec_.EncodeSigned(*AvroDatum::Create(null));
  ASSERT_EQ(32u, empty_payload.size());
  EXPECT_TRUE(codec_.DecodeSigned(null, empty_payload));
  // The zero filler used when no key exists is never accepted.
  EXPECT_FALSE(codec_.DecodeSigned(null, std::string(32, '\0')));
  // A valid signature over a payload that is not a valid encoding still fails.
  EXPECT_FALSE(codec_.DecodeSigned(AvroSchemaNode::CreateInt(1), empty_payload));
}

}  // namespace
