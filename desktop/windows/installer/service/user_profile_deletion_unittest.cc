#include "desktop/windows/installer/service/user_profile_deletion.h"

#include <vector>

#include "base/base_paths.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/json/string_escape.h"
#include "base/path_service.h"
#include "base/strings/utf_string_conversions.h"
#include "base/test/scoped_path_override.h"
#include "desktop/windows/installer/service/installation.h"
#include "desktop/windows/installer/utils/product_info.h"
#include "desktop/windows/installer/utils/test_support/fake_security_util.h"
#include "desktop/windows/installer/utils/test_support/test_links.h"
#include "gtest/gtest.h"
#include "testing/scoped_log_capture.h"

namespace {

// `folder` with a file of the user's in it; returns the file.
base::FilePath Fill(const base::FilePath& folder) {
  EXPECT_TRUE(base::CreateDirectory(folder));
  EXPECT_TRUE(base::WriteFile(folder.Append(L"keep.txt"), "x"));
  return folder.Append(L"keep.txt");
}

// An elevated uninstall that deletes the profile, of an installation whose
// preferences say `prefs` and whose folder `writers` can change.
void DeleteProfile(const base::FilePath& root, const std::string& prefs, ObjectWriters writers) {
  FakeSecurityUtil security_util;
  ScopedSecurityUtilForTesting security(&security_util);
  security_util.SetUser(/*elevated=*/true, /*can_elevate=*/true);
  security_util.SetWriters(root.value(), writers);
  ASSERT_TRUE(base::CreateDirectory(root));
  ASSERT_TRUE(base::WriteFile(root.Append(kInstallerPrefsFileName), prefs));
  ExistingInstallation installation(root, nullptr);
  UserProfileDeletion(&installation).Run();
}

TEST(UserProfileDeletionTest, PlantedProfileFoldersReachNothingElseOwnProfilesGo) {
  ScopedProductInfoForTesting info(
      R"({"default_profile_path_template": "Tarvo Software/Tarvo {InternalStream}/Data"})");
  base::ScopedTempDir temp;
  ASSERT_TRUE(temp.CreateUniqueTempDir());
  const base::FilePath root = temp.GetPath().Append(L"Tarvo");
  const base::FilePath roaming = temp.GetPath().Append(L"Roaming");
  const base::FilePath local = temp.GetPath().Append(L"Local");
  base::ScopedPathOverride app_data(base::DIR_APP_DATA, roaming);
  base::ScopedPathOverride local_app_data(base::DIR_LOCAL_APP_DATA, local);
  const base::FilePath outside = temp.GetPath().Append(L"outside");
  const base::FilePath other_account = temp.GetPath().Append(L"Users\\someone_else\\Tarvo");
  const base::FilePath relative(L"Tarvo Software\\Tarvo Developer\\Data");
  const base::FilePath profile = roaming.Append(relative);
  const base::FilePath single = root.Append(L"profile\\data");
  const base::FilePath chosen = temp.GetPath().Append(L"Profiles\\Tarvo");
  enum class Link { kNone, kFileInside, kFolderInside };
  const struct {
    const char* name;
    base::FilePath recorded;  // "profile_path"; empty: none, `single`: a single profile
    ObjectWriters writers;
    Link link;
    std::vector<base::FilePath> gone;  // empty: the deletion is refused
  } kCases[] = {
      {"another account's folder", other_account, ObjectWriters::kOthers, Link::kNone, {}},
      {"out of the profile by ..", profile.Append(L"..\\..\\..\\..\\outside"),
       ObjectWriters::kAdministrators, Link::kNone, {}},
      {"the user's own record, elevated", outside, ObjectWriters::kCurrentUser, Link::kNone, {}},
      {"a file link in the single profile", single, ObjectWriters::kOthers, Link::kFileInside,
       {single}},
      {"a folder link in the default profile", {}, ObjectWriters::kOthers, Link::kFolderInside,
       {profile, local.Append(relative)}},
      {"the default profile recorded", profile, ObjectWriters::kOthers, Link::kNone, {profile}},
      {"a folder the administrators recorded", chosen, ObjectWriters::kAdministrators, Link::kNone,
       {chosen}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    const base::FilePath kept[] = {Fill(other_account), Fill(outside),
                                   Fill(roaming.Append(L"Tarvo Software\\Tarvo Stable\\Data"))};
    std::vector<base::FilePath> owned;
    for (const base::FilePath& folder : c.gone)
      owned.push_back(Fill(folder.Append(L"Default")));
    std::string quoted;
    base::EscapeJSONString(base::WideToUTF8(c.recorded.value()), /*put_in_quotes=*/true, &quoted);
    const std::string prefs = c.recorded == single ? R"({"single_profile": true})"
                              : c.recorded.empty() ? "{}"
                                                   : R"({"profile_path": )" + quoted + "}";
    TestLinks links;
    const base::FilePath inside = (c.recorded == single ? single : profile).Append(L"Cookies");
    if ((c.link == Link::kFileInside && !links.Make(inside, kept[1])) ||
        (c.link == Link::kFolderInside && !links.Make(inside, other_account))) {
      GTEST_SKIP() << "no links here";
    }
    testing_support::ScopedLogCapture log;
    DeleteProfile(root, prefs, c.writers);
    for (const base::FilePath& file : kept)
      EXPECT_TRUE(base::PathExists(file)) << file;
    for (const base::FilePath& file : owned)
      EXPECT_FALSE(base::PathExists(file)) << file;
    EXPECT_EQ(c.gone.empty(), log.Contains("Refusing to delete profile folder"));
  }
}

}  // namespace
