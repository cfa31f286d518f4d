#include "desktop/windows/installer/utils/installer_architecture.h"

#include "gtest/gtest.h"

namespace {

TEST(InstallerArchitectureTest, Names) {
  EXPECT_EQ("X64", ArchitectureToString(INSTALLER_ARCHITECTURE_X64));
  EXPECT_EQ(L"invalid", ArchitectureToString16(INSTALLER_ARCHITECTURE_INVALID));
  EXPECT_EQ("", ArchitectureToString(3));
}

}  // namespace
