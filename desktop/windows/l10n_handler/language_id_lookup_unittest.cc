#include "desktop/windows/l10n_handler/language_id_lookup.h"

#include "gtest/gtest.h"

namespace {

TEST(LanguageIdLookupTest, MatchesWholeCodesIgnoringCase) {
  EXPECT_EQ(0x404, LookupLanguageId(L"zh-TW"));
  EXPECT_EQ(0x404, LookupLanguageId(L"ZH-tw"));
  EXPECT_EQ(0x80A, LookupLanguageId(L"es-419"));
  EXPECT_EQ(0, LookupLanguageId(L"en-"));
  EXPECT_EQ(0, LookupLanguageId(L"e"));
  EXPECT_EQ(0, LookupLanguageId(L"en-US"));
  EXPECT_EQ(0, LookupLanguageId(L""));
}

// Codes that share a table, and the ones that mean "no particular language".
TEST(LanguageIdLookupTest, AliasesAndNeutralCodes) {
  EXPECT_EQ(0x40D, LookupLanguageId(L"he"));
  EXPECT_EQ(0x40D, LookupLanguageId(L"iw"));
  EXPECT_EQ(0x40D, LookupLanguageId(L"fake-bidi"));
  EXPECT_EQ(LookupLanguageId(L"nb"), LookupLanguageId(L"no"));
  EXPECT_EQ(0x400, LookupLanguageId(L"tl"));
  EXPECT_EQ(0x400, LookupLanguageId(L"userdefault"));
  EXPECT_EQ(0, LookupLanguageId(L"neutral"));
}

}  // namespace
