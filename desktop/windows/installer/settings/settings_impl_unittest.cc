#include "desktop/windows/installer/settings/settings_impl.h"

#include <memory>

#include "base/bind.h"
#include "base/command_line.h"
#include "base/win/windows_version.h"

#include "desktop/windows/installer/settings/test_support/settings_test_environment.h"
#include "desktop/windows/installer/utils/canonical_folder.h"
#include "desktop/windows/installer/utils/product_info.h"
#include "gtest/gtest.h"

namespace {

base::FilePath Folder(const wchar_t* path) {
  return base::FilePath(path);
}

TEST(SettingsImplTest, CopyOnlyRefusesWhatACopyCannotHave) {
  SettingsTestEnvironment env({L"--copyonly=1"});
  auto settings = env.MakeSettings();
  ASSERT_TRUE(settings->GetCopyOnly());
  CountingSettingsObserver observer;
  settings->AddObserver(&observer);

  EXPECT_FALSE(settings->SetDefaultBrowser(true));
  EXPECT_FALSE(settings->SetDesktopShortcut(true));
  EXPECT_FALSE(settings->SetInstallAssistant(true));
  EXPECT_FALSE(settings->SetAllUsers(true));
  EXPECT_FALSE(settings->GetDefaultBrowser());
  EXPECT_FALSE(settings->GetDesktopShortcut());
  EXPECT_FALSE(settings->GetInstallAssistant());
  EXPECT_FALSE(settings->GetAllUsers());
  EXPECT_FALSE(settings->CanChangeShortcuts());
  EXPECT_EQ(0, observer.flag_changes);

  EXPECT_TRUE(settings->SetStartMenuShortcut(true));
  EXPECT_TRUE(settings->GetStartMenuShortcut());
  EXPECT_EQ(1, observer.flag_changes);
  EXPECT_EQ(INSTALL_MODE_STANDALONE, settings->GetInstallMode());
  settings->RemoveObserver(&observer);
}

TEST(SettingsImplTest, UpgradeRefusesModeAndProfileChanges) {
  SettingsTestEnvironment env;
  const base::FilePath folder = env.scratch().Append(L"Tarvo");
  auto settings = env.MakeSettings(SettingsTestEnvironment::ExistingInstallation(folder));
  ASSERT_EQ(INSTALL_OPERATION_UPGRADE, settings->GetOperation());
  const bool single_profile = settings->GetSingleProfile();
  const InstallMode mode = settings->GetInstallMode();

  EXPECT_FALSE(settings->SetSingleProfile(!single_profile));
  EXPECT_FALSE(settings->SetAllUsers(true));
  EXPECT_FALSE(settings->SetCopyOnly(true));
  EXPECT_FALSE(settings->SetMode(INSTALL_MODE_STANDALONE));
  EXPECT_FALSE(settings->SetMode(INSTALL_MODE_ALL_USERS));
  EXPECT_EQ(single_profile, settings->GetSingleProfile());
  EXPECT_EQ(mode, settings->GetInstallMode());
  EXPECT_EQ(folder, settings->GetInstallFolderPath());
  // Other flags stay open.
  EXPECT_TRUE(settings->SetImportBrowserData(false));
}

TEST(SettingsImplTest, DeleteProfileOnlyInAnUninstallSession) {
  {
    SettingsTestEnvironment env;
    auto settings = env.MakeSettings();
    EXPECT_FALSE(settings->SetDeleteProfile(true));
    EXPECT_FALSE(settings->GetDeleteProfile());
  }
  {
    SettingsTestEnvironment env({L"--uninstall"});
    auto settings = env.MakeSettings(
        SettingsTestEnvironment::ExistingInstallation(env.scratch().Append(L"Installed")));
    ASSERT_EQ(INSTALL_OPERATION_UNINSTALL, settings->GetOperation());
    EXPECT_FALSE(settings->GetDeleteProfile());
    EXPECT_TRUE(settings->SetDeleteProfile(true));
    EXPECT_TRUE(settings->GetDeleteProfile());
  }
}

// The settings read every switch and role flag from the session they were
// given, whatever session the process has.
TEST(SettingsImplTest, SwitchesAndRolesComeFromTheGivenSession) {
  SettingsTestEnvironment env({L"--uninstall", L"--deleteuserprofile=1"});
  base::CommandLine other(base::CommandLine::NO_PROGRAM);
  other.AppendSwitch("copyonly");
  ScopedInstallerSessionForTesting process_session(std::make_unique<InstallerSession>(&other));
  auto settings = env.MakeSettings(
      SettingsTestEnvironment::ExistingInstallation(env.scratch().Append(L"Installed")));
  EXPECT_EQ(INSTALL_OPERATION_UNINSTALL, settings->GetOperation());
  EXPECT_TRUE(settings->GetDeleteProfile());
  EXPECT_FALSE(settings->GetCopyOnly());
  EXPECT_TRUE(settings->SetDeleteProfile(false));
}

TEST(SettingsImplTest, FrozenSettingsChangeNothing) {
  SettingsTestEnvironment env;
  auto settings = env.MakeSettings();
  CountingSettingsObserver observer;
  settings->AddObserver(&observer);
  settings->SetEditable(false);
  const size_t fetchers = env.fetchers().fetchers().size();

  EXPECT_FALSE(settings->SetLaunchBrowser(false));
  EXPECT_FALSE(settings->SetImportBrowserData(false));
  EXPECT_FALSE(settings->SetStartMenuShortcut(false));
  EXPECT_FALSE(settings->SetEnableBrowserStats(false));
  EXPECT_FALSE(settings->SetCopyOnly(true));
  EXPECT_FALSE(settings->SetMode(INSTALL_MODE_STANDALONE));
  settings->SetInstallFolder(L"C:\\Elsewhere");
  settings->SetLanguage(L"de");
  EXPECT_TRUE(settings->GetLaunchBrowser());
  EXPECT_FALSE(settings->GetCopyOnly());
  EXPECT_EQ(fetchers, env.fetchers().fetchers().size());
  EXPECT_EQ(0, observer.flag_changes + observer.language_changes + observer.path_changes);
  settings->RemoveObserver(&observer);
}

// A folder answer that arrives once the settings are frozen is not
// applied, yet nothing stays pending for ever.
TEST(SettingsImplTest, AnswerWhileFrozenIsDroppedAndNotPending) {
  SettingsTestEnvironment env;
  auto settings = env.MakeSettings();
  const base::FilePath before = settings->GetInstallFolderPath();
  settings->SetInstallFolder(L"C:\\Other");
  ASSERT_TRUE(settings->HasPendingFolderDetails());
  settings->SetEditable(false);
  env.AnswerLatest();
  EXPECT_FALSE(settings->HasPendingFolderDetails());
  EXPECT_EQ(before, settings->GetInstallFolderPath());
}

TEST(SettingsImplTest, StandaloneThenCurrentUserRestoresTheShortcuts) {
  SettingsTestEnvironment env;
  auto settings = env.MakeSettings();
  ASSERT_TRUE(settings->GetDesktopShortcut());
  ASSERT_TRUE(settings->SetMode(INSTALL_MODE_STANDALONE));
  EXPECT_TRUE(settings->GetCopyOnly());
  EXPECT_TRUE(settings->GetSingleProfile());
  EXPECT_FALSE(settings->GetDesktopShortcut());
  EXPECT_FALSE(settings->GetStartMenuShortcut());
  EXPECT_FALSE(settings->GetPinnedShortcut());

  ASSERT_TRUE(settings->SetMode(INSTALL_MODE_CURRENT_USER));
  EXPECT_FALSE(settings->GetCopyOnly());
  EXPECT_FALSE(settings->GetSingleProfile());
  EXPECT_FALSE(settings->GetAllUsers());
  EXPECT_TRUE(settings->GetDesktopShortcut());
  EXPECT_TRUE(settings->GetStartMenuShortcut());
  // Back to the default: no quick-launch bar from Windows 7 on.
  EXPECT_FALSE(settings->GetQuickLaunchShortcut());
  EXPECT_TRUE(settings->GetPinnedShortcut());
  EXPECT_EQ(INSTALL_MODE_CURRENT_USER, settings->GetInstallMode());

  ASSERT_TRUE(settings->SetMode(INSTALL_MODE_ALL_USERS));
  EXPECT_TRUE(settings->GetAllUsers());
  EXPECT_FALSE(settings->SetMode(static_cast<InstallMode>(3)));
}

// The switches left out, each shortcut has its default: from Windows 7 on
// (the tests' system) all but the quick-launch one.
TEST(SettingsImplTest, ShortcutDefaults) {
  ASSERT_GE(base::win::GetVersion(), base::win::VERSION_WIN7);
  SettingsTestEnvironment env;
  auto settings = env.MakeSettings();
  EXPECT_TRUE(settings->GetDesktopShortcut());
  EXPECT_TRUE(settings->GetStartMenuShortcut());
  EXPECT_FALSE(settings->GetQuickLaunchShortcut());
  EXPECT_TRUE(settings->GetPinnedShortcut());
  base::CommandLine backend(base::CommandLine::NO_PROGRAM);
  settings->ToCommandLine(&backend, /*suppress_launch=*/false);
  EXPECT_EQ("0", backend.GetSwitchValueASCII("quicklaunchshortcut"));
}

TEST(SettingsImplTest, ShortcutSwitchesWinWhenCopyOnlyIsLeft) {
  SettingsTestEnvironment env({L"--desktopshortcut=0", L"--singleprofile=1"});
  auto settings = env.MakeSettings();
  ASSERT_TRUE(settings->SetMode(INSTALL_MODE_STANDALONE));
  ASSERT_TRUE(settings->SetMode(INSTALL_MODE_CURRENT_USER));
  EXPECT_FALSE(settings->GetDesktopShortcut());
  EXPECT_TRUE(settings->GetStartMenuShortcut());
  // The switch keeps single profile where the user asked for it.
  EXPECT_TRUE(settings->GetSingleProfile());
}

// The folder the user did not choose follows the mode; one they chose
// stays.
TEST(SettingsImplTest, ModeMovesOnlyADefaultFolder) {
  SettingsTestEnvironment env;
  auto settings = env.MakeSettings();
  const base::FilePath current_user_default = settings->GetInstallFolderPath();
  ASSERT_FALSE(current_user_default.empty());
  ASSERT_TRUE(settings->SetMode(INSTALL_MODE_ALL_USERS));
  base::FilePath all_users_default;
  settings->GetDefaultInstallFolder(&all_users_default, DEFAULT_FOLDER_ALL);
  ASSERT_NE(current_user_default, all_users_default);
  ASSERT_EQ(all_users_default, env.fetchers().last()->folder());
  env.AnswerLatest();
  EXPECT_EQ(all_users_default, settings->GetInstallFolderPath());

  settings->SetInstallFolder(L"D:\\Mine");
  env.AnswerLatest();
  const size_t fetchers = env.fetchers().fetchers().size();
  ASSERT_TRUE(settings->SetMode(INSTALL_MODE_CURRENT_USER));
  EXPECT_EQ(fetchers, env.fetchers().fetchers().size());
  EXPECT_EQ(Folder(L"D:\\Mine"), settings->GetInstallFolderPath());
}

// Another spelling of the folder the settings hold asks for nothing new.
TEST(SettingsImplTest, AnotherSpellingOfTheFolderIsTheSameFolder) {
  SettingsTestEnvironment env;
  auto settings = env.MakeSettings();
  settings->SetInstallFolder(L"D:\\Mine");
  env.AnswerLatest();
  const size_t fetchers = env.fetchers().fetchers().size();
  for (const wchar_t* spelling : {L"d:/mine", L"D:\\\\MINE\\", L"D:\\x\\..\\Mine"})
    settings->SetInstallFolder(spelling);
  EXPECT_EQ(fetchers, env.fetchers().fetchers().size());
  settings->SetInstallFolder(L"D:\\Mine2");
  EXPECT_EQ(fetchers + 1, env.fetchers().fetchers().size());
}

// A folder too long for what an installation makes of it is an invalid
// path (exit code 103) up front; an installation already there can still
// be uninstalled.
TEST(SettingsImplTest, FolderTooLongForTheInstallationIsInvalid) {
  const size_t limit = GetMaxInstallFolderLength(product_info::GetVersion().size());
  const auto folder_of = [](size_t length) {
    return base::FilePath(L"C:\\" + std::wstring(length - 3, L'a'));
  };
  SettingsTestEnvironment env;
  auto settings = env.MakeSettings();
  settings->SetInstallFolderPath(folder_of(limit));
  env.AnswerLatest();
  EXPECT_EQ(FOLDER_PROBLEM_NONE, settings->GetFolderProblem());
  EXPECT_EQ(INSTALL_OPERATION_INSTALL, settings->GetOperation());
  settings->SetInstallFolderPath(folder_of(limit + 1));
  env.AnswerLatest();
  EXPECT_EQ(FOLDER_PROBLEM_INVALID_PATH, settings->GetFolderProblem());
  EXPECT_EQ(INSTALL_OPERATION_UNKNOWN, settings->GetOperation());

  SettingsTestEnvironment uninstall({L"--uninstall"});
  auto uninstalling = uninstall.MakeSettings(
      SettingsTestEnvironment::ExistingInstallation(folder_of(limit + 20)));
  EXPECT_EQ(FOLDER_PROBLEM_NONE, uninstalling->GetFolderProblem());
  EXPECT_EQ(INSTALL_OPERATION_UNINSTALL, uninstalling->GetOperation());
}

TEST(SettingsImplTest, OnlyTheLatestFolderAnswerApplies) {
  SettingsTestEnvironment env;
  auto settings = env.MakeSettings();
  CountingSettingsObserver observer;
  settings->AddObserver(&observer);

  settings->SetInstallFolder(L"C:\\First");
  FakeInstallationFolderDetailsFetcher* first = env.fetchers().last();
  settings->SetInstallFolder(L"C:\\Second");
  FakeInstallationFolderDetailsFetcher* second = env.fetchers().last();
  ASSERT_NE(first, second);
  EXPECT_TRUE(first->cancelled());
  EXPECT_TRUE(settings->HasPendingFolderDetails());

  // The first answer is dropped even when it gets through.
  auto late = std::make_unique<FakeInstallationFolderDetails>();
  late->path = Folder(L"C:\\First");
  EXPECT_FALSE(first->Reply(std::move(late)));
  EXPECT_EQ(0, observer.path_changes);

  EXPECT_TRUE(env.AnswerLatest());
  EXPECT_EQ(Folder(L"C:\\Second"), settings->GetInstallFolderPath());
  EXPECT_FALSE(settings->HasPendingFolderDetails());
  EXPECT_EQ(1, observer.path_changes);
  EXPECT_EQ(INSTALL_OPERATION_INSTALL, settings->GetOperation());
  settings->RemoveObserver(&observer);
}

// A fetcher that ignores Cancel and answers anyway must not win either.
class StubbornFetcher : public InstallationFolderDetailsFetcher {
 public:
  void FetchStatus(Callback callback) override { callback_ = std::move(callback); }
  void Cancel() override {}
  Callback callback_;

 private:
  ~StubbornFetcher() override = default;
};

TEST(SettingsImplTest, AnAnswerToAnOlderRequestIsIgnored) {
  SettingsTestEnvironment env;
  std::vector<base::scoped_refptr<StubbornFetcher>> made;
  InstallationFolderDetailsFetcherFactory factory = base::BindRepeating(
      [](std::vector<base::scoped_refptr<StubbornFetcher>>* made, const base::FilePath&, bool) {
        made->push_back(base::MakeRefCounted<StubbornFetcher>());
        return base::scoped_refptr<InstallationFolderDetailsFetcher>(made->back());
      },
      &made);
  SettingsImpl settings(env.session(), base::FilePath(), 0, nullptr, factory);
  ASSERT_EQ(1u, made.size());
  settings.SetInstallFolder(L"C:\\Newer");
  ASSERT_EQ(2u, made.size());
  auto old_answer = std::make_unique<FakeInstallationFolderDetails>();
  old_answer->path = Folder(L"C:\\Older");
  std::move(made[0]->callback_).Run(std::move(old_answer));
  EXPECT_TRUE(settings.GetInstallFolderPath().empty());
  EXPECT_TRUE(settings.HasPendingFolderDetails());
  auto answer = std::make_unique<FakeInstallationFolderDetails>();
  answer->path = Folder(L"C:\\Newer");
  std::move(made[1]->callback_).Run(std::move(answer));
  EXPECT_EQ(Folder(L"C:\\Newer"), settings.GetInstallFolderPath());
}

// The current folder or language asks for nothing; every accepted flag
// setter tells the observers, whether or not the value changed.
TEST(SettingsImplTest, NotificationsOfTheSetters) {
  SettingsTestEnvironment env;
  auto settings = env.MakeSettings();
  CountingSettingsObserver observer;
  settings->AddObserver(&observer);
  const size_t fetchers = env.fetchers().fetchers().size();

  settings->SetInstallFolderPath(settings->GetInstallFolderPath());
  EXPECT_EQ(fetchers, env.fetchers().fetchers().size());
  settings->SetLanguage(settings->GetLanguage());
  EXPECT_EQ(0, observer.flag_changes + observer.language_changes + observer.path_changes);

  EXPECT_TRUE(settings->SetLaunchBrowser(settings->GetLaunchBrowser()));
  EXPECT_TRUE(settings->SetCopyOnly(false));
  EXPECT_TRUE(settings->SetLaunchBrowser(!settings->GetLaunchBrowser()));
  EXPECT_EQ(3, observer.flag_changes);
  settings->RefreshFolderDetails();
  EXPECT_EQ(fetchers + 1, env.fetchers().fetchers().size());
  env.AnswerLatest();
  EXPECT_EQ(1, observer.path_changes);
  settings->RemoveObserver(&observer);
}

// An observer that removes another while being told: the removed one is
// not called afterwards.
TEST(SettingsImplTest, ObserverRemovedDuringNotificationIsNotCalled) {
  SettingsTestEnvironment env;
  auto settings = env.MakeSettings();
  CountingSettingsObserver second;
  struct Remover : CountingSettingsObserver {
    void OnFlagChanged() override {
      CountingSettingsObserver::OnFlagChanged();
      settings->RemoveObserver(other);
    }
    SettingsImpl* settings = nullptr;
    SettingsObserver* other = nullptr;
  } first;
  first.settings = settings.get();
  first.other = &second;
  settings->AddObserver(&first);
  settings->AddObserver(&second);
  settings->SetLaunchBrowser(false);
  EXPECT_EQ(1, first.flag_changes);
  EXPECT_EQ(0, second.flag_changes);
  settings->RemoveObserver(&first);
}

TEST(SettingsImplTest, LanguageIsTheOneTheHandlerChose) {
  SettingsTestEnvironment env;
  auto settings = env.MakeSettings();
  CountingSettingsObserver observer;
  settings->AddObserver(&observer);
  // Only English is offered: another language falls back to it, and the
  // observers hear of the choice all the same.
  ASSERT_EQ(L"en", settings->GetLanguage());
  settings->SetLanguage(L"xx");
  EXPECT_EQ(L"en", settings->GetLanguage());
  EXPECT_EQ(1, observer.language_changes);
  settings->RemoveObserver(&observer);
}

TEST(SettingsImplTest, SummaryForTheStatistics) {
  SettingsTestEnvironment env;
  auto settings = env.MakeSettings();
  settings->SetDefaultBrowser(true);
  InstallationSettings summary = settings->GetSummary();
  EXPECT_TRUE(summary.make_default);
  EXPECT_TRUE(summary.using_default_installation_folder);
  // A writable folder for the current user needs no elevation.
  EXPECT_FALSE(summary.using_privileged_installation_folder);
  EXPECT_EQ(INSTALL_MODE_CURRENT_USER, static_cast<InstallMode>(summary.installation_mode));
  EXPECT_EQ(INSTALL_OPERATION_INSTALL,
            static_cast<InstallOperation>(summary.installation_operation));

  settings->SetInstallFolder(L"D:\\Elsewhere");
  env.AnswerLatest();
  ASSERT_TRUE(settings->SetMode(INSTALL_MODE_ALL_USERS));
  summary = settings->GetSummary();
  EXPECT_FALSE(summary.using_default_installation_folder);
  EXPECT_TRUE(summary.using_privileged_installation_folder);
  EXPECT_EQ(INSTALL_MODE_ALL_USERS, static_cast<InstallMode>(summary.installation_mode));
}

}  // namespace
