#include "base/win/windows_version.h"

#include "base/win/scoped_handle.h"
#include "gtest/gtest.h"

namespace base {
namespace win {
namespace {

TEST(WindowsVersionTest, StoredNumbersAreStable) {
  // Tables elsewhere hold these numbers as minimum versions.
  EXPECT_EQ(1, VERSION_XP);
  EXPECT_EQ(3, VERSION_VISTA);
  EXPECT_EQ(4, VERSION_WIN7);
  EXPECT_EQ(7, VERSION_WIN10);
}

TEST(WindowsVersionTest, BuildNumbersMapToReleases) {
  EXPECT_EQ(VERSION_WIN7, OSInfo::MajorMinorBuildToVersion(6, 1, 7601));
  EXPECT_EQ(VERSION_WIN8_1, OSInfo::MajorMinorBuildToVersion(6, 3, 9600));
  EXPECT_EQ(VERSION_WIN10, OSInfo::MajorMinorBuildToVersion(10, 0, 10240));
  EXPECT_EQ(VERSION_WIN10_RS1, OSInfo::MajorMinorBuildToVersion(10, 0, 15062));
  EXPECT_EQ(VERSION_WIN10_RS2, OSInfo::MajorMinorBuildToVersion(10, 0, 15063));
  EXPECT_EQ(VERSION_WIN_LAST, OSInfo::MajorMinorBuildToVersion(11, 0, 0));
}

TEST(WindowsVersionTest, RunningSystem) {
  OSInfo* info = OSInfo::GetInstance();
  // The test prefix is set to Windows 10; an unmanifested GetVersionEx
  // would report 6.2 here.
  EXPECT_EQ(10, info->version_number().major);
  EXPECT_GE(GetVersion(), VERSION_WIN10);
  EXPECT_EQ(OSInfo::X64_ARCHITECTURE, info->architecture());
  EXPECT_EQ(OSInfo::WOW64_DISABLED, info->wow64_status());
  EXPECT_TRUE(info->IsWindows64Bit());
  EXPECT_GT(info->processors(), 0);
}

TEST(ScopedHandleTest, BothInvalidValuesMeanNoHandle) {
  ScopedHandle handle(INVALID_HANDLE_VALUE);
  EXPECT_FALSE(handle.IsValid());
  handle.Set(nullptr);
  EXPECT_FALSE(handle.IsValid());

  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_TRUE(event);
  handle.Set(event);
  EXPECT_TRUE(handle.IsValid());
  ScopedHandle moved(std::move(handle));
  EXPECT_FALSE(handle.IsValid());
  EXPECT_EQ(event, moved.Get());
  // Replacing the handle closes the old one.
  moved.Set(INVALID_HANDLE_VALUE);
  DWORD flags = 0;
  EXPECT_FALSE(GetHandleInformation(event, &flags));
}

}  // namespace
}  // namespace win
}  // namespace base
