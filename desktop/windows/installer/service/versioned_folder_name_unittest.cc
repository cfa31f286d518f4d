#include "desktop/windows/installer/service/versioned_folder_name.h"

#include "gtest/gtest.h"

namespace {

TEST(VersionedFolderNameTest, FourOrFiveNumberedPartsLeadByANumber) {
  const struct {
    const wchar_t* name;
    int major;  // 0: not a versioned folder's name.
  } cases[] = {
      {L"51.0.2802.0", 51}, {L"51.0.2802.0_0", 51}, {L"1.2.3.4_123", 1}, {L" 7 .0.1_2.3.4", 7},
      {L"51.0.2802.0.1", 51}, {L"51.0", 0}, {L"51.0.2802", 0}, {L"51.0.1.2.3.4", 0},
      {L"51.0.2802.0.x", 0}, {L"5_1.0.2802.0", 0}, {L"v51.0.2802.0", 0}, {L"51.0.2802.0_a", 0},
      {L"", 0}, {L"old_status", 0},
  };
  for (const auto& c : cases) {
    int major = 0;
    EXPECT_EQ(c.major != 0, ParseVersionedFolderName(c.name, &major)) << c.name;
    EXPECT_EQ(c.major, major) << c.name;
  }
}

}  // namespace
