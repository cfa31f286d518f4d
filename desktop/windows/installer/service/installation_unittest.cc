#include "desktop/windows/installer/service/installation.h"

#include <memory>
#include <string>

#include "base/base_paths.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/path_service.h"
#include "base/test/scoped_path_override.h"
#include "base/values.h"
#include "desktop/windows/installer/service/json_installation_status_writer.h"
#include "desktop/windows/installer/service/test_support/fake_installation.h"
#include "desktop/windows/installer/utils/product_info.h"
#include "desktop/windows/installer/utils/service_utils.h"
#include "gtest/gtest.h"

namespace {

class InstallationTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(temp_.CreateUniqueTempDir()); }

  const base::FilePath& dir() const { return temp_.GetPath(); }

  void WritePrefs(const std::string& json) {
    ASSERT_TRUE(base::WriteFile(dir().Append(kInstallerPrefsFileName), json));
  }

  void WriteStatus(const std::wstring& app_id) {
    InstallationStatus status(INSTALLATION_STATUS_SOURCE_GENERATED);
    status.app_id = app_id;
    status.copy_only = true;
    status.path = dir();
    ASSERT_TRUE(WriteInstallationStatusAsJson(status, dir().Append(kInstallationStatusFileName)));
  }

  base::ScopedTempDir temp_;
};

TEST_F(InstallationTest, FolderIsTheParentOnlyWhenOnlyTheParentHoldsTheLauncher) {
  const base::FilePath versioned = dir().Append(L"51.0.2802.0");
  ASSERT_TRUE(base::CreateDirectory(versioned));
  EXPECT_EQ(versioned, Installation(versioned).GetFolder());

  ASSERT_TRUE(base::WriteFile(dir().Append(kLauncherExeName), "x"));
  EXPECT_EQ(dir(), Installation(versioned).GetFolder());
  EXPECT_EQ(dir(), Installation(dir()).GetFolder());

  // A launcher in the folder itself keeps the folder.
  ASSERT_TRUE(base::WriteFile(versioned.Append(kLauncherExeName), "x"));
  EXPECT_EQ(versioned, Installation(versioned).GetFolder());
}

TEST_F(InstallationTest, PreferencesByDottedPathAndType) {
  WritePrefs(R"({"a": {"b": true, "s": "text", "n": 12, "l": [1, 2], "": {"x": true}},
                 "c.d": true, "num": "12abc", "big": "-9000000000", "profile_path": "P"})");
  Installation installation(dir());
  bool flag = false;
  EXPECT_TRUE(installation.GetPrefBoolean("a.b", &flag));
  EXPECT_TRUE(flag);
  EXPECT_TRUE(installation.GetPrefBoolean(" a .\tb ", &flag));
  EXPECT_FALSE(installation.GetPrefBoolean("a", &flag));
  EXPECT_FALSE(installation.GetPrefBoolean("a.s", &flag));
  // A dot always nests: a key holding a dot cannot be reached.
  EXPECT_FALSE(installation.GetPrefBoolean("c.d", &flag));
  // Empty parts are kept as empty keys.
  EXPECT_TRUE(installation.GetPrefBoolean("a..x", &flag));
  EXPECT_FALSE(installation.GetPrefBoolean("a.b.", &flag));

  std::string text;
  std::wstring wide;
  EXPECT_TRUE(installation.GetPrefString("a.s", &text));
  EXPECT_EQ("text", text);
  EXPECT_TRUE(installation.GetPrefString16("a.s", &wide));
  EXPECT_EQ(L"text", wide);
  EXPECT_FALSE(installation.GetPrefString("a.n", &text));

  int64_t number = 7;
  EXPECT_TRUE(installation.GetPrefInt64("big", &number));
  EXPECT_EQ(-9000000000LL, number);
  // Any string answers; one that is no whole number gives 0.
  number = 7;
  EXPECT_TRUE(installation.GetPrefInt64("num", &number));
  EXPECT_EQ(0, number);
  EXPECT_FALSE(installation.GetPrefInt64("a.n", &number));
  EXPECT_FALSE(installation.GetPrefInt64("missing", &number));

  const base::ListValue* list = nullptr;
  EXPECT_TRUE(installation.GetPrefList("a.l", &list));
  ASSERT_NE(nullptr, list);
  EXPECT_EQ(2u, list->GetSize());
  EXPECT_FALSE(installation.GetPrefList("a", &list));
}

TEST_F(InstallationTest, MissingBadOrNonObjectPreferencesAnswerNothing) {
  bool flag = false;
  std::string text;
  EXPECT_FALSE(Installation(dir()).GetPrefBoolean("single_profile", &flag));
  WritePrefs("{\"single_profile\": true,}");
  EXPECT_FALSE(Installation(dir()).IsSingleProfile());
  // Strict JSON only.
  WritePrefs("{'single_profile': true}");
  EXPECT_FALSE(Installation(dir()).IsSingleProfile());
  WritePrefs("[true]");
  EXPECT_FALSE(Installation(dir()).GetPrefString("0", &text));
  WritePrefs("{\"single_profile\": \"true\"}");
  EXPECT_FALSE(Installation(dir()).IsSingleProfile());
  WritePrefs("{\"single_profile\": true}");
  EXPECT_TRUE(Installation(dir()).IsSingleProfile());
}

TEST_F(InstallationTest, StatusIsReadOnFirstNeed) {
  WriteStatus(L"X1A2B3");
  Installation installation(dir());
  EXPECT_EQ(INSTALLATION_STATUS_SOURCE_INVALID, installation.GetStatusIfLoaded().source);
  EXPECT_TRUE(installation.GetStatusIfLoaded().app_id.empty());
  EXPECT_EQ(L"TarvoSoftware.TarvoWebBrowser.X1A2B3", installation.GetProgId());
  EXPECT_EQ(INSTALLATION_STATUS_SOURCE_PRIMARY, installation.GetStatusIfLoaded().source);
  EXPECT_EQ(L"Autoupdate X1A2B3", installation.GetAutoupdateTaskName());
  EXPECT_TRUE(installation.IsCopyOnly());

  // Read once only: a later change of the file is not seen.
  WriteStatus(L"OTHER");
  EXPECT_EQ(L"TarvoSoftware.TarvoWebBrowser.X1A2B3", installation.GetProgId());
}

TEST_F(InstallationTest, MissingOrBadStatusGivesAnEmptyRecord) {
  WriteStatus(L"");
  Installation without_app_id(dir());
  EXPECT_EQ(L"TarvoSoftware.TarvoWebBrowser.", without_app_id.GetProgId());
  EXPECT_EQ(L"Autoupdate ", without_app_id.GetAutoupdateTaskName());

  ASSERT_TRUE(base::WriteFile(dir().Append(kInstallationStatusFileName), "{not json"));
  Installation bad(dir());
  EXPECT_FALSE(bad.IsCopyOnly());
  EXPECT_EQ(INSTALLATION_STATUS_SOURCE_INVALID, bad.GetStatusIfLoaded().source);
}

TEST_F(InstallationTest, HandedInStatusIsNeverReplacedByTheFile) {
  WriteStatus(L"ONDISK");
  auto status = std::make_unique<InstallationStatus>(INSTALLATION_STATUS_SOURCE_GENERATED);
  Installation with_empty(dir(), std::move(status));
  EXPECT_EQ(L"TarvoSoftware.TarvoWebBrowser.", with_empty.GetProgId());
  EXPECT_FALSE(with_empty.IsCopyOnly());

  Installation with_null(dir(), nullptr);
  EXPECT_EQ(L"Autoupdate ", with_null.GetAutoupdateTaskName());
  EXPECT_EQ(INSTALLATION_STATUS_SOURCE_INVALID, with_null.GetStatusIfLoaded().source);
}

class InstallationProfileTest : public InstallationTest {
 protected:
  void SetUp() override {
    InstallationTest::SetUp();
    roaming_ = dir().Append(L"Roaming");
    local_ = dir().Append(L"Local");
    app_data_ = std::make_unique<base::ScopedPathOverride>(base::DIR_APP_DATA, roaming_);
    local_app_data_ =
        std::make_unique<base::ScopedPathOverride>(base::DIR_LOCAL_APP_DATA, local_);
    ASSERT_TRUE(GetCurrentUserName(&user_));
  }

  base::FilePath roaming_;
  base::FilePath local_;
  std::wstring user_;
  std::unique_ptr<base::ScopedPathOverride> app_data_;
  std::unique_ptr<base::ScopedPathOverride> local_app_data_;
};

TEST_F(InstallationProfileTest, DefaultTemplateUsesTheStreamName) {
  ScopedProductInfoForTesting info(
      R"({"default_profile_path_template": "Tarvo Software/Tarvo {InternalStream}/{InternalStream}"})");
  Installation installation(dir());
  base::FilePath path;
  ASSERT_TRUE(installation.GetProfilePath(&path));
  EXPECT_EQ(roaming_.Append(L"Tarvo Software\\Tarvo Developer\\Developer"), path);
  ASSERT_TRUE(installation.GetProfilePathForStream(&path, 4));
  EXPECT_EQ(roaming_.Append(L"Tarvo Software\\Tarvo Stable\\Stable"), path);
  // Nothing to strip without a user-name component.
  ASSERT_TRUE(installation.GetProfileParentPath(&path));
  EXPECT_EQ(roaming_.Append(L"Tarvo Software\\Tarvo Developer\\Developer"), path);

  base::FilePath local_path;
  installation.GetLocalDataPath(path, &local_path);
  EXPECT_EQ(local_.Append(L"Tarvo Software\\Tarvo Developer\\Developer"), local_path);
  installation.GetLocalDataPath(base::FilePath(L"D:\\Elsewhere"), &local_path);
  EXPECT_EQ(base::FilePath(L"D:\\Elsewhere"), local_path);
}

TEST_F(InstallationProfileTest, EmptyTemplateGivesNoProfile) {
  // The application-data folder itself is never a profile.
  ScopedProductInfoForTesting info(R"({"default_profile_path_template": ""})");
  base::FilePath path;
  EXPECT_FALSE(Installation(dir()).GetProfilePath(&path));
}

TEST_F(InstallationProfileTest, UserNameComponentAndItsParent) {
  WritePrefs(R"({"profile_path": "D:\\Profiles\\<USERNAME>"})");
  Installation installation(dir());
  base::FilePath path;
  ASSERT_TRUE(installation.GetProfilePath(&path));
  EXPECT_EQ(base::FilePath(L"D:\\Profiles\\" + user_), path);
  ASSERT_TRUE(installation.GetProfileParentPath(&path));
  EXPECT_EQ(base::FilePath(L"D:\\Profiles"), path);

  // A profile_path is used as it is for local data.
  base::FilePath local_path;
  installation.GetLocalDataPath(roaming_.Append(L"x"), &local_path);
  EXPECT_EQ(roaming_.Append(L"x"), local_path);
}

TEST_F(InstallationProfileTest, UserNameInsideAComponentIsNotStripped) {
  WritePrefs(R"({"profile_path": "D:\\P\\x<USERNAME>\\<USERNAME>y"})");
  base::FilePath path;
  Installation installation(dir());
  ASSERT_TRUE(installation.GetProfileParentPath(&path));
  // Only the first token is replaced.
  EXPECT_EQ(base::FilePath(L"D:\\P\\x" + user_ + L"\\<USERNAME>y"), path);
}

TEST_F(InstallationProfileTest, SingleProfileLivesInTheFolder) {
  WritePrefs(R"({"single_profile": true, "profile_path": "D:\\<USERNAME>"})");
  base::FilePath path;
  ASSERT_TRUE(Installation(dir()).GetProfileParentPath(&path));
  EXPECT_EQ(dir().Append(L"profile\\data"), path);
  EXPECT_FALSE(Installation(base::FilePath()).GetProfilePath(&path));
}

std::unique_ptr<Installation> MakeTestInstallation() {
  return std::make_unique<FakeInstallation>(base::FilePath(L"C:\\Made\\By\\Factory"));
}

TEST(InstallationInstanceTest, FactoryTestInstanceAndReset) {
  Installation::ResetForTesting();
  Installation::SetFactory(&MakeTestInstallation);
  Installation* first = Installation::GetInstance();
  EXPECT_EQ(base::FilePath(L"C:\\Made\\By\\Factory"), first->GetFolder());
  EXPECT_EQ(first, Installation::GetInstance());

  Installation::SetInstanceForTesting(std::make_unique<FakeInstallation>(base::FilePath(L"C:\\T")));
  EXPECT_EQ(base::FilePath(L"C:\\T"), Installation::GetInstance()->GetFolder());

  // The default factory describes the running executable's folder.
  Installation::ResetForTesting();
  base::FilePath exe_dir;
  ASSERT_TRUE(base::PathService::Get(base::DIR_EXE, &exe_dir));
  EXPECT_EQ(installation_internal::ResolveInstallationFolder(exe_dir),
            Installation::GetInstance()->GetFolder());
  Installation::ResetForTesting();
}

}  // namespace
