#include "base/win/windows_version.h"

#include "base/win/scoped_handle.h"
#include "gtest/gtest.h"
#include "testing/test_child_process.h"

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

}  // namespace

// Run on Windows 10, where an unmanifested GetVersionEx would report 6.2:
// 0 when the kernel's numbers are read, else the first check that failed.
TEST_CHILD_ROLE(report_running_system) {
  OSInfo* info = OSInfo::GetInstance();
  if (info->version_number().major != 10)
    return 1;
  if (GetVersion() < VERSION_WIN10)
    return 2;
  if (info->architecture() != OSInfo::X64_ARCHITECTURE || !info->IsWindows64Bit())
    return 3;
  if (info->wow64_status() != OSInfo::WOW64_DISABLED || info->processors() <= 0)
    return 4;
  return 0;
}

namespace {

TEST(WindowsVersionTest, RunningSystem) {
  EXPECT_EQ(0, testing_support::RunTestChildAsWindows10("report_running_system"));
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
