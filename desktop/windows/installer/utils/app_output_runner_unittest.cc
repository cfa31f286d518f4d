#include "desktop/windows/installer/utils/app_output_runner.h"

#include <windows.h>

#include <cstdio>

#include "base/command_line.h"
#include "base/path_service.h"
#include "desktop/windows/installer/utils/installer_error_record.h"
#include "desktop/windows/installer/utils/test_support/scoped_installer_error_record.h"
#include "gtest/gtest.h"
#include "testing/test_child_process.h"

TEST_CHILD_ROLE(print_version) {
  fputs("1.2.3.4", stdout);
  fflush(stdout);
  return 7;  // The exit code does not decide whether the output was had.
}

TEST_CHILD_ROLE(never_ends) {
  Sleep(INFINITE);
  return 0;
}

namespace {

class AppOutputRunnerTest : public testing::Test {
 protected:
  ScopedInstallerErrorRecord error_record_;
};

TEST_F(AppOutputRunnerTest, CapturesOutput) {
  AppOutputRunnerImpl runner;
  std::string output;
  EXPECT_TRUE(runner.Run(
      base::CommandLine::FromString(testing_support::GetTestChildCommandLine("print_version")),
      &output));
  EXPECT_EQ("1.2.3.4", output);
  EXPECT_EQ(0u, GetInstallerErrorCode());
}

TEST_F(AppOutputRunnerTest, FailuresAreRecordedAndBounded) {
  AppOutputRunnerImpl runner(base::TimeDelta::FromSeconds(2));
  std::string output;
  base::CommandLine missing =
      base::CommandLine::FromString(L"\"C:\\no such folder\\missing.exe\" --version");
  EXPECT_FALSE(runner.Run(missing, &output));
  uint32_t code = 0;
  std::string detail;
  GetInstallerError(&code, &detail, nullptr);
  EXPECT_EQ(1u, code);
  EXPECT_EQ(0u, detail.find("Cannot get app output \"C:\\no such folder\\missing.exe\" --version"));

  // A child that never ends is stopped at the limit instead of hanging us.
  SetInstallerError(0, "", L"");
  EXPECT_FALSE(runner.Run(
      base::CommandLine::FromString(testing_support::GetTestChildCommandLine("never_ends")),
      &output));
  EXPECT_EQ(1u, GetInstallerErrorCode());
}

}  // namespace
