#include "desktop/windows/installer/runner/main_process_installer_runner_impl.h"

#include <windows.h>

#include <string>

#include "base/files/file_util.h"
#include "base/message_loop/message_loop.h"
#include "base/path_service.h"
#include "base/process/launch.h"
#include "base/win/scoped_handle.h"
#include "desktop/windows/installer/runner/test_support/two_process_harness.h"
#include "desktop/windows/installer/utils/installer_error_record.h"
#include "gtest/gtest.h"
#include "testing/test_child_process.h"

// Holds the installer mutex named by "--mutex=" (the rest of the line),
// says so through the event "--quit=" names and ends once "<that>_end" is
// set.
TEST_CHILD_ROLE(hold_installer_mutex) {
  const std::wstring command_line = GetCommandLineW();
  const size_t quit_at = command_line.find(L"--quit=");
  const size_t mutex_at = command_line.find(L"--mutex=");
  if (quit_at == std::wstring::npos || mutex_at == std::wstring::npos)
    return 2;
  const std::wstring quit = command_line.substr(quit_at + 7, mutex_at - 1 - (quit_at + 7));
  HANDLE mutex = CreateMutexW(nullptr, TRUE, command_line.substr(mutex_at + 8).c_str());
  HANDLE holding = OpenEventW(EVENT_MODIFY_STATE, FALSE, quit.c_str());
  HANDLE end = OpenEventW(SYNCHRONIZE, FALSE, (quit + L"_end").c_str());
  if (!mutex || !holding || !end)
    return 3;
  SetEvent(holding);
  WaitForSingleObject(end, 20000);
  return 0;
}

namespace {

TEST(MainProcessInstallerRunnerTest, ObjectNames) {
  const base::FilePath folder(L"C:\\Program Files\\Tarvo");
  EXPECT_EQ(L"Global\\Tarvo/Installer/C:/Program Files/Tarvo",
            MainProcessInstallerRunnerImpl::GetMutexName(folder));
  EXPECT_EQ(L"tarvo_installer\\C:\\Program Files\\Tarvo",
            MainProcessInstallerRunnerImpl::GetMailslotName(folder));
}

TEST(MainProcessInstallerRunnerTest, StopBeforeRunDoesNothing) {
  base::MessageLoop loop;
  MainProcessInstallerRunnerImpl runner;
  runner.Stop();
  runner.OnPackageReady();
  runner.Stop();
}

// Another installer of the same folder holds the mutex: 12, and nothing is
// launched.
TEST(MainProcessInstallerRunnerTest, SecondInstallationOfTheFolderGets12) {
  TwoProcessHarness harness({});
  const std::wstring quit = L"Local\\TarvoTestHolder" + std::to_wstring(GetCurrentProcessId());
  base::win::ScopedHandle holding(CreateEventW(nullptr, FALSE, FALSE, quit.c_str()));
  base::win::ScopedHandle end(CreateEventW(nullptr, TRUE, FALSE, (quit + L"_end").c_str()));
  base::LaunchOptions options;
  base::Process holder = base::LaunchProcess(
      testing_support::GetTestChildCommandLine(
          "hold_installer_mutex",
          L"--quit=" + quit + L" --mutex=" +
              MainProcessInstallerRunnerImpl::GetMutexName(harness.install_folder())),
      options);
  ASSERT_TRUE(holder.IsValid());
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(holding.Get(), 20000));

  EXPECT_EQ(RESULT_DUPLICATE_INSTALLATION, harness.Start());
  EXPECT_EQ(RESULT_DUPLICATE_INSTALLATION, GetInstallerErrorCode());
  SetEvent(end.Get());
  int exit_code = -1;
  EXPECT_TRUE(holder.WaitForExitWithTimeout(base::TimeDelta::FromSeconds(20), &exit_code));
  EXPECT_EQ(0, exit_code);
  EXPECT_TRUE(harness.calls().empty());
}

HANDLE WINAPI RefusedMutex(LPSECURITY_ATTRIBUTES, BOOL, LPCWSTR) {
  SetLastError(ERROR_ACCESS_DENIED);
  return nullptr;
}

HANDLE WINAPI FailedMutex(LPSECURITY_ATTRIBUTES, BOOL, LPCWSTR) {
  SetLastError(ERROR_INVALID_NAME);
  return nullptr;
}

// An elevated installer's mutex refuses this user: that is another
// installation (12), not a mutex that cannot be made (11).
TEST(MainProcessInstallerRunnerTest, MutexOfAnElevatedInstallerIsADuplicate) {
  {
    TwoProcessHarness harness({});
    MainProcessInstallerRunnerImpl::SetCreateMutexForTesting(&RefusedMutex);
    EXPECT_EQ(RESULT_DUPLICATE_INSTALLATION, harness.Start());
  }
  {
    TwoProcessHarness other({});
    MainProcessInstallerRunnerImpl::SetCreateMutexForTesting(&FailedMutex);
    EXPECT_EQ(RESULT_MUTEX_CREATION_FAILED, other.Start());
  }
  MainProcessInstallerRunnerImpl::SetCreateMutexForTesting(nullptr);
}

// The backend's exit code comes back as its result, after its messages.
TEST(MainProcessInstallerRunnerTest, BackendExitCodeBecomesTheResult) {
  base::FilePath bin;
  base::PathService::Get(base::DIR_EXE, &bin);
  TwoProcessHarness::Options options;
  // A stand-in backend that exits with the code it is told.
  options.installer = bin.DirName().Append(L"package_programs").Append(L"launcher.exe");
  SetEnvironmentVariableW(L"TARVO_PACKAGE_EXIT_CODE_LAUNCHER", L"103");
  TwoProcessHarness harness(options);
  harness.runner().OnPackageReady();
  ASSERT_EQ(RESULT_SUCCESS, harness.Start());
  ASSERT_TRUE(harness.WaitForBackendEnd());
  SetEnvironmentVariableW(L"TARVO_PACKAGE_EXIT_CODE_LAUNCHER", nullptr);
  EXPECT_EQ(RESULT_INVALID_PATH, harness.backend_result());

  // What the backend was given.
  const std::vector<std::string> records = harness.ProgramRecords(L"launcher");
  ASSERT_EQ(1u, records.size());
  const std::string& line = records[0];
  for (const char* expected : {"--backend", "--install", "--server-tracking-data=server_tracking_data",
                               "--initial-pid=", "--initial-proc-handle=", "--package-dir="}) {
    EXPECT_NE(std::string::npos, line.find(expected)) << expected << " in " << line;
  }
  // The package was ready: the backend does not wait for it.
  EXPECT_EQ(std::string::npos, line.find("--wait-for-package"));
}

}  // namespace
