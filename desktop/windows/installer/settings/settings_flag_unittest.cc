#include "desktop/windows/installer/settings/settings_flag.h"

#include <string>

#include "gtest/gtest.h"

namespace {

TEST(ParseSwitchBoolTest, TrueValues) {
  for (const wchar_t* value : {L"Yes", L"yes", L"TRUE", L"tRuE", L"1", L"2", L"12abc", L"-1",
                               L"+3", L"007", L"99999999999999999999999"}) {
    EXPECT_TRUE(ParseSwitchBool(value)) << value;
  }
}

TEST(ParseSwitchBoolTest, FalseValues) {
  for (const wchar_t* value : {L"no", L"0", L"000", L"-0", L"abc", L"", L" 1", L"-", L"+",
                               L"yes ", L"truex", L"x1", L"--1", L"0.5", L"0x1", L"\x0661"}) {
    EXPECT_FALSE(ParseSwitchBool(value)) << value;
  }
}

TEST(SettingsFlagTest, NamesAndSwitchesFollowTheTable) {
  EXPECT_EQ("COPY_ONLY", SettingsFlagName(COPY_ONLY));
  EXPECT_EQ("LAUNCH_TARVO", SettingsFlagName(LAUNCH_TARVO));
  EXPECT_EQ("ENABLE_TARVO_STATS", SettingsFlagName(ENABLE_TARVO_STATS));
  EXPECT_EQ("DELETE_PROFILE", SettingsFlagName(DELETE_PROFILE));
  EXPECT_EQ("", SettingsFlagName(-1));
  EXPECT_EQ("", SettingsFlagName(SETTINGS_FLAG_COUNT));

  EXPECT_STREQ("launchtarvo", SettingsFlagSwitch(LAUNCH_TARVO));
  EXPECT_STREQ("setdefaultbrowser", SettingsFlagSwitch(DEFAULT_BROWSER));
  EXPECT_STREQ("enable-stats", SettingsFlagSwitch(ENABLE_TARVO_STATS));
  EXPECT_STREQ("enable-installer-stats", SettingsFlagSwitch(ENABLE_INSTALLER_STATS));
  EXPECT_STREQ("pintotaskbar", SettingsFlagSwitch(PINNED_SHORTCUT));
  EXPECT_STREQ("deleteuserprofile", SettingsFlagSwitch(DELETE_PROFILE));
  EXPECT_STREQ("", SettingsFlagSwitch(14));
}

}  // namespace
