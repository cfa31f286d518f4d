#include "base/strings/string_number_conversions.h"

#include <limits>

#include "gtest/gtest.h"

namespace base {
namespace {

TEST(StringNumberConversionsTest, WholeTextMustBeTheNumber) {
  struct Case {
    const char* input;
    bool ok;
    int value;
  } cases[] = {
      {"0", true, 0},          {"-0", true, 0},          {"+1", true, 1},
      {"-2147483648", true, std::numeric_limits<int>::min()},
      {"2147483647", true, std::numeric_limits<int>::max()},
      {"2147483648", false, 0}, {"-2147483649", false, 0},
      {"", false, 0},          {" 1", false, 0},         {"1 ", false, 0},
      {"1a", false, 0},        {"+", false, 0},          {"-", false, 0},
      {"0x10", false, 0},      {"+-1", false, 0},        {"1.0", false, 0},
  };
  for (const Case& c : cases) {
    int out = 12345;
    EXPECT_EQ(c.ok, StringToInt(c.input, &out)) << c.input;
    EXPECT_EQ(c.ok ? c.value : 12345, out) << c.input;  // untouched on failure
  }
  int wide = 0;
  EXPECT_TRUE(StringToInt(L"-42", &wide));
  EXPECT_EQ(-42, wide);
  EXPECT_FALSE(StringToInt(L"\x0661", &wide));  // Arabic-Indic digit one
}

TEST(StringNumberConversionsTest, UnsignedRefusesSignsOfMinusAndOverflow) {
  unsigned u = 7;
  EXPECT_FALSE(StringToUint("-0", &u));
  EXPECT_FALSE(StringToUint("4294967296", &u));
  EXPECT_TRUE(StringToUint("+4294967295", &u));
  EXPECT_EQ(4294967295u, u);
  uint64_t u64 = 0;
  EXPECT_TRUE(StringToUint64("18446744073709551615", &u64));
  EXPECT_EQ(std::numeric_limits<uint64_t>::max(), u64);
  EXPECT_FALSE(StringToUint64("18446744073709551616", &u64));
  int64_t i64 = 0;
  EXPECT_TRUE(StringToInt64("-9223372036854775808", &i64));
  EXPECT_EQ(std::numeric_limits<int64_t>::min(), i64);
  size_t size = 0;
  EXPECT_FALSE(StringToSizeT("", &size));
}

TEST(StringNumberConversionsTest, DoublesAndHex) {
  double d = 0;
  EXPECT_TRUE(StringToDouble("1.5e3", &d));
  EXPECT_EQ(1500.0, d);
  EXPECT_FALSE(StringToDouble(" 1", &d));
  EXPECT_FALSE(StringToDouble("inf", &d));
  EXPECT_FALSE(StringToDouble("1e999", &d));
  EXPECT_EQ("0.1", NumberToString(0.1));
  EXPECT_EQ("-2147483648", NumberToString(std::numeric_limits<int>::min()));

  uint64_t h = 0;
  EXPECT_TRUE(HexStringToUInt64("0xFFFFffffFFFFFFFF", &h));
  EXPECT_EQ(std::numeric_limits<uint64_t>::max(), h);
  EXPECT_FALSE(HexStringToUInt64("0x", &h));
  EXPECT_FALSE(HexStringToUInt64("1FFFFFFFFFFFFFFFF", &h));

  std::vector<uint8_t> bytes = {9};
  EXPECT_TRUE(HexStringToBytes("00fF7a", &bytes));
  EXPECT_EQ((std::vector<uint8_t>{9, 0x00, 0xFF, 0x7A}), bytes);
  EXPECT_FALSE(HexStringToBytes("abc", &bytes));
  EXPECT_FALSE(HexStringToBytes("0g", &bytes));
  EXPECT_EQ(4u, bytes.size());  // failures add nothing
  EXPECT_EQ("00FF7A", HexEncode(bytes.data() + 1, 3));
}

}  // namespace
}  // namespace base
