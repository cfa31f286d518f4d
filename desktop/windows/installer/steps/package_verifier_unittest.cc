#include "desktop/windows/installer/steps/package_verifier.h"

#include <windows.h>

#include <string>

#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/process/launch.h"
#include "base/process/process.h"
#include "desktop/windows/installer/signature_checker/test_support/scoped_trusted_test_root.h"
#include "desktop/windows/installer/utils/test_support/scoped_installer_error_record.h"
#include "gtest/gtest.h"
#include "testing/build_paths.h"
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

using testing_support::BuildFile;

base::FilePath TestPackage() {
  return BuildFile(L"test_package", L"tarvo_package");
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
  void SetUp() override {
    ASSERT_TRUE(temp_.CreateUniqueTempDir());
    archive_ = temp_.GetPath().Append(L"tarvo_package");
  }

  ScopedInstallerErrorRecord error_record_;
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
    ASSERT_TRUE(verifier.OpenVerified(archive_, &held)) << error_record_.detail();
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
  EXPECT_EQ("The archive " + archive_.AsUTF8Unsafe() + " does not exist.", error_record_.detail());

  ASSERT_TRUE(base::CopyFile(TestPackage(), archive_));
  EXPECT_FALSE(signed_installer.OpenVerified(archive_, &file));
  EXPECT_FALSE(file.IsValid());
  EXPECT_EQ("The package " + archive_.AsUTF8Unsafe() +
                " was refused: its signature is not the expected signer's",
            error_record_.detail());
  // Refused, the file is not held: it can go.
  EXPECT_TRUE(base::DeleteFile(archive_, /*recursive=*/false));
}

// The signer's own older packages are genuine too: a signed installer
// takes none older than itself, nor one of another stream, as its fetcher
// would not. Its own version passes.
TEST_F(PackageVerifierTest, ASignedInstallerTakesNoOlderOrForeignPackageOfItsSigner) {
  ScopedTrustedTestRoot root;
  PackageVerifierImpl verifier(nullptr, /*signature_required=*/true);
  base::File file;
  ASSERT_TRUE(base::CopyFile(BuildFile(L"older_packages", L"signed_older.exe"), archive_));
  EXPECT_FALSE(verifier.OpenVerified(archive_, &file));
  EXPECT_FALSE(file.IsValid());
  EXPECT_EQ("The package " + archive_.AsUTF8Unsafe() +
                " was refused: version 51.0.2701.0: Downloaded item is older than the installer",
            error_record_.detail());

  ASSERT_TRUE(base::CopyFile(BuildFile(L"older_packages", L"signed_other_stream.exe"), archive_));
  EXPECT_FALSE(verifier.OpenVerified(archive_, &file));
  EXPECT_NE(std::string::npos, error_record_.detail().find(
                                   "Downloaded item is of a different stream than the installer"));

  ASSERT_TRUE(
      base::CopyFile(BuildFile(L"payload_installers", L"signed_full_package.exe"), archive_));
  EXPECT_TRUE(verifier.OpenVerified(archive_, &file)) << error_record_.detail();
  EXPECT_TRUE(verifier.VerifyUnpacked(temp_.GetPath()));
}

// A signed package without a version of its own is judged by the
// installer.exe it unpacks, before that runs.
TEST_F(PackageVerifierTest, AnUnversionedSignedPackageIsJudgedByItsInstaller) {
  ScopedTrustedTestRoot root;
  PackageVerifierImpl verifier(nullptr, /*signature_required=*/true);
  base::File file;
  ASSERT_TRUE(base::CopyFile(BuildFile(L"older_packages", L"signed_unversioned.exe"), archive_));
  ASSERT_TRUE(verifier.OpenVerified(archive_, &file)) << error_record_.detail();
  const base::FilePath unpacked = temp_.GetPath().Append(L"unpacked");
  ASSERT_TRUE(base::CreateDirectory(unpacked));
  EXPECT_FALSE(verifier.VerifyUnpacked(unpacked));
  EXPECT_EQ("The package " + archive_.AsUTF8Unsafe() +
                " was refused: the version of its installer cannot be read",
            error_record_.detail());
  ASSERT_TRUE(base::CopyFile(BuildFile(L"older_packages", L"older_installer.exe"),
                             unpacked.Append(L"installer.exe")));
  EXPECT_FALSE(verifier.VerifyUnpacked(unpacked));
  EXPECT_NE(std::string::npos, error_record_.detail().find("its installer's version 51.0.2701.0"))
      << error_record_.detail();
  ASSERT_TRUE(
      base::CopyFile(BuildFile(L"bin", L"installer.exe"), unpacked.Append(L"installer.exe")));
  EXPECT_TRUE(verifier.VerifyUnpacked(unpacked)) << error_record_.detail();
}

}  // namespace
