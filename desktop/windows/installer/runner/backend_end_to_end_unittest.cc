// Whole installations with real processes: this test plays the main process
// with the real runner, and the build's installer.exe runs as the backend
// against the build's test package.

#include <string>
#include <vector>

#include "base/files/file_util.h"
#include "desktop/windows/installer/runner/test_support/two_process_harness.h"
#include "gtest/gtest.h"

namespace {

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines)
    text += line + "\n";
  return text;
}

// The first backend unpacks the package into the versioned folder and hands
// over to the installer found there, which runs the install steps; the
// first step class this build lacks fails the operation, both backends roll
// back, and the failure's code reaches the main process from each.
TEST(BackendEndToEndTest, InstallFromPackageHandsOverAndRollsBack) {
  TwoProcessHarness harness({});
  harness.runner().OnPackageReady();
  ASSERT_EQ(RESULT_SUCCESS, harness.Start());
  ASSERT_TRUE(harness.WaitForBackendEnd()) << Joined(harness.calls());

  std::vector<std::string> expected = {"notify", "entering_phase 6", "total_steps 11"};
  for (int i = 0; i < 11; ++i)
    expected.push_back("step_finished direct_unpacking 0 " + std::to_string(i));
  const std::vector<std::string> rest = {
      "starting_new_main_process 0",
      // The packaged installer, from the versioned folder.
      "notify", "entering_phase 7", "total_steps 24",
      "step_starting verify_downloadable_resources",
      "error 1  Step verify_downloadable_resources is not available in this build",
      // The first backend again.
      "returned_to_previous_main_process",
      "error 1  Installer process did not complete successfully.", "backend_terminated 1"};
  expected.insert(expected.end(), rest.begin(), rest.end());
  EXPECT_EQ(expected, harness.calls()) << Joined(harness.calls());

  // Nothing stays behind: the unpacked folder and the folder itself are
  // rolled back.
  EXPECT_FALSE(base::PathExists(harness.install_folder()));
  const std::string logs = harness.BackendLogs();
  EXPECT_NE(std::string::npos, logs.find("--install-subfolder=51.0.2802.0")) << logs;
  EXPECT_NE(std::string::npos, logs.find("Installation cancelled"));
}

// A backend started before the package is there waits for the event; the
// package-ready call sets it, a second call changes nothing.
TEST(BackendEndToEndTest, BackendWaitsForThePackage) {
  TwoProcessHarness harness({});
  ASSERT_EQ(RESULT_SUCCESS, harness.Start());
  ASSERT_TRUE(harness.WaitForMessage("notify")) << Joined(harness.calls());
  EXPECT_EQ(std::vector<std::string>{"notify"}, harness.calls());
  harness.runner().OnPackageReady();
  harness.runner().OnPackageReady();
  ASSERT_TRUE(harness.WaitForBackendEnd()) << Joined(harness.calls());
  EXPECT_EQ("entering_phase 6", harness.calls()[1]);
  EXPECT_EQ("backend_terminated 1", harness.calls().back());
  EXPECT_NE(std::string::npos, harness.BackendLogs().find("Package is ready"));
}

// Stopping the main process's side interrupts the waiting backend: it rolls
// back and ends unfinished (120, result 20), reporting no error of its own.
TEST(BackendEndToEndTest, InterruptedBackendRollsBackUnfinished) {
  TwoProcessHarness harness({});
  ASSERT_EQ(RESULT_SUCCESS, harness.Start());
  ASSERT_TRUE(harness.WaitForMessage("notify")) << Joined(harness.calls());
  ASSERT_TRUE(base::DirectoryExists(harness.install_folder()));
  harness.runner().Stop();
  ASSERT_TRUE(harness.WaitForBackendEnd()) << Joined(harness.calls());
  EXPECT_EQ(RESULT_NOT_FINISHED, harness.backend_result());
  EXPECT_TRUE(harness.Lines("error").empty());
  EXPECT_FALSE(base::PathExists(harness.install_folder()));
  EXPECT_NE(std::string::npos, harness.BackendLogs().find("Installation was interrupted"));
}

}  // namespace
