// The attack on the hand-over of the package between the UI side and the
// backend, made for real: another program of the user puts its own archive
// into the package folder the backend was told of and sets the
// package-ready event itself. The backend, a real installer.exe, must
// refuse that archive: nothing of it is unpacked, nothing of it runs, and
// the run ends in failure, not in success.

#include <windows.h>

#include <string>
#include <vector>

#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/process/launch.h"
#include "base/process/process.h"
#include "desktop/windows/installer/runner/test_support/two_process_harness.h"
#include "desktop/windows/installer/signature_checker/test_support/scoped_trusted_test_root.h"
#include "desktop/windows/installer/utils/installer_event_names.h"
#include "desktop/windows/installer/utils/service_utils.h"
#include "gtest/gtest.h"
#include "testing/build_paths.h"
#include "testing/test_child_process.h"

// Sets the event named after "--event=".
TEST_CHILD_ROLE(set_named_event) {
  const std::wstring command_line = GetCommandLineW();
  const size_t at = command_line.find(L"--event=");
  if (at == std::wstring::npos)
    return 100;
  HANDLE event = OpenEventW(EVENT_MODIFY_STATE, FALSE, command_line.substr(at + 8).c_str());
  if (!event)
    return 101;
  const bool set = SetEvent(event);
  CloseHandle(event);
  return set ? 0 : 102;
}

namespace {

using testing_support::BinFolder;
using testing_support::BuildFile;

class PlantedPackageTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(temp_.CreateUniqueTempDir()); }

  // One of the build's installers with an appended payload, beside the
  // engine it loads.
  base::FilePath Installer(const wchar_t* name) {
    const base::FilePath folder = temp_.GetPath().Append(L"installer");
    EXPECT_TRUE(base::CreateDirectory(folder));
    EXPECT_TRUE(
        base::CopyFile(BuildFile(L"payload_installers", name), folder.Append(L"installer.exe")));
    EXPECT_TRUE(base::CopyFile(BinFolder().Append(L"installer_engine.dll"),
                               folder.Append(L"installer_engine.dll")));
    return folder.Append(L"installer.exe");
  }

  // A package folder holding `archive` as the package.
  base::FilePath PackageFolder(const base::FilePath& archive) {
    const base::FilePath folder = temp_.GetPath().Append(L"package");
    EXPECT_TRUE(base::CreateDirectory(folder));
    EXPECT_TRUE(base::CopyFile(archive, folder.Append(L"tarvo_package")));
    return folder;
  }

  // The archive another program offers: its "installer.exe" is a package
  // program that records that it ran ("launcher").
  static base::FilePath RoguePackage() { return BuildFile(L"rogue_package", L"tarvo_package"); }

  // The waiting backend is let go by another process, not by the runner.
  void ReleaseFromAnotherProcess(TwoProcessHarness* harness) {
    ASSERT_TRUE(harness->WaitForMessage("notify")) << harness->CallsText();
    const std::wstring event = MakeKernelObjectName(harness->install_folder().value(),
                                                    kPackageReadyEventName, /*global=*/true);
    base::Process setter = base::LaunchProcess(
        testing_support::GetTestChildCommandLine("set_named_event", L"--event=" + event),
        base::LaunchOptions());
    int exit_code = -1;
    ASSERT_TRUE(setter.IsValid());
    ASSERT_TRUE(setter.WaitForExitWithTimeout(base::TimeDelta::FromSeconds(60), &exit_code));
    ASSERT_EQ(0, exit_code);
  }

  // The backend of `installer` waits for the package; `planted` is
  // announced by another process, and refused for `why`.
  void ExpectPlantedPackageRefused(const wchar_t* installer, const std::string& why,
                                   const base::FilePath& planted = RoguePackage()) {
    TwoProcessHarness::Options options;
    options.installer = Installer(installer);
    options.package_folder = PackageFolder(planted);
    TwoProcessHarness harness(options);
    ASSERT_EQ(RESULT_SUCCESS, harness.Start());
    ASSERT_NO_FATAL_FAILURE(ReleaseFromAnotherProcess(&harness));
    ASSERT_TRUE(harness.WaitForBackendEnd()) << harness.CallsText();
    EXPECT_EQ(RESULT_GENERAL_FAILURE, harness.backend_result()) << harness.CallsText();
    EXPECT_TRUE(harness.Lines("succeeded").empty()) << harness.CallsText();
    EXPECT_TRUE(harness.Lines("starting_new_main_process").empty()) << harness.CallsText();
    EXPECT_TRUE(harness.ProgramRecords(L"launcher").empty());
    EXPECT_FALSE(base::PathExists(harness.install_folder()));
    EXPECT_NE(std::string::npos, harness.BackendLogs().find("was refused: " + why))
        << harness.BackendLogs();
  }

  base::ScopedTempDir temp_;
};

// An installer that carries its package takes no other, signed or not.
TEST_F(PlantedPackageTest, InstallerCarryingItsPackageRefusesAPlantedOne) {
  ExpectPlantedPackageRefused(L"full_package.exe",
                              "it is not the package this installer carries");
}

// A signed installer takes only a package of the expected signer: the
// planted archive is refused; a package the signer signed is installed.
TEST_F(PlantedPackageTest, SignedInstallerTakesOnlyASignedPackage) {
  ExpectPlantedPackageRefused(L"signed_tracking_data.exe",
                              "its signature is not the expected signer's");
  ASSERT_TRUE(base::DeleteFile(temp_.GetPath(), /*recursive=*/true));
  ASSERT_TRUE(base::CreateDirectory(temp_.GetPath()));

  ScopedTrustedTestRoot root;
  TwoProcessHarness::Options options;
  options.installer = Installer(L"signed_tracking_data.exe");
  options.package_folder =
      PackageFolder(BuildFile(L"payload_installers", L"signed_full_package.exe"));
  TwoProcessHarness harness(options);
  harness.runner().OnPackageReady();
  ASSERT_EQ(RESULT_SUCCESS, harness.Start());
  ASSERT_TRUE(harness.WaitForBackendEnd()) << harness.CallsText();
  const std::string logs = harness.BackendLogs();
  EXPECT_EQ(std::string::npos, logs.find("was refused")) << logs;
  EXPECT_NE(std::string::npos, logs.find("The package carries the expected signature")) << logs;
  // Unpacked and handed over to the installer found in it.
  EXPECT_EQ(1u, harness.Lines("starting_new_main_process").size()) << harness.CallsText();
}

// The signer's own older package is genuine, and still refused: it would
// take the installation back to that version.
TEST_F(PlantedPackageTest, SignedInstallerTakesNoOlderPackageOfItsSigner) {
  ScopedTrustedTestRoot root;
  ExpectPlantedPackageRefused(L"signed_tracking_data.exe",
                              "version 51.0.2701.0: Downloaded item is older than the installer",
                              BuildFile(L"older_packages", L"signed_older.exe"));
}

}  // namespace
