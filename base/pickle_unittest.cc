#include "base/pickle.h"

#include <string.h>

#include <limits>
#include <string>

#include "gtest/gtest.h"

namespace base {
namespace {

// A pickle whose payload is exactly |payload|, as a peer could send it.
std::string Serialized(const std::string& payload) {
  uint32_t size = static_cast<uint32_t>(payload.size());
  return std::string(reinterpret_cast<const char*>(&size), sizeof(size)) + payload;
}

std::string Int32Bytes(int32_t value) {
  return std::string(reinterpret_cast<const char*>(&value), sizeof(value));
}

TEST(PickleTest, WireLayoutIsPaddedLittleEndian) {
  Pickle pickle;
  ASSERT_TRUE(pickle.WriteString(":Installer message:"));
  ASSERT_TRUE(pickle.WriteInt(3));
  ASSERT_TRUE(pickle.WriteInt(25));
  ASSERT_EQ(36u, pickle.size());
  std::string expected = Int32Bytes(32) + Int32Bytes(19) + ":Installer message:" +
                         std::string(1, '\0') + Int32Bytes(3) + Int32Bytes(25);
  EXPECT_EQ(expected, std::string(static_cast<const char*>(pickle.data()), pickle.size()));

  Pickle wide;
  ASSERT_TRUE(wide.WriteString16(L"\x00e9"));
  // Length in code units, one unit, two zero pad bytes.
  EXPECT_EQ(Int32Bytes(8) + Int32Bytes(1) + std::string("\xe9\0\0\0", 4),
            std::string(static_cast<const char*>(wide.data()), wide.size()));
}

TEST(PickleTest, RoundTripOfEveryType) {
  Pickle pickle;
  ASSERT_TRUE(pickle.WriteBool(true));
  ASSERT_TRUE(pickle.WriteInt(-7));
  ASSERT_TRUE(pickle.WriteUInt16(0xBEEF));
  ASSERT_TRUE(pickle.WriteUInt32(0xFFFFFFFFu));
  ASSERT_TRUE(pickle.WriteInt64(std::numeric_limits<int64_t>::min()));
  ASSERT_TRUE(pickle.WriteUInt64(0x0123456789ABCDEFull));
  ASSERT_TRUE(pickle.WriteDouble(0.5));
  ASSERT_TRUE(pickle.WriteString(std::string("a\0b", 3)));
  ASSERT_TRUE(pickle.WriteString(""));
  ASSERT_TRUE(pickle.WriteString16(L"Tr\x00e4ger"));
  ASSERT_TRUE(pickle.WriteData("xyz", 3));
  ASSERT_TRUE(pickle.WriteBytes("12345", 5));

  // Read from a copy of the bytes, as the receiving end does.
  Pickle received(static_cast<const char*>(pickle.data()), pickle.size());
  ASSERT_TRUE(received.IsValid());
  PickleIterator iter(received);
  bool b = false;
  int i = 0;
  uint16_t u16 = 0;
  uint32_t u32 = 0;
  int64_t i64 = 0;
  uint64_t u64 = 0;
  double d = 0;
  std::string s1, s2;
  std::wstring w;
  const char* data = nullptr;
  int length = 0;
  const char* bytes = nullptr;
  EXPECT_TRUE(iter.ReadBool(&b) && b);
  EXPECT_TRUE(iter.ReadInt(&i));
  EXPECT_EQ(-7, i);
  EXPECT_TRUE(iter.ReadUInt16(&u16));
  EXPECT_EQ(0xBEEF, u16);
  EXPECT_TRUE(iter.ReadUInt32(&u32));
  EXPECT_EQ(0xFFFFFFFFu, u32);
  EXPECT_TRUE(iter.ReadInt64(&i64));
  EXPECT_EQ(std::numeric_limits<int64_t>::min(), i64);
  EXPECT_TRUE(iter.ReadUInt64(&u64));
  EXPECT_EQ(0x0123456789ABCDEFull, u64);
  EXPECT_TRUE(iter.ReadDouble(&d));
  EXPECT_EQ(0.5, d);
  EXPECT_TRUE(iter.ReadString(&s1));
  EXPECT_EQ(std::string("a\0b", 3), s1);
  EXPECT_TRUE(iter.ReadString(&s2));
  EXPECT_EQ("", s2);
  EXPECT_TRUE(iter.ReadString16(&w));
  EXPECT_EQ(L"Tr\x00e4ger", w);
  EXPECT_TRUE(iter.ReadData(&data, &length));
  EXPECT_EQ("xyz", std::string(data, length));
  EXPECT_TRUE(iter.ReadBytes(&bytes, 5));
  EXPECT_EQ("12345", std::string(bytes, 5));
  EXPECT_TRUE(iter.ReachedEnd());
  EXPECT_FALSE(iter.ReadInt(&i));
}

TEST(PickleTest, HeaderThatDisagreesWithTheBytesGivesAnInvalidPickle) {
  std::string good = Serialized(Int32Bytes(5));
  // Payload size one too large, one too small, and a header alone cut short.
  for (uint32_t declared : {5u, 3u, 0u, 0xFFFFFFFFu}) {
    std::string bytes = good;
    memcpy(bytes.data(), &declared, sizeof(declared));
    Pickle pickle(bytes.data(), bytes.size());
    EXPECT_FALSE(pickle.IsValid()) << declared;
    EXPECT_EQ(0u, pickle.size());
    int value = 42;
    PickleIterator iter(pickle);
    EXPECT_FALSE(iter.ReadInt(&value));
    EXPECT_EQ(42, value);
  }
  EXPECT_FALSE(Pickle(good.data(), 3).IsValid());
  EXPECT_FALSE(Pickle(nullptr, 0).IsValid());
  EXPECT_TRUE(Pickle(good.data(), good.size()).IsValid());
}

TEST(PickleTest, HostileLengthsFailWithoutTouchingTheOutput) {
  for (int32_t length : {-1, std::numeric_limits<int32_t>::min(), 5, 0x7FFFFFFF}) {
    // A length prefix followed by only four bytes.
    std::string bytes = Serialized(Int32Bytes(length) + "abcd");
    Pickle pickle(bytes.data(), bytes.size());
    ASSERT_TRUE(pickle.IsValid());

    std::string s = "untouched";
    PickleIterator iter1(pickle);
    EXPECT_FALSE(iter1.ReadString(&s)) << length;
    EXPECT_EQ("untouched", s);

    std::wstring w = L"untouched";
    PickleIterator iter2(pickle);
    EXPECT_FALSE(iter2.ReadString16(&w)) << length;
    EXPECT_EQ(L"untouched", w);

    const char* data = nullptr;
    int data_length = -5;
    PickleIterator iter3(pickle);
    EXPECT_FALSE(iter3.ReadData(&data, &data_length)) << length;
    EXPECT_EQ(nullptr, data);
    EXPECT_EQ(-5, data_length);
  }
  // Code units whose byte count overflows 32 bits.
  std::string bytes = Serialized(Int32Bytes(0x40000001) + "abcd");
  Pickle pickle(bytes.data(), bytes.size());
  std::wstring w;
  PickleIterator iter(pickle);
  EXPECT_FALSE(iter.ReadString16(&w));

  PickleIterator iter4(pickle);
  const char* unused;
  EXPECT_FALSE(iter4.ReadBytes(&unused, -1));
  PickleIterator iter5(pickle);
  EXPECT_FALSE(iter5.SkipBytes(9));
}

TEST(PickleTest, ReadingPastTheEndFailsAndStaysFailed) {
  Pickle pickle;
  pickle.WriteInt(1);
  PickleIterator iter(pickle);
  int64_t wide = 99;
  // Four bytes left: an eight-byte read must not take them.
  EXPECT_FALSE(iter.ReadInt64(&wide));
  EXPECT_EQ(99, wide);
  // The failed read spent the rest, so a fitting read fails too.
  int narrow = 99;
  EXPECT_FALSE(iter.ReadInt(&narrow));
  EXPECT_EQ(99, narrow);
}

TEST(PickleTest, BoolOtherThanZeroOrOneIsRejected) {
  std::string bytes = Serialized(Int32Bytes(2));
  Pickle pickle(bytes.data(), bytes.size());
  PickleIterator iter(pickle);
  bool value = false;
  EXPECT_FALSE(iter.ReadBool(&value));
  EXPECT_FALSE(value);
}

TEST(PickleTest, LastFieldWithoutPaddingStillReads) {
  // A string of three bytes whose pad byte was not sent.
  std::string bytes = Serialized(Int32Bytes(3) + "abc");
  Pickle pickle(bytes.data(), bytes.size());
  ASSERT_TRUE(pickle.IsValid());
  PickleIterator iter(pickle);
  std::string s;
  EXPECT_TRUE(iter.ReadString(&s));
  EXPECT_EQ("abc", s);
  EXPECT_TRUE(iter.ReachedEnd());
}

TEST(PickleTest, WritesRejectBadArguments) {
  Pickle pickle;
  EXPECT_FALSE(pickle.WriteData("x", -1));
  EXPECT_FALSE(pickle.WriteData(nullptr, 4));
  EXPECT_FALSE(pickle.WriteBytes("x", -1));
  // A failed write leaves nothing behind.
  EXPECT_EQ(sizeof(Pickle::Header), pickle.size());
  EXPECT_EQ(0u, pickle.payload_size());

  std::string bytes = "bad";
  Pickle invalid(bytes.data(), bytes.size());
  EXPECT_FALSE(invalid.WriteInt(1));
  EXPECT_FALSE(invalid.IsValid());
}

TEST(PickleTest, MovedFromPickleIsEmptyAndUsable) {
  Pickle source;
  source.WriteInt(5);
  Pickle target(std::move(source));
  EXPECT_EQ(8u, target.size());
  EXPECT_TRUE(source.IsValid());
  EXPECT_EQ(0u, source.payload_size());
  EXPECT_TRUE(source.WriteInt(6));
  EXPECT_EQ(8u, source.size());
}

}  // namespace
}  // namespace base
