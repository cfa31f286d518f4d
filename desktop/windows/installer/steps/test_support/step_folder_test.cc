#include "desktop/windows/installer/steps/test_support/step_folder_test.h"

#include "base/files/file_util.h"
#include "desktop/windows/installer/service/transactions/test_support/scratch_snapshot.h"

void StepFolderTest::SetUp() {
  ASSERT_TRUE(temp_dir_.CreateUniqueTempDir());
  context_ = std::make_unique<FakeStepContext>(&settings_);
  context_->package_folder = Path(L"pkg");
  context_->base_install_folder = Path(L"root");
  context_->install_folder = Path(L"root\\1.0");
  ASSERT_TRUE(base::CreateDirectory(context_->package_folder));
}

base::FilePath StepFolderTest::Path(const std::wstring& relative) const {
  return temp_dir_.GetPath().Append(relative);
}

void StepFolderTest::Write(const std::wstring& relative, const std::string& contents) {
  ASSERT_TRUE(base::CreateDirectory(Path(relative).DirName()));
  ASSERT_TRUE(base::WriteFile(Path(relative), contents));
}

std::string StepFolderTest::Read(const std::wstring& relative) {
  std::string contents;
  EXPECT_TRUE(base::ReadFileToString(Path(relative), &contents)) << relative;
  return contents;
}

std::map<std::wstring, std::string> StepFolderTest::Snapshot() {
  return SnapshotFolder(temp_dir_.GetPath());
}

void StepFolderTest::RollBack() {
  context_->GetTransaction()->Rollback();
}
