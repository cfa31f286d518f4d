#include "desktop/windows/installer/installer_logging.h"

#include <windows.h>

#include <string>

#include "base/command_line.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/path_service.h"
#include "base/test/scoped_path_override.h"
#include "base/time/time.h"
#include "gtest/gtest.h"
#include "testing/scoped_environment_variable.h"

namespace {

using testing_support::ScopedEnvironmentVariable;

TEST(InstallerLoggingTest, LogFileName) {
  base::Time::Exploded time = {};
  time.year = 2026;
  time.month = 1;
  time.day_of_month = 7;
  time.hour = 9;
  time.minute = 5;
  time.second = 3;
  time.millisecond = 42;
  EXPECT_EQ(L"tarvo_installer_20260107090503042.log", GetLogFileName(time));
}

TEST(InstallerLoggingTest, LogFolderFallsBackToCurrentDirectory) {
  base::ScopedTempDir scratch;
  ASSERT_TRUE(scratch.CreateUniqueTempDir());
  base::ScopedPathOverride temp(base::DIR_TEMP, scratch.GetPath());
  base::Time::Exploded time = {};
  time.year = 2026;
  time.month = 12;
  time.day_of_month = 7;
  EXPECT_EQ(scratch.GetPath().Append(L"Tarvo Installer").Append(GetLogFileName(time)),
            GetLogFilePath(time));
  // A file where the log folder belongs: the bare name, relative to the
  // current directory.
  ASSERT_TRUE(base::DeleteFile(scratch.GetPath().Append(L"Tarvo Installer"), true));
  ASSERT_EQ(1, base::WriteFile(scratch.GetPath().Append(L"Tarvo Installer"), "x", 1));
  EXPECT_EQ(base::FilePath(GetLogFileName(time)), GetLogFilePath(time));
}

TEST(InstallerLoggingTest, VerbosityFromEnvironment) {
  struct Case {
    const wchar_t* value;
    const char* expected;  // nullptr: no switch
  } cases[] = {{L"12", nullptr}, {L"-1", nullptr}, {L"3x", nullptr}, {L"", nullptr},
               {L" 3", nullptr}, {L"9", "9"},      {L"0", "0"}};
  for (const Case& c : cases) {
    ScopedEnvironmentVariable variable(L"TARVO_INSTALLER_VERBOSITY", c.value);
    base::CommandLine command_line(base::CommandLine::NO_PROGRAM);
    ApplyVerbosityFromEnvironment(&command_line);
    EXPECT_EQ(c.expected != nullptr, command_line.HasSwitch("v")) << c.value;
    if (c.expected) {
      EXPECT_EQ(c.expected, command_line.GetSwitchValueASCII("v"));
    }
  }
  ScopedEnvironmentVariable variable(L"TARVO_INSTALLER_VERBOSITY", L"9");
  base::CommandLine command_line(base::CommandLine::NO_PROGRAM);
  command_line.AppendSwitchASCII("v", "2");
  ApplyVerbosityFromEnvironment(&command_line);
  EXPECT_EQ("2", command_line.GetSwitchValueASCII("v"));
}

}  // namespace
