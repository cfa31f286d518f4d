#include "desktop/windows/installer/signature_checker/program_run_policy.h"

#include <string>

#include "base/base_paths.h"
#include "base/path_service.h"
#include "gtest/gtest.h"

namespace {

// Written by make_signed_test_files.sh.
base::FilePath TestFile(const wchar_t* name) {
  base::FilePath exe;
  base::PathService::Get(base::DIR_EXE, &exe);
  return exe.Append(L"signed_test_files").Append(name);
}

// Only files that no trusted root helps are refused here: another test
// shard may trust the test root meanwhile.
TEST(ProgramRunPolicyTest, ASignedInstallerRunsOnlyProgramsOfTheExpectedSigner) {
  const base::FilePath signed_installer = TestFile(L"other.exe");
  for (const wchar_t* name : {L"unsigned.exe", L"selfsigned.exe", L"untrusted.exe", L"tampered.exe"}) {
    std::string error;
    EXPECT_FALSE(IsProgramAllowedToRun(signed_installer, TestFile(name), &error)) << name;
    EXPECT_FALSE(error.empty()) << name;
    EXPECT_FALSE(IsProgramAllowedToRun(signed_installer, TestFile(name), nullptr)) << name;
  }
  // An installer whose own image cannot be read checks as a signed one.
  EXPECT_FALSE(IsProgramAllowedToRun(TestFile(L"missing.exe"), TestFile(L"unsigned.exe"), nullptr));
  EXPECT_FALSE(IsProgramAllowedToRun(base::FilePath(), TestFile(L"unsigned.exe"), nullptr));
}

TEST(ProgramRunPolicyTest, AnUnsignedBuildRunsWhatItFinds) {
  std::string error;
  EXPECT_TRUE(IsProgramAllowedToRun(TestFile(L"unsigned.exe"), TestFile(L"selfsigned.exe"), &error));
  EXPECT_TRUE(error.empty());
  // The test executable is such a build.
  EXPECT_TRUE(IsProgramAllowedToRun(TestFile(L"unsigned.exe"), nullptr));
}

}  // namespace
