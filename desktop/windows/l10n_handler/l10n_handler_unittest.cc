#include "desktop/windows/l10n_handler/l10n_handler.h"

#include <string>
#include <vector>

#include "gtest/gtest.h"

namespace {

int g_factory_runs = 0;
std::vector<std::wstring> g_last_replacements;

class RecordingL10nHandler : public L10nHandler {
 public:
  void SelectLanguage(std::wstring* code) override { *code = L"fake-" + *code; }
  LANGID GetLanguageId() const override { return 0x407; }
  std::vector<std::wstring> GetAvailableLanguages() const override { return {L"de"}; }
  std::wstring GetString(int id, const std::vector<std::wstring>& replacements) const override {
    g_last_replacements = replacements;
    return L"string " + std::to_wstring(id);
  }
  std::wstring GetStringForLanguage(const std::wstring&, int) const override { return L""; }
};

std::unique_ptr<L10nHandler> MakeRecordingHandler() {
  ++g_factory_runs;
  return std::make_unique<RecordingL10nHandler>();
}

std::unique_ptr<L10nHandler> MakeNoHandler() {
  ++g_factory_runs;
  return nullptr;
}

class L10nHandlerTest : public testing::Test {
 protected:
  void SetUp() override {
    ResetL10nHandlerForTesting();
    g_factory_runs = 0;
    previous_ = SetL10nHandlerFactory(&MakeRecordingHandler);
  }
  void TearDown() override {
    SetL10nHandlerFactory(previous_);
    ResetL10nHandlerForTesting();
  }

  L10nHandlerFactory previous_ = nullptr;
};

TEST_F(L10nHandlerTest, FactoryRunsOnceAndShorthandsUseItsHandler) {
  L10nHandler* first = GetL10nHandler();
  ASSERT_NE(nullptr, first);
  EXPECT_EQ(first, GetL10nHandler());
  EXPECT_EQ(1, g_factory_runs);

  std::wstring code = L"de";
  SelectL10nLanguage(&code);
  EXPECT_EQ(L"fake-de", code);
  EXPECT_EQ(L"string 37000", GetLocalizedString(37000));
  EXPECT_TRUE(g_last_replacements.empty());
  GetLocalizedStringWithReplacement(37059, L"C:\\x");
  EXPECT_EQ(std::vector<std::wstring>{L"C:\\x"}, g_last_replacements);
  GetLocalizedStringWithReplacements(37072, L"C:", L"12");
  EXPECT_EQ((std::vector<std::wstring>{L"C:", L"12"}), g_last_replacements);
}

// Replacing the factory after first use changes nothing until a reset.
TEST_F(L10nHandlerTest, FactoryChangeTakesEffectOnlyWithoutHandler) {
  L10nHandler* handler = GetL10nHandler();
  SetL10nHandlerFactory(&MakeNoHandler);
  EXPECT_EQ(handler, GetL10nHandler());
  ResetL10nHandlerForTesting();
  EXPECT_EQ(nullptr, GetL10nHandler());
  EXPECT_EQ(nullptr, GetL10nHandler());
  EXPECT_EQ(2, g_factory_runs);  // a null result is not retried on every use
  EXPECT_EQ(L"", GetLocalizedString(37000));
  std::wstring code = L"de";
  SelectL10nLanguage(&code);
  EXPECT_EQ(L"de", code);
}

TEST_F(L10nHandlerTest, DefaultFactoryReadsTheExecutable) {
  SetL10nHandlerFactory(previous_);
  std::wstring code = L"en";
  SelectL10nLanguage(&code);
  EXPECT_EQ(L"Tarvo Installer", GetLocalizedString(37000));
  EXPECT_EQ(L"The folder C:\\T\x00fc could not be created.",
            GetLocalizedStringWithReplacement(37059, L"C:\\T\x00fc"));
}

}  // namespace
