#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/base_paths.h"
#include "base/command_line.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/test/scoped_path_override.h"
#include "base/win/scoped_com_initializer.h"
#include "base/win/shortcut.h"
#include "desktop/windows/installer/service/taskbar_pin.h"
#include "desktop/windows/installer/service/test_support/fake_installation_folder_details.h"
#include "desktop/windows/installer/service/transactions/test_support/scratch_snapshot.h"
#include "desktop/windows/installer/steps/installer_steps.h"
#include "desktop/windows/installer/steps/remove_shortcuts_step.h"
#include "desktop/windows/installer/steps/test_support/registration_step_test_context.h"
#include "desktop/windows/installer/steps/update_shortcuts_step.h"
#include "desktop/windows/installer/utils/installer_session.h"
#include "desktop/windows/installer/utils/installer_switches.h"
#include "desktop/windows/installer/utils/service_utils.h"
#include "gtest/gtest.h"
#include "testing/scoped_log_capture.h"

namespace {

using Pin = std::pair<base::FilePath, base::FilePath>;
std::vector<Pin>* g_pins = nullptr;
std::vector<base::FilePath>* g_unpins = nullptr;

bool RecordPin(const base::FilePath& helper_folder, const base::FilePath& shortcut) {
  g_pins->emplace_back(helper_folder, shortcut);
  return true;
}

bool RecordUnpin(const base::FilePath& shortcut) {
  g_unpins->push_back(shortcut);
  return true;
}

class ShortcutStepsTest : public testing::Test {
 protected:
  ShortcutStepsTest() : pinning_(&RecordPin, &RecordUnpin) {
    g_pins = &pins_;
    g_unpins = &unpins_;
  }
  ~ShortcutStepsTest() override {
    g_pins = nullptr;
    g_unpins = nullptr;
  }

  void SetUp() override {
    ASSERT_TRUE(scratch_.CreateUniqueTempDir());
    const base::FilePath root = scratch_.GetPath();
    user_ = root.Append(L"user");
    common_ = root.Append(L"common");
    for (auto [key, folder] :
         {std::pair{base::DIR_USER_DESKTOP, user_.Append(L"Desktop")},
          std::pair{base::DIR_START_MENU, user_.Append(L"Programs")},
          std::pair{base::DIR_USER_QUICK_LAUNCH, user_.Append(L"Quick")},
          std::pair{base::DIR_COMMON_DESKTOP, common_.Append(L"Desktop")},
          std::pair{base::DIR_COMMON_START_MENU, common_.Append(L"Programs")}}) {
      overrides_.push_back(std::make_unique<base::ScopedPathOverride>(
          key, folder, /*is_absolute=*/true, /*create=*/false));
    }
    details_.path = root.Append(L"Tarvo");
    ASSERT_TRUE(base::CreateDirectory(details_.path.Append(L"1.0")));
    ASSERT_TRUE(base::WriteFile(details_.path.Append(L"launcher.exe"), std::string_view("MZ")));
    ASSERT_TRUE(base::CreateDirectory(root.Append(L"package")));
    MakeContext();
    name_ = MakeShortcutFileName();
  }

  // A new run's context; the last one's transaction commits.
  void MakeContext() {
    context_ = std::make_unique<RegistrationStepTestContext>(&settings_);
    context_->folder_details = &details_;
    context_->install_folder = details_.path.Append(L"1.0");
    context_->package_folder = scratch_.GetPath().Append(L"package");
    context_->status.app_id = L"1500000000";
  }

  std::map<std::wstring, std::string> Snapshot() { return SnapshotFolder(scratch_.GetPath()); }
  base::FilePath Master() { return context_->package_folder.Append(name_); }
  // The master lives in the package folder, which is not the installation's.
  std::map<std::wstring, std::string> SnapshotWithoutMaster() {
    auto snapshot = Snapshot();
    snapshot.erase(L"package\\" + name_);
    return snapshot;
  }

  // An earlier installation's shortcut file.
  base::FilePath Old(const base::FilePath& folder, const wchar_t* name) {
    const base::FilePath path = folder.Append(name);
    EXPECT_TRUE(base::CreateDirectory(folder));
    EXPECT_TRUE(base::WriteFile(path, std::string_view("old shortcut")));
    return path;
  }

  void GiveExistingShortcuts(const wchar_t* name) {
    auto existing = std::make_unique<InstallationStatus>(INSTALLATION_STATUS_SOURCE_PRIMARY);
    existing->desktop_shortcut = Old(user_.Append(L"Desktop"), name);
    existing->start_menu_shortcut = Old(user_.Append(L"Programs"), name);
    existing->quick_launch_shortcut = Old(user_.Append(L"Quick"), name);
    context_->existing = std::move(existing);
    details_.desktop_shortcut_exists = true;
    details_.start_menu_shortcut_exists = true;
    details_.quick_launch_shortcut_exists = true;
  }

  void WantAll() {
    settings_.desktop_shortcut = true;
    settings_.start_menu_shortcut = true;
    settings_.quick_launch_shortcut = true;
  }

  base::win::ScopedCOMInitializer com_;
  ScopedTaskbarPinningForTesting pinning_;
  std::vector<Pin> pins_;
  std::vector<base::FilePath> unpins_;
  base::ScopedTempDir scratch_;
  base::FilePath user_;
  base::FilePath common_;
  std::vector<std::unique_ptr<base::ScopedPathOverride>> overrides_;
  FakeInstallationFolderDetails details_;
  RegistrationStepTestSettings settings_;
  std::unique_ptr<RegistrationStepTestContext> context_;
  std::wstring name_;
};

TEST_F(ShortcutStepsTest, InstallPutsCopiesInPlaceRecordsThemAndRollsBack) {
  settings_.all_users = true;
  WantAll();
  const auto before = Snapshot();
  InstallShortcutsStep step(context_.get());
  ASSERT_EQ(STEP_OK, step.Run(0).status);

  // All users: common desktop and start menu, but the user's quick launch.
  const InstallationStatus& status = context_->status;
  EXPECT_EQ(common_.Append(L"Desktop").Append(name_), status.desktop_shortcut);
  EXPECT_EQ(common_.Append(L"Programs").Append(name_), status.start_menu_shortcut);
  EXPECT_EQ(user_.Append(L"Quick").Append(name_), status.quick_launch_shortcut);
  for (const base::FilePath* path :
       {&status.desktop_shortcut, &status.start_menu_shortcut, &status.quick_launch_shortcut}) {
    EXPECT_TRUE(base::PathExists(*path)) << path->value();
  }
  EXPECT_TRUE(pins_.empty());

  context_->GetTransaction()->Rollback();
  EXPECT_EQ(before, SnapshotWithoutMaster());
}

// Folders the install had to make for its shortcuts are recorded; the
// uninstall takes them away with the shortcuts, once its deletions commit,
// and no folder that was there before.
TEST_F(ShortcutStepsTest, FoldersMadeForShortcutsGoWithThem) {
  ASSERT_TRUE(base::CreateDirectory(user_.Append(L"Desktop")));
  WantAll();
  const auto before = Snapshot();
  {
    InstallShortcutsStep step(context_.get());
    ASSERT_EQ(STEP_OK, step.Run(0).status);
  }
  InstallationStatus installed = context_->status;
  EXPECT_EQ((std::vector<base::FilePath>{user_.Append(L"Programs"), user_.Append(L"Quick")}),
            installed.created_folders);

  context_ = std::make_unique<RegistrationStepTestContext>(&settings_);
  context_->folder_details = &details_;
  context_->existing = std::make_unique<InstallationStatus>(installed);
  details_.desktop_shortcut_exists = true;
  details_.start_menu_shortcut_exists = true;
  details_.quick_launch_shortcut_exists = true;
  {
    RemoveShortcutsStep step(context_.get());
    ASSERT_EQ(STEP_OK, step.Run(0).status);
  }
  context_.reset();
  EXPECT_EQ(before, SnapshotWithoutMaster());
}

// A link that keeps its target only as an ANSI path (as under Wine) cannot
// name a folder with other characters: the folder details do not find it
// pointing at the launcher. It is removed when its target is the launcher
// by identity or, where that cannot be read, by name, or no longer exists;
// a shortcut to another program stays.
TEST_F(ShortcutStepsTest, RemoveTakesOwnShortcutsTheDetailsCouldNotMatch) {
  GiveExistingShortcuts(name_.c_str());
  details_.desktop_shortcut_exists = false;
  details_.start_menu_shortcut_exists = false;
  details_.quick_launch_shortcut_exists = false;
  const base::FilePath other = scratch_.GetPath().Append(L"other.exe");
  ASSERT_TRUE(base::WriteFile(other, std::string_view("MZ")));
  static std::map<std::wstring, base::FilePath>* targets = nullptr;
  std::map<std::wstring, base::FilePath> links = {
      {L"Desktop", scratch_.GetPath().Append(L"T?rvo\\launcher.exe")},
      {L"Programs", other},
      {L"Quick", details_.path.Append(L"launcher.exe")},
  };
  targets = &links;
  ScopedShortcutPropertiesReaderForTesting reader(
      [](const base::FilePath& shortcut, uint32_t, base::win::ShortcutProperties* properties) {
        properties->set_target((*targets)[shortcut.DirName().BaseName().value()]);
        return true;
      });
  RemoveShortcutsStep step(context_.get());
  ASSERT_EQ(STEP_OK, step.Run(0).status);
  targets = nullptr;
  EXPECT_FALSE(base::PathExists(context_->existing->desktop_shortcut));
  EXPECT_TRUE(base::PathExists(context_->existing->start_menu_shortcut));
  EXPECT_FALSE(base::PathExists(context_->existing->quick_launch_shortcut));
}

TEST_F(ShortcutStepsTest, CopyOnlyMakesNoShortcut) {
  settings_.copy_only = true;
  WantAll();
  InstallShortcutsStep step(context_.get());
  EXPECT_EQ(STEP_OK, step.Run(0).status);
  EXPECT_FALSE(base::PathExists(Master()));
  EXPECT_TRUE(context_->GetTransaction()->empty());
}

TEST_F(ShortcutStepsTest, WithoutAMasterNothingIsCopiedOrPinnedYetTheStepSucceeds) {
  WantAll();
  settings_.pinned_shortcut = true;
  // A file where the package folder should be: the master cannot be saved.
  ASSERT_TRUE(base::DeleteFile(context_->package_folder, /*recursive=*/true));
  ASSERT_TRUE(base::WriteFile(context_->package_folder, std::string_view("not a folder")));
  const auto before = Snapshot();
  InstallShortcutsStep step(context_.get());
  EXPECT_EQ(STEP_OK, step.Run(0).status);
  EXPECT_EQ(before, Snapshot());
  EXPECT_TRUE(pins_.empty());
  EXPECT_TRUE(context_->status.desktop_shortcut.empty());
  EXPECT_TRUE(context_->GetTransaction()->empty());
}

TEST_F(ShortcutStepsTest, PinningPinsTheMasterAndThePartnerShortcutOnlyWhenAskedFor) {
  settings_.pinned_shortcut = true;
  {
    InstallShortcutsStep step(context_.get());
    ASSERT_EQ(STEP_OK, step.Run(0).status);
  }
  ASSERT_EQ(1u, pins_.size());
  EXPECT_EQ(Pin(context_->install_folder, Master()), pins_[0]);

  // A partner-brought installation gets the partner site pinned too.
  {
    base::CommandLine command_line(base::CommandLine::NO_PROGRAM);
    command_line.AppendSwitchASCII(switches::kMedium, "pb");
    ScopedInstallerSessionForTesting session(std::make_unique<InstallerSession>(&command_line));
    pins_.clear();
    InstallShortcutsStep step(context_.get());
    ASSERT_EQ(STEP_OK, step.Run(0).status);
    ASSERT_EQ(2u, pins_.size());
    EXPECT_EQ(context_->package_folder.Append(L"facebook.lnk"), pins_[1].second);
  }

  const base::FilePath resources = context_->install_folder.Append(L"resources");
  ASSERT_TRUE(base::CreateDirectory(resources));
  ASSERT_TRUE(
      base::WriteFile(resources.Append(L"tracking_user_agent.json"), std::string_view("{}")));
  settings_.language = L"ru";
  pins_.clear();
  {
    InstallShortcutsStep step(context_.get());
    ASSERT_EQ(STEP_OK, step.Run(0).status);
  }
  ASSERT_EQ(2u, pins_.size());
  EXPECT_EQ(context_->package_folder.Append(L"vk.lnk"), pins_[1].second);
  EXPECT_TRUE(base::PathExists(context_->package_folder.Append(L"vk.lnk")));
}

TEST_F(ShortcutStepsTest, UpdateMovesRenamedShortcutsAndRepins) {
  WantAll();
  settings_.pinned_shortcut = true;
  GiveExistingShortcuts(L"Old Browser.lnk");
  const base::FilePath pin = Old(user_.Append(L"Pinned"), L"Old Browser.lnk");
  details_.pinned_shortcut_paths = {pin};
  const auto before = Snapshot();

  UpdateShortcutsStep step(context_.get());
  ASSERT_EQ(STEP_OK, step.Run(0).status);
  const InstallationStatus& status = context_->status;
  EXPECT_EQ(user_.Append(L"Desktop").Append(name_), status.desktop_shortcut);
  EXPECT_EQ(user_.Append(L"Programs").Append(name_), status.start_menu_shortcut);
  EXPECT_EQ(user_.Append(L"Quick").Append(name_), status.quick_launch_shortcut);
  for (const base::FilePath* old :
       {&context_->existing->desktop_shortcut, &context_->existing->start_menu_shortcut,
        &context_->existing->quick_launch_shortcut}) {
    EXPECT_FALSE(base::PathExists(*old));
  }
  std::string moved;
  ASSERT_TRUE(base::ReadFileToString(status.desktop_shortcut, &moved));
  EXPECT_EQ("old shortcut", moved);
  EXPECT_EQ(std::vector<base::FilePath>{pin}, unpins_);
  EXPECT_FALSE(base::PathExists(pin));
  ASSERT_EQ(1u, pins_.size());
  EXPECT_EQ(Master(), pins_[0].second);

  context_->GetTransaction()->Rollback();
  EXPECT_EQ(before, SnapshotWithoutMaster());
}

TEST_F(ShortcutStepsTest, UpdateKeepsRemovesRecreatesAndAddsEachAsTheTableSays) {
  GiveExistingShortcuts(name_.c_str());
  details_.quick_launch_shortcut_exists = false;
  base::DeleteFile(context_->existing->quick_launch_shortcut, /*recursive=*/false);
  context_->existing->quick_launch_shortcut.clear();
  settings_.desktop_shortcut = true;       // exists, wanted: kept
  settings_.start_menu_shortcut = false;   // exists, unwanted: removed
  settings_.quick_launch_shortcut = true;  // missing, wanted: added
  UpdateShortcutsStep keep(context_.get());
  ASSERT_EQ(STEP_OK, keep.Run(0).status);
  const InstallationStatus& status = context_->status;
  EXPECT_EQ(context_->existing->desktop_shortcut, status.desktop_shortcut);
  std::string kept;
  ASSERT_TRUE(base::ReadFileToString(status.desktop_shortcut, &kept));
  EXPECT_EQ("old shortcut", kept);
  EXPECT_TRUE(status.start_menu_shortcut.empty());
  EXPECT_FALSE(base::PathExists(context_->existing->start_menu_shortcut));
  EXPECT_EQ(user_.Append(L"Quick").Append(name_), status.quick_launch_shortcut);
  EXPECT_TRUE(base::PathExists(status.quick_launch_shortcut));

  // A shortcut that still starts the browser itself is made again.
  details_.recreate_desktop = true;
  context_->status = InstallationStatus(INSTALLATION_STATUS_SOURCE_GENERATED);
  UpdateShortcutsStep recreate(context_.get());
  ASSERT_EQ(STEP_OK, recreate.Run(0).status);
  ASSERT_TRUE(base::ReadFileToString(context_->status.desktop_shortcut, &kept));
  EXPECT_NE("old shortcut", kept);
}

// But an autoupdate of an all-users installation, which runs without the
// user who pinned, leaves the pins as they are.
TEST_F(ShortcutStepsTest, UpdateWithPinningOffUnpinsAndDeletesEarlierPins) {
  const base::FilePath pin = user_.Append(L"Pinned").Append(name_);
  details_.pinned_shortcut_paths = {pin};
  struct {
    bool autoupdate;
    bool all_users;
    bool unpinned;
  } cases[] = {{false, false, true}, {false, true, true}, {true, false, true}, {true, true, false}};
  for (const auto& c : cases) {
    MakeContext();
    Old(pin.DirName(), name_.c_str());
    unpins_.clear();
    settings_.all_users = c.all_users;
    base::CommandLine command_line(base::CommandLine::NO_PROGRAM);
    if (c.autoupdate)
      command_line.AppendSwitch(switches::kAutoupdate);
    ScopedInstallerSessionForTesting session(std::make_unique<InstallerSession>(&command_line));
    UpdateShortcutsStep step(context_.get());
    ASSERT_EQ(STEP_OK, step.Run(0).status);
    const std::vector<base::FilePath> unpinned = {pin};
    EXPECT_EQ(c.unpinned ? unpinned : std::vector<base::FilePath>(), unpins_) << c.autoupdate
                                                                                << c.all_users;
    EXPECT_EQ(c.unpinned, !base::PathExists(pin)) << c.autoupdate << c.all_users;
    EXPECT_TRUE(pins_.empty());
  }
}

TEST_F(ShortcutStepsTest, RemoveUnpinsAndDeletesEverythingAndRollsBack) {
  GiveExistingShortcuts(name_.c_str());
  const base::FilePath pin = Old(user_.Append(L"Pinned"), name_.c_str());
  const base::FilePath extra = Old(user_.Append(L"Pinned"), L"vk.lnk");
  details_.pinned_shortcut_paths = {pin};
  details_.pinned_master_shortcut_paths = {extra};
  details_.temporary_shortcut_folder = user_.Append(L"Temporary");
  details_.temporary_shortcut_folder_exists = true;
  Old(details_.temporary_shortcut_folder, L"a.lnk");
  const auto before = Snapshot();

  RemoveShortcutsStep step(context_.get());
  ASSERT_EQ(STEP_OK, step.Run(0).status);
  EXPECT_EQ((std::vector<base::FilePath>{pin, extra}), unpins_);
  for (const base::FilePath& gone :
       {pin, extra, context_->existing->desktop_shortcut, context_->existing->start_menu_shortcut,
        context_->existing->quick_launch_shortcut, details_.temporary_shortcut_folder}) {
    EXPECT_FALSE(base::PathExists(gone)) << gone.value();
  }
  context_->GetTransaction()->Rollback();
  EXPECT_EQ(before, Snapshot());
}

TEST_F(ShortcutStepsTest, RecordedPathsOutsideTheShortcutFoldersAreNeverTouched) {
  GiveExistingShortcuts(name_.c_str());
  InstallationStatus& existing = *context_->existing;
  existing.desktop_shortcut = Old(scratch_.GetPath().Append(L"Documents"), L"work.lnk");
  existing.start_menu_shortcut = Old(user_.Append(L"Programs"), L"notes.txt");
  const auto before = Snapshot();
  {
    RemoveShortcutsStep step(context_.get());
    ASSERT_EQ(STEP_OK, step.Run(0).status);
  }
  EXPECT_TRUE(base::PathExists(existing.desktop_shortcut));
  EXPECT_TRUE(base::PathExists(existing.start_menu_shortcut));
  EXPECT_FALSE(base::PathExists(existing.quick_launch_shortcut));
  context_->GetTransaction()->Rollback();
  EXPECT_EQ(before, Snapshot());

  // An update makes a fresh shortcut instead of keeping or moving them.
  WantAll();
  UpdateShortcutsStep step(context_.get());
  ASSERT_EQ(STEP_OK, step.Run(0).status);
  EXPECT_EQ(user_.Append(L"Desktop").Append(name_), context_->status.desktop_shortcut);
  EXPECT_EQ(user_.Append(L"Programs").Append(name_), context_->status.start_menu_shortcut);
  EXPECT_TRUE(base::PathExists(existing.desktop_shortcut));
  EXPECT_TRUE(base::PathExists(existing.start_menu_shortcut));
}

TEST_F(ShortcutStepsTest, ACommittedUpdateLeavesOnlyTheNewShortcuts) {
  WantAll();
  GiveExistingShortcuts(L"Old Browser.lnk");
  details_.recreate_start_menu = true;
  {
    UpdateShortcutsStep step(context_.get());
    ASSERT_EQ(STEP_OK, step.Run(0).status);
  }
  context_.reset();  // Commits.
  std::vector<std::wstring> left;
  for (const auto& [path, kind] : SnapshotFolder(user_)) {
    if (kind != "dir")
      left.push_back(path);
  }
  const std::vector<std::wstring> expected = {L"Desktop\\" + name_, L"Programs\\" + name_,
                                              L"Quick\\" + name_};
  EXPECT_EQ(expected, left);
}

TEST_F(ShortcutStepsTest, AShortcutThatCannotBeMadeAgainKeepsItsOldFile) {
  GiveExistingShortcuts(name_.c_str());
  settings_.desktop_shortcut = true;
  details_.recreate_desktop = true;
  ASSERT_TRUE(base::DeleteFile(context_->package_folder, /*recursive=*/true));
  ASSERT_TRUE(base::WriteFile(context_->package_folder, std::string_view("not a folder")));
  UpdateShortcutsStep step(context_.get());
  ASSERT_EQ(STEP_OK, step.Run(0).status);
  EXPECT_EQ(context_->existing->desktop_shortcut, context_->status.desktop_shortcut);
  std::string kept;
  ASSERT_TRUE(base::ReadFileToString(context_->existing->desktop_shortcut, &kept));
  EXPECT_EQ("old shortcut", kept);
}

TEST_F(ShortcutStepsTest, ARenameLeavesAShortcutThatAlreadyHasTheNameInPlace) {
  WantAll();
  GiveExistingShortcuts(name_.c_str());
  context_->existing->desktop_shortcut = Old(user_.Append(L"Desktop"), L"Old Browser.lnk");
  testing_support::ScopedLogCapture log;
  UpdateShortcutsStep step(context_.get());
  ASSERT_EQ(STEP_OK, step.Run(0).status);
  // No move of a file onto itself was even tried.
  EXPECT_FALSE(log.Contains("shortcut operation failed"));
  EXPECT_FALSE(base::PathExists(context_->existing->desktop_shortcut));
  EXPECT_EQ(user_.Append(L"Desktop").Append(name_), context_->status.desktop_shortcut);
  EXPECT_EQ(context_->existing->start_menu_shortcut, context_->status.start_menu_shortcut);
  std::string kept;
  ASSERT_TRUE(base::ReadFileToString(context_->status.start_menu_shortcut, &kept));
  EXPECT_EQ("old shortcut", kept);
}

}  // namespace
