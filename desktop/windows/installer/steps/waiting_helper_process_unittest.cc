// The attack on the elevated helper that waits for the package, made for
// real: the helper is a real installer.exe of a signed build, and another
// program of the user puts its own installer.exe (or a genuine one with its
// own engine beside it) into the package folder the helper was told of and
// sets the package-ready event itself. Nothing of it may run; the installer
// and engine of the expected signer must.

#include <windows.h>

#include <string>

#include "base/command_line.h"
#include "base/files/file_enumerator.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/process/launch.h"
#include "base/process/process.h"
#include "base/win/scoped_handle.h"
#include "desktop/windows/installer/signature_checker/test_support/scoped_trusted_test_root.h"
#include "desktop/windows/installer/utils/installer_event_names.h"
#include "desktop/windows/installer/utils/service_utils.h"
#include "gtest/gtest.h"
#include "testing/build_paths.h"
#include "testing/scoped_environment_variable.h"
#include "testing/test_child_process.h"

// Copies every file of "--from" into "--to". (The event is set by the
// role "set_named_event" of the planted-package tests.)
TEST_CHILD_ROLE(plant_files) {
  const base::CommandLine command_line = base::CommandLine::FromString(GetCommandLineW());
  const base::FilePath to = command_line.GetSwitchValuePath("to");
  base::FileEnumerator files(command_line.GetSwitchValuePath("from"), /*recursive=*/false,
                             base::FileEnumerator::FILES);
  for (base::FilePath file = files.Next(); !file.empty(); file = files.Next()) {
    if (!CopyFileW(file.value().c_str(), to.Append(file.BaseName()).value().c_str(), FALSE))
      return 100;
  }
  return 0;
}

namespace {

using testing_support::BuildFile;

constexpr base::TimeDelta kProcessLimit = base::TimeDelta::FromSeconds(60);

base::FilePath SignedInstaller() {
  return BuildFile(L"signed_installer", L"installer.exe");
}

base::FilePath SignedEngine() {
  return BuildFile(L"signed_installer", L"installer_engine.dll");
}

class WaitingHelperProcessTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp_.CreateUniqueTempDir());
    helper_ = Folder(L"helper").Append(L"installer.exe");
    ASSERT_TRUE(base::CopyFile(SignedInstaller(), helper_));
    ASSERT_TRUE(base::CopyFile(SignedEngine(), helper_.DirName().Append(L"installer_engine.dll")));
    install_ = Folder(L"Tarvo");
    package_ = Folder(L"package");
    plant_ = Folder(L"plant");
    records_ = Folder(L"records");
    ready_.Set(CreateEventW(nullptr, TRUE, FALSE, Name(kPackageReadyEventName, true).c_str()));
    interrupted_.Set(
        CreateEventW(nullptr, TRUE, FALSE, Name(kInterruptedEventName, true).c_str()));
    granted_.Set(
        CreateEventW(nullptr, FALSE, FALSE, Name(kGivePermissionEventName, false).c_str()));
    undo_.Set(
        CreateEventW(nullptr, FALSE, FALSE, Name(kGivePermissionUndoEventName, false).c_str()));
    ASSERT_TRUE(ready_.IsValid() && interrupted_.IsValid() && granted_.IsValid() &&
                undo_.IsValid());
  }

  base::FilePath Folder(const wchar_t* name) {
    const base::FilePath folder = temp_.GetPath().Append(name);
    EXPECT_TRUE(base::CreateDirectory(folder));
    return folder;
  }

  std::wstring Name(const wchar_t* event, bool global) {
    return MakeKernelObjectName(install_.value(), event, global);
  }

  // What the other program will plant, under its name in the package.
  void Stage(const base::FilePath& source, const wchar_t* name) {
    ASSERT_TRUE(base::CopyFile(source, plant_.Append(name)));
  }

  // Runs the waiting helper, lets the other program plant what was staged
  // and set the package-ready event, and waits for the helper's end.
  // Whether the folder was granted: only a started installer grants.
  bool RunHelper() {
    base::CommandLine command_line(helper_);
    command_line.AppendSwitchPath("set-folder-permission", install_);
    std::wstring user;
    GetCurrentUserName(&user);
    command_line.AppendSwitchNative("permissions-for-user", user);
    command_line.AppendSwitch("permanent-permissions");
    command_line.AppendSwitchPath("wait-for-package", package_);
    command_line.AppendSwitchASCII("initial-pid", std::to_string(GetCurrentProcessId()));
    // Named, as the backend names its own: no reporter starts (one would
    // outlive the helper for a moment, holding its program).
    command_line.AppendSwitchASCII("crash-reporter-pid", std::to_string(GetCurrentProcessId()));
    base::Process helper = base::LaunchProcess(command_line, base::LaunchOptions());
    EXPECT_TRUE(helper.IsValid());
    EXPECT_EQ(0, testing_support::RunTestChild("plant_files", L"--from=\"" + plant_.value() +
                                                                  L"\" --to=\"" + package_.value() +
                                                                  L"\""));
    EXPECT_EQ(0, testing_support::RunTestChild("set_named_event",
                                               L"--event=" + Name(kPackageReadyEventName, true)));
    int exit_code = -1;
    EXPECT_TRUE(helper.WaitForExitWithTimeout(kProcessLimit, &exit_code));
    EXPECT_EQ(0, exit_code);
    return WaitForSingleObject(granted_.Get(), 0) == WAIT_OBJECT_0;
  }

  bool Recorded(const wchar_t* name) { return base::PathExists(records_.Append(name)); }

  base::ScopedTempDir temp_;
  base::FilePath helper_;
  base::FilePath install_;
  base::FilePath package_;
  base::FilePath plant_;
  base::FilePath records_;
  base::win::ScopedHandle ready_;
  base::win::ScopedHandle interrupted_;
  base::win::ScopedHandle granted_;
  base::win::ScopedHandle undo_;
};

TEST_F(WaitingHelperProcessTest, OnlyTheExpectedSignersInstallerAndEngineRun) {
  ScopedTrustedTestRoot root;
  // The planted programs record their runs here.
  testing_support::ScopedEnvironmentVariable package_records(L"TARVO_PACKAGE_RECORD_DIR",
                                                             records_.value().c_str());
  const std::wstring engine_calls = records_.Append(L"engine.txt").value();
  testing_support::ScopedEnvironmentVariable engine_records(L"TARVO_FAKE_ENGINE_CALLS",
                                                            engine_calls.c_str());

  // A program of the user's own as the packaged installer.
  Stage(BuildFile(L"package_programs", L"launcher.exe"), L"installer.exe");
  Stage(SignedEngine(), L"installer_engine.dll");
  EXPECT_FALSE(RunHelper());
  EXPECT_FALSE(Recorded(L"launcher.txt"));

  // The expected signer's installer, beside an engine of the user's own.
  ResetEvent(ready_.Get());
  Stage(SignedInstaller(), L"installer.exe");
  Stage(BuildFile(L"host_test", L"host_fake_engine.dll"), L"installer_engine.dll");
  EXPECT_FALSE(RunHelper());
  EXPECT_FALSE(Recorded(L"engine.txt"));

  // Both of the expected signer: the packaged installer grants.
  ResetEvent(ready_.Get());
  Stage(SignedEngine(), L"installer_engine.dll");
  EXPECT_TRUE(RunHelper());
  EXPECT_FALSE(Recorded(L"launcher.txt"));
  EXPECT_FALSE(Recorded(L"engine.txt"));
}

}  // namespace
