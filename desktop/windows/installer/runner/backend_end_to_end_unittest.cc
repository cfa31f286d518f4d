// Whole installations with real processes: this test plays the main process
// with the real runner, and the build's installer.exe runs as the backend
// against the build's test package.

#include <string>
#include <vector>

#include "base/files/file_util.h"
#include "desktop/windows/installer/runner/test_support/two_process_harness.h"
#include "gtest/gtest.h"

namespace {

// The first backend unpacks the package into the versioned folder and hands
// over to the installer found there, which runs the install steps one by
// one; both send with the secret the main process handed the first. Where a step class is still missing from this build, that step fails
// the operation: both backends roll back and the failure's code reaches the
// main process from each; otherwise both succeed.
TEST(BackendEndToEndTest, InstallFromPackageHandsOver) {
  TwoProcessHarness harness({});
  harness.runner().OnPackageReady();
  ASSERT_EQ(RESULT_SUCCESS, harness.Start());
  ASSERT_TRUE(harness.WaitForBackendEnd()) << harness.CallsText();
  const std::vector<std::string>& calls = harness.calls();

  std::vector<std::string> expected = {"notify", "entering_phase 6", "total_steps 11"};
  for (int i = 0; i < 11; ++i)
    expected.push_back("step_finished direct_unpacking 0 " + std::to_string(i));
  // The packaged installer, from the versioned folder: no package to
  // prepare, straight to the steps.
  for (const char* line : {"starting_new_main_process 0", "notify", "entering_phase 7",
                           "total_steps 17", "step_starting verify_downloadable_resources"}) {
    expected.push_back(line);
  }
  ASSERT_GT(calls.size(), expected.size()) << harness.CallsText();
  EXPECT_EQ(expected, std::vector<std::string>(calls.begin(), calls.begin() + expected.size()))
      << harness.CallsText();

  // Every step that starts finishes, in order, until the end.
  size_t i = expected.size() - 1;
  int completed = 0;
  for (; i + 1 < calls.size() && calls[i].rfind("step_starting ", 0) == 0 &&
         calls[i + 1].rfind("step_finished ", 0) == 0;
       i += 2) {
    const std::string name = calls[i].substr(14);
    EXPECT_EQ("step_finished " + name + " 0 " + std::to_string(++completed), calls[i + 1])
        << harness.CallsText();
  }
  // Success: back, then the success, which counts once the backend has
  // ended with 0, and the end. Failure: the failing step's start, its
  // error, back, the first backend's error, the end.
  const bool succeeded = calls[i] == "returned_to_previous_main_process";
  ASSERT_EQ(i + (succeeded ? 3 : 5), calls.size()) << harness.CallsText();
  if (succeeded) {
    EXPECT_EQ(16, completed);
    EXPECT_EQ("succeeded", calls[i + 1]);
    EXPECT_EQ("backend_terminated 0", calls[i + 2]);
    EXPECT_TRUE(base::PathExists(harness.install_folder().Append(L"launcher.exe")));
  } else {
    // "step_starting <name>" then its failure, "error <code> ...".
    ASSERT_EQ(0u, calls[i].rfind("step_starting ", 0)) << harness.CallsText();
    ASSERT_EQ(0u, calls[i + 1].rfind("error ", 0)) << harness.CallsText();
    const std::string code = calls[i + 1].substr(6, calls[i + 1].find(' ', 6) - 6);
    EXPECT_EQ("returned_to_previous_main_process", calls[i + 2]);
    EXPECT_EQ("error " + code + "  Installer process did not complete successfully.",
              calls[i + 3]);
    EXPECT_EQ("backend_terminated " + code, calls.back());
    // Nothing stays behind: the packaged installer's work, the unpacked
    // folder and the folder itself are rolled back.
    EXPECT_FALSE(base::PathExists(harness.install_folder())) << harness.CallsText();
  }
  const std::string logs = harness.BackendLogs();
  EXPECT_NE(std::string::npos, logs.find("--install-subfolder=51.0.2802.0")) << logs;
}

// A backend started before the package is there waits for the event; the
// package-ready call sets it, a second call changes nothing.
TEST(BackendEndToEndTest, BackendWaitsForThePackage) {
  TwoProcessHarness harness({});
  ASSERT_EQ(RESULT_SUCCESS, harness.Start());
  ASSERT_TRUE(harness.WaitForMessage("notify")) << harness.CallsText();
  EXPECT_EQ(std::vector<std::string>{"notify"}, harness.calls());
  harness.runner().OnPackageReady();
  harness.runner().OnPackageReady();
  ASSERT_TRUE(harness.WaitForBackendEnd()) << harness.CallsText();
  EXPECT_EQ("entering_phase 6", harness.calls()[1]);
  // The hand-over and the end followed.
  EXPECT_EQ(1u, harness.Lines("starting_new_main_process").size());
  EXPECT_EQ(1u, harness.Lines("backend_terminated").size());
  EXPECT_NE(std::string::npos, harness.BackendLogs().find("Package is ready"));
}

// Stopping the main process's side interrupts the waiting backend: it rolls
// back and ends unfinished (120, result 20), reporting no error of its own.
TEST(BackendEndToEndTest, InterruptedBackendRollsBackUnfinished) {
  TwoProcessHarness harness({});
  ASSERT_EQ(RESULT_SUCCESS, harness.Start());
  ASSERT_TRUE(harness.WaitForMessage("notify")) << harness.CallsText();
  ASSERT_TRUE(base::DirectoryExists(harness.install_folder()));
  harness.runner().Stop();
  ASSERT_TRUE(harness.WaitForBackendEnd()) << harness.CallsText();
  EXPECT_EQ(RESULT_NOT_FINISHED, harness.backend_result());
  EXPECT_TRUE(harness.Lines("error").empty());
  EXPECT_FALSE(base::PathExists(harness.install_folder()));
  EXPECT_NE(std::string::npos, harness.BackendLogs().find("Installation was interrupted"));
}

// Interrupted while a step waits for its next attempt: the backends stop the
// retries, roll back and end unfinished (result 20).
TEST(BackendEndToEndTest, InterruptedDuringRetryRollsBack) {
  TwoProcessHarness::Options options;
  options.environment = {{L"TARVO_INSTALLER_TEST_RETRY_STEP", L"setup_registry"}};
  TwoProcessHarness harness(options);
  harness.runner().OnPackageReady();
  ASSERT_EQ(RESULT_SUCCESS, harness.Start());
  ASSERT_TRUE(harness.WaitForMessage("step_starting setup_registry")) << harness.CallsText();
  // The first retry is asked for well before the attempts run out.
  for (int i = 0; i < 100 && harness.BackendLogs().find("Retrying step setup_registry") ==
                                 std::string::npos;
       ++i) {
    harness.WaitForMessage("-", base::TimeDelta::FromMilliseconds(50));
  }
  ASSERT_NE(std::string::npos, harness.BackendLogs().find("Retrying step setup_registry"))
      << harness.BackendLogs();
  harness.runner().Stop();
  ASSERT_TRUE(harness.WaitForBackendEnd()) << harness.CallsText();
  EXPECT_EQ(RESULT_NOT_FINISHED, harness.backend_result()) << harness.CallsText();
  EXPECT_FALSE(base::PathExists(harness.install_folder())) << harness.CallsText();
  const std::string logs = harness.BackendLogs();
  EXPECT_NE(std::string::npos, logs.find("Installation was interrupted")) << logs;
  EXPECT_EQ(std::string::npos, logs.find("Retrying step setup_registry (attempt 5)")) << logs;
}

}  // namespace
