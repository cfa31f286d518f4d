#include <memory>
#include <string>
#include <vector>

#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "desktop/windows/installer/service/transactions/test_support/scratch_snapshot.h"
#include "desktop/windows/installer/settings/test_support/fake_settings.h"
#include "desktop/windows/installer/steps/file_and_status_step_factory.h"
#include "desktop/windows/installer/steps/install_helper_step.h"
#include "desktop/windows/installer/steps/installer_step.h"
#include "desktop/windows/installer/steps/test_support/fake_step_context.h"
#include "gtest/gtest.h"

namespace {

// The file and status part of a fresh installation, step after step as the
// install list orders them, through the default step classes.
class InstallStepsRollbackTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp_dir_.CreateUniqueTempDir());
    InstallHelperStep::SetIsNativeX64ForTesting([] { return true; });
    for (const wchar_t* name : {L"a.dll", L"sub\\b.dll", L"r.dll", L"launcher.exe",
                                L"installer_helper_64.exe", L"installer_helper.exe"}) {
      const base::FilePath file = Path(L"pkg").Append(name);
      ASSERT_TRUE(base::CreateDirectory(file.DirName()));
      ASSERT_TRUE(base::WriteFile(file, base::FilePath(name).AsUTF8Unsafe()));
    }
    ASSERT_TRUE(base::WriteFile(Path(L"pkg\\pref_default_overrides"), "{}"));
    lists_.standard = {"a.dll", "sub\\b.dll", "r.dll"};
    lists_.root = {"r.dll"};
  }
  void TearDown() override { InstallHelperStep::SetIsNativeX64ForTesting(nullptr); }

  base::FilePath Path(const std::wstring& relative) const {
    return temp_dir_.GetPath().Append(relative);
  }

  std::unique_ptr<FakeStepContext> MakeContext() {
    auto context = std::make_unique<FakeStepContext>(&settings_);
    context->package_folder = Path(L"pkg");
    context->base_install_folder = Path(L"Tarvo");
    context->install_folder = Path(L"Tarvo\\1.2.3.4");
    return context;
  }

  // Runs the steps in order; false at the first one that does not end OK.
  bool RunAll(FakeStepContext* context) {
    std::vector<std::pair<StepKind, StepArguments>> kinds;
    StepArguments verify;
    verify.lists = &lists_;
    kinds.push_back({StepKind::kVerifyDownloadableResources, {}});
    kinds.push_back({StepKind::kVerifyPackageContents, verify});
    for (const std::string& entry : lists_.standard) {
      StepArguments copy;
      copy.relative_path = entry;
      kinds.push_back({StepKind::kCopyPackageFile, copy});
    }
    for (const wchar_t* list : {L"files_list", L"root_files_list"}) {
      StepArguments deletion;
      deletion.path = context->install_folder.Append(list);
      kinds.push_back({StepKind::kDeleteFile, deletion});
    }
    for (const std::string& entry : lists_.root) {
      StepArguments move;
      move.relative_path = entry;
      kinds.push_back({StepKind::kMoveFile, move});
    }
    for (StepKind kind : {StepKind::kCopyLauncher, StepKind::kCopyPrefDefaultOverrides,
                          StepKind::kInstallHelper, StepKind::kWriteInstallerPrefs,
                          StepKind::kInstallComponents, StepKind::kWriteInstallationStatus}) {
      kinds.push_back({kind, {}});
    }
    for (const auto& [kind, arguments] : kinds) {
      std::unique_ptr<InstallerStep> step = CreateFileOrStatusStep(kind, arguments, context);
      EXPECT_TRUE(step) << static_cast<int>(kind);
      if (!step || step->Run(0).status != STEP_OK) {
        ADD_FAILURE() << (step ? step->name() : std::string());
        return false;
      }
    }
    return true;
  }

  base::ScopedTempDir temp_dir_;
  FakeSettings settings_;
  PackageFileLists lists_;
};

TEST_F(InstallStepsRollbackTest, AFailureAfterTheLastStepLeavesTheFolderExactlyAsBefore) {
  const auto before = SnapshotFolder(temp_dir_.GetPath());
  auto context = MakeContext();
  ASSERT_TRUE(RunAll(context.get()));
  EXPECT_TRUE(base::PathExists(Path(L"Tarvo\\installation_status.json")));
  context->GetTransaction()->Rollback();
  EXPECT_EQ(SnapshotFolder(temp_dir_.GetPath()), before);
}

TEST_F(InstallStepsRollbackTest, ACommittedInstallHoldsWhatItsStatusRecords) {
  auto context = MakeContext();
  ASSERT_TRUE(RunAll(context.get()));
  const InstallationStatus status = context->installation_status;
  context.reset();
  auto after = SnapshotFolder(Path(L"Tarvo"));
  EXPECT_EQ(status.root_files, std::vector<base::FilePath>{base::FilePath(L"r.dll")});
  EXPECT_EQ(status.files, (std::vector<base::FilePath>{
                              base::FilePath(L"a.dll"), base::FilePath(L"sub\\b.dll"),
                              base::FilePath(L"r.dll"),
                              base::FilePath(L"installer_helper_64.exe")}));
  for (const base::FilePath& file : status.files) {
    if (file != base::FilePath(L"r.dll"))
      EXPECT_EQ(after.count(L"1.2.3.4\\" + file.value()), 1u) << file;
  }
  for (const wchar_t* name : {L"r.dll", L"launcher.exe", L"pref_default_overrides",
                              L"installer_prefs.json", L"installation_status.json"}) {
    EXPECT_EQ(after.count(name), 1u) << name;
  }
  // Nothing else: no ".old" and no temporary file was left behind.
  EXPECT_EQ(after.size(), 10u);
}

}  // namespace
