#include "desktop/windows/installer/signature_checker/der_reader.h"

#include <string>

#include "desktop/windows/installer/signature_checker/indirect_data_content.h"
#include "desktop/windows/installer/signature_checker/timestamp_info.h"
#include "gtest/gtest.h"

namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string bytes;
  for (int v : values)
    bytes.push_back(static_cast<char>(v));
  return bytes;
}

TEST(DerReaderTest, ReadsElementsAndObjectIdentifiers) {
  // OID 1.3.6.1.4.1.311.2.1.4, then an octet string with a long-form length.
  std::string input = Bytes({0x06, 0x0A, 0x2B, 0x06, 0x01, 0x04, 0x01, 0x82, 0x37, 0x02, 0x01, 0x04,
                             0x04, 0x81, 0x03, 'a', 'b', 'c'});
  DerReader reader(input);
  std::string oid;
  ASSERT_TRUE(reader.ReadObjectIdentifier(&oid));
  EXPECT_EQ("1.3.6.1.4.1.311.2.1.4", oid);
  std::string_view contents;
  EXPECT_FALSE(reader.ReadElement(DerReader::kSequence, &contents));  // wrong tag, not consumed
  ASSERT_TRUE(reader.ReadElement(DerReader::kOctetString, &contents));
  EXPECT_EQ("abc", contents);
  EXPECT_TRUE(reader.empty());
}

TEST(DerReaderTest, RefusesMalformedInput) {
  std::string_view contents;
  std::string oid;
  for (const std::string& bad : {Bytes({0x04}),                         // no length
                                 Bytes({0x04, 0x05, 'a'}),              // longer than the input
                                 Bytes({0x04, 0x80, 'a', 0, 0}),        // indefinite length
                                 Bytes({0x04, 0x85, 1, 0, 0, 0, 0}),    // five length bytes
                                 Bytes({0x04, 0x84, 0xFF, 0xFF, 0xFF, 0xFF}),
                                 Bytes({0x1F, 0x01, 0x00})}) {          // multi-byte tag
    DerReader reader(bad);
    EXPECT_FALSE(reader.ReadElement(static_cast<uint8_t>(bad[0]), &contents));
    EXPECT_FALSE(DerReader(bad).SkipElement());
  }
  // An object identifier whose last byte says "more follows".
  EXPECT_FALSE(DerReader(Bytes({0x06, 0x02, 0x2B, 0x86})).ReadObjectIdentifier(&oid));
  EXPECT_FALSE(DerReader(Bytes({0x06, 0x00})).ReadObjectIdentifier(&oid));
}

TEST(IndirectDataContentTest, ParsesTheDigestAndRefusesTrailingBytes) {
  const std::string digest_info =
      Bytes({0x30, 0x0D, 0x30, 0x09, 0x06, 0x05, 0x2B, 0x0E, 0x03, 0x02, 0x1A, 0x05, 0x00,
             0x04, 0x00});
  std::string der = Bytes({0x30, static_cast<int>(2 + digest_info.size())}) + Bytes({0x30, 0x00}) +
                    digest_info;
  IndirectDataContent content;
  ASSERT_TRUE(content.Parse(der));
  EXPECT_EQ("1.3.14.3.2.26", content.digest_algorithm_oid);
  EXPECT_EQ("", content.digest);
  EXPECT_EQ(der.substr(2), content.signed_bytes);
  EXPECT_FALSE(IndirectDataContent().Parse(der + "x"));
  EXPECT_FALSE(IndirectDataContent().Parse(der.substr(0, der.size() - 1)));
}

// A TSTInfo with the SHA-1 imprint "abc" and `time` as its GeneralizedTime.
std::string TstInfo(const std::string& time) {
  const std::string imprint = Bytes({0x30, 0x0E, 0x30, 0x07, 0x06, 0x05, 0x2B, 0x0E, 0x03, 0x02,
                                     0x1A, 0x04, 0x03, 'a', 'b', 'c'});
  const std::string fields = Bytes({0x02, 0x01, 0x01, 0x06, 0x03, 0x2A, 0x03, 0x04}) + imprint +
                             Bytes({0x02, 0x01, 0x05, 0x18, static_cast<int>(time.size())}) +
                             time + Bytes({0x01, 0x01, 0x00});  // ordering FALSE
  return Bytes({0x30, static_cast<int>(fields.size())}) + fields;
}

int64_t Seconds(const FILETIME& time) {
  ULARGE_INTEGER value;
  value.LowPart = time.dwLowDateTime;
  value.HighPart = time.dwHighDateTime;
  // 100 ns ticks since 1601; 11644473600 s from 1601 to 1970.
  return static_cast<int64_t>(value.QuadPart / 10000000) - 11644473600;
}

TEST(TimestampInfoTest, ParsesTheImprintAndTheUtcTime) {
  TimestampInfo info;
  ASSERT_TRUE(info.Parse(TstInfo("20200601000000Z")));
  EXPECT_EQ("1.3.14.3.2.26", info.imprint_algorithm_oid);
  EXPECT_EQ("abc", info.imprint);
  EXPECT_EQ(1590969600, Seconds(info.time));
  ASSERT_TRUE(info.Parse(TstInfo("20200601000001.25Z")));
  EXPECT_EQ(1590969601, Seconds(info.time));
  // Only UTC, whole seconds given, and dates that exist.
  for (const char* time : {"20200601000000", "20200601000000+0100", "202006010000Z",
                           "20200601000000.Z", "2020060100000xZ", "20201301000000Z"}) {
    EXPECT_FALSE(TimestampInfo().Parse(TstInfo(time))) << time;
  }
  EXPECT_FALSE(TimestampInfo().Parse(TstInfo("20200601000000Z") + "x"));
}

}  // namespace
