#include <string>
#include <vector>

#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "desktop/windows/installer/steps/installer_step_factory.h"
#include "desktop/windows/installer/steps/installer_step_scheduler_impl.h"
#include "desktop/windows/installer/steps/test_support/fake_step_context.h"
#include "desktop/windows/installer/steps/test_support/operation_only_settings.h"
#include "desktop/windows/installer/utils/installer_error_record.h"
#include "desktop/windows/installer/utils/test_support/scoped_installer_error_record.h"
#include "gtest/gtest.h"

namespace {

using Strings = std::vector<std::string>;

class StepListTest : public testing::Test {
 protected:
  StepListTest() : settings_(INSTALL_OPERATION_INSTALL), context_(&settings_) {}

  void SetUp() override {
    ASSERT_TRUE(temp_.CreateUniqueTempDir());
    context_.package_folder = temp_.GetPath().Append(L"package");
    context_.base_install_folder = temp_.GetPath().Append(L"Tarvo");
    context_.install_folder = context_.base_install_folder.Append(L"51.0.2802.0");
    ASSERT_TRUE(base::CreateDirectory(context_.package_folder));
    ASSERT_TRUE(base::CreateDirectory(context_.install_folder));
    WriteList(context_.package_folder, L"files_list", "a.dll\r\nsub\\b.dll\r\n");
    WriteList(context_.package_folder, L"root_files_list", "root.xml\r\n");
  }

  static void WriteList(const base::FilePath& folder, const wchar_t* name,
                        const std::string& text) {
    ASSERT_TRUE(base::WriteFile(folder.Append(name), text));
  }

  // The scheduled names, or {"failed"}.
  Strings Schedule(InstallOperation operation, int* total = nullptr) {
    settings_.set_operation(operation);
    scheduler_ = std::make_unique<InstallerStepSchedulerImpl>(CreateDefaultInstallerStepFactory());
    int unused = -7;
    if (!scheduler_->ScheduleSteps(&context_, &app_id_, total ? total : &unused))
      return {"failed"};
    return scheduler_->GetStepNamesForTesting();
  }

  std::string ErrorDetail() {
    uint32_t code = 0;
    std::string detail;
    GetInstallerError(&code, &detail, nullptr);
    return std::to_string(code) + ":" + detail;
  }

  ScopedInstallerErrorRecord error_record_;
  base::ScopedTempDir temp_;
  OperationOnlySettings settings_;
  FakeStepContext context_;
  std::wstring app_id_ = L"Tarvo.1";
  std::unique_ptr<InstallerStepSchedulerImpl> scheduler_;
};

TEST_F(StepListTest, InstallInOrder) {
  int total = 0;
  EXPECT_EQ((Strings{"verify_downloadable_resources", "verify_package_contents",
                     "copy_file:a.dll", "copy_file:sub\\b.dll", "delete_file_step",
                     "delete_file_step", "move_file", "copy_file:launcher.exe",
                     "install_tracking_data", "copy_file:pref_default_overrides", "install_helper",
                     "setup_registry", "install_shortcuts", "write_installer_prefs",
                     "install_components", "write_installation_status",
                     "setup_file_and_protocol_handlers", "finalize"}),
            Schedule(INSTALL_OPERATION_INSTALL, &total));
  EXPECT_EQ(19, total);
}

TEST_F(StepListTest, UpgradeDeletesTheListsOnlyFromTheVersionedFolder) {
  EXPECT_EQ((Strings{"verify_downloadable_resources", "verify_package_contents",
                     "remove_old_files", "copy_file:a.dll", "copy_file:sub\\b.dll",
                     "remove_old_root_files", "move_file", "copy_file:launcher.exe",
                     "install_tracking_data", "copy_file:pref_default_overrides", "install_helper",
                     "clean_registry", "setup_registry", "update_shortcuts",
                     "write_installer_prefs", "move_old_status", "install_components",
                     "write_installation_status", "setup_file_and_protocol_handlers",
                     "finalize"}),
            Schedule(INSTALL_OPERATION_UPGRADE));

  // From the versioned folder: the lists are read there, and the package
  // folder's own list is what gets copied.
  context_.running_from_install_folder = true;
  context_.has_package_dir = true;
  WriteList(context_.install_folder, L"files_list", "x.dll\r\n");
  WriteList(context_.install_folder, L"root_files_list", "");
  WriteList(context_.package_folder, L"files_list", "extra.dll\r\n");
  Strings names = Schedule(INSTALL_OPERATION_UPGRADE);
  ASSERT_EQ(20u, names.size());
  EXPECT_EQ("copy_file:extra.dll", names[3]);
  EXPECT_EQ("delete_file_step", names[4]);
  EXPECT_EQ("delete_file_step", names[5]);
  EXPECT_EQ("remove_old_root_files", names[6]);
  EXPECT_EQ("copy_file:launcher.exe", names[7]);
}

TEST_F(StepListTest, OtherOperations) {
  EXPECT_EQ((Strings{"clean_registry", "remove_shortcuts", "uninstall_finalize",
                     "remove_old_files", "uninstall_components", "uninstall_cleanup"}),
            Schedule(INSTALL_OPERATION_UNINSTALL));
  int total = 42;
  EXPECT_EQ((Strings{"register_protocol_handlers", "write_installer_prefs"}),
            Schedule(INSTALL_OPERATION_REGISTER_PROTOCOL_HANDLER, &total));
  EXPECT_EQ(42, total);
  EXPECT_EQ(Strings{}, Schedule(INSTALL_OPERATION_UNKNOWN, &total));
  EXPECT_EQ(1, total);
}

// A repair copies what its fetch put into the package folder; the versioned
// folder's own list (were one left there) names the whole package, which a
// repair does not bring.
TEST_F(StepListTest, RepairCopiesWhatTheFetchBrought) {
  context_.has_package_dir = true;
  WriteList(context_.install_folder, L"files_list", "tarvo.exe\r\ninstaller.exe\r\n");
  WriteList(context_.package_folder, L"files_list", "res\\a.bin\r\n\r\n");
  int total = 0;
  EXPECT_EQ((Strings{"verify_downloadable_resources", "copy_file:res\\a.bin",
                     "update_installation_status", "remove_minimal_install_file"}),
            Schedule(INSTALL_OPERATION_FIX_DOWNLOADABLE_RESOURCES, &total));
  EXPECT_EQ(5, total);

  // Nothing fetched (no list, an empty one, or no package folder at all):
  // nothing to copy, and the repair still runs its other steps.
  const Strings nothing_copied{"verify_downloadable_resources", "update_installation_status",
                               "remove_minimal_install_file"};
  WriteList(context_.package_folder, L"files_list", "\r\n");
  EXPECT_EQ(nothing_copied, Schedule(INSTALL_OPERATION_FIX_DOWNLOADABLE_RESOURCES));
  ASSERT_TRUE(base::DeleteFile(context_.package_folder.Append(L"files_list"), /*recursive=*/false));
  EXPECT_EQ(nothing_copied, Schedule(INSTALL_OPERATION_FIX_DOWNLOADABLE_RESOURCES));
  context_.has_package_dir = false;
  WriteList(context_.package_folder, L"files_list", "res\\a.bin\r\n");
  EXPECT_EQ(nothing_copied, Schedule(INSTALL_OPERATION_FIX_DOWNLOADABLE_RESOURCES));

  // An entry that leaves the folder still fails the read.
  context_.has_package_dir = true;
  WriteList(context_.package_folder, L"files_list", "..\\..\\evil.dll\r\n");
  EXPECT_EQ(Strings{"failed"}, Schedule(INSTALL_OPERATION_FIX_DOWNLOADABLE_RESOURCES));
  EXPECT_NE(std::string::npos,
            ErrorDetail().find("Schedule fix downloadable resources failed"));
}

TEST_F(StepListTest, EmptyListsAndMissingLists) {
  WriteList(context_.package_folder, L"root_files_list", "");
  Strings names = Schedule(INSTALL_OPERATION_INSTALL);
  EXPECT_EQ(0, std::count(names.begin(), names.end(), "move_file"));

  WriteList(context_.package_folder, L"files_list", "");
  EXPECT_EQ(Strings{"failed"}, Schedule(INSTALL_OPERATION_INSTALL));
  EXPECT_EQ("1:No files in normal files list\nCannot read standard files list\n"
            "Cannot schedule install steps",
            ErrorDetail());
  EXPECT_EQ(Strings{"failed"}, Schedule(INSTALL_OPERATION_UPGRADE));
  EXPECT_EQ("1:No files in normal files list\nSchedule upgrade steps\n"
            "Cannot schedule upgrade steps",
            ErrorDetail());

  WriteList(context_.package_folder, L"files_list", "a.dll\r\n");
  ASSERT_TRUE(base::DeleteFile(context_.package_folder.Append(L"root_files_list"), /*recursive=*/false));
  EXPECT_EQ(Strings{"failed"}, Schedule(INSTALL_OPERATION_INSTALL));
  EXPECT_NE(std::string::npos,
            ErrorDetail().find("Root files list\nCannot read root files list\n"
                               "Cannot schedule install steps"));
}

TEST_F(StepListTest, EntriesOutsideTheFolderFailTheRead) {
  for (const char* entry : {"..\\evil.dll", "C:\\Windows\\evil.dll", "\\\\server\\x",
                            "sub\\..\\..\\x", "a\\con", "a.dll:stream"}) {
    WriteList(context_.package_folder, L"files_list", std::string("a.dll\r\n") + entry + "\r\n");
    EXPECT_EQ(Strings{"failed"}, Schedule(INSTALL_OPERATION_INSTALL)) << entry;
    EXPECT_EQ(0u, ErrorDetail().find("1:Unsafe entry in files_list")) << entry;
  }
  WriteList(context_.package_folder, L"files_list", "a.dll\r\n");
  WriteList(context_.package_folder, L"root_files_list", "..\\root.xml\r\n");
  EXPECT_EQ(Strings{"failed"}, Schedule(INSTALL_OPERATION_INSTALL));
  EXPECT_EQ(0u, ErrorDetail().find("1:Unsafe entry in root_files_list"));
}

}  // namespace
