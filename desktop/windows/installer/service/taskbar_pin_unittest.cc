#include "desktop/windows/installer/service/taskbar_pin.h"

#include <windows.h>

#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/win/windows_version.h"
#include "gtest/gtest.h"
#include "testing/scoped_environment_variable.h"
#include "testing/test_child_process.h"

// Stand-ins for the package's pinning helper: the test executable started
// with one of these roles in place of the shortcut path.
TEST_CHILD_ROLE(pin_helper_pinned) {
  return 0;
}

TEST_CHILD_ROLE(pin_helper_refused) {
  return 1;
}

// The package's helper as installed: a copy named explorer.exe.
TEST_CHILD_ROLE(program_explorer) {
  return 0;
}

TEST_CHILD_ROLE(pin_helper_hangs) {
  ::Sleep(50 * 1000);
  return 0;
}

namespace {

class RunPinHelperTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(scratch_.CreateUniqueTempDir());
    wchar_t exe[MAX_PATH];
    ASSERT_NE(0u, ::GetModuleFileNameW(nullptr, exe, MAX_PATH));
    helper_ = base::FilePath(exe);
    copy_ = scratch_.GetPath().Append(L"explorer.exe");
  }

  bool Run(const char* role, base::TimeDelta timeout = kPinHelperTimeout) {
    const base::FilePath shortcut(std::wstring(L"--test-child-role=") +
                                  std::wstring(role, role + strlen(role)));
    return RunPinHelper(helper_, copy_, shortcut, timeout);
  }

  base::ScopedTempDir scratch_;
  base::FilePath helper_;
  base::FilePath copy_;
};

TEST_F(RunPinHelperTest, TheHelpersAnswerDecidesAndItsCopyIsAlwaysRemoved) {
  EXPECT_TRUE(Run("pin_helper_pinned"));
  EXPECT_FALSE(base::PathExists(copy_));
  EXPECT_FALSE(Run("pin_helper_refused"));
  EXPECT_FALSE(base::PathExists(copy_));
}

TEST_F(RunPinHelperTest, AHelperThatDoesNotAnswerIsEndedAndRemoved) {
  EXPECT_FALSE(Run("pin_helper_hangs", base::TimeDelta::FromMilliseconds(300)));
  EXPECT_FALSE(base::PathExists(copy_));
}

TEST_F(RunPinHelperTest, AnEarlierCopyIsReplacedUnlessItCannotBeDeleted) {
  ASSERT_TRUE(base::WriteFile(copy_, std::string_view("old")));
  EXPECT_TRUE(Run("pin_helper_pinned"));
  EXPECT_FALSE(base::PathExists(copy_));

  ASSERT_TRUE(base::WriteFile(copy_, std::string_view("old")));
  HANDLE held = ::CreateFileW(copy_.value().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, held);
  EXPECT_FALSE(Run("pin_helper_pinned"));
  ::CloseHandle(held);
  std::string contents;
  ASSERT_TRUE(base::ReadFileToString(copy_, &contents));
  EXPECT_EQ("old", contents);
}

TEST_F(RunPinHelperTest, AMissingHelperLeavesNoCopy) {
  helper_ = scratch_.GetPath().Append(L"installer_helper_64.exe");
  EXPECT_FALSE(Run("pin_helper_pinned"));
  EXPECT_FALSE(base::PathExists(copy_));
}

// Where the shell cannot pin (a missing shortcut), the system decides
// whether a helper runs and which: the 32-bit helper pins, the 64-bit one
// is no program.
TEST_F(RunPinHelperTest, TheSystemChoosesWhetherAndWhichHelperRuns) {
  testing_support::ScopedEnvironmentVariable temp(L"TEMP", scratch_.GetPath().value().c_str());
  testing_support::ScopedEnvironmentVariable tmp(L"TMP", scratch_.GetPath().value().c_str());
  const base::FilePath helpers = scratch_.GetPath().Append(L"helpers");
  ASSERT_TRUE(base::CreateDirectory(helpers));
  ASSERT_TRUE(base::CopyFile(helper_, helpers.Append(L"installer_helper.exe")));
  ASSERT_TRUE(base::WriteFile(helpers.Append(L"installer_helper_64.exe"), std::string_view("x")));
  using base::win::OSInfo;
  const struct {
    base::win::Version version;
    OSInfo::WindowsArchitecture architecture;
    bool pinned;
  } cases[] = {
      // Before Windows 10 no helper runs, not even one that would pin.
      {base::win::VERSION_WIN7, OSInfo::X86_ARCHITECTURE, false},
      {base::win::VERSION_WIN8_1, OSInfo::X86_ARCHITECTURE, false},
      {base::win::VERSION_WIN10, OSInfo::X86_ARCHITECTURE, true},
      {base::win::VERSION_WIN10, OSInfo::X64_ARCHITECTURE, false},
  };
  for (const auto& c : cases) {
    base::win::ScopedOSInfoForTesting system(c.version, c.architecture);
    EXPECT_EQ(c.pinned, PinToTaskbar(helpers, scratch_.GetPath().Append(L"missing.lnk")))
        << c.version << " " << c.architecture;
    EXPECT_FALSE(base::PathExists(copy_));
  }
}

}  // namespace
