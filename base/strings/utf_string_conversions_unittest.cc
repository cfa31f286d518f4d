#include "base/strings/utf_string_conversions.h"

#include "base/strings/string_util.h"
#include "gtest/gtest.h"

namespace base {
namespace {

TEST(UTFStringConversionsTest, RoundTripsAllPlanes) {
  const std::string utf8 = "a\xC3\xBC\xE2\x82\xAC\xF0\x9F\x98\x80";  // a ü € 😀
  const std::wstring wide = UTF8ToWide(utf8);
  EXPECT_EQ(std::wstring(L"a\x00FC\x20AC\xD83D\xDE00"), wide);
  EXPECT_EQ(utf8, WideToUTF8(wide));
}

TEST(UTFStringConversionsTest, InvalidUTF8BecomesReplacementWithoutEatingText) {
  struct Case {
    std::string input;
    std::wstring expected;
    bool valid = false;
  } cases[] = {
      {"a\xFF" "b", L"a\xFFFD" L"b"},
      {"\xC0\xAF", L"\xFFFD\xFFFD"},              // overlong "/"
      {"\xE0\x80\xAF", L"\xFFFD\xFFFD\xFFFD"},    // overlong, 3 bytes
      {"\xED\xA0\x80", L"\xFFFD\xFFFD\xFFFD"},    // encoded surrogate
      {"\xF4\x90\x80\x80", L"\xFFFD\xFFFD\xFFFD\xFFFD"},  // past U+10FFFF
      {"\xE2\x82" "x", L"\xFFFD" L"x"},           // truncated, then ASCII
      {"\xE2\x82", L"\xFFFD"},                    // truncated at the end
      {std::string("a\0b", 3), std::wstring(L"a\0b", 3), true},
  };
  for (const Case& c : cases) {
    std::wstring out;
    EXPECT_EQ(c.valid, UTF8ToWide(c.input.data(), c.input.size(), &out)) << c.input;
    EXPECT_EQ(c.expected, out) << c.input;
  }
  EXPECT_FALSE(IsStringUTF8("\xED\xA0\x80"));
  EXPECT_TRUE(IsStringUTF8("\xF4\x8F\xBF\xBF"));
  EXPECT_TRUE(IsStringUTF8(""));
  EXPECT_FALSE(IsStringUTF8("valid text, then \xE2\x82"));  // cut short at the end
  EXPECT_FALSE(IsStringUTF8("\xC0\xAF"));                   // overlong
}

TEST(UTFStringConversionsTest, LoneSurrogatesBecomeReplacement) {
  std::string out;
  EXPECT_FALSE(WideToUTF8(L"a\xD800" L"b", 3, &out));
  EXPECT_EQ("a\xEF\xBF\xBD" "b", out);
  EXPECT_EQ("\xEF\xBF\xBD", WideToUTF8(std::wstring(1, L'\xDC00')));
  // A high surrogate at the very end.
  EXPECT_EQ("x\xEF\xBF\xBD", WideToUTF8(L"x\xD83D"));
}

}  // namespace
}  // namespace base
