#include "desktop/windows/installer/signature_checker/program_run_policy.h"

#include <windows.h>

#include <string>

#include "base/at_exit.h"
#include "base/base_paths.h"
#include "base/command_line.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/path_service.h"
#include "base/process/launch.h"
#include "base/process/process.h"
#include "base/win/scoped_handle.h"
#include "desktop/windows/installer/signature_checker/signature_checker.h"
#include "desktop/windows/installer/signature_checker/test_support/scoped_trusted_test_root.h"
#include "gtest/gtest.h"
#include "testing/test_child_process.h"

namespace {

// What the child below reports.
enum SwapReport {
  kUnsignedAsLoaded = 0,
  kTookTheFileForTheImage = 1,
  kRefusedAnUnsignedProgram = 2,
  kPathNotSwapped = 3,
  kNoGoSignal = 4,
};

}  // namespace

// An unsigned build whose file has been replaced by a signed one while it
// runs: tells, once "--go" is set, how it judges itself and an unsigned
// "--program".
TEST_CHILD_ROLE(report_signed_build) {
  base::AtExitManager at_exit;
  const base::CommandLine command_line = base::CommandLine::FromString(GetCommandLineW());
  base::win::ScopedHandle ready(OpenEventW(
      EVENT_MODIFY_STATE, FALSE, command_line.GetSwitchValueNative("ready").c_str()));
  base::win::ScopedHandle go(
      OpenEventW(SYNCHRONIZE, FALSE, command_line.GetSwitchValueNative("go").c_str()));
  SetEvent(ready.Get());
  if (WaitForSingleObject(go.Get(), 60000) != WAIT_OBJECT_0)
    return kNoGoSignal;
  base::FilePath own_path;
  bool path_has_table = false;
  if (!base::PathService::Get(base::FILE_EXE, &own_path) ||
      !HasCertificateTable(own_path, &path_has_table) || !path_has_table) {
    return kPathNotSwapped;
  }
  if (RunningImageHasCertificateTable())
    return kTookTheFileForTheImage;
  if (!IsProgramAllowedToRun(command_line.GetSwitchValuePath("program"), nullptr))
    return kRefusedAnUnsignedProgram;
  return kUnsignedAsLoaded;
}

namespace {

// Only files that no trusted root helps are refused here: another test
// shard may trust the test root meanwhile.
TEST(ProgramRunPolicyTest, ASignedInstallerRunsOnlyProgramsOfTheExpectedSigner) {
  for (const wchar_t* name : {L"unsigned.exe", L"selfsigned.exe", L"untrusted.exe", L"tampered.exe"}) {
    std::string error;
    EXPECT_FALSE(IsProgramAllowedToRun(/*installer_signed=*/true, SignedTestFile(name), &error))
        << name;
    EXPECT_FALSE(error.empty()) << name;
    EXPECT_FALSE(IsProgramAllowedToRun(/*installer_signed=*/true, SignedTestFile(name), nullptr))
        << name;
  }
}

TEST(ProgramRunPolicyTest, AnUnsignedBuildRunsWhatItFinds) {
  std::string error;
  EXPECT_TRUE(
      IsProgramAllowedToRun(/*installer_signed=*/false, SignedTestFile(L"selfsigned.exe"), &error));
  EXPECT_TRUE(error.empty());
  // The test executable is such a build.
  EXPECT_TRUE(IsProgramAllowedToRun(SignedTestFile(L"unsigned.exe"), nullptr));
}

// Whether the running installer is signed is what its loaded image says: a
// signed file put at its path while it runs changes nothing.
TEST(ProgramRunPolicyTest, ASignedFileAtTheInstallersPathChangesNothing) {
  base::ScopedTempDir temp;
  ASSERT_TRUE(temp.CreateUniqueTempDir());
  base::FilePath self;
  ASSERT_TRUE(base::PathService::Get(base::FILE_EXE, &self));
  const base::FilePath installer = temp.GetPath().Append(L"installer.exe");
  ASSERT_TRUE(base::CopyFile(self, installer));
  const std::wstring suffix = std::to_wstring(GetCurrentProcessId());
  const std::wstring ready_name = L"Local\\TarvoSwapReady" + suffix;
  const std::wstring go_name = L"Local\\TarvoSwapGo" + suffix;
  base::win::ScopedHandle ready(CreateEventW(nullptr, TRUE, FALSE, ready_name.c_str()));
  base::win::ScopedHandle go(CreateEventW(nullptr, TRUE, FALSE, go_name.c_str()));
  base::CommandLine command_line(installer);
  command_line.AppendArgNative(L"--test-child-role=report_signed_build");
  command_line.AppendSwitchNative("ready", ready_name);
  command_line.AppendSwitchNative("go", go_name);
  command_line.AppendSwitchPath("program", SignedTestFile(L"unsigned.exe"));
  base::Process child = base::LaunchProcess(command_line, base::LaunchOptions());
  ASSERT_TRUE(child.IsValid());
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ready.Get(), 60000));
  // A running program can be renamed; its name is then free for another file.
  ASSERT_TRUE(MoveFileW(installer.value().c_str(),
                        temp.GetPath().Append(L"moved.exe").value().c_str()));
  ASSERT_TRUE(base::CopyFile(SignedTestFile(L"other.exe"), installer));
  SetEvent(go.Get());
  int exit_code = -1;
  ASSERT_TRUE(child.WaitForExitWithTimeout(base::TimeDelta::FromSeconds(60), &exit_code));
  EXPECT_EQ(kUnsignedAsLoaded, exit_code);
}

}  // namespace
