#include "desktop/windows/installer/steps/package_preparer.h"

#include <memory>
#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/files/file_enumerator.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "desktop/windows/installer/common/file_version_utils.h"
#include "desktop/windows/installer/lzma_util/lzma_util.h"
#include "desktop/windows/installer/package_fetcher/payload_manager_impl.h"
#include "desktop/windows/installer/signature_checker/test_support/scoped_trusted_test_root.h"
#include "desktop/windows/installer/steps/package_verifier.h"
#include "desktop/windows/installer/steps/test_support/fake_step_context.h"
#include "desktop/windows/installer/steps/test_support/operation_only_settings.h"
#include "desktop/windows/installer/utils/installer_error_record.h"
#include "desktop/windows/installer/utils/installer_result.h"
#include "desktop/windows/installer/utils/installer_session.h"
#include "desktop/windows/installer/utils/test_support/scoped_installer_error_record.h"
#include "gtest/gtest.h"
#include "testing/build_paths.h"

namespace {

using testing_support::BinFile;
using testing_support::BuildFile;

// A package archive without a version resource, like the test package.
class NoResourceVersionUtils : public FileVersionUtils {
 public:
  bool GetVersionFromResources(const base::FilePath&, base::Version*, base::Version*,
                               std::string*) override {
    return SetInstallerError(RESULT_GENERAL_FAILURE, "No file version in the package",
                             std::wstring());
  }
  bool GetVersionFromExeOutput(const base::FilePath&, base::Version*, base::Version*,
                               std::string*) override {
    return false;
  }
};

std::string ReadTestArchive(const wchar_t* name) {
  std::string contents;
  EXPECT_TRUE(base::ReadFileToString(BinFile(L"lzma_test_data", name), &contents));
  return contents;
}

class PackagePreparerTest : public testing::Test, public PackagePreparer::Delegate {
 protected:
  PackagePreparerTest() : settings_(INSTALL_OPERATION_INSTALL), context_(&settings_) {}

  void SetUp() override {
    ASSERT_TRUE(temp_.CreateUniqueTempDir());
    context_.package_folder = temp_.GetPath().Append(L"package");
    context_.base_install_folder = temp_.GetPath().Append(L"Tarvo");
    ASSERT_TRUE(base::CreateDirectory(context_.package_folder));
    ASSERT_TRUE(base::CreateDirectory(context_.base_install_folder));
  }

  void UsePackage(const base::FilePath& archive) {
    ASSERT_TRUE(base::CopyFile(archive, context_.package_folder.Append(L"tarvo_package")));
  }

  std::unique_ptr<PackagePreparer> MakePreparer() {
    return std::make_unique<PackagePreparer>(
        std::make_unique<NoResourceVersionUtils>(), std::make_unique<LzmaUtil>(),
        std::make_unique<PackageVerifierImpl>(payload_, signature_required_), &context_, this);
  }

  bool Prepare() { return MakePreparer()->Prepare(&command_line_); }

  std::string Error(uint32_t* code = nullptr, std::wstring* message = nullptr) {
    std::string detail;
    GetInstallerError(code, &detail, message);
    return detail;
  }

  // Every file below the base install folder.
  size_t FilesInstalled() {
    size_t count = 0;
    base::FileEnumerator files(context_.base_install_folder, /*recursive=*/true,
                               base::FileEnumerator::FILES);
    while (!files.Next().empty())
      ++count;
    return count;
  }

  // PackagePreparer::Delegate.
  void OnFilesToUnpackCounted(size_t count) override {
    events_.push_back("count " + std::to_string(count));
  }
  void OnUnpackProgressChanged(const std::string& name, size_t count) override {
    events_.push_back(name + " " + std::to_string(count));
  }

  ScopedInstallerErrorRecord error_record_;
  base::ScopedTempDir temp_;
  OperationOnlySettings settings_;
  FakeStepContext context_;
  base::CommandLine command_line_{base::FilePath(L"installer.exe")};
  std::vector<std::string> events_;
  // What the verifier knows of the running installer.
  const PayloadManager* payload_ = nullptr;
  bool signature_required_ = false;
};

TEST_F(PackagePreparerTest, UnpacksIntoTheNextFreeVersionFolderAndRollsBack) {
  UsePackage(BuildFile(L"test_package", L"tarvo_package"));
  // Broken earlier attempts hold the version's folder and its "_0".
  ASSERT_TRUE(base::CreateDirectory(context_.base_install_folder.Append(L"51.0.2802.0")));
  ASSERT_TRUE(base::CreateDirectory(context_.base_install_folder.Append(L"51.0.2802.0_0")));
  ASSERT_TRUE(Prepare()) << Error();
  EXPECT_EQ(L"51.0.2802.0_1", command_line_.GetSwitchValueNative("install-subfolder"));
  const base::FilePath folder = context_.base_install_folder.Append(L"51.0.2802.0_1");
  EXPECT_TRUE(base::PathExists(folder.Append(L"installer.exe")));
  EXPECT_TRUE(base::PathExists(folder.Append(L"resources").Append(L"en.txt")));
  ASSERT_FALSE(events_.empty());
  EXPECT_EQ(0u, events_[0].find("count "));
  EXPECT_EQ("direct_unpacking 0", events_[1]);

  context_.GetTransaction()->Rollback();
  EXPECT_FALSE(base::PathExists(folder));
  EXPECT_EQ(0u, FilesInstalled());
}

// The road of an installer that carries its package: the payload is
// written to the package folder and unpacked into the versioned folder once
// the backend found it to be its own payload.
TEST_F(PackagePreparerTest, InstallerWithAppendedPackageReachesTheVersionedFolder) {
  for (const wchar_t* installer : {L"full_package.exe", L"signed_full_package.exe"}) {
    PayloadManagerImpl payload(BuildFile(L"payload_installers", installer));
    ASSERT_EQ(PAYLOAD_TYPE_FULL_PACKAGE, payload.GetPayloadType());
    payload_ = &payload;
    ASSERT_TRUE(payload.WritePayloadToFile(context_.package_folder.Append(L"tarvo_package")));
    command_line_ = base::CommandLine(base::FilePath(L"installer.exe"));
    ASSERT_TRUE(Prepare()) << Error();
    const base::FilePath folder = context_.base_install_folder.Append(
        command_line_.GetSwitchValueNative("install-subfolder"));
    EXPECT_TRUE(base::PathExists(folder.Append(L"installer.exe")));
    EXPECT_TRUE(base::PathExists(folder.Append(L"installer_engine.dll")));
    EXPECT_TRUE(base::PathExists(folder.Append(L"files_list")));
    context_.GetTransaction()->Rollback();
  }
  payload_ = nullptr;
}

// What a program of the user may put into the package folder (and announce
// with the package-ready event): an installer that carries its package
// unpacks nothing but those very bytes, not an intact archive of another
// kind, not its own package with one byte changed.
TEST_F(PackagePreparerTest, InstallerWithAppendedPackageRefusesAnyOtherArchive) {
  PayloadManagerImpl payload(BuildFile(L"payload_installers", L"full_package.exe"));
  ASSERT_EQ(PAYLOAD_TYPE_FULL_PACKAGE, payload.GetPayloadType());
  payload_ = &payload;
  const base::FilePath archive = context_.package_folder.Append(L"tarvo_package");
  std::string changed(payload.GetFullPackage());
  changed.back() ^= 1;
  for (const std::string& planted :
       {ReadTestArchive(L"folders.7z"), ReadTestArchive(L"whole.7z"), changed}) {
    ASSERT_TRUE(base::WriteFile(archive, planted));
    command_line_ = base::CommandLine(base::FilePath(L"installer.exe"));
    EXPECT_FALSE(Prepare());
    uint32_t code = 0;
    const std::string detail = Error(&code);
    EXPECT_EQ(1u, code);
    EXPECT_NE(std::string::npos, detail.find("was refused: it is not the package this installer "
                                             "carries\nCannot unpack the installer"))
        << detail;
    context_.GetTransaction()->Rollback();
    EXPECT_EQ(0u, FilesInstalled());
    EXPECT_TRUE(base::IsDirectoryEmpty(context_.base_install_folder));
    EXPECT_TRUE(events_.empty());
  }
  payload_ = nullptr;
}

// A signed installer that carries no package unpacks only what the
// expected signer signed: the build's unsigned test package is refused, an
// installer signed by the expected signer that carries the package (a
// signed executable with the archive inside, as the update service serves
// packages) is unpacked.
TEST_F(PackagePreparerTest, SignedInstallerUnpacksOnlyASignedPackage) {
  signature_required_ = true;
  UsePackage(BuildFile(L"test_package", L"tarvo_package"));
  EXPECT_FALSE(Prepare());
  EXPECT_NE(std::string::npos, Error().find("was refused: its signature is not the expected "
                                            "signer's"))
      << Error();
  context_.GetTransaction()->Rollback();
  EXPECT_EQ(0u, FilesInstalled());

  ScopedTrustedTestRoot root;
  const base::FilePath archive = context_.package_folder.Append(L"tarvo_package");
  ASSERT_TRUE(base::DeleteFile(archive, /*recursive=*/false));
  UsePackage(BuildFile(L"payload_installers", L"signed_full_package.exe"));
  command_line_ = base::CommandLine(base::FilePath(L"installer.exe"));
  ASSERT_TRUE(Prepare()) << Error();
  const base::FilePath folder = context_.base_install_folder.Append(
      command_line_.GetSwitchValueNative("install-subfolder"));
  EXPECT_TRUE(base::PathExists(folder.Append(L"installer.exe")));
  context_.GetTransaction()->Rollback();
}

// A signed package without a version of its own: what it unpacks is
// judged before anything of it runs, and an older installer stops the
// preparation; what was unpacked goes with the rollback.
TEST_F(PackagePreparerTest, SignedPackageWithoutVersionStopsAtAnOlderInstaller) {
  signature_required_ = true;
  ScopedTrustedTestRoot root;
  UsePackage(BuildFile(L"older_packages", L"signed_unversioned.exe"));
  EXPECT_FALSE(Prepare());
  EXPECT_NE(std::string::npos, Error().find("was refused: its installer's version 51.0.2701.0"))
      << Error();
  context_.GetTransaction()->Rollback();
  EXPECT_EQ(0u, FilesInstalled());
}

TEST_F(PackagePreparerTest, PackageVersionFileNamesTheFolderOrStopsBeforeAnyFolder) {
  UsePackage(BuildFile(L"test_package", L"tarvo_package"));
  ASSERT_TRUE(base::WriteFile(context_.package_folder.Append(L"package_version"), "1.2.3.4"));
  ASSERT_TRUE(Prepare()) << Error();
  EXPECT_EQ(L"1.2.3.4", command_line_.GetSwitchValueNative("install-subfolder"));
  context_.GetTransaction()->Rollback();

  command_line_ = base::CommandLine(base::FilePath(L"installer.exe"));
  ASSERT_TRUE(base::WriteFile(context_.package_folder.Append(L"package_version"), "..\\..\\x"));
  EXPECT_FALSE(Prepare());
  uint32_t code = 0;
  EXPECT_EQ("Invalid package version found in package folder ..\\..\\x\n"
            "Cannot create subfolder for package.",
            Error(&code));
  EXPECT_EQ(6u, code);
  EXPECT_TRUE(base::IsDirectoryEmpty(context_.base_install_folder));
  EXPECT_FALSE(command_line_.HasSwitch("install-subfolder"));
}

TEST_F(PackagePreparerTest, UninstallAndRepairMakeNoFolder) {
  for (InstallOperation operation :
       {INSTALL_OPERATION_UNINSTALL, INSTALL_OPERATION_FIX_DOWNLOADABLE_RESOURCES}) {
    settings_.set_operation(operation);
    base::CommandLine command_line(base::FilePath(L"installer.exe"));
    // Nothing to prepare from: an uninstall fails at the unpacking, a repair
    // never unpacks.
    EXPECT_EQ(operation == INSTALL_OPERATION_FIX_DOWNLOADABLE_RESOURCES,
              MakePreparer()->Prepare(&command_line));
    EXPECT_FALSE(command_line.HasSwitch("install-subfolder"));
    EXPECT_TRUE(base::IsDirectoryEmpty(context_.base_install_folder));
  }
}

// A repair leaves the installed files as they are, even with a package at
// hand: the package's files never replace them, and a failed repair takes
// none of them away.
TEST_F(PackagePreparerTest, RepairDoesNotUnpackOverTheInstallation) {
  settings_.set_operation(INSTALL_OPERATION_FIX_DOWNLOADABLE_RESOURCES);
  UsePackage(BuildFile(L"test_package", L"tarvo_package"));
  context_.install_folder = context_.base_install_folder.Append(L"51.0.2802.0");
  ASSERT_TRUE(base::CreateDirectory(context_.install_folder));
  ASSERT_TRUE(base::WriteFile(context_.install_folder.Append(L"installer.exe"), "installed"));
  ASSERT_TRUE(Prepare()) << Error();
  EXPECT_EQ(1u, FilesInstalled());
  context_.GetTransaction()->Rollback();
  std::string contents;
  ASSERT_TRUE(base::ReadFileToString(context_.install_folder.Append(L"installer.exe"), &contents));
  EXPECT_EQ("installed", contents);
  EXPECT_TRUE(events_.empty());
}

TEST_F(PackagePreparerTest, AGivenSubfolderMustBeAPlainName) {
  UsePackage(BuildFile(L"test_package", L"tarvo_package"));
  command_line_.AppendSwitchNative("install-subfolder", L"..\\..\\Windows");
  EXPECT_FALSE(Prepare());
  uint32_t code = 0;
  EXPECT_EQ(0u, Error(&code).find("Invalid install subfolder: ..\\..\\Windows"));
  EXPECT_EQ(1u, code);
  EXPECT_EQ(0u, FilesInstalled());
}

TEST_F(PackagePreparerTest, UnpackFailureLeavesNothingAfterRollback) {
  UsePackage(BinFile(L"lzma_test_data", L"corrupt_block.7z"));
  EXPECT_FALSE(Prepare());
  uint32_t code = 0;
  std::wstring message;
  const std::string detail = Error(&code, &message);
  EXPECT_EQ(0u, detail.find("Unpack archive operation failed\n"));
  EXPECT_NE(std::string::npos, detail.find("Cannot unpack the installer"));
  EXPECT_EQ(1u, code);
  EXPECT_EQ(context_.package_folder.Append(L"tarvo_package").value(), message);
  context_.GetTransaction()->Rollback();
  EXPECT_TRUE(base::IsDirectoryEmpty(context_.base_install_folder));
}

TEST_F(PackagePreparerTest, CopiesFromAnUnpackedPackageOneUnitPerFile) {
  base::CommandLine session_command_line =
      base::CommandLine::FromString(L"installer.exe --backend --inside-package");
  ScopedInstallerSessionForTesting session(
      std::make_unique<InstallerSession>(&session_command_line));
  const base::FilePath package = context_.package_folder;
  ASSERT_TRUE(base::WriteFile(package.Append(L"files_list"), "a.dll\r\nsub\\b.dll\r\n"));
  ASSERT_TRUE(base::WriteFile(package.Append(L"root_files_list"), "root.xml\r\n"));
  for (const wchar_t* name : {L"a.dll", L"root.xml", L"launcher.exe"})
    ASSERT_TRUE(base::WriteFile(package.Append(name), "x"));
  ASSERT_TRUE(base::CreateDirectory(package.Append(L"sub")));
  ASSERT_TRUE(base::WriteFile(package.Append(L"sub").Append(L"b.dll"), "x"));

  ASSERT_TRUE(Prepare()) << Error();
  EXPECT_EQ((std::vector<std::string>{"count 6", "direct_unpacking 0", "direct_unpacking 1",
                                      "direct_unpacking 2", "direct_unpacking 3",
                                      "direct_unpacking 4", "direct_unpacking 5"}),
            events_);
  EXPECT_EQ(6u, FilesInstalled());

  // A listed file that is missing fails with its target as the message.
  context_.GetTransaction()->Rollback();
  events_.clear();
  command_line_ = base::CommandLine(base::FilePath(L"installer.exe"));
  ASSERT_TRUE(base::DeleteFile(package.Append(L"launcher.exe"), /*recursive=*/false));
  EXPECT_FALSE(Prepare());
  uint32_t code = 0;
  std::wstring message;
  EXPECT_EQ(0u, Error(&code, &message).find("Cannot copy package file 'launcher.exe'\n"));
  EXPECT_EQ(10u, code);
  EXPECT_EQ(L"launcher.exe", base::FilePath(message).BaseName().value());
  context_.GetTransaction()->Rollback();
  EXPECT_EQ(0u, FilesInstalled());

  // An entry that leaves the folder is refused before anything is copied.
  ASSERT_TRUE(base::WriteFile(package.Append(L"files_list"), "a.dll\r\n..\\..\\evil.dll\r\n"));
  EXPECT_FALSE(Prepare());
  EXPECT_NE(std::string::npos, Error().find("Cannot read debug files list"));
  context_.GetTransaction()->Rollback();
  EXPECT_EQ(0u, FilesInstalled());
}

}  // namespace
