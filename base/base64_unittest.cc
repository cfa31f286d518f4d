#include "base/base64.h"

#include "gtest/gtest.h"

namespace base {
namespace {

TEST(Base64Test, KnownVectorsRoundTrip) {
  const struct {
    const char* plain;
    const char* encoded;
  } kCases[] = {
      {"", ""},           {"f", "Zg=="},         {"fo", "Zm8="},
      {"foo", "Zm9v"},    {"foob", "Zm9vYg=="},  {"fooba", "Zm9vYmE="},
      {"foobar", "Zm9vYmFy"},
  };
  for (const auto& c : kCases) {
    std::string encoded;
    Base64Encode(c.plain, &encoded);
    EXPECT_EQ(c.encoded, encoded);
    std::string decoded = "junk";
    EXPECT_TRUE(Base64Decode(c.encoded, &decoded)) << c.encoded;
    EXPECT_EQ(c.plain, decoded);
  }
  // Every byte value, including those that map to '+' and '/'.
  std::string all;
  for (int i = 0; i < 256; ++i)
    all.push_back(static_cast<char>(i));
  std::string encoded, decoded;
  Base64Encode(all, &encoded);
  ASSERT_TRUE(Base64Decode(encoded, &decoded));
  EXPECT_EQ(all, decoded);
  Base64Encode(std::string("\xfb\xff", 2), &encoded);
  EXPECT_EQ("+/8=", encoded);
}

TEST(Base64Test, DecodeIsStrictAndLeavesOutputOnFailure) {
  const char* kBad[] = {
      "Zm9",        // Not a multiple of four.
      "Zm9v ",      // White space.
      "Zm 9v",
      "Zm9v\n",
      "Zg=a",       // Data after padding.
      "Z===",       // Too much padding.
      "====",
      "Zg==Zm9v",   // Padding in the middle.
      "Zm-v",       // URL-safe alphabet.
      "Zm_v",
      "Zm9v\x80\x80\x80\x80",
  };
  for (const char* input : kBad) {
    std::string output = "kept";
    EXPECT_FALSE(Base64Decode(input, &output)) << input;
    EXPECT_EQ("kept", output);
  }
}

TEST(Base64Test, DecodeInPlace) {
  std::string text = "Zm9vYmFy";
  ASSERT_TRUE(Base64Decode(text, &text));
  EXPECT_EQ("foobar", text);
}

}  // namespace
}  // namespace base
