#include <windows.h>

#include <memory>
#include <string>

#include "base/command_line.h"
#include "base/files/file_enumerator.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/json/json_reader.h"
#include "base/values.h"
#include "desktop/windows/installer/service/json_installation_status_writer.h"
#include "desktop/windows/installer/service/transactions/test_support/scratch_snapshot.h"
#include "desktop/windows/installer/settings/test_support/fake_settings.h"
#include "desktop/windows/installer/steps/move_old_status_step.h"
#include "desktop/windows/installer/steps/test_support/step_folder_test.h"
#include "desktop/windows/installer/steps/write_installation_status_step.h"
#include "desktop/windows/installer/steps/write_installer_prefs_step.h"
#include "desktop/windows/installer/utils/installer_features.h"
#include "desktop/windows/installer/utils/installer_session.h"
#include "gtest/gtest.h"

namespace {

using Files = std::vector<base::FilePath>;

class StatusStepsTest : public StepFolderTest {
 protected:
  std::unique_ptr<base::DictionaryValue> ReadJson(const std::wstring& relative) {
    auto dictionary = base::DictionaryValue::From(base::JSONReader::Read(Read(relative)));
    EXPECT_TRUE(dictionary) << relative;
    return dictionary ? std::move(dictionary) : std::make_unique<base::DictionaryValue>();
  }
};

TEST_F(StatusStepsTest, StatusOfAFreshInstallIsWrittenAndRolledBackToNothing) {
  const auto before = Snapshot();
  Status().files = {base::FilePath(L"a.dll")};
  Status().version = "1.0";
  WriteInstallationStatusStep step(context_.get());
  EXPECT_EQ(step.name(), "write_installation_status");
  ASSERT_EQ(step.Run(0).status, STEP_OK);
  EXPECT_EQ(Read(L"root\\installation_status.json"), SerializeInstallationStatus(Status()));
  // The installation folder the write made goes with the file.
  RollBack();
  EXPECT_EQ(Snapshot(), before);

  ASSERT_EQ(step.Run(0).status, STEP_OK);
  Commit();
  EXPECT_TRUE(base::PathExists(Path(L"root\\installation_status.json")));
}

TEST_F(StatusStepsTest, FailingStatusWriteOfAnUpgradeRollsBackToTheOldStatus) {
  Write(L"root\\installation_status.json", "old status");
  Write(L"root\\launcher.exe", "launcher");
  const auto before = Snapshot();

  MoveOldStatusStep move(context_.get());
  EXPECT_EQ(move.name(), "move_old_status");
  ASSERT_EQ(move.Run(0).status, STEP_OK);
  EXPECT_FALSE(base::PathExists(Path(L"root\\installation_status.json")));
  base::FilePath moved;
  {
    // Its search handle would keep the folder from going on rollback.
    base::FileEnumerator kept(Path(L"root\\old_status"), false, base::FileEnumerator::FILES);
    moved = kept.Next();
  }
  EXPECT_EQ(moved.BaseName().value().rfind(L"installation_status.json.", 0), 0u) << moved;
  EXPECT_EQ(Read(moved.value().substr(temp_dir_.GetPath().value().size() + 1)), "old status");

  // Something in the way of the new file: the write fails, the operation
  // rolls back and the old status is where it was.
  ASSERT_TRUE(base::CreateDirectory(Path(L"root\\installation_status.json")));
  WriteInstallationStatusStep write(context_.get());
  StepResult failed = write.Run(0);
  EXPECT_EQ(failed.status, STEP_FAILED);
  EXPECT_EQ(failed.code, RESULT_GENERAL_FAILURE);
  EXPECT_EQ(failed.detail, "Failed saving the installation status");
  ASSERT_TRUE(base::DeleteFile(Path(L"root\\installation_status.json"), true));
  RollBack();
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(StatusStepsTest, OldStatusFallsBackToTheLegacyFileAndMayBeMissing) {
  ASSERT_TRUE(base::CreateDirectory(Path(L"root")));
  MoveOldStatusStep step(context_.get());
  EXPECT_EQ(step.Run(0).status, STEP_OK);
  EXPECT_TRUE(context_->GetTransaction()->empty());

  Write(L"root\\installation_status.xml", "<xml/>");
  const auto before = Snapshot();
  EXPECT_EQ(step.Run(0).status, STEP_OK);
  EXPECT_FALSE(base::PathExists(Path(L"root\\installation_status.xml")));
  RollBack();
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(StatusStepsTest, RepairAddsRestoredFilesOnceAndDropsUnsafeEntries) {
  InstallationStatus existing(INSTALLATION_STATUS_SOURCE_PRIMARY);
  existing.version = "1.0";
  existing.files = {base::FilePath(L"a.dll"), base::FilePath(L"..\\..\\evil.dll"),
                    base::FilePath(L"B.dll")};
  existing.root_files = {base::FilePath(L"C:\\windows\\x.dll"), base::FilePath(L"r.dll")};
  UpdateInstallationStatusStep step(context_.get());
  EXPECT_EQ(step.name(), "update_installation_status");
  StepResult none = step.Run(0);
  EXPECT_EQ(none.status, STEP_FAILED);
  EXPECT_EQ(none.detail, "Failed saving the installation status");

  context_->existing_installation = &existing;
  Status().files = {base::FilePath(L"b.dll"), base::FilePath(L"loc/de.pak")};
  ASSERT_EQ(step.Run(0).status, STEP_OK);
  InstallationStatus expected(existing);
  expected.files = {base::FilePath(L"a.dll"), base::FilePath(L"B.dll"),
                    base::FilePath(L"loc\\de.pak")};
  expected.root_files = {base::FilePath(L"r.dll")};
  EXPECT_EQ(Read(L"root\\installation_status.json"), SerializeInstallationStatus(expected));
}

class InstallerPrefsTest : public StatusStepsTest {
 protected:
  void SetUp() override {
    StatusStepsTest::SetUp();
    settings_.language = L"de";
    settings_.profile_folder = Path(L"profile");
    settings_.flags[SINGLE_PROFILE] = true;
    settings_.flags[IMPORT_BROWSER_DATA] = true;
  }

  void UseSession(const std::vector<std::string>& switches) {
    command_line_ = std::make_unique<base::CommandLine>(base::CommandLine::NO_PROGRAM);
    for (const std::string& name : switches)
      command_line_->AppendSwitch(name);
    session_.reset();
    session_ = std::make_unique<ScopedInstallerSessionForTesting>(
        std::make_unique<InstallerSession>(command_line_.get()));
  }

  std::unique_ptr<base::CommandLine> command_line_;
  std::unique_ptr<ScopedInstallerSessionForTesting> session_;
};

TEST_F(InstallerPrefsTest, PrefsKeepWhatThisRunDoesNotSetAndRollBack) {
  UseSession({});
  Write(L"root\\installer_prefs.json",
        R"({"kept": 7, "language": "fr", "enable_stats": true})");
  Write(L"pkg\\installer_prefs_include.json", R"({"welcome-url": "https://w.example/"})");
  const auto before = Snapshot();
  WriteInstallerPrefsStep step(context_.get());
  EXPECT_EQ(step.name(), "write_installer_prefs");
  ASSERT_EQ(step.Run(0).status, STEP_OK);

  auto prefs = ReadJson(L"root\\installer_prefs.json");
  int kept = 0;
  EXPECT_TRUE(prefs->GetIntegerWithoutPathExpansion("kept", &kept));
  EXPECT_EQ(kept, 7);
  std::string text;
  EXPECT_TRUE(prefs->GetStringWithoutPathExpansion("language", &text));
  EXPECT_EQ(text, "de");
  EXPECT_TRUE(prefs->GetStringWithoutPathExpansion("welcome-url", &text));
  EXPECT_EQ(text, "https://w.example/");
  EXPECT_TRUE(prefs->GetStringWithoutPathExpansion("profile_path", &text));
  EXPECT_EQ(text, Path(L"profile").AsUTF8Unsafe());
  bool flag = false;
  EXPECT_TRUE(prefs->GetBooleanWithoutPathExpansion("single_profile", &flag) && flag);
  EXPECT_TRUE(prefs->GetBooleanWithoutPathExpansion("autoupdate", &flag));
  EXPECT_FALSE(flag);
  EXPECT_TRUE(prefs->GetBooleanWithoutPathExpansion("import_browser_data", &flag) && flag);
  EXPECT_TRUE(prefs->GetBooleanWithoutPathExpansion("enable_stats", &flag));
  EXPECT_FALSE(flag);
  const base::ListValue* all = nullptr;
  const base::ListValue* changed = nullptr;
  ASSERT_TRUE(prefs->GetListWithoutPathExpansion("all-installer-experiments", &all));
  ASSERT_TRUE(prefs->GetListWithoutPathExpansion("installer-experiments", &changed));
  size_t features = 0;
  const InstallerFeature* table = GetInstallerFeatureTable(&features);
  ASSERT_EQ(all->GetSize(), features);
  std::string first;
  EXPECT_TRUE(all->GetString(0, &first));
  EXPECT_EQ(first.rfind(std::string(table[0].name) + "@", 0), 0u) << first;
  EXPECT_LE(changed->GetSize(), features);

  RollBack();
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(InstallerPrefsTest, AutoupdateLeavesTheUsersChoicesAsTheyWere) {
  UseSession({"autoupdate"});
  Write(L"root\\installer_prefs.json", R"({"import_browser_data": false, "enable_stats": true})");
  WriteInstallerPrefsStep step(context_.get());
  ASSERT_EQ(step.Run(0).status, STEP_OK);
  auto prefs = ReadJson(L"root\\installer_prefs.json");
  bool flag = false;
  EXPECT_TRUE(prefs->GetBooleanWithoutPathExpansion("autoupdate", &flag) && flag);
  EXPECT_TRUE(prefs->GetBooleanWithoutPathExpansion("import_browser_data", &flag));
  EXPECT_FALSE(flag);
  EXPECT_TRUE(prefs->GetBooleanWithoutPathExpansion("enable_stats", &flag) && flag);
  std::string text;
  EXPECT_FALSE(prefs->GetStringWithoutPathExpansion("welcome-url", &text));
}

TEST_F(InstallerPrefsTest, FreshInstallPrefsRollBackToAnEmptyFolder) {
  UseSession({});
  // Not JSON: replaced, and back after the rollback.
  Write(L"pkg\\installer_prefs_include.json", "[1, 2]");
  const auto before = Snapshot();
  WriteInstallerPrefsStep step(context_.get());
  ASSERT_EQ(step.Run(0).status, STEP_OK);
  EXPECT_TRUE(base::PathExists(Path(L"root\\installer_prefs.json")));
  RollBack();
  EXPECT_EQ(Snapshot(), before);
  EXPECT_FALSE(base::PathExists(Path(L"root")));
}

}  // namespace
