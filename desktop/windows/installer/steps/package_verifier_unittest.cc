#include "desktop/windows/installer/steps/package_verifier.h"

#include <windows.h>

#include <string>

#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/path_service.h"
#include "base/process/launch.h"
#include "base/process/process.h"
#include "desktop/windows/installer/utils/installer_error_record.h"
#include "gtest/gtest.h"
#include "testing/test_child_process.h"

// Another program of the user tries what would swap the package under the
// backend: write into it, rename it away, delete it. The exit code has a
// bit for each that worked (1, 2, 4); 100 without "--path=".
TEST_CHILD_ROLE(tamper_with_package) {
  const std::wstring command_line = GetCommandLineW();
  const size_t at = command_line.find(L"--path=");
  if (at == std::wstring::npos)
    return 100;
  const std::wstring path = command_line.substr(at + 7);
  int worked = 0;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    if (WriteFile(file, "rogue", 5, &written, nullptr) && written == 5)
      worked |= 1;
    CloseHandle(file);
  }
  const std::wstring moved = path + L".moved";
  if (MoveFileExW(path.c_str(), moved.c_str(), 0)) {
    worked |= 2;
    MoveFileExW(moved.c_str(), path.c_str(), 0);
  }
  if (DeleteFileW(path.c_str()))
    worked |= 4;
  return worked;
}

namespace {

base::FilePath TestPackage() {
  base::FilePath bin;
  base::PathService::Get(base::DIR_EXE, &bin);
  return bin.DirName().Append(L"test_package").Append(L"tarvo_package");
}

int TamperFromAnotherProcess(const base::FilePath& path) {
  base::Process process = base::LaunchProcess(
      testing_support::GetTestChildCommandLine("tamper_with_package", L"--path=" + path.value()),
      base::LaunchOptions());
  int exit_code = -1;
  if (!process.IsValid() ||
      !process.WaitForExitWithTimeout(base::TimeDelta::FromSeconds(60), &exit_code)) {
    return -1;
  }
  return exit_code;
}

class PackageVerifierTest : public testing::Test {
 protected:
  PackageVerifierTest() { InitInstallerErrorRecord(); }
  ~PackageVerifierTest() override { FreeInstallerErrorRecord(); }

  void SetUp() override {
    ASSERT_TRUE(temp_.CreateUniqueTempDir());
    archive_ = temp_.GetPath().Append(L"tarvo_package");
  }

  std::string Detail() {
    std::string detail;
    GetInstallerError(nullptr, &detail, nullptr);
    return detail;
  }

  base::ScopedTempDir temp_;
  base::FilePath archive_;
};

// The gap between the check and the unpacking: while the verifier's handle
// is open, no other process can write, rename or delete the package; once
// it is closed they can (the attempt is real).
TEST_F(PackageVerifierTest, NoOtherProcessChangesTheCheckedPackageWhileItIsHeld) {
  ASSERT_TRUE(base::CopyFile(TestPackage(), archive_));
  std::string before;
  ASSERT_TRUE(base::ReadFileToString(archive_, &before));
  {
    PackageVerifierImpl verifier(nullptr, /*signature_required=*/false);
    base::File held;
    ASSERT_TRUE(verifier.OpenVerified(archive_, &held)) << Detail();
    ASSERT_TRUE(held.IsValid());
    EXPECT_EQ(0, TamperFromAnotherProcess(archive_));
    std::string after;
    ASSERT_TRUE(base::ReadFileToString(archive_, &after));
    EXPECT_TRUE(after == before);
  }
  EXPECT_EQ(1 | 2 | 4, TamperFromAnotherProcess(archive_));
}

TEST_F(PackageVerifierTest, RefusalsLeaveNoHandleAndSayWhy) {
  PackageVerifierImpl signed_installer(nullptr, /*signature_required=*/true);
  base::File file;
  EXPECT_FALSE(signed_installer.OpenVerified(archive_, &file));
  EXPECT_EQ("The archive " + archive_.AsUTF8Unsafe() + " does not exist.", Detail());

  ASSERT_TRUE(base::CopyFile(TestPackage(), archive_));
  EXPECT_FALSE(signed_installer.OpenVerified(archive_, &file));
  EXPECT_FALSE(file.IsValid());
  EXPECT_EQ("The package " + archive_.AsUTF8Unsafe() +
                " was refused: its signature is not the expected signer's",
            Detail());
  // Refused, the file is not held: it can go.
  EXPECT_TRUE(base::DeleteFile(archive_, /*recursive=*/false));
}

}  // namespace
