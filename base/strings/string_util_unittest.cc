#include "base/strings/string_util.h"

#include "base/strings/string_split.h"
#include "base/strings/stringprintf.h"
#include "gtest/gtest.h"

namespace base {
namespace {

TEST(StringUtilTest, PlaceholdersReplaceEscapeAndKeepUnknown) {
  std::vector<size_t> offsets;
  const std::vector<std::wstring> subst = {L"one", L"two"};
  EXPECT_EQ(L"two-one $3 $x 100$ $", ReplaceStringPlaceholders(L"$2-$1 $3 $x 100$$ $", subst, &offsets));
  // Offsets follow the placeholder numbers, not their order in the text.
  ASSERT_EQ(2u, offsets.size());
  EXPECT_EQ(4u, offsets[0]);
  EXPECT_EQ(0u, offsets[1]);
  // "$$1" is a literal "$1", not a substitution.
  EXPECT_EQ(L"$1", ReplaceStringPlaceholders(L"$$1", subst, nullptr));
  // A substitution that itself holds "$1" is not expanded again.
  EXPECT_EQ(L"$1!", ReplaceStringPlaceholders(L"$1!", std::vector<std::wstring>{L"$1"}, nullptr));
  size_t offset = 99;
  EXPECT_EQ(L"Hi Bob", ReplaceStringPlaceholders(L"Hi $1", L"Bob", &offset));
  EXPECT_EQ(3u, offset);
}

TEST(StringUtilTest, SplitKeepsOrDropsEmptyPieces) {
  EXPECT_EQ((std::vector<std::string>{"a", "", "b", ""}),
            SplitString("a,,b,", ",", KEEP_WHITESPACE, SPLIT_WANT_ALL));
  EXPECT_EQ((std::vector<std::string>{"a", "b"}),
            SplitString(" a , ,b,", ",", TRIM_WHITESPACE, SPLIT_WANT_NONEMPTY));
  EXPECT_EQ((std::vector<std::string>{""}), SplitString("", ",", KEEP_WHITESPACE, SPLIT_WANT_ALL));
  EXPECT_TRUE(SplitString("", ",", KEEP_WHITESPACE, SPLIT_WANT_NONEMPTY).empty());
  EXPECT_EQ((std::vector<std::wstring>{L"a", L"b", L"c"}),
            SplitString(L"a;b,c", L",;", KEEP_WHITESPACE, SPLIT_WANT_ALL));
  EXPECT_EQ((std::vector<std::string>{"a", "", "b"}),
            SplitStringUsingSubstr("a::::b", "::", KEEP_WHITESPACE, SPLIT_WANT_ALL));
  EXPECT_EQ((std::vector<std::string>{"a:b"}),
            SplitStringUsingSubstr("a:b", "::", KEEP_WHITESPACE, SPLIT_WANT_ALL));
}

TEST(StringUtilTest, TrimReportsWhichEndsChanged) {
  std::wstring out;
  EXPECT_EQ(TRIM_TRAILING, TrimWhitespace(L"a \x3000", TRIM_ALL, &out));
  EXPECT_EQ(L"a", out);
  EXPECT_EQ(TRIM_ALL, TrimWhitespace(L"   ", TRIM_ALL, &out));
  EXPECT_EQ(L"", out);
  EXPECT_EQ(TRIM_NONE, TrimWhitespace(L"", TRIM_ALL, &out));
  std::string narrow = "  x  ";
  EXPECT_EQ(TRIM_LEADING, TrimWhitespaceASCII(narrow, TRIM_LEADING, &narrow));  // aliasing
  EXPECT_EQ("x  ", narrow);
  EXPECT_EQ("a b", CollapseWhitespaceASCII("  a \t b  ", false));
  EXPECT_EQ("ab", CollapseWhitespaceASCII("a \r\n b", true));
  EXPECT_EQ("a b", CollapseWhitespaceASCII("a \r\n b", false));
}

TEST(StringUtilTest, CaseAndAffixesAreASCIIOnly) {
  EXPECT_EQ(L"abc\x00C9", ToLowerASCII(std::wstring_view(L"AbC\x00C9")));
  EXPECT_TRUE(StartsWith(L"With-Feature:x", L"with-feature:", CompareCase::INSENSITIVE_ASCII));
  EXPECT_FALSE(StartsWith(L"With-Feature:x", L"with-feature:", CompareCase::SENSITIVE));
  EXPECT_FALSE(EndsWith("a", "ba", CompareCase::SENSITIVE));
  EXPECT_TRUE(EndsWith("", "", CompareCase::SENSITIVE));
  EXPECT_FALSE(EqualsCaseInsensitiveASCII("abc", "abcd"));
  EXPECT_LT(CompareCaseInsensitiveASCII("abc", "ABCD"), 0);
}

TEST(StringUtilTest, ReplaceSubstringsDoesNotRescanReplacement) {
  std::string s = "aaa";
  ReplaceSubstringsAfterOffset(&s, 0, "a", "aa");
  EXPECT_EQ("aaaaaa", s);
  s = "xyxy";
  ReplaceSubstringsAfterOffset(&s, 1, "x", "");
  EXPECT_EQ("xyy", s);
  s = "abc";
  ReplaceSubstringsAfterOffset(&s, 0, "", "z");  // empty pattern: no change, no loop
  EXPECT_EQ("abc", s);
  ReplaceFirstSubstringAfterOffset(&s, 10, "a", "z");  // offset past the end
  EXPECT_EQ("abc", s);
}

TEST(StringPrintfTest, WideUsesWindowsConventionsAndLongOutput) {
  EXPECT_EQ(L"wide narrow 42", StringPrintf(L"%s %hs %d", L"wide", "narrow", 42));
  EXPECT_EQ("7 -1 x", StringPrintf("%zu %lld %s", static_cast<size_t>(7), -1LL, "x"));
  const std::wstring big(5000, L'q');
  EXPECT_EQ(big + L"!", StringPrintf(L"%ls!", big.c_str()));
  std::string out = "a";
  StringAppendF(&out, "%05d", 42);
  EXPECT_EQ("a00042", out);
}

}  // namespace
}  // namespace base
