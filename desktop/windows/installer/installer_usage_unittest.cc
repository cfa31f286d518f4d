#include "desktop/windows/installer/installer_usage.h"

#include <cctype>
#include <string>

#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/l10n_handler/l10n_handler.h"
#include "gtest/gtest.h"

namespace {

// Every switch in its order with the product's name filled in, the
// languages the handler offers and every feature with its default on this
// stream, as a user reads them.
TEST(InstallerUsageTest, UsageTextListsSwitchesLanguagesAndFeatures) {
  const std::string text = GetUsageText();
  EXPECT_EQ(0u, text.find("Tarvo Installer 51.0.2802.0 developer\n\n"));
  EXPECT_EQ(std::string::npos, text.find("%s"));
  for (size_t dot = text.find('.'); dot != std::string::npos; dot = text.find('.', dot + 1))
    EXPECT_FALSE(isupper(static_cast<unsigned char>(text[dot + 1]))) << text.substr(dot < 40 ? 0 : dot - 40, 50);
  const char* const kSwitches[] = {
      "silent", "runimmediately", "language=LANGUAGE", "installfolder=FOLDER",
      "allusers=[0|1]", "copyonly=[0|1]", "singleprofile=[0|1]", "setdefaultbrowser=[0|1]",
      "desktopshortcut=[0|1]", "startmenushortcut=[0|1]", "quicklaunchshortcut=[0|1]",
      "pintotaskbar=[0|1]", "import-browser-data=[0|1]", "enable-stats=[0|1]",
      "enable-installer-stats=[0|1]", "launchbrowser=[0|1]"};
  std::string listed;
  for (size_t line = text.find("\n  "); line != std::string::npos; line = text.find("\n  ", line + 1)) {
    if (text[line + 3] != ' ')
      listed += text.substr(line + 3, text.find('\n', line + 1) - line - 3) + ",";
  }
  std::string expected;
  for (const char* name : kSwitches)
    expected += std::string(name) + ",";
  EXPECT_EQ(expected, listed);
  EXPECT_NE(std::string::npos,
            text.find("\n  setdefaultbrowser=[0|1]\n    If true, make Tarvo the default browser "
                      "for this user or computer.\n    Default value: True for Tarvo Stable.\n"));
  const std::wstring languages = base::JoinString(GetL10nHandler()->GetAvailableLanguages(), L", ");
  EXPECT_NE(std::string::npos, text.find("\nLanguages available for the language option:\n" +
                                         base::WideToUTF8(languages) + "\n"));
  EXPECT_NE(std::string::npos,
            text.find("\nFeatures available through command-line switches:\n"
                      "\t--with-feature:installer-experiment-test [Enabled by default: false]\n"
                      "\t--with-feature:installer-use-minimal-package [Enabled by default: false]\n"
                      "\t--with-feature:installer-pref-default-overrides-support "
                      "[Enabled by default: true]\n"
                      "\t--with-feature:installer-hide-from-program-and-features "
                      "[Enabled by default: false]\n"
                      "\t--with-feature:installer-support-x64-download [Enabled by default: true]\n"
                      "\t--with-feature:installer-handle-proprietary-uris "
                      "[Enabled by default: false]\n"))
      << text;
  EXPECT_EQ(L"Tarvo Installer", GetInstallerName());
}

}  // namespace
