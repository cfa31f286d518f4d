#include <windows.h>

#include <memory>
#include <string>

#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/checksum_checker/downloadable_resources.h"
#include "desktop/windows/installer/service/transactions/test_support/scratch_snapshot.h"
#include "desktop/windows/installer/settings/test_support/fake_settings.h"
#include "desktop/windows/installer/steps/copy_file_step.h"
#include "desktop/windows/installer/steps/delete_file_step.h"
#include "desktop/windows/installer/steps/delete_minimal_install_file_step.h"
#include "desktop/windows/installer/steps/install_helper_step.h"
#include "desktop/windows/installer/steps/move_file_step.h"
#include "desktop/windows/installer/steps/test_support/step_folder_test.h"
#include "desktop/windows/installer/steps/verify_downloadable_resources_step.h"
#include "desktop/windows/installer/steps/verify_package_contents_step.h"
#include "gtest/gtest.h"

namespace {

using Files = std::vector<base::FilePath>;

class FileStepsTest : public StepFolderTest {
 protected:
  void SetUp() override {
    StepFolderTest::SetUp();
    if (HasFatalFailure())
      return;
    ASSERT_TRUE(base::CreateDirectory(context_->install_folder));
  }
  void TearDown() override { InstallHelperStep::SetIsNativeX64ForTesting(nullptr); }

  bool Exists(const std::wstring& relative) { return base::PathExists(Path(relative)); }
};

TEST_F(FileStepsTest, CopySucceedingOnTheSecondRunReportsOneRetryAndRecordsOnce) {
  CopyPackageFileStep step("sub\\a.dll", context_.get());
  EXPECT_EQ(step.name(), "copy_file:sub\\a.dll");
  StepResult first = step.Run(0);
  EXPECT_EQ(first.status, STEP_RETRY_THEN_FAIL);
  EXPECT_EQ(first.code, RESULT_FILE_COPY_FAILED);
  EXPECT_EQ(first.message, Path(L"root\\1.0\\sub\\a.dll").value());
  EXPECT_EQ(first.detail.rfind("Failed copying sub\\a.dll to " +
                                   Path(L"root\\1.0\\sub\\a.dll").AsUTF8Unsafe() +
                                   " because of error: The source file ",
                               0),
            0u)
      << first.detail;
  EXPECT_TRUE(context_->events.empty());
  EXPECT_TRUE(Status().files.empty());

  Write(L"pkg\\sub\\a.dll", "lib");
  EXPECT_EQ(step.Run(1).status, STEP_OK);
  EXPECT_EQ(context_->events, std::vector<std::string>{"file_copy_retry"});
  EXPECT_EQ(Status().files, Files{base::FilePath(L"sub\\a.dll")});
  EXPECT_EQ(Read(L"root\\1.0\\sub\\a.dll"), "lib");
  // The same file copied again by a later list (the extra list) is not
  // recorded twice.
  CopyPackageFileStep again("SUB/a.dll", context_.get());
  EXPECT_EQ(again.Run(0).status, STEP_OK);
  EXPECT_EQ(Status().files.size(), 1u);
}

TEST_F(FileStepsTest, ReplacedDestinationComesBackOnRollback) {
  Write(L"pkg\\a.dll", "new");
  Write(L"root\\1.0\\a.dll", "old");
  const auto before = Snapshot();
  CopyPackageFileStep step("a.dll", context_.get());
  ASSERT_EQ(step.Run(0).status, STEP_OK);
  EXPECT_EQ(Read(L"root\\1.0\\a.dll"), "new");
  RollBack();
  EXPECT_EQ(Snapshot(), before);

  // A destination held open without delete sharing cannot be replaced: the
  // step asks for a retry and the old file stays.
  HANDLE held = ::CreateFileW(Path(L"root\\1.0\\a.dll").value().c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                              nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  StepResult result = step.Run(0);
  ::CloseHandle(held);
  EXPECT_EQ(result.status, STEP_RETRY_THEN_FAIL);
  EXPECT_NE(result.detail.find("Cannot delete the already existing file"), std::string::npos)
      << result.detail;
  EXPECT_EQ(Snapshot(), before);
}

// An installation repaired by its own installer: the package folder is the
// versioned folder, and each file is already where it would be copied. It
// stays as it is, even when held like a running program's image (which
// cannot be moved aside), and counts as copied.
TEST_F(FileStepsTest, CopyOntoItselfLeavesTheFileInPlace) {
  Write(L"root\\1.0\\installer.exe", "running");
  Write(L"root\\1.0\\sub\\a.dll", "lib");
  const auto before = Snapshot();
  HANDLE held = ::CreateFileW(Path(L"root\\1.0\\installer.exe").value().c_str(), GENERIC_READ,
                              FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  // Spelled differently: another case and a "." component.
  for (const wchar_t* package : {L"root\\1.0", L"ROOT\\.\\1.0"}) {
    context_->package_folder = Path(package);
    CopyPackageFileStep self("installer.exe", context_.get());
    EXPECT_EQ(self.Run(0).status, STEP_OK) << package;
    CopyPackageFileStep nested("sub\\a.dll", context_.get());
    EXPECT_EQ(nested.Run(0).status, STEP_OK) << package;
  }
  ::CloseHandle(held);
  EXPECT_EQ(Snapshot(), before);
  EXPECT_EQ(Status().files,
            (Files{base::FilePath(L"installer.exe"), base::FilePath(L"sub\\a.dll")}));
  RollBack();
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(FileStepsTest, LauncherOfAPreparedPackageMovesToTheRootOnly) {
  context_->has_package_dir = true;
  Write(L"root\\1.0\\launcher.exe", "launcher");
  const auto before = Snapshot();
  CopyLauncherStep step(context_.get());
  EXPECT_EQ(step.name(), "copy_file:launcher.exe");
  ASSERT_EQ(step.Run(0).status, STEP_OK);
  EXPECT_EQ(Read(L"root\\launcher.exe"), "launcher");
  EXPECT_FALSE(Exists(L"root\\1.0\\launcher.exe"));
  EXPECT_TRUE(Status().files.empty());
  RollBack();
  EXPECT_EQ(Snapshot(), before);

  ASSERT_EQ(step.Run(0).status, STEP_OK);
  Commit();
  auto after = Snapshot();
  EXPECT_EQ(after[L"root\\launcher.exe"], "file:rw:launcher");
  // No ".old" left anywhere.
  EXPECT_EQ(after.size(), before.size());
}

TEST_F(FileStepsTest, LauncherFromThePackageFolderWhenNotPrepared) {
  Write(L"pkg\\launcher.exe", "launcher");
  CopyLauncherStep step(context_.get());
  ASSERT_EQ(step.Run(0).status, STEP_OK);
  EXPECT_EQ(Read(L"root\\launcher.exe"), "launcher");
  EXPECT_TRUE(Exists(L"pkg\\launcher.exe"));
}

TEST_F(FileStepsTest, PrefDefaultOverridesAreCopiedOnlyWhenTheyHoldJson) {
  CopyPrefDefaultOverridesStep step(context_.get());
  EXPECT_EQ(step.name(), "copy_file:pref_default_overrides");
  EXPECT_EQ(step.Run(0).status, STEP_OK);
  EXPECT_FALSE(Exists(L"root\\pref_default_overrides"));

  Write(L"pkg\\pref_default_overrides", "{not json");
  EXPECT_EQ(step.Run(0).status, STEP_OK);
  EXPECT_FALSE(Exists(L"root\\pref_default_overrides"));
  EXPECT_TRUE(context_->GetTransaction()->empty());

  Write(L"pkg\\pref_default_overrides", R"({"a": 1})");
  EXPECT_EQ(step.Run(0).status, STEP_OK);
  EXPECT_EQ(Read(L"root\\pref_default_overrides"), R"({"a": 1})");
  EXPECT_TRUE(Status().files.empty());

  // Not required: a copy that fails is given up after its retries.
  ASSERT_TRUE(base::CreateDirectory(Path(L"root\\pref_default_overrides.blocker")));
  context_->settings_install_folder = Path(L"file_as_root");
  Write(L"file_as_root", "a file where the root folder should be");
  StepResult failed = step.Run(1);
  EXPECT_EQ(failed.status, STEP_RETRY_THEN_IGNORE);
  EXPECT_EQ(failed.code, RESULT_FILE_COPY_FAILED);
}

TEST_F(FileStepsTest, RootFileMoveIsRecordedAmongRootFiles) {
  Write(L"root\\1.0\\extra\\root.dll", "root");
  const auto before = Snapshot();
  MoveFileStep step("extra\\root.dll", context_.get());
  EXPECT_EQ(step.name(), "move_file");
  ASSERT_EQ(step.Run(0).status, STEP_OK);
  EXPECT_EQ(Read(L"root\\extra\\root.dll"), "root");
  EXPECT_EQ(Status().root_files, Files{base::FilePath(L"extra\\root.dll")});
  EXPECT_TRUE(Status().files.empty());
  RollBack();
  EXPECT_EQ(Snapshot(), before);

  StepResult failed = MoveFileStep("missing.dll", context_.get()).Run(0);
  EXPECT_EQ(failed.status, STEP_RETRY_THEN_FAIL);
  EXPECT_EQ(failed.code, RESULT_FILE_COPY_FAILED);
  EXPECT_EQ(failed.message, Path(L"root").value());
  EXPECT_EQ(failed.detail.rfind("Failed moving missing.dll to " + Path(L"root").AsUTF8Unsafe() +
                                    " because of error: Could not move the file: ",
                                0),
            0u)
      << failed.detail;
}

TEST_F(FileStepsTest, ListFileDeletionRollsBackAndReportsAFailure) {
  Write(L"root\\1.0\\files_list", "a.dll");
  const auto before = Snapshot();
  DeleteFileStep step(Path(L"root\\1.0\\files_list"), context_.get());
  EXPECT_EQ(step.name(), "delete_file_step");
  ASSERT_EQ(step.Run(0).status, STEP_OK);
  EXPECT_FALSE(Exists(L"root\\1.0\\files_list"));
  RollBack();
  EXPECT_EQ(Snapshot(), before);

  HANDLE held = ::CreateFileW(Path(L"root\\1.0\\files_list").value().c_str(), GENERIC_READ,
                              FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  StepResult failed = step.Run(0);
  ::CloseHandle(held);
  EXPECT_EQ(failed.status, STEP_RETRY_THEN_FAIL);
  EXPECT_EQ(failed.code, RESULT_GENERAL_FAILURE);
  EXPECT_EQ(failed.detail, "Cannot delete file " + Path(L"root\\1.0\\files_list").AsUTF8Unsafe());
}

TEST_F(FileStepsTest, HelperOfAPreparedPackageOnX64DropsThe32BitOne) {
  InstallHelperStep::SetIsNativeX64ForTesting([] { return true; });
  context_->has_package_dir = true;
  Write(L"root\\1.0\\installer_helper.exe", "32");
  Write(L"root\\1.0\\installer_helper_64.exe", "64");
  // As the copy steps of the package's file list recorded them.
  Status().files = {base::FilePath(L"tarvo.exe"), base::FilePath(L"Installer_Helper.exe"),
                    base::FilePath(L"installer_helper_64.exe")};
  const auto before = Snapshot();
  InstallHelperStep step(context_.get());
  ASSERT_EQ(step.Run(0).status, STEP_OK);
  EXPECT_EQ(Status().files, (Files{base::FilePath(L"tarvo.exe"),
                                   base::FilePath(L"installer_helper_64.exe")}));
  EXPECT_FALSE(Exists(L"root\\1.0\\installer_helper.exe"));
  RollBack();
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(FileStepsTest, HelperOn32BitMachinesAndFromThePackageFolder) {
  InstallHelperStep::SetIsNativeX64ForTesting([] { return false; });
  context_->has_package_dir = true;
  Write(L"root\\1.0\\installer_helper.exe", "32");
  InstallHelperStep prepared(context_.get());
  ASSERT_EQ(prepared.Run(0).status, STEP_OK);
  EXPECT_EQ(Status().files, Files{base::FilePath(L"installer_helper.exe")});
  EXPECT_TRUE(Exists(L"root\\1.0\\installer_helper.exe"));

  // Not prepared: copied from the package; a missing helper is given up
  // and nothing is recorded.
  Status().files.clear();
  context_->has_package_dir = false;
  InstallHelperStep::SetIsNativeX64ForTesting([] { return true; });
  InstallHelperStep copied(context_.get());
  StepResult missing = copied.Run(0);
  EXPECT_EQ(missing.status, STEP_RETRY_THEN_IGNORE);
  EXPECT_TRUE(Status().files.empty());
  Write(L"pkg\\installer_helper_64.exe", "64");
  ASSERT_EQ(copied.Run(1).status, STEP_OK);
  EXPECT_EQ(Read(L"root\\1.0\\installer_helper_64.exe"), "64");
  EXPECT_EQ(Status().files, Files{base::FilePath(L"installer_helper_64.exe")});
}

// Every downloadable resource's file below `folder`, as the table names it.
void WriteAllResources(const base::FilePath& folder, const std::string& contents) {
  for (const DownloadableResource& resource : GetDownloadableResources()) {
    std::string path;
    ASSERT_TRUE(DecodeResourcePath(resource, &path));
    const base::FilePath file = folder.Append(base::FilePath::FromUTF8Unsafe(path));
    ASSERT_TRUE(base::CreateDirectory(file.DirName()));
    ASSERT_TRUE(base::WriteFile(file, contents));
  }
}

TEST_F(FileStepsTest, MinimalInstallMarkerGoesOnlyWhenEveryResourceIsThere) {
  Write(L"root\\1.0\\minimal_install", "");
  WriteAllResources(context_->install_folder, "x");
  std::string first;
  ASSERT_TRUE(DecodeResourcePath(GetDownloadableResources().back(), &first));
  const base::FilePath last =
      context_->install_folder.Append(base::FilePath::FromUTF8Unsafe(first));
  ASSERT_TRUE(base::DeleteFile(last, false));
  DeleteMinimalInstallFileStep step(context_.get());
  EXPECT_EQ(step.name(), "remove_minimal_install_file");
  EXPECT_EQ(step.Run(0).status, STEP_OK);
  EXPECT_TRUE(Exists(L"root\\1.0\\minimal_install"));

  ASSERT_TRUE(base::WriteFile(last, "x"));
  const auto before = Snapshot();
  EXPECT_EQ(step.Run(0).status, STEP_OK);
  EXPECT_FALSE(Exists(L"root\\1.0\\minimal_install"));
  RollBack();
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(FileStepsTest, DownloadableResourcesAreReadOnlyForAMinimalInstall) {
  // Every resource present with wrong contents: any read would fail.
  WriteAllResources(context_->package_folder, "wrong");
  VerifyDownloadableResourcesStep step(context_.get());
  EXPECT_EQ(step.name(), "verify_downloadable_resources");
  EXPECT_EQ(step.Run(0).status, STEP_OK);

  context_->minimal_install = true;
  StepResult failed = step.Run(0);
  EXPECT_EQ(failed.status, STEP_FAILED);
  EXPECT_EQ(failed.code, RESULT_GENERAL_FAILURE);
  std::string first;
  ASSERT_TRUE(DecodeResourcePath(GetDownloadableResources().front(), &first));
  EXPECT_EQ(base::FilePath(failed.message).BaseName().AsUTF8Unsafe(),
            base::FilePath::FromUTF8Unsafe(first).BaseName().AsUTF8Unsafe());
  EXPECT_EQ(failed.detail.rfind("Downloadable resource checksum validation error: ", 0), 0u);

  // The first failure in table order ends the check: an absent resource is
  // passed over, and an unreadable one fails before the wrong ones after it.
  std::string second;
  ASSERT_TRUE(DecodeResourcePath(GetDownloadableResources()[1], &second));
  const base::FilePath unreadable =
      context_->package_folder.Append(base::FilePath::FromUTF8Unsafe(second));
  const base::FilePath absent =
      context_->package_folder.Append(base::FilePath::FromUTF8Unsafe(first));
  ASSERT_TRUE(base::DeleteFile(absent, false));
  ASSERT_TRUE(base::DeleteFile(unreadable, false));
  ASSERT_TRUE(base::CreateDirectory(unreadable));
  failed = step.Run(0);
  EXPECT_EQ(base::FilePath(failed.message).BaseName(), unreadable.BaseName());
  EXPECT_EQ(0u, failed.detail.rfind(
                    "Downloadable resource checksum validation error: Failed to read ", 0))
      << failed.detail;

  // Absent resources are not checked at all.
  ASSERT_TRUE(base::DeleteFile(context_->package_folder, true));
  ASSERT_TRUE(base::CreateDirectory(context_->package_folder));
  EXPECT_EQ(step.Run(0).status, STEP_OK);
}

TEST_F(FileStepsTest, UnreadablePackageFilesAreNamedInListOrder) {
  PackageFileLists lists;
  lists.standard = {"a.dll", "missing.dll"};
  lists.root = {"folder.dll"};
  lists.extra = {"x.dat"};
  Write(L"pkg\\a.dll", "a");
  ASSERT_TRUE(base::CreateDirectory(Path(L"pkg\\folder.dll")));
  Write(L"pkg\\x.dat", "x");
  VerifyPackageContentsStep step(lists, context_.get());
  EXPECT_EQ(step.name(), "verify_package_contents");
  StepResult failed = step.Run(0);
  EXPECT_EQ(failed.status, STEP_FAILED);
  EXPECT_EQ(failed.code, RESULT_GENERAL_FAILURE);
  EXPECT_EQ(failed.detail,
            "Package verification failed, files 'missing.dll folder.dll' cannot be opened.");
  EXPECT_TRUE(Status().files.empty());

  Write(L"pkg\\missing.dll", "m");
  ASSERT_TRUE(base::DeleteFile(Path(L"pkg\\folder.dll"), true));
  Write(L"pkg\\folder.dll", "f");
  EXPECT_EQ(step.Run(0).status, STEP_OK);
  // Not prepared into the versioned folder: nothing recorded.
  EXPECT_TRUE(Status().files.empty());
}

// A package's worth of files: the failure names the unreadable ones in list
// order, and a readable package is recorded in list order, each file once.
TEST_F(FileStepsTest, ManyPackageFilesAreNamedAndRecordedInListOrder) {
  context_->has_package_dir = true;
  PackageFileLists lists;
  std::string expected;
  Files recorded;
  for (int i = 0; i < 300; ++i) {
    const std::string name = "f" + std::to_string(299 - i) + ".dll";
    lists.standard.push_back(name);
    recorded.push_back(base::FilePath::FromUTF8Unsafe(name));
    if (i % 37 == 5)
      expected += (expected.empty() ? "" : " ") + name;
    else
      Write(L"root\\1.0\\" + base::UTF8ToWide(name), "x");
  }
  lists.root = {"r.dll"};
  lists.extra = {"e.dat"};
  expected += " r.dll e.dat";
  VerifyPackageContentsStep step(lists, context_.get());
  EXPECT_EQ(step.Run(0).detail,
            "Package verification failed, files '" + expected + "' cannot be opened.");
  EXPECT_TRUE(Status().files.empty());

  for (int i = 5; i < 300; i += 37)
    Write(L"root\\1.0\\f" + base::UTF8ToWide(std::to_string(299 - i)) + L".dll", "x");
  Write(L"root\\1.0\\r.dll", "r");
  Write(L"pkg\\e.dat", "e");
  EXPECT_EQ(step.Run(0).status, STEP_OK);
  EXPECT_EQ(Status().files, recorded);
}

TEST_F(FileStepsTest, PreparedPackageContentsAreRecordedInListOrder) {
  context_->has_package_dir = true;
  PackageFileLists lists;
  lists.standard = {"b.dll", "a\\c.dll"};
  lists.root = {"r.dll"};
  lists.extra = {"e.dat"};
  Write(L"root\\1.0\\b.dll", "b");
  Write(L"root\\1.0\\a\\c.dll", "c");
  Write(L"root\\1.0\\r.dll", "r");
  // The extra list is read from the package folder.
  Write(L"root\\1.0\\e.dat", "e");
  VerifyPackageContentsStep step(lists, context_.get());
  EXPECT_EQ(step.Run(0).detail,
            "Package verification failed, files 'e.dat' cannot be opened.");
  Write(L"pkg\\e.dat", "e");
  EXPECT_EQ(step.Run(0).status, STEP_OK);
  EXPECT_EQ(Status().files, (Files{base::FilePath(L"b.dll"), base::FilePath(L"a\\c.dll")}));
}

}  // namespace
