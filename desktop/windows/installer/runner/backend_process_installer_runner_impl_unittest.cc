#include "desktop/windows/installer/runner/backend_process_installer_runner_impl.h"

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "base/command_line.h"
#include "base/files/file_util.h"
#include "base/message_loop/message_loop.h"
#include "base/process/launch.h"
#include "base/win/scoped_handle.h"
#include "desktop/windows/installer/ipc/ipc_receiver.h"
#include "desktop/windows/installer/runner/main_process_installer_runner_impl.h"
#include "desktop/windows/installer/settings/test_support/scoped_settings_validator.h"
#include "desktop/windows/installer/settings/test_support/settings_test_environment.h"
#include "desktop/windows/installer/steps/installer_step_scheduler.h"
#include "desktop/windows/installer/utils/installer_event_names.h"
#include "desktop/windows/installer/utils/service_utils.h"
#include "desktop/windows/installer/utils/test_support/scoped_installer_error_record.h"
#include "gtest/gtest.h"
#include "testing/scoped_log_capture.h"
#include "testing/test_child_process.h"

namespace {

class IdleScheduler : public InstallerStepScheduler {
 public:
  bool ScheduleSteps(InstallerStepContext*, std::wstring*, int* total) override {
    *total = 1;
    return true;
  }
  void Start(base::scoped_refptr<base::SingleThreadTaskRunner>, Observer*) override {}
  void Cancel() override {}
};

class IgnoringDelegate : public IPCReceiver::Delegate {
 public:
  void OnMailslotMessage(const base::Pickle&) override {}
};

class BackendRunnerTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(scratch_.CreateUniqueTempDir());
    folder_ = scratch_.GetPath().Append(L"Tarvo");
  }

  uint32_t RunWith(std::vector<std::wstring> switches) {
    switches.push_back(L"--backend");
    switches.push_back(L"--installfolder=" + folder_.value());
    SettingsTestEnvironment environment(switches);
    std::unique_ptr<SettingsImpl> settings = environment.MakeSettings();
    BackendProcessInstallerRunnerImpl runner(environment.command_line(),
                                             std::make_unique<IdleScheduler>());
    return runner.Run(settings.get());
  }

  ScopedInstallerErrorRecord error_record_;
  ScopedSettingsValidator validator_;
  base::MessageLoop loop_;
  base::ScopedTempDir scratch_;
  base::FilePath folder_;
};

TEST_F(BackendRunnerTest, InitialProcessSwitches) {
  EXPECT_EQ(RESULT_MISSING_INITIAL_PROCESS, RunWith({}));
  EXPECT_EQ(RESULT_BAD_INITIAL_PID, RunWith({L"--initial-pid=-1"}));
  EXPECT_EQ(RESULT_BAD_INITIAL_PID, RunWith({L"--initial-pid=4294967296"}));
  EXPECT_EQ(RESULT_BAD_INITIAL_PROCESS_HANDLE, RunWith({L"--initial-proc-handle=8C0100"}));
  EXPECT_EQ(RESULT_BAD_INITIAL_PROCESS_HANDLE, RunWith({L"--initial-proc-handle=8C01000"}));
  // The handle wins over the pid.
  EXPECT_EQ(RESULT_BAD_INITIAL_PROCESS_HANDLE,
            RunWith({L"--initial-proc-handle=xyz", L"--initial-pid=4"}));
  // A process that does not exist (pids are multiples of 4).
  EXPECT_EQ(RESULT_INITIAL_PROCESS_FAILED, RunWith({L"--initial-pid=4294967295"}));
  // A secret handed over that cannot be read: nothing would reach the main
  // process, which requires it.
  EXPECT_EQ(RESULT_GENERAL_FAILURE,
            RunWith({L"--initial-pid=4", L"--run-secret-handle=0000000000000000"}));
  // A handle that decodes but cannot be watched.
  testing_support::ScopedLogCapture log;
  EXPECT_EQ(RESULT_INITIAL_PROCESS_FAILED, RunWith({L"--initial-proc-handle=0000000000000000"}));
  EXPECT_TRUE(log.Contains("Failed watching initial process"));
}

// The starter ends while the backend works: the run ends unfinished (20,
// exit code 120) and what was done is rolled back.
TEST_F(BackendRunnerTest, StarterEndingMidRunRollsBack) {
  IgnoringDelegate delegate;
  IPCReceiver receiver(&delegate);
  ASSERT_TRUE(receiver.Connect(GetInstallerMailslotName(folder_)));
  base::win::ScopedHandle interrupted(CreateEventW(
      nullptr, TRUE, FALSE,
      MakeKernelObjectName(folder_.value(), kInterruptedEventName, true).c_str()));
  base::win::ScopedHandle ready(CreateEventW(
      nullptr, TRUE, FALSE,
      MakeKernelObjectName(folder_.value(), kPackageReadyEventName, true).c_str()));
  // The starter runs until the test ends it.
  const std::wstring kNeverSet =
      L"Local\\TarvoTestNeverSet" + std::to_wstring(GetCurrentProcessId());
  base::win::ScopedHandle never_set(CreateEventW(nullptr, TRUE, FALSE, kNeverSet.c_str()));
  base::LaunchOptions options;
  base::Process starter = base::LaunchProcess(
      testing_support::GetTestChildCommandLine("fake_launched_process",
                                               L"--wait-event=" + kNeverSet),
      options);
  ASSERT_TRUE(starter.IsValid());
  // Ends the starter once the backend has made the folder and waits for the
  // package.
  std::thread killer([this, &starter] {
    for (int i = 0; i < 2000 && !base::DirectoryExists(folder_); ++i)
      Sleep(10);
    starter.Terminate(1, /*wait=*/true);
  });
  const uint32_t result =
      RunWith({L"--initial-pid=" + std::to_wstring(starter.Pid()), L"--wait-for-package"});
  killer.join();
  EXPECT_EQ(RESULT_NOT_FINISHED, result);
  // It was ended by the test, not by itself.
  int exit_code = 0;
  EXPECT_TRUE(starter.WaitForExitWithTimeout(base::TimeDelta(), &exit_code));
  EXPECT_EQ(1, exit_code);
  EXPECT_FALSE(base::PathExists(folder_));
}

}  // namespace
