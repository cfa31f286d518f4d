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

}  // namespace
