#include "desktop/windows/installer/installer_usage.h"

#include <string>

#include "gtest/gtest.h"

namespace {

TEST(InstallerUsageTest, UsageText) {
  std::string text = GetUsageText();
  EXPECT_EQ(0u, text.find("Tarvo Installer 51.0.2802.0 developer\n\n"
                          "The following command line parameters affect the behavior of the "
                          "installer:\n  silent\n    Run the installer fully unattended."));
  EXPECT_NE(std::string::npos,
            text.find("  language=LANGUAGE\n    Install Tarvo in the specified language.This "
                      "language will also be used during installation.\n    Default value: The "
                      "Operating system UI language.\n"));
  EXPECT_NE(std::string::npos, text.find("    Default value: True for Tarvo Stable.\n"));
  EXPECT_NE(std::string::npos,
            text.find("\nLanguages available for the language option:\nen, en-GB, de, "));
  EXPECT_NE(std::string::npos,
            text.find("\t--with-feature:installer-support-x64-download [Enabled by default: "
                      "true]\n\t--with-feature:installer-handle-proprietary-uris [Enabled by "
                      "default: false]\n"));
  EXPECT_EQ(L"Tarvo Installer", GetInstallerName());
}

}  // namespace
