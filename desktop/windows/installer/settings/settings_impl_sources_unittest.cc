#include <memory>
#include <string>
#include <vector>

#include "base/base_paths.h"
#include "base/files/file_util.h"
#include "base/path_service.h"
#include "base/strings/utf_string_conversions.h"
#include "base/test/scoped_path_override.h"
#include "base/win/registry.h"
#include "desktop/windows/installer/settings/settings_impl.h"
#include "desktop/windows/installer/settings/test_support/settings_test_environment.h"
#include "desktop/windows/installer/utils/installer_architecture.h"
#include "desktop/windows/installer/utils/product_info.h"
#include "desktop/windows/installer/utils/service_utils.h"
#include "gtest/gtest.h"

namespace {

std::wstring ProductFolderName() {
  return base::UTF8ToWide(product_info::GetVisibleProductNameWithChannel());
}

void WriteLastInstallPath(const std::wstring& value_name, const std::wstring& path) {
  base::win::RegKey key(HKEY_CURRENT_USER, GetCompanyRegistryKey().c_str(), KEY_SET_VALUE);
  ASSERT_EQ(ERROR_SUCCESS, key.WriteValue(value_name.c_str(), path.c_str()));
}

std::wstring StandardValueName() {
  return L"Last " + base::UTF8ToWide(product_info::GetChannelName()) + L" Install Path";
}

TEST(SettingsSourcesTest, CopyOnlySwitchKeepsShortcutsOffAndSkipsAllUsers) {
  SettingsTestEnvironment env({L"--copyonly=1", L"--desktopshortcut=1", L"--allusers=1"});
  auto settings = env.MakeSettings();
  EXPECT_TRUE(settings->GetCopyOnly());
  EXPECT_FALSE(settings->GetDesktopShortcut());
  EXPECT_FALSE(settings->GetAllUsers());
  EXPECT_TRUE(settings->GetSingleProfile());
}

TEST(SettingsSourcesTest, StatisticsAndLaunchSwitches) {
  {
    SettingsTestEnvironment env({L"--enable-stats=0", L"--launchtarvo=0", L"--launchbrowser=1"});
    auto settings = env.MakeSettings();
    EXPECT_FALSE(settings->GetEnableBrowserStats());
    EXPECT_FALSE(settings->GetEnableInstallerStats());
    EXPECT_FALSE(settings->GetLaunchBrowser());
  }
  {
    SettingsTestEnvironment env(
        {L"--enable-stats=0", L"--enable-installer-stats=1", L"--launchbrowser=no"});
    auto settings = env.MakeSettings();
    EXPECT_FALSE(settings->GetEnableBrowserStats());
    EXPECT_TRUE(settings->GetEnableInstallerStats());
    EXPECT_FALSE(settings->GetLaunchBrowser());
  }
}

// An interactive run counts an administrator who could elevate; a silent
// one only a process that already runs elevated.
TEST(SettingsSourcesTest, AllUsersDefaultFollowsTheRights) {
  {
    SettingsTestEnvironment env;
    env.security().SetUser(/*elevated=*/false, /*can_elevate=*/true);
    EXPECT_TRUE(env.MakeSettings()->GetAllUsers());
  }
  {
    SettingsTestEnvironment env({L"--silent"});
    env.security().SetUser(/*elevated=*/false, /*can_elevate=*/true);
    EXPECT_FALSE(env.MakeSettings()->GetAllUsers());
  }
  {
    SettingsTestEnvironment env({L"--allusers=0"});
    env.security().SetUser(/*elevated=*/true, /*can_elevate=*/true);
    EXPECT_FALSE(env.MakeSettings()->GetAllUsers());
  }
}

TEST(SettingsSourcesTest, InstallAssistantSwitchMeansOn) {
  SettingsTestEnvironment env({L"--install-assistant=0"});
  EXPECT_TRUE(env.MakeSettings()->GetInstallAssistant());
}

// The per-user folder is never relative, also where the system knows no
// per-user program folder (Wine).
TEST(SettingsSourcesTest, DefaultFoldersAreAbsolute) {
  SettingsTestEnvironment env;
  auto settings = env.MakeSettings();
  base::FilePath current_user;
  settings->ComputeDefaultInstallFolder(&current_user, DEFAULT_FOLDER_STANDARD, 0,
                                        /*all_users=*/false, /*copy_only=*/false);
  EXPECT_TRUE(current_user.IsAbsolute()) << current_user.value();
  EXPECT_EQ(ProductFolderName(), current_user.BaseName().value());
  EXPECT_EQ(current_user, settings->GetInstallFolderPath());

  base::FilePath all_users;
  settings->ComputeDefaultInstallFolder(&all_users, DEFAULT_FOLDER_STANDARD,
                                        INSTALLER_ARCHITECTURE_X86, /*all_users=*/true, false);
  base::FilePath program_files_x86;
  ASSERT_TRUE(base::PathService::Get(base::DIR_PROGRAM_FILESX86, &program_files_x86));
  EXPECT_EQ(program_files_x86.Append(ProductFolderName()), all_users);

  base::FilePath none;
  settings->ComputeDefaultInstallFolder(&none, DEFAULT_FOLDER_COMMAND_LINE, 0, false, false);
  EXPECT_TRUE(none.empty());
}

TEST(SettingsSourcesTest, CommandLineFolderComesFirst) {
  SettingsTestEnvironment env({L"--installfolder=D:\\From switch\\"});
  auto settings = env.MakeSettings();
  EXPECT_EQ(base::FilePath(L"D:\\From switch\\"), settings->GetInstallFolderPath());
}

TEST(SettingsSourcesTest, RegistryFolderMustBeAnExistingAbsoluteFolder) {
  {
    SettingsTestEnvironment env;
    WriteLastInstallPath(StandardValueName(), L"relative\\Tarvo");
    auto settings = env.MakeSettings();
    EXPECT_TRUE(settings->GetInstallFolderPath().IsAbsolute());
    EXPECT_NE(L"relative\\Tarvo", settings->GetInstallFolderPath().value());
  }
  {
    SettingsTestEnvironment env;
    WriteLastInstallPath(StandardValueName(), env.scratch().Append(L"gone").value());
    auto settings = env.MakeSettings();
    EXPECT_NE(env.scratch().Append(L"gone"), settings->GetInstallFolderPath());
  }
  {
    SettingsTestEnvironment env;
    WriteLastInstallPath(StandardValueName(), env.scratch().value());
    // Read only in builds of another stream.
    WriteLastInstallPath(L"Last install path", L"C:\\");
    auto settings = env.MakeSettings();
    EXPECT_EQ(env.scratch(), settings->GetInstallFolderPath());
    std::vector<base::FilePath> candidates = settings->GetCandidateInstallFolders();
    EXPECT_EQ(std::vector<base::FilePath>{env.scratch()}, candidates);
  }
}

// The value holds the folder and a separator (two after an installer that
// kept it): the folder is the same as a fresh install's, and a drive's root
// keeps its own.
TEST(SettingsSourcesTest, RegistryFolderLosesTheSeparatorItIsWrittenWith) {
  for (const wchar_t* separators : {L"\\", L"\\\\", L"/"}) {
    SettingsTestEnvironment env;
    WriteLastInstallPath(StandardValueName(), env.scratch().value() + separators);
    auto settings = env.MakeSettings();
    EXPECT_EQ(env.scratch().value(), settings->GetInstallFolderPath().value()) << separators;
  }
  SettingsTestEnvironment env;
  WriteLastInstallPath(StandardValueName(), L"C:\\");
  auto settings = env.MakeSettings();
  EXPECT_EQ(L"C:\\", settings->GetInstallFolderPath().value());
}

// A 64-bit installer upgrades a 32-bit installation in place but installs
// anew only into the standard folder.
TEST(SettingsSourcesTest, RegistryFolderInProgramFilesX86) {
  SettingsTestEnvironment env;
  base::ScopedPathOverride program_files_x86(base::DIR_PROGRAM_FILESX86, env.scratch());
  const base::FilePath old_folder = env.scratch().Append(L"Tarvo");
  ASSERT_TRUE(base::CreateDirectory(old_folder));
  WriteLastInstallPath(StandardValueName() + L" x64", old_folder.value());
  {
    auto settings = env.MakeSettings(nullptr, INSTALLER_ARCHITECTURE_X64);
    ASSERT_EQ(old_folder, env.fetchers().fetchers().front()->folder());
    // No installation there: the standard folder is asked for next.
    EXPECT_NE(old_folder, env.fetchers().last()->folder());
    EXPECT_TRUE(settings->HasPendingFolderDetails());
    env.AnswerLatest();
    base::FilePath standard;
    settings->GetDefaultInstallFolder(&standard, DEFAULT_FOLDER_STANDARD);
    EXPECT_EQ(standard, settings->GetInstallFolderPath());
    EXPECT_EQ(INSTALL_OPERATION_INSTALL, settings->GetOperation());
  }
  {
    auto settings = env.MakeSettings(SettingsTestEnvironment::ExistingInstallation(old_folder),
                                     INSTALLER_ARCHITECTURE_X64);
    EXPECT_EQ(old_folder, settings->GetInstallFolderPath());
    EXPECT_EQ(INSTALL_OPERATION_UPGRADE, settings->GetOperation());
  }
}

TEST(SettingsSourcesTest, StandaloneFolderPrefersRemovableDrives) {
  {
    SettingsTestEnvironment env({L"--copyonly=1"});
    env.os().drives = {{L'C', DRIVE_FIXED},
                       {L'D', DRIVE_REMOVABLE, /*media_present=*/false},
                       {L'E', DRIVE_REMOVABLE},
                       {L'F', DRIVE_REMOVABLE}};
    auto settings = env.MakeSettings();
    EXPECT_EQ(base::FilePath(L"E:\\").Append(ProductFolderName()),
              settings->GetInstallFolderPath());
  }
  {
    // A CD-ROM loses to the desktop; a fixed drive wins over it.
    SettingsTestEnvironment env({L"--copyonly=1"});
    env.os().drives = {{L'D', DRIVE_CDROM}};
    base::ScopedPathOverride desktop(base::DIR_USER_DESKTOP, env.scratch());
    auto settings = env.MakeSettings();
    EXPECT_EQ(env.scratch().Append(ProductFolderName()), settings->GetInstallFolderPath());
  }
}

// With nothing better than an unknown drive (and no desktop) there is no
// standalone folder: the request is still made and answered as invalid.
TEST(SettingsSourcesTest, NoStandaloneFolderStillSettles) {
  SettingsTestEnvironment env({L"--copyonly=1"});
  env.os().drives = {{L'Q', DRIVE_UNKNOWN}};
  base::ScopedPathOverride desktop(base::DIR_USER_DESKTOP, base::FilePath(L"relative"),
                                   /*is_absolute=*/true, /*create=*/false);
  SettingsImpl settings(env.session(), base::FilePath(), 0, nullptr, env.fetchers().GetFactory());
  ASSERT_EQ(1u, env.fetchers().fetchers().size());
  EXPECT_TRUE(env.fetchers().last()->folder().empty());
  CountingSettingsObserver observer;
  settings.AddObserver(&observer);
  auto invalid = std::make_unique<FakeInstallationFolderDetails>();
  invalid->folder_problem = FOLDER_PROBLEM_INVALID_PATH;
  env.AnswerLatest(std::move(invalid));
  EXPECT_EQ(1, observer.path_changes);
  EXPECT_EQ(FOLDER_PROBLEM_INVALID_PATH, settings.GetFolderProblem());
  EXPECT_EQ(INSTALL_OPERATION_UNKNOWN, settings.GetOperation());
  settings.RemoveObserver(&observer);
}

void AddUninstallEntry(const std::wstring& name, const std::wstring& display_name) {
  base::win::RegKey key;
  ASSERT_EQ(ERROR_SUCCESS,
            key.Create(HKEY_CURRENT_USER, GetUninstallRegistryKey(name).c_str(), KEY_SET_VALUE));
  key.WriteValue(L"Publisher", L"Tarvo Software AS");
  key.WriteValue(L"DisplayName", display_name.c_str());
}

TEST(SettingsSourcesTest, SecondInstallationOfTheStream) {
  {
    SettingsTestEnvironment env({L"--uninstall"});
    AddUninstallEntry(L"Tarvo A", L"Tarvo developer 51.0");
    AddUninstallEntry(L"Other", L"Tarvo developer 51.0");  // not the maker's entry name
    AddUninstallEntry(L"Tarvo B", L"Tarvo Stable 51.0");   // another stream
    AddUninstallEntry(L"Tarvo C", L"Tarvo developer");     // no blank after the word
    EXPECT_TRUE(env.MakeSettings()->IsOnlyInstallationOfStream());
  }
  {
    SettingsTestEnvironment env({L"--uninstall"});
    AddUninstallEntry(L"Tarvo A", L"Tarvo developer 51.0");
    AddUninstallEntry(L"Tarvo B", L"Tarvo Developer 52.0");
    EXPECT_FALSE(env.MakeSettings()->IsOnlyInstallationOfStream());
  }
  {
    // A backend never scans.
    SettingsTestEnvironment env({L"--uninstall", L"--backend"});
    AddUninstallEntry(L"Tarvo A", L"Tarvo developer 51.0");
    AddUninstallEntry(L"Tarvo B", L"Tarvo Developer 52.0");
    EXPECT_TRUE(env.MakeSettings()->IsOnlyInstallationOfStream());
  }
}

TEST(SettingsSourcesTest, UninstallOfAFolderWithoutInstallation) {
  SettingsTestEnvironment env({L"--uninstall", L"--deleteuserprofile=1"});
  auto settings = env.MakeSettings();
  EXPECT_EQ(env.scratch().Append(L"Installed"), env.fetchers().last()->folder());
  EXPECT_EQ(FOLDER_PROBLEM_NOTHING_TO_UNINSTALL, settings->GetFolderProblem());
  EXPECT_EQ(INSTALL_OPERATION_UNKNOWN, settings->GetOperation());
  EXPECT_TRUE(settings->GetDeleteProfile());
}

TEST(SettingsSourcesTest, ExistingInstallationGivesItsSettings) {
  SettingsTestEnvironment env({L"--startmenushortcut=1"});
  auto details = SettingsTestEnvironment::ExistingInstallation(env.scratch(), false, true);
  details->desktop_shortcut_exists = true;
  details->start_menu_shortcut_exists = false;
  details->quick_launch_shortcut_exists = true;
  details->single_profile = kTriStateTrue;
  details->import_browser_data = kTriStateFalse;
  details->enable_stats = kTriStateUnknown;
  details->language = L"en";
  auto settings = env.MakeSettings(std::move(details));
  EXPECT_EQ(INSTALL_OPERATION_UPGRADE, settings->GetOperation());
  EXPECT_TRUE(settings->GetAllUsers());
  EXPECT_TRUE(settings->GetSingleProfile());
  EXPECT_TRUE(settings->GetDesktopShortcut());
  EXPECT_TRUE(settings->GetStartMenuShortcut());  // the switch wins
  EXPECT_TRUE(settings->GetQuickLaunchShortcut());
  EXPECT_TRUE(settings->GetPinnedShortcut());  // no pins, not an autoupdate
  EXPECT_FALSE(settings->GetImportBrowserData());
  // Unknown preferences keep the defaults.
  EXPECT_TRUE(settings->GetEnableBrowserStats());
  EXPECT_TRUE(settings->GetEnableInstallerStats());
}

// "enable-stats" on the command line decides both statistics flags: an
// installation that had statistics on does not switch the installer's back
// on against it. Only "enable-installer-stats" itself overrides it, and
// without either switch the installation's preference holds for both.
TEST(SettingsSourcesTest, StatisticsSwitchOutweighsTheInstallationsPreference) {
  const struct {
    std::vector<std::wstring> switches;
    int32_t preference;
    bool browser_stats;
    bool installer_stats;
  } cases[] = {
      {{L"--enable-stats=0"}, kTriStateTrue, false, false},
      {{L"--enable-stats=1"}, kTriStateFalse, true, true},
      {{L"--enable-stats=0", L"--enable-installer-stats=1"}, kTriStateTrue, false, true},
      {{}, kTriStateFalse, false, false},
  };
  for (const auto& c : cases) {
    SettingsTestEnvironment env(c.switches);
    auto details = SettingsTestEnvironment::ExistingInstallation(env.scratch());
    details->enable_stats = c.preference;
    auto settings = env.MakeSettings(std::move(details));
    ASSERT_EQ(INSTALL_OPERATION_UPGRADE, settings->GetOperation());
    EXPECT_EQ(c.browser_stats, settings->GetEnableBrowserStats()) << c.switches.size();
    EXPECT_EQ(c.installer_stats, settings->GetEnableInstallerStats()) << c.switches.size();
  }
}

TEST(SettingsSourcesTest, ExistingCopyOnlyInstallation) {
  SettingsTestEnvironment env({L"--autoupdate"});
  auto settings = env.MakeSettings(
      SettingsTestEnvironment::ExistingInstallation(env.scratch(), /*copy_only=*/true));
  EXPECT_TRUE(settings->GetCopyOnly());
  EXPECT_FALSE(settings->GetAllUsers());
  EXPECT_FALSE(settings->GetPinnedShortcut());  // autoupdate without pins
  EXPECT_EQ(INSTALL_MODE_STANDALONE, settings->GetInstallMode());
}

TEST(SettingsSourcesTest, OperationFollowsSessionAndSwitches) {
  {
    SettingsTestEnvironment env({L"--register-tarvo-as-protocol-handler"});
    EXPECT_EQ(INSTALL_OPERATION_REGISTER_PROTOCOL_HANDLER,
              env.MakeSettings(SettingsTestEnvironment::ExistingInstallation(env.scratch()))
                  ->GetOperation());
  }
  {
    SettingsTestEnvironment env;
    auto full = std::make_unique<FakeInstallationFolderDetails>();
    full->folder_problem = FOLDER_PROBLEM_NOT_ENOUGH_SPACE;
    auto settings = env.MakeSettings(std::move(full));
    EXPECT_EQ(FOLDER_PROBLEM_NOT_ENOUGH_SPACE, settings->GetFolderProblem());
    EXPECT_EQ(INSTALL_OPERATION_UNKNOWN, settings->GetOperation());
  }
}

TEST(SettingsSourcesTest, NewFolderSingleProfileFromDetailsOrCopyOnly) {
  {
    SettingsTestEnvironment env;
    auto details = std::make_unique<FakeInstallationFolderDetails>();
    details->single_profile = kTriStateTrue;
    EXPECT_TRUE(env.MakeSettings(std::move(details))->GetSingleProfile());
  }
  {
    SettingsTestEnvironment env({L"--singleprofile=0"});
    auto details = std::make_unique<FakeInstallationFolderDetails>();
    details->single_profile = kTriStateTrue;
    EXPECT_FALSE(env.MakeSettings(std::move(details))->GetSingleProfile());
  }
}

}  // namespace
