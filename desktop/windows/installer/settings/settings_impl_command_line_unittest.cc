#include <memory>
#include <string>
#include <vector>

#include "base/command_line.h"
#include "desktop/windows/installer/settings/settings_impl.h"
#include "desktop/windows/installer/settings/test_support/settings_test_environment.h"
#include "gtest/gtest.h"

namespace {

// Everything a backend must get back from its command line.
struct Snapshot {
  InstallOperation operation;
  std::vector<bool> flags;
  std::wstring language;
  base::FilePath folder;
  base::FilePath profile_folder;

  bool operator==(const Snapshot&) const = default;
};

Snapshot Take(const SettingsImpl& settings) {
  return {settings.GetOperation(),
          {settings.GetCopyOnly(), settings.GetSingleProfile(), settings.GetLaunchBrowser(),
           settings.GetAllUsers(), settings.GetDefaultBrowser(), settings.GetImportBrowserData(),
           settings.GetInstallAssistant(), settings.GetEnableBrowserStats(),
           settings.GetEnableInstallerStats(), settings.GetDesktopShortcut(),
           settings.GetStartMenuShortcut(), settings.GetQuickLaunchShortcut(),
           settings.GetPinnedShortcut(), settings.GetDeleteProfile()},
          settings.GetLanguage(),
          settings.GetInstallFolderPath(),
          settings.GetProfileFolder()};
}

std::vector<std::wstring> BackendArguments(const SettingsImpl& settings) {
  base::CommandLine command_line(base::CommandLine::NO_PROGRAM);
  settings.ToCommandLine(&command_line, /*suppress_launch=*/false);
  // Through the text a process really gets.
  base::CommandLine parsed = base::CommandLine::FromString(
      L"installer.exe " + command_line.GetArgumentsString());
  std::vector<std::wstring> argv = parsed.argv();
  return std::vector<std::wstring>(argv.begin() + 1, argv.end());
}

// The answer the backend's folder request gets: the same folder as the
// front end saw.
std::unique_ptr<FakeInstallationFolderDetails> SameDetails(const InstallationFolderDetails& front,
                                                          bool copy_only,
                                                          bool all_users) {
  if (front.HasExistingInstallation())
    return SettingsTestEnvironment::ExistingInstallation(front.GetPath(), copy_only, all_users);
  auto details = std::make_unique<FakeInstallationFolderDetails>();
  details->path = front.GetPath();
  return details;
}

class SettingsRoundTripTest : public testing::Test {
 protected:
  // Builds the backend's settings from the front end's command line and
  // checks that they are the same.
  void ExpectRoundTrip(const SettingsImpl& front, bool copy_only = false, bool all_users = false) {
    const Snapshot expected = Take(front);
    std::vector<std::wstring> arguments = BackendArguments(front);
    arguments.insert(arguments.end(), extra_backend_switches_.begin(),
                     extra_backend_switches_.end());
    SettingsTestEnvironment backend_env(arguments);
    auto backend = backend_env.MakeSettings(
        SameDetails(*front.GetFolderDetails(), copy_only, all_users));
    EXPECT_EQ(expected, Take(*backend)) << testing::PrintToString(arguments);
  }

  std::vector<std::wstring> extra_backend_switches_;
};

TEST_F(SettingsRoundTripTest, InstallWithAwkwardValues) {
  SettingsTestEnvironment env({L"--profile-folder=C:\\My \"odd\" profile\\"});
  auto front = env.MakeSettings();
  front->SetInstallFolder(L"C:\\Program Files\\Tarvo dir\\");
  env.AnswerLatest();
  ASSERT_EQ(INSTALL_OPERATION_INSTALL, front->GetOperation());
  front->SetDefaultBrowser(true);
  front->SetDesktopShortcut(false);
  front->SetEnableInstallerStats(false);
  front->SetInstallAssistant(true);
  front->SetSingleProfile(true);
  front->SetLaunchBrowser(false);
  ExpectRoundTrip(*front);
}

TEST_F(SettingsRoundTripTest, InstallAllUsersAndStandalone) {
  {
    SettingsTestEnvironment env;
    auto front = env.MakeSettings();
    ASSERT_TRUE(front->SetMode(INSTALL_MODE_ALL_USERS));
    env.AnswerLatest();
    front->SetQuickLaunchShortcut(true);
    ExpectRoundTrip(*front);
  }
  {
    SettingsTestEnvironment env;
    auto front = env.MakeSettings();
    ASSERT_TRUE(front->SetMode(INSTALL_MODE_STANDALONE));
    front->SetInstallFolder(L"E:\\Stick\\Tarvo");
    env.AnswerLatest();
    ASSERT_TRUE(front->GetCopyOnly());
    ExpectRoundTrip(*front);
  }
}

// Campaign defaults are defaults: the choice the front end made (and wrote
// as a switch) is what the backend keeps, though it reads the same
// tracking data.
TEST_F(SettingsRoundTripTest, TrackingDataDoesNotUndoTheUsersChoice) {
  const std::wstring campaign = L"--otd=utm.defbr:true,utm.fsce:true";
  SettingsTestEnvironment env({campaign});
  auto front = env.MakeSettings();
  ASSERT_TRUE(front->GetDefaultBrowser());
  ASSERT_TRUE(front->GetRunImmediately());
  front->SetDefaultBrowser(false);
  front->SetEnableBrowserStats(false);
  extra_backend_switches_ = {campaign};
  ExpectRoundTrip(*front);
}

TEST_F(SettingsRoundTripTest, Upgrade) {
  SettingsTestEnvironment env({L"--language=en"});
  const base::FilePath folder = env.scratch().Append(L"Tarvo \"x\" here\\");
  auto front = env.MakeSettings(
      SettingsTestEnvironment::ExistingInstallation(folder, false, /*all_users=*/true));
  ASSERT_EQ(INSTALL_OPERATION_UPGRADE, front->GetOperation());
  front->SetImportBrowserData(false);
  front->SetStartMenuShortcut(false);

  base::CommandLine command_line(base::CommandLine::NO_PROGRAM);
  front->ToCommandLine(&command_line, /*suppress_launch=*/false);
  EXPECT_TRUE(command_line.HasSwitch("install"));
  EXPECT_FALSE(command_line.HasSwitch("singleprofile"));
  EXPECT_FALSE(command_line.HasSwitch("copyonly"));
  EXPECT_FALSE(command_line.HasSwitch("allusers"));
  EXPECT_EQ(L"en", command_line.GetSwitchValueNative("language"));
  ExpectRoundTrip(*front, false, /*all_users=*/true);
}

TEST_F(SettingsRoundTripTest, Uninstall) {
  SettingsTestEnvironment env({L"--uninstall", L"--deleteuserprofile=yes"});
  auto front = env.MakeSettings(SettingsTestEnvironment::ExistingInstallation(
      env.scratch().Append(L"Tarvo")));
  ASSERT_EQ(INSTALL_OPERATION_UNINSTALL, front->GetOperation());
  ASSERT_TRUE(front->GetDeleteProfile());
  base::CommandLine command_line(base::CommandLine::NO_PROGRAM);
  front->ToCommandLine(&command_line, /*suppress_launch=*/false);
  EXPECT_TRUE(command_line.HasSwitch("backend"));
  EXPECT_EQ(L"1", command_line.GetSwitchValueNative("deleteuserprofile"));
  EXPECT_FALSE(command_line.HasSwitch("installfolder"));
  ExpectRoundTrip(*front);
}

TEST_F(SettingsRoundTripTest, FixDownloadableResources) {
  SettingsTestEnvironment env({L"--fix-downloadable-resources", L"--allusers=1"});
  env.security().SetUser(/*elevated=*/true, /*can_elevate=*/true);
  auto front = env.MakeSettings(SettingsTestEnvironment::ExistingInstallation(
      env.scratch().Append(L"with space\\"), false, /*all_users=*/true));
  ASSERT_EQ(INSTALL_OPERATION_FIX_DOWNLOADABLE_RESOURCES, front->GetOperation());
  // The session's switches travel separately.
  extra_backend_switches_ = {L"--fix-downloadable-resources"};
  ExpectRoundTrip(*front, false, /*all_users=*/true);
}

TEST(SettingsCommandLineTest, WhatTheBackendIsGiven) {
  SettingsTestEnvironment env({L"--v=2", L"--temp-folder=C:\\t mp", L"--import-session=1",
                               L"--import-bookmarks=C:\\b.html", L"--import-topsites-to-speeddial",
                               L"--server-tracking-data=abc", L"--unrelated=1"});
  auto settings = env.MakeSettings();
  base::CommandLine command_line(base::CommandLine::NO_PROGRAM);
  settings->ToCommandLine(&command_line, /*suppress_launch=*/true);
  EXPECT_EQ(L"2", command_line.GetSwitchValueNative("v"));
  EXPECT_EQ(L"C:\\t mp", command_line.GetSwitchValueNative("temp-folder"));
  // The pass-through switches, with their values, also for the browser.
  base::CommandLine browser(base::CommandLine::NO_PROGRAM);
  settings->AppendPassThroughSwitches(&browser);
  for (const base::CommandLine* line : {&command_line, &browser}) {
    EXPECT_EQ(L"1", line->GetSwitchValueNative("import-session"));
    EXPECT_EQ(L"C:\\b.html", line->GetSwitchValueNative("import-bookmarks"));
    EXPECT_TRUE(line->HasSwitch("import-topsites-to-speeddial"));
  }
  EXPECT_EQ(L"--import-bookmarks=C:\\b.html --import-session=1 --import-topsites-to-speeddial",
            browser.GetArgumentsString());
  EXPECT_EQ(L"abc", command_line.GetSwitchValueNative("server-tracking-data"));
  EXPECT_FALSE(command_line.HasSwitch("unrelated"));
  EXPECT_EQ(L"0", command_line.GetSwitchValueNative("launchtarvo"));
  EXPECT_TRUE(command_line.HasSwitch("profile-folder"));
  EXPECT_EQ(L"", command_line.GetSwitchValueNative("profile-folder"));
  // Read as on whenever present.
  EXPECT_FALSE(command_line.HasSwitch("install-assistant"));
}

TEST(SettingsCommandLineTest, UnknownOperationWritesOnlyTheBackendSwitch) {
  SettingsTestEnvironment env({L"--v=1"});
  SettingsImpl settings(env.session(), base::FilePath(), 0, nullptr, env.fetchers().GetFactory());
  ASSERT_EQ(INSTALL_OPERATION_UNKNOWN, settings.GetOperation());
  base::CommandLine command_line(base::CommandLine::NO_PROGRAM);
  settings.ToCommandLine(&command_line, /*suppress_launch=*/false);
  EXPECT_EQ(L"--backend --v=1", command_line.GetArgumentsString());
}

}  // namespace
