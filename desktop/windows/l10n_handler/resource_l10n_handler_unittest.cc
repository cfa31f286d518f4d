#include "desktop/windows/l10n_handler/resource_l10n_handler.h"

#include <string>
#include <vector>

#include "base/logging.h"
#include "gtest/gtest.h"
#include "testing/scoped_log_capture.h"

namespace {

using testing_support::ScopedLogCapture;

// Offers a chosen language list and system preference instead of the
// executable's and the machine's.
class FakeListL10nHandler : public ResourceL10nHandler {
 public:
  FakeListL10nHandler(std::vector<std::wstring> available, std::vector<std::wstring> preferred)
      : available_(std::move(available)), preferred_(std::move(preferred)) {}

  std::vector<std::wstring> GetAvailableLanguages() const override { return available_; }

 protected:
  std::vector<std::wstring> GetSystemPreferredLanguages() const override { return preferred_; }

 private:
  std::vector<std::wstring> available_;
  std::vector<std::wstring> preferred_;
};

std::wstring Select(const std::vector<std::wstring>& available,
                    const std::vector<std::wstring>& preferred,
                    const std::wstring& code,
                    LANGID* id = nullptr) {
  FakeListL10nHandler handler(available, preferred);
  std::wstring selected = code;
  handler.SelectLanguage(&selected);
  if (id)
    *id = handler.GetLanguageId();
  return selected;
}

// The test executable carries the host's resources; English comes first.
TEST(ResourceL10nHandlerTest, ReadsTheHostStringsAndLanguageList) {
  ResourceL10nHandler handler;
  std::vector<std::wstring> languages = handler.GetAvailableLanguages();
  ASSERT_FALSE(languages.empty());
  EXPECT_EQ(L"en", languages.front());
  std::wstring code = L"en";
  handler.SelectLanguage(&code);
  EXPECT_EQ(L"en", code);
  EXPECT_EQ(0x409, handler.GetLanguageId());
  EXPECT_EQ(L"Tarvo Installer", handler.GetString(37000, {}));
}

// Before a selection the id is 0 and the loader's neutral rules apply.
TEST(ResourceL10nHandlerTest, FindsStringsBeforeAnySelection) {
  ResourceL10nHandler handler;
  EXPECT_EQ(0, handler.GetLanguageId());
  EXPECT_EQ(L"Tarvo Installer", handler.GetString(37000, {}));
}

// Blocks hold sixteen strings: 37007 ends one block, 37008 starts the next.
TEST(ResourceL10nHandlerTest, FindsStringsAtBlockEdges) {
  EXPECT_EQ(L"Accept and Install", LoadLocalizedString(0x409, 37007, {}));
  EXPECT_EQ(L"Accept and Upgrade", LoadLocalizedString(0x409, 37008, {}));
  EXPECT_EQ(L"TARVO.", LoadLocalizedString(0x409, 37023, {}));
  EXPECT_EQ(L"Thank you for choosing Tarvo", LoadLocalizedString(0x409, 37024, {}));
  EXPECT_EQ(L"drive $1 ($2 MB needed)", LoadLocalizedString(0x409, 37072, {}));
}

TEST(ResourceL10nHandlerTest, Replacements) {
  // Without replacements the placeholder stays.
  EXPECT_EQ(L"$1 DO MORE.", LoadLocalizedString(0x409, 37022, {}));
  EXPECT_EQ(L"drive C: (512 MB needed)", LoadLocalizedString(0x409, 37072, {L"C:", L"512"}));
  // A replacement is not expanded again.
  EXPECT_EQ(L"drive $2 (512 MB needed)", LoadLocalizedString(0x409, 37072, {L"$2", L"512"}));
  // A placeholder without its replacement is kept, not dropped.
  EXPECT_EQ(L"drive C: ($2 MB needed)", LoadLocalizedString(0x409, 37072, {L"C:"}));
}

TEST(ResourceL10nHandlerTest, MissingStringsAreEmptyAndLogged) {
  {
    // No block at all.
    ScopedLogCapture log;
    EXPECT_EQ(L"", LoadLocalizedString(0x409, 50000, {}));
    EXPECT_TRUE(log.Contains("Failed to find string"));
  }
  {
    // A block that exists but has no string at this id.
    ScopedLogCapture log;
    EXPECT_EQ(L"", LoadLocalizedString(0x409, 37073, {}));
    EXPECT_TRUE(log.Contains("Failed to find string"));
  }
  {
    ScopedLogCapture log;
    EXPECT_EQ(L"", LoadLocalizedString(0x409, -1, {}));
    EXPECT_EQ(L"", LoadLocalizedString(0x409, 0x7FFFFFFF, {}));
  }
}

// Lengths are checked against the block: a damaged block yields nothing
// rather than text from beyond it.
TEST(ResourceL10nHandlerTest, CountedStringsStayInsideTheBlock) {
  const WORD block[] = {2, L'a', L'b', 0, 1, L'c', 5, L'd'};
  std::wstring text;
  ASSERT_TRUE(ReadCountedString(block, 8, 0, &text));
  EXPECT_EQ(L"ab", text);
  EXPECT_FALSE(ReadCountedString(block, 8, 1, &text));  // an empty string
  ASSERT_TRUE(ReadCountedString(block, 8, 2, &text));
  EXPECT_EQ(L"c", text);
  EXPECT_FALSE(ReadCountedString(block, 8, 3, &text));  // 5 units announced, 1 left
  EXPECT_FALSE(ReadCountedString(block, 8, 4, &text));  // skipping needs the bad length
  EXPECT_FALSE(ReadCountedString(block, 8, 15, &text));
  EXPECT_FALSE(ReadCountedString(block, 2, 0, &text));  // cut inside the first string
  EXPECT_FALSE(ReadCountedString(block, 0, 0, &text));
  const WORD huge[] = {0xFFFF, L'x'};
  EXPECT_FALSE(ReadCountedString(huge, 2, 1, &text));
}

// No fallback to another language's table.
TEST(ResourceL10nHandlerTest, StringForLanguageUsesOnlyThatLanguage) {
  ScopedLogCapture log;
  ResourceL10nHandler handler;
  EXPECT_EQ(L"OK", handler.GetStringForLanguage(L"EN", 37001));
  EXPECT_EQ(L"Abbrechen", handler.GetStringForLanguage(L"de", 37002));
  // Codes the host does not carry, one of them a variant of a carried one.
  EXPECT_EQ(L"", handler.GetStringForLanguage(L"af", 37001));
  EXPECT_EQ(L"", handler.GetStringForLanguage(L"zh-hk", 37001));
}

TEST(ResourceL10nHandlerSelectionTest, IsoCodesAreConverted) {
  ScopedLogCapture log;
  const std::vector<std::wstring> available = {L"en", L"nb", L"pt-PT", L"fil"};
  LANGID id = 0;
  for (const wchar_t* no : {L"no", L"NO", L"No"}) {
    EXPECT_EQ(L"nb", Select(available, {}, no, &id)) << no;
    EXPECT_EQ(0x414, id);
  }
  EXPECT_TRUE(log.Contains("Language converted from ISO631:nb"));
  EXPECT_EQ(L"pt-PT", Select(available, {}, L"pt", &id));
  EXPECT_EQ(0x816, id);
  EXPECT_EQ(L"fil", Select(available, {}, L"TL", &id));
  EXPECT_EQ(0x464, id);
}

TEST(ResourceL10nHandlerSelectionTest, AvailableCodeMatchesIgnoringCase) {
  LANGID id = 0;
  EXPECT_EQ(L"ZH-tw", Select({L"en", L"zh-TW"}, {L"en-US"}, L"ZH-tw", &id));
  EXPECT_EQ(0x404, id);
}

TEST(ResourceL10nHandlerSelectionTest, SystemLanguagesAreAdjusted) {
  const std::vector<std::wstring> available = {L"en", L"en-GB", L"es", L"es-419", L"zh-TW",
                                               L"zh-CN"};
  EXPECT_EQ(L"es-419", Select(available, {L"es-MX"}, L"xx"));
  EXPECT_EQ(L"es", Select(available, {L"es-ES"}, L"xx"));
  EXPECT_EQ(L"zh-TW", Select(available, {L"zh-MO"}, L"xx"));
  EXPECT_EQ(L"zh-TW", Select(available, {L"zh-hk"}, L"xx"));
  EXPECT_EQ(L"zh-CN", Select(available, {L"zh-SG"}, L"xx"));
  EXPECT_EQ(L"en-GB", Select(available, {L"en-ZA"}, L"xx"));
  LANGID english = 0;
  EXPECT_EQ(L"en", Select(available, {L"en-IN"}, L"xx", &english));
  EXPECT_EQ(0x409, english);
  EXPECT_EQ(L"nb", Select({L"nb"}, {L"no-NO"}, L"xx"));
  EXPECT_EQ(L"tl", Select({L"tl"}, {L"fil-PH"}, L"xx"));
  // A list that names Filipino by its code (and not the "tl" alias) still
  // serves a Filipino system, before a later preference.
  LANGID id = 0;
  EXPECT_EQ(L"fil", Select({L"en", L"de", L"fil"}, {L"fil-PH", L"de-DE"}, L"xx", &id));
  EXPECT_EQ(0x464, id);
  EXPECT_EQ(L"de", Select({L"de"}, {L"de-AT"}, L"xx"));
}

// US English and other regions without their own table are the list's
// "en": the user's English comes before a later system language.
TEST(ResourceL10nHandlerSelectionTest, EnglishRegionsBecomeTheEnglishOfTheList) {
  const std::vector<std::wstring> available = {L"en", L"en-GB", L"de"};
  for (const wchar_t* system : {L"en-US", L"en-IN", L"EN-us"}) {
    LANGID id = 0;
    EXPECT_EQ(L"en", Select(available, {system, L"de-DE"}, L"xx", &id)) << system;
    EXPECT_EQ(0x409, id) << system;
  }
  EXPECT_EQ(L"en", AdjustSystemLanguage(L"en-US"));
  EXPECT_EQ(L"en-GB", AdjustSystemLanguage(L"en-AU"));
}

TEST(ResourceL10nHandlerSelectionTest, SystemLanguageAsItStandsComesFirst) {
  ScopedLogCapture log;
  EXPECT_EQ(L"es-MX", Select({L"es-419", L"es-MX"}, {L"es-MX"}, L"xx"));
  EXPECT_TRUE(log.Contains("Language not in the available languages list: xx"));
  EXPECT_TRUE(log.Contains("Trying language from system preferred list: es-MX"));
  EXPECT_FALSE(log.Contains("Retrying after adjustments"));
}

// The first system language that fits, adjusted or not, wins over a later
// exact match.
TEST(ResourceL10nHandlerSelectionTest, SystemLanguagesAreTriedInOrder) {
  ScopedLogCapture log;
  EXPECT_EQ(L"de", Select({L"fr-CA", L"de"}, {L"de-AT", L"fr-CA"}, L"xx"));
  EXPECT_TRUE(log.Contains("Retrying after adjustments: de"));
}

TEST(ResourceL10nHandlerSelectionTest, FallsBackToEnglish) {
  LANGID id = 0;
  {
    ScopedLogCapture log;
    // "en" itself need not be listed; a leading "-" is no region separator.
    EXPECT_EQ(L"en", Select({L"de"}, {L"fr-FR", L"-de", L"ja"}, L"xx", &id));
    EXPECT_EQ(0x409, id);
    EXPECT_TRUE(log.Contains("Falling back to english"));
    EXPECT_TRUE(log.Contains("Retrying after adjustments: -de"));
  }
  EXPECT_EQ(L"en", Select({L"de"}, {}, L"", &id));
  EXPECT_EQ(0x409, id);
}

class SystemLanguagesL10nHandler : public ResourceL10nHandler {
 public:
  using ResourceL10nHandler::GetSystemPreferredLanguages;
};

// Whatever the machine prefers, the list has names and no empty entries
// from the double-terminated buffer.
TEST(ResourceL10nHandlerSelectionTest, SystemPreferredLanguagesAreNamed) {
  std::vector<std::wstring> languages = SystemLanguagesL10nHandler().GetSystemPreferredLanguages();
  ASSERT_FALSE(languages.empty());
  for (const std::wstring& language : languages) {
    EXPECT_GE(language.size(), 2u);
    EXPECT_EQ(std::wstring::npos, language.find(L'\0'));
  }
}

// A language list ending in a line break has an empty last entry; an empty
// or non-ASCII requested code must not match anything.
TEST(ResourceL10nHandlerSelectionTest, EmptyAndNonAsciiCodesAreNeverAvailable) {
  EXPECT_EQ(L"de", Select({L"de", L""}, {L"de-DE"}, L""));
  EXPECT_EQ(L"de", Select({L"de", L"\x00e9s"}, {L"de-DE"}, L"\x00e9s"));
}

}  // namespace
