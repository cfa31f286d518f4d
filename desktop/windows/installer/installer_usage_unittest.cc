#include "desktop/windows/installer/installer_usage.h"

#include <cctype>
#include <string>

#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/utils/installer_features.h"
#include "desktop/windows/l10n_handler/l10n_handler.h"
#include "gtest/gtest.h"

namespace {

// Every switch in table order with the product's name filled in, the
// languages the handler offers and every feature with its default here.
TEST(InstallerUsageTest, UsageTextListsSwitchesLanguagesAndFeatures) {
  const std::string text = GetUsageText();
  EXPECT_EQ(0u, text.find("Tarvo Installer 51.0.2802.0 developer\n\n"));
  EXPECT_EQ(std::string::npos, text.find("%s"));
  for (size_t dot = text.find('.'); dot != std::string::npos; dot = text.find('.', dot + 1))
    EXPECT_FALSE(isupper(static_cast<unsigned char>(text[dot + 1]))) << text.substr(dot < 40 ? 0 : dot - 40, 50);
  size_t previous = 0;
  const HelpSwitchEntry* rows = GetHelpSwitchTable();
  for (size_t i = 0; i < kHelpSwitchCount; ++i) {
    const std::string line = std::string("\n  ") + rows[i].name +
                             (rows[i].value ? std::string("=") + rows[i].value : "") + "\n    ";
    const size_t found = text.find(line);
    ASSERT_NE(std::string::npos, found) << rows[i].name;
    EXPECT_GT(found, previous) << rows[i].name;
    previous = found;
  }
  const std::wstring languages = base::JoinString(GetL10nHandler()->GetAvailableLanguages(), L", ");
  EXPECT_NE(std::string::npos, text.find("\nLanguages available for the language option:\n" +
                                         base::WideToUTF8(languages) + "\n"));
  size_t count = 0;
  const InstallerFeature* features = GetInstallerFeatureTable(&count);
  for (size_t i = 0; i < count; ++i) {
    const std::string line = std::string("\t--with-feature:") + features[i].name +
                             " [Enabled by default: " +
                             (IsFeatureAvailableForStream(features[i]) ? "true" : "false") + "]\n";
    EXPECT_NE(std::string::npos, text.find(line)) << line;
  }
  EXPECT_EQ(L"Tarvo Installer", GetInstallerName());
}

}  // namespace
