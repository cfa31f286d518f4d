#include "desktop/windows/installer/installation_folder_details_impl.h"

#include <windows.h>

#include <map>
#include <memory>
#include <string>

#include "base/base_paths.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/features/feature_registry.h"
#include "base/files/scoped_temp_dir.h"
#include "base/logging.h"
#include "base/path_service.h"
#include "base/test/scoped_path_override.h"
#include "base/win/shortcut.h"
#include "base/win/windows_version.h"
#include "desktop/windows/installer/service/installation_status.h"
#include "desktop/windows/installer/service/json_installation_status_writer.h"
#include "desktop/windows/installer/service/prefs/json_pref_file_reader.h"
#include "desktop/windows/installer/service/transactions/test_support/scratch_snapshot.h"
#include "desktop/windows/installer/service/test_support/fake_existing_installation_reader.h"
#include "desktop/windows/installer/utils/installer_features.h"
#include "desktop/windows/installer/utils/security_util.h"
#include "desktop/windows/installer/utils/service_utils.h"
#include "desktop/windows/installer/utils/test_support/fake_security_util.h"
#include "desktop/windows/installer/volume_queries.h"
#include "gtest/gtest.h"
#include "testing/scoped_log_capture.h"

namespace {

constexpr int64_t kMiB = 1024 * 1024;

// Drives are fixed and roomy unless a test says otherwise.
class FakeVolumeQueries : public VolumeQueries {
 public:
  UINT GetDriveType(const base::FilePath& root) override {
    auto found = drive_types.find(root.value());
    return found == drive_types.end() ? DRIVE_FIXED : found->second;
  }
  int64_t GetFreeDiskSpace(const base::FilePath& path) override {
    auto found = free_bytes.find(path.value());
    return found == free_bytes.end() ? 100000 * kMiB : found->second;
  }
  bool GetTempFolder(base::FilePath* path) override {
    *path = temp_folder;
    return true;
  }

  std::map<std::wstring, UINT> drive_types;
  std::map<std::wstring, int64_t> free_bytes;  // By volume root, "C:\".
  base::FilePath temp_folder{L"C:\\Temp"};
};

// Shortcut targets by shortcut file name; Wine cannot resolve made-up
// shortcuts.
std::map<std::wstring, base::FilePath>* g_targets = nullptr;
bool ReadFakeShortcut(const base::FilePath& shortcut,
                      uint32_t,
                      base::win::ShortcutProperties* properties) {
  auto found = g_targets->find(shortcut.BaseName().value());
  if (found == g_targets->end())
    return false;
  properties->set_target(found->second);
  return true;
}

class InstallationFolderDetailsImplTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp_dir_.CreateUniqueTempDir());
    folder_ = temp_dir_.GetPath().Append(L"Tarvo");
    auto queries = std::make_unique<FakeVolumeQueries>();
    queries_ = queries.get();
    details_ = std::make_unique<InstallationFolderDetailsImpl>(std::move(queries));
    g_targets = &targets_;
    previous_log_level_ = logging::GetMinLogLevel();
    logging::SetMinLogLevel(-1);  // The reasons are verbose lines.
  }
  void TearDown() override {
    logging::SetMinLogLevel(previous_log_level_);
    g_targets = nullptr;
  }

  void Write(const base::FilePath& file, const std::string& text) {
    ASSERT_TRUE(base::CreateDirectory(file.DirName()));
    ASSERT_TRUE(base::WriteFile(file, text));
  }

  void WriteStatus(const InstallationStatus& status) {
    ASSERT_TRUE(base::CreateDirectory(folder_));
    ASSERT_TRUE(WriteInstallationStatusAsJson(status, folder_.Append(L"installation_status.json")));
  }

  // Initializes for `path` and says whether the log held `reason`.
  bool InitializeLogging(const base::FilePath& path, const std::string& reason) {
    testing_support::ScopedLogCapture log;
    details_->Initialize(path, /*recovery=*/false);
    return log.Contains(reason);
  }

  // Nothing past the path checks ran.
  void ExpectRejected() {
    EXPECT_EQ(FOLDER_PROBLEM_INVALID_PATH, details_->GetFolderProblem());
    EXPECT_TRUE(details_->GetValidParentFolder().empty());
    EXPECT_TRUE(details_->GetVolumesWithoutEnoughSpace().empty());
    EXPECT_FALSE(details_->HasWriteAccess());
    EXPECT_FALSE(details_->HasExistingInstallation());
  }

  base::ScopedTempDir temp_dir_;
  base::FilePath folder_;
  FakeVolumeQueries* queries_ = nullptr;
  std::unique_ptr<InstallationFolderDetailsImpl> details_;
  FakeExistingInstallationReader registry_reader_;
  FakeSecurityUtil security_;
  ScopedSecurityUtilForTesting scoped_security_{&security_};
  std::map<std::wstring, base::FilePath> targets_;
  ScopedShortcutPropertiesReaderForTesting fake_shortcuts_{&ReadFakeShortcut};
  base::ScopedPathOverride start_menu_{base::DIR_START_MENU};
  base::ScopedPathOverride pins_{base::DIR_TASKBAR_PINS};
  int previous_log_level_ = 0;
};

TEST_F(InstallationFolderDetailsImplTest, UnusablePathsEndTheCheck) {
  EXPECT_TRUE(InitializeLogging(base::FilePath(), "Path is empty"));
  ExpectRejected();

  EXPECT_TRUE(InitializeLogging(folder_.Append(L"COM0.txt"), "Path is not a valid Win32 path"));
  ExpectRejected();
  EXPECT_TRUE(InitializeLogging(folder_.Append(L"lpt9"), "Path is not a valid Win32 path"));
  EXPECT_TRUE(InitializeLogging(base::FilePath(L"Tarvo\\Browser"), "Path is relative"));
  ExpectRejected();

  Write(folder_, "a file");
  EXPECT_TRUE(InitializeLogging(folder_, "Path is a file path"));
  ExpectRejected();
  EXPECT_EQ(folder_, details_->GetPath());
}

TEST_F(InstallationFolderDetailsImplTest, MissingAndReadOnlyDrivesAreRefused) {
  queries_->drive_types[L"Q:\\"] = DRIVE_NO_ROOT_DIR;
  EXPECT_TRUE(InitializeLogging(base::FilePath(L"Q:\\Tarvo"), "Drive not found Q:\\"));
  ExpectRejected();

  queries_->drive_types[L"R:\\"] = DRIVE_CDROM;
  EXPECT_TRUE(InitializeLogging(base::FilePath(L"R:\\Tarvo"), "Path is to a non-writable CD-ROM"));
  ExpectRejected();

  // A drive of another kind is examined further.
  queries_->drive_types[L"S:\\"] = DRIVE_REMOVABLE;
  EXPECT_TRUE(InitializeLogging(base::FilePath(L"S:\\Tarvo"), "probably invalid drive letter"));
  EXPECT_TRUE(details_->GetValidParentFolder().empty());
  EXPECT_EQ(FOLDER_PROBLEM_NONE, details_->GetFolderProblem());
}

// The system's own answer for a letter no drive has.
TEST_F(InstallationFolderDetailsImplTest, TheSystemKnowsNoDriveForAnUnusedLetter) {
  const DWORD drives = ::GetLogicalDrives();
  wchar_t letter = L'Z';
  while (letter > L'D' && (drives & (1u << (letter - L'A'))))
    --letter;
  ASSERT_GT(letter, L'D') << "every drive letter is in use";
  const std::wstring root = std::wstring(1, letter) + L":\\";
  InstallationFolderDetailsImpl real;
  testing_support::ScopedLogCapture log;
  real.Initialize(base::FilePath(root + L"Tarvo"), /*recovery=*/false);
  EXPECT_TRUE(log.Contains("Drive not found " + std::string(root.begin(), root.end())));
  EXPECT_EQ(FOLDER_PROBLEM_INVALID_PATH, real.GetFolderProblem());
}

TEST_F(InstallationFolderDetailsImplTest, ANewFolderIsMadeInItsNearestExistingAncestor) {
  security_.SetDefaultAccess(false);
  security_.SetAccess(temp_dir_.GetPath().value(), true);
  EXPECT_TRUE(InitializeLogging(folder_.Append(L"a\\b"), "Path is valid"));
  EXPECT_EQ(temp_dir_.GetPath(), details_->GetValidParentFolder());
  EXPECT_EQ(FOLDER_PROBLEM_NONE, details_->GetFolderProblem());
  EXPECT_TRUE(details_->HasWriteAccess());
  EXPECT_FALSE(details_->HasExistingInstallation());
}

TEST_F(InstallationFolderDetailsImplTest, AFolderBelowAFileHasNoValidParent) {
  Write(folder_, "a file");
  EXPECT_TRUE(InitializeLogging(folder_.Append(L"sub"), "Path is child of a file (invalid)"));
  EXPECT_TRUE(details_->GetValidParentFolder().empty());
  // Only the space check decides the problem.
  EXPECT_EQ(FOLDER_PROBLEM_NONE, details_->GetFolderProblem());
  queries_->free_bytes[L"C:\\"] = 10 * kMiB;
  details_->Initialize(folder_.Append(L"sub"), /*recovery=*/false);
  EXPECT_EQ(FOLDER_PROBLEM_NOT_ENOUGH_SPACE, details_->GetFolderProblem());
}

// A folder inside an installation, or holding one below it, is refused;
// the folder of an installation itself stays usable.
TEST_F(InstallationFolderDetailsImplTest, NestedInstallationFoldersAreRefused) {
  const base::FilePath outer = folder_;
  const base::FilePath registered = temp_dir_.GetPath().Append(L"Apps\\Deep\\Tarvo");
  WriteStatus(InstallationStatus(INSTALLATION_STATUS_SOURCE_GENERATED));
  Write(temp_dir_.GetPath().Append(L"Legacy\\installation_status.xml"), "<x/>");
  registry_reader_.registered_folders = {registered};
  ASSERT_TRUE(base::CreateDirectory(outer.Append(L"51.0.2802.0")));
  const struct {
    base::FilePath path;
    const char* reason;
  } kCases[] = {
      {outer.Append(L"51.0.2802.0"), "Path is inside the installation"},
      {outer.Append(L"sub\\deeper"), "Path is inside the installation"},
      {temp_dir_.GetPath().Append(L"Legacy\\x"), "Path is inside the installation"},
      {temp_dir_.GetPath(), "Path holds the installation"},
      {registered.Append(L"x"), "registered installation"},
      {temp_dir_.GetPath().Append(L"Apps"), "registered installation"},
  };
  for (const auto& c : kCases) {
    EXPECT_TRUE(InitializeLogging(c.path, c.reason)) << c.path;
    ExpectRejected();
  }
  for (const base::FilePath& usable : {outer, registered, temp_dir_.GetPath().Append(L"Side")}) {
    details_->Initialize(usable, /*recovery=*/false);
    EXPECT_EQ(FOLDER_PROBLEM_NONE, details_->GetFolderProblem()) << usable;
  }
}

TEST_F(InstallationFolderDetailsImplTest, TooLittleSpaceListsEachShortVolume) {
  // The temporary folder shares the volume: both needs add up.
  queries_->free_bytes[L"C:\\"] = 300 * kMiB;
  details_->Initialize(base::FilePath(L"c:\\Tarvo"), /*recovery=*/false);
  EXPECT_EQ(FOLDER_PROBLEM_NOT_ENOUGH_SPACE, details_->GetFolderProblem());
  EXPECT_EQ((std::vector<VolumeSpaceShortage>{{base::FilePath(L"C:"), 400}}),
            details_->GetVolumesWithoutEnoughSpace());
  EXPECT_FALSE(details_->HasWriteAccess());

  // Apart, each volume needs its own share; an unknown amount counts as none.
  queries_->temp_folder = base::FilePath(L"D:\\Temp");
  queries_->free_bytes[L"D:\\"] = -1;
  details_->Initialize(base::FilePath(L"C:\\Tarvo"), /*recovery=*/false);
  EXPECT_EQ((std::vector<VolumeSpaceShortage>{{base::FilePath(L"D:"), 200}}),
            details_->GetVolumesWithoutEnoughSpace());

  queries_->free_bytes[L"D:\\"] = 200 * kMiB;
  details_->Initialize(base::FilePath(L"C:\\Tarvo"), /*recovery=*/false);
  EXPECT_EQ(FOLDER_PROBLEM_NONE, details_->GetFolderProblem());
  EXPECT_TRUE(details_->GetVolumesWithoutEnoughSpace().empty());
}

TEST_F(InstallationFolderDetailsImplTest, ALauncherWithoutStatusIsOnlyATrace) {
  Write(folder_.Append(L"launcher.exe"), "MZ");
  EXPECT_TRUE(InitializeLogging(folder_, "Path is not an existing installation"));
  EXPECT_FALSE(details_->HasExistingInstallation());
  EXPECT_TRUE(details_->HasExistingInstallationTraces());
  EXPECT_EQ(folder_, details_->GetValidParentFolder());
  EXPECT_TRUE(details_->HasWriteAccess());
  EXPECT_EQ(1, registry_reader_.read_count);

  ASSERT_TRUE(base::DeleteFile(folder_.Append(L"launcher.exe"), /*recursive=*/false));
  details_->Initialize(folder_, /*recovery=*/false);
  EXPECT_FALSE(details_->HasExistingInstallationTraces());
}

TEST_F(InstallationFolderDetailsImplTest, CopyOnlyStatusWithRegistrationsIsNormalised) {
  InstallationStatus status(INSTALLATION_STATUS_SOURCE_GENERATED);
  status.copy_only = true;
  status.hklm_keys.push_back(StatusRegistryKey{1, "Software\\Classes\\Tarvodeveloper", {}});
  WriteStatus(status);
  EXPECT_TRUE(InitializeLogging(folder_, "Path is an existing installation"));
  ASSERT_TRUE(details_->HasExistingInstallation());
  EXPECT_FALSE(details_->GetExistingInstallation()->copy_only);
  EXPECT_TRUE(details_->GetExistingInstallation()->all_users);

  // A true standalone copy stays one, never for all users.
  status.hklm_keys.clear();
  status.all_users = true;
  WriteStatus(status);
  details_->Initialize(folder_, /*recovery=*/false);
  ASSERT_TRUE(details_->HasExistingInstallation());
  EXPECT_TRUE(details_->GetExistingInstallation()->copy_only);
  EXPECT_FALSE(details_->GetExistingInstallation()->all_users);
}

TEST_F(InstallationFolderDetailsImplTest, CarriesOverPreferencesExperimentsAndProfileLanguage) {
  WriteStatus(InstallationStatus(INSTALLATION_STATUS_SOURCE_GENERATED));
  Write(folder_.Append(L"installer_prefs.json"),
        R"({"enable_stats": "yes", "import_browser_data": false, "single_profile": true,
            "language": "de", "welcome-url": "https://welcome.example/",
            "all-installer-experiments": ["installer-experiment-test@1"]})");
  Write(folder_.Append(L"server_tracking_data"), "tracking blob");
  Write(folder_.Append(L"profile\\data\\Local State"), R"({"intl": {"app_locale": "fr"}})");

  details_->Initialize(folder_, /*recovery=*/false);
  ASSERT_TRUE(details_->HasExistingInstallation());
  EXPECT_EQ(kTriStateUnknown, details_->GetEnableStats());
  EXPECT_EQ(kTriStateFalse, details_->GetImportBrowserData());
  EXPECT_EQ(kTriStateTrue, details_->IsSingleProfile());
  EXPECT_EQ("https://welcome.example/", details_->GetWelcomeUrl());
  EXPECT_EQ("tracking blob", details_->GetServerTrackingData());
  EXPECT_EQ(folder_.Append(L"profile\\data"), details_->GetProfilePath());
  // The profile's own language wins over the installer's preference.
  EXPECT_EQ(L"fr", details_->GetLanguage());
  EXPECT_TRUE(details_->IsExperimentEnabled(kInstallerExperimentTest));
  EXPECT_FALSE(details_->IsExperimentEnabled("no-such-feature"));
  EXPECT_EQ(-1, details_->GetOldProductType());

  ASSERT_TRUE(base::DeleteFile(folder_.Append(L"profile"), /*recursive=*/true));
  details_->Initialize(folder_, /*recovery=*/false);
  EXPECT_EQ(L"de", details_->GetLanguage());
}

// Examining a folder only reads: damaged preference files stay as they are
// (no ".bad" copy), no ".backup" is made, and a file too large to be ours
// is not read.
TEST_F(InstallationFolderDetailsImplTest, ExaminingChangesNothing) {
  features::ScopedFeatureRegistryForTesting features;
  features::FeatureRegistry::GetInstance()->RegisterFeature(kBackupPreferenceFilesFeature,
                                                            /*enabled=*/true, false);
  WriteStatus(InstallationStatus(INSTALLATION_STATUS_SOURCE_GENERATED));
  Write(folder_.Append(L"installer_prefs.json"), "{\"language\": \"de\",");
  const std::map<std::wstring, std::string> before = SnapshotFolder(temp_dir_.GetPath());
  details_->Initialize(folder_, /*recovery=*/false);
  EXPECT_EQ(before, SnapshotFolder(temp_dir_.GetPath()));
  EXPECT_EQ(kTriStateUnknown, details_->IsSingleProfile());

  // Good preferences, a damaged profile "Local State".
  Write(folder_.Append(L"installer_prefs.json"), R"({"single_profile": true, "language": "de"})");
  Write(folder_.Append(L"profile\\data\\Local State"), "{\"intl\":");
  const std::map<std::wstring, std::string> second = SnapshotFolder(temp_dir_.GetPath());
  details_->Initialize(folder_, /*recovery=*/false);
  EXPECT_EQ(second, SnapshotFolder(temp_dir_.GetPath()));
  EXPECT_EQ(L"de", details_->GetLanguage());

  const std::string padding(static_cast<size_t>(kMaxPreferenceFileSize), ' ');
  Write(folder_.Append(L"installer_prefs.json"),
        "{\"single_profile\": true, \"language\": \"fr\"}" + padding);
  InstallationFolderDetailsImpl fresh(std::make_unique<FakeVolumeQueries>());
  fresh.Initialize(folder_, /*recovery=*/false);
  EXPECT_EQ(kTriStateUnknown, fresh.IsSingleProfile());
  EXPECT_TRUE(fresh.GetLanguage().empty());
}

TEST_F(InstallationFolderDetailsImplTest, ShortcutsToTheBrowserItselfAreMadeAgain) {
  InstallationStatus status(INSTALLATION_STATUS_SOURCE_GENERATED);
  status.subfolder = base::FilePath(L"51.0.2802.0");
  status.desktop_shortcut = base::FilePath(L"C:\\Desktop\\Tarvo.lnk");
  status.start_menu_shortcut = base::FilePath(L"C:\\Menu\\Tarvo menu.lnk");
  status.quick_launch_shortcut = base::FilePath(L"C:\\QL\\Tarvo ql.lnk");
  WriteStatus(status);
  Write(folder_.Append(L"launcher.exe"), "MZ");
  Write(folder_.Append(L"51.0.2802.0\\tarvo.exe"), "MZ");
  targets_[L"Tarvo.lnk"] = folder_.Append(L"51.0.2802.0\\tarvo.exe");
  targets_[L"Tarvo menu.lnk"] = folder_.Append(L"launcher.exe");
  targets_[L"Tarvo ql.lnk"] = temp_dir_.GetPath().Append(L"elsewhere.exe");
  base::FilePath start_menu;
  ASSERT_TRUE(base::PathService::Get(base::DIR_START_MENU, &start_menu));
  ASSERT_TRUE(base::CreateDirectory(start_menu.Append(L"Tarvo Software")));

  details_->Initialize(folder_, /*recovery=*/false);
  EXPECT_TRUE(details_->DesktopShortcutExists());
  EXPECT_TRUE(details_->ShouldRecreateDesktopShortcut());
  EXPECT_TRUE(details_->StartMenuShortcutExists());
  // Through the launcher already; only Windows 8 and later redo it.
  EXPECT_EQ(base::win::GetVersion() >= base::win::VERSION_WIN8,
            details_->ShouldRecreateStartMenuShortcut());
  EXPECT_FALSE(details_->QuickLaunchShortcutExists());
  EXPECT_FALSE(details_->ShouldRecreateQuickLaunchShortcut());
  EXPECT_TRUE(details_->TemporaryShortcutFolderExists());
  EXPECT_EQ(start_menu.Append(L"Tarvo Software"), details_->GetTemporaryShortcutFolder());

  // A desktop shortcut through the launcher is left as it is.
  targets_[L"Tarvo.lnk"] = folder_.Append(L"launcher.exe");
  InstallationFolderDetailsImpl fresh(std::make_unique<FakeVolumeQueries>());
  fresh.Initialize(folder_, /*recovery=*/false);
  EXPECT_TRUE(fresh.DesktopShortcutExists());
  EXPECT_FALSE(fresh.ShouldRecreateDesktopShortcut());
}

}  // namespace
