// The string tables and language list the host executable really carries (the
// test executable links the same generated resources): every offered
// language has every string the engine shows, translated, keeping English's
// placeholders, link anchors, access keys and the product name.

#include <windows.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "desktop/windows/l10n_handler/language_id_lookup.h"
#include "desktop/windows/l10n_handler/resource_l10n_handler.h"
#include "gtest/gtest.h"

namespace {

constexpr size_t kOfferedLanguages = 45;
constexpr int kFirstId = 37000;
constexpr int kLastId = 37072;
constexpr int kLanguageNameId = 37051;
// A translation may match English in a few short texts ("OK", "TARVO.").
constexpr int kMaxSameAsEnglish = 3;

bool IsUnused(int id) {
  static constexpr int kUnused[] = {37013, 37014, 37015, 37021, 37050};
  return std::find(std::begin(kUnused), std::end(kUnused), id) != std::end(kUnused);
}

// "$1".."$9", "<a href=...>" / "</a>" and access-key markers "&", sorted:
// what a translation keeps.
std::vector<std::wstring> Markers(const std::wstring& text) {
  std::vector<std::wstring> found;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'$' && i + 1 < text.size() && text[i + 1] >= L'1' && text[i + 1] <= L'9') {
      found.push_back(text.substr(i, 2));
    } else if (text.compare(i, 9, L"<a href=\"") == 0) {
      size_t end = text.find(L"\">", i + 9);
      found.push_back(end == std::wstring::npos ? L"<unclosed>" : text.substr(i, end + 2 - i));
    } else if (text.compare(i, 4, L"</a>") == 0) {
      found.push_back(L"</a>");
    } else if (text[i] == L'&') {
      found.push_back(L"&");
    }
  }
  std::sort(found.begin(), found.end());
  return found;
}

TEST(HostStringsTest, MarkersFindPlaceholdersAndAnchors) {
  EXPECT_EQ((std::vector<std::wstring>{L"$1", L"$2"}), Markers(L"x $2 y $1 $ $0"));
  EXPECT_EQ((std::vector<std::wstring>{L"</a>", L"<a href=\"tos\">"}),
            Markers(L"go to <a href=\"tos\">site</a>."));
  EXPECT_NE(Markers(L"<a href=\"tos\">x</a>"), Markers(L"<a href=\"to\">x</a>"));
  EXPECT_EQ(std::vector<std::wstring>{L"&"}, Markers(L"\u540c(&O)"));
}

TEST(HostStringsTest, EveryOfferedLanguageHasEveryUsedString) {
  ResourceL10nHandler handler;
  std::vector<std::wstring> languages = handler.GetAvailableLanguages();
  ASSERT_EQ(kOfferedLanguages, languages.size());
  EXPECT_EQ(L"en", languages.front());
  std::set<LANGID> language_ids;
  std::set<std::wstring> names;
  for (const std::wstring& code : languages) {
    SCOPED_TRACE(code);
    LANGID language_id = LookupLanguageId(code);
    ASSERT_NE(0, language_id);
    EXPECT_TRUE(language_ids.insert(language_id).second) << "shares its table";
    int same_as_english = 0;
    for (int id = kFirstId; id <= kLastId; ++id) {
      if (IsUnused(id))
        continue;
      SCOPED_TRACE(id);
      std::wstring english = LoadLocalizedString(0x409, id, {});
      std::wstring text = handler.GetStringForLanguage(code, id);
      EXPECT_FALSE(text.empty());
      EXPECT_EQ(Markers(english), Markers(text));
      if (english.find(L"Tarvo") != std::wstring::npos) {
        EXPECT_NE(std::wstring::npos, text.find(L"Tarvo")) << "the product name changed";
      }
      if (text == english)
        ++same_as_english;
    }
    if (code.compare(0, 2, L"en") != 0) {
      EXPECT_LE(same_as_english, kMaxSameAsEnglish) << "untranslated";
    }
    EXPECT_TRUE(names.insert(handler.GetStringForLanguage(code, kLanguageNameId)).second)
        << "has another language's name";
  }
}

// Selection and loading through the handler, in a left-to-right, a
// right-to-left and a non-Latin language, with replacements.
TEST(HostStringsTest, HandlerLoadsTranslations) {
  ResourceL10nHandler handler;
  std::wstring code = L"de";
  handler.SelectLanguage(&code);
  EXPECT_EQ(L"Abbrechen", handler.GetString(37002, {}));
  EXPECT_EQ(L"Der Ordner C:\\T konnte nicht erstellt werden.",
            handler.GetString(37059, {L"C:\\T"}));

  code = L"he";
  handler.SelectLanguage(&code);
  EXPECT_EQ(0x40D, handler.GetLanguageId());
  EXPECT_EQ(L"\u05ea\u05d5\u05d3\u05d4 \u05e9\u05d1\u05d7\u05e8\u05ea \u05d1-Tarvo",
            handler.GetString(37024, {}));

  code = L"ar";
  handler.SelectLanguage(&code);
  EXPECT_EQ(L"\u0625\u0644\u063a\u0627\u0621", handler.GetString(37002, {}));
  EXPECT_EQ(L"\u062a\u0639\u0630\u0651\u0631 \u0625\u0646\u0634\u0627\u0621 "
            L"\u0627\u0644\u0645\u062c\u0644\u062f D:\\x.",
            handler.GetString(37059, {L"D:\\x"}));

  code = L"ja";
  handler.SelectLanguage(&code);
  EXPECT_EQ(L"\u30ad\u30e3\u30f3\u30bb\u30eb", handler.GetString(37002, {}));

  code = L"pt";  // the ISO fix-up picks the European table
  handler.SelectLanguage(&code);
  EXPECT_EQ(L"pt-PT", code);
  EXPECT_EQ(0x816, handler.GetLanguageId());
  EXPECT_EQ(L"A transferir\u2026", handler.GetString(37025, {}));
}

}  // namespace
