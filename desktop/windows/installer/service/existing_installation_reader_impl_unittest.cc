#include "desktop/windows/installer/service/existing_installation_reader_impl.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "base/base_paths.h"
#include "base/command_line.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/path_service.h"
#include "base/strings/utf_string_conversions.h"
#include "base/test/scoped_path_override.h"
#include "base/time/time.h"
#include "base/win/registry.h"
#include "base/win/shortcut.h"
#include "desktop/windows/installer/service/install_folder_template_variables.h"
#include "desktop/windows/installer/service/installation_status.h"
#include "desktop/windows/installer/utils/app_output_runner.h"
#include "desktop/windows/installer/utils/product_info.h"
#include "desktop/windows/installer/utils/service_utils.h"
#include "gtest/gtest.h"
#include "testing/build_paths.h"
#include "testing/registry_override.h"
#include "testing/scoped_log_capture.h"

namespace {

using testing_support::ScopedLogCapture;

constexpr wchar_t kUninstall[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// Answers "--version" with the versioned folder's name, except for the
// folders it is told are hung.
class FakeVersionRunner : public AppOutputRunner {
 public:
  bool Run(const base::CommandLine& command_line, std::string* output) override {
    runs.push_back(command_line.GetCommandLineString());
    std::string program;
    base::ReadFileToString(command_line.GetProgram(), &program);
    programs.push_back(program);
    const std::wstring folder = command_line.GetProgram().DirName().BaseName().value();
    if (std::find(hung.begin(), hung.end(), folder) != hung.end())
      return false;
    *output = "v" + std::string(folder.begin(), folder.end());
    return true;
  }

  std::vector<std::wstring> hung;
  std::vector<std::wstring> runs;
  // What each started program held when it started.
  std::vector<std::string> programs;
};

// Shortcuts are made up: Wine cannot read an application id back.
struct FakeShortcut {
  std::wstring target;
  std::wstring app_id;
};
FakeShortcut g_shortcut;
bool ReadFakeShortcut(const base::FilePath&, uint32_t, base::win::ShortcutProperties* properties) {
  properties->set_target(base::FilePath(g_shortcut.target));
  properties->set_app_id(g_shortcut.app_id);
  return true;
}

class ExistingInstallationReaderTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(registry_.OverrideRegistry(HKEY_CURRENT_USER));
    ASSERT_TRUE(registry_.OverrideRegistry(HKEY_LOCAL_MACHINE));
    ASSERT_TRUE(temp_dir_.CreateUniqueTempDir());
    folder_ = temp_dir_.GetPath().Append(L"Tarvo Browser");
    ASSERT_TRUE(base::CreateDirectory(folder_));
    auto runner = std::make_unique<FakeVersionRunner>();
    runner_ = runner.get();
    reader_ = std::make_unique<ExistingInstallationReaderImpl>(std::move(runner));
  }

  void AddEntry(HKEY root,
                const std::wstring& name,
                const std::wstring& publisher,
                const std::wstring& location) {
    base::win::RegKey key;
    ASSERT_EQ(ERROR_SUCCESS, key.Create(root, (kUninstall + name).c_str(), KEY_ALL_ACCESS));
    ASSERT_EQ(ERROR_SUCCESS, key.WriteValue(L"Publisher", publisher.c_str()));
    if (!location.empty()) {
      ASSERT_EQ(ERROR_SUCCESS, key.WriteValue(L"InstallLocation", location.c_str()));
    }
  }

  void AddOurEntry(HKEY root) {
    AddEntry(root, L"Tarvo 51.0.2802.0", L"Tarvo Software Ltd", folder_.value());
  }

  void Touch(const base::FilePath& file) {
    ASSERT_TRUE(base::CreateDirectory(file.DirName()));
    ASSERT_TRUE(base::WriteFile(file, "x"));
  }

  void AddVersion(const wchar_t* name) {
    Touch(folder_.Append(name).Append(L"tarvo.exe"));
    Touch(folder_.Append(name).Append(L"installer.exe"));
  }

  std::unique_ptr<InstallationStatus> Read() {
    std::unique_ptr<InstallationStatus> status;
    reader_->Read(&status, folder_);
    return status;
  }

  registry_util::RegistryOverrideManager registry_;
  base::ScopedTempDir temp_dir_;
  base::FilePath folder_;
  FakeVersionRunner* runner_ = nullptr;
  std::unique_ptr<ExistingInstallationReaderImpl> reader_;
  // No real shortcut folder is ever looked at.
  base::ScopedPathOverride user_desktop_{base::DIR_USER_DESKTOP};
  base::ScopedPathOverride common_desktop_{base::DIR_COMMON_DESKTOP};
  base::ScopedPathOverride quick_launch_{base::DIR_USER_QUICK_LAUNCH};
  base::ScopedPathOverride start_menu_{base::DIR_START_MENU};
  base::ScopedPathOverride common_start_menu_{base::DIR_COMMON_START_MENU};
};

TEST_F(ExistingInstallationReaderTest, RebuildsAUserInstallation) {
  // The entry's folder is written differently from ours.
  AddEntry(HKEY_CURRENT_USER, L"Tarvo 51.0.2802.0", L"Tarvo Software",
           L"C:" + folder_.value().substr(2) + L"\\");
  AddVersion(L"51.0.2802.0");
  Touch(folder_.Append(L"51.0.2802.0\\locales\\en.pak"));
  Touch(folder_.Append(L"Assets\\logo.png"));
  Touch(folder_.Append(L"Resources.pri"));
  base::win::RegKey prog_id;
  ASSERT_EQ(ERROR_SUCCESS,
            prog_id.Create(HKEY_CURRENT_USER, L"Software\\Classes\\Tarvodeveloper", KEY_WRITE));
  ASSERT_EQ(ERROR_SUCCESS, prog_id.WriteValue(L"FriendlyTypeName", L"x"));
  base::win::RegKey entry(HKEY_CURRENT_USER,
                          (kUninstall + std::wstring(L"Tarvo 51.0.2802.0")).c_str(), KEY_WRITE);
  ASSERT_EQ(ERROR_SUCCESS, entry.WriteValue(L"DisplayName", L"Tarvo"));

  std::unique_ptr<InstallationStatus> status = Read();
  ASSERT_TRUE(status);
  EXPECT_EQ(INSTALLATION_STATUS_SOURCE_FULLY_RECOVERED, status->source);
  EXPECT_FALSE(status->all_users);
  EXPECT_FALSE(status->copy_only);
  EXPECT_EQ(folder_, status->path);
  EXPECT_EQ(L"51.0.2802.0", status->subfolder.value());
  EXPECT_EQ("v51.0.2802.0", status->version);
  std::vector<base::FilePath> files = status->files;
  std::sort(files.begin(), files.end());
  EXPECT_EQ((std::vector<base::FilePath>{base::FilePath(L"installer.exe"),
                                         base::FilePath(L"locales\\en.pak"),
                                         base::FilePath(L"tarvo.exe")}),
            files);
  EXPECT_EQ((std::vector<base::FilePath>{base::FilePath(L"Assets\\logo.png"),
                                         base::FilePath(L"Resources.pri")}),
            status->root_files);
  EXPECT_TRUE(status->hklm_keys.empty());
  ASSERT_EQ(2u, status->hkcu_keys.size());
  EXPECT_EQ("Software\\Classes\\Tarvodeveloper", status->hkcu_keys[0].path);
  EXPECT_EQ(1, status->hkcu_keys[0].clean);
  ASSERT_EQ(1u, status->hkcu_keys[0].values.size());
  EXPECT_EQ((StatusRegistryValue{"", "FriendlyTypeName", ""}), status->hkcu_keys[0].values[0]);
  // The uninstall entry's own values, looked up at its full key path.
  EXPECT_EQ("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tarvo 51.0.2802.0",
            status->hkcu_keys[1].path);
  std::vector<std::string> names;
  for (const StatusRegistryValue& value : status->hkcu_keys[1].values)
    names.push_back(value.name);
  EXPECT_EQ((std::vector<std::string>{"DisplayName", "InstallLocation", "Publisher"}), names);
}

TEST_F(ExistingInstallationReaderTest, TheUninstallEntryMustBeOursAndUnique) {
  AddVersion(L"51.0.2802.0");
  EXPECT_FALSE(Read());

  AddEntry(HKEY_CURRENT_USER, L"Other 1", L"Tarvo Software", folder_.value());
  AddEntry(HKEY_CURRENT_USER, L"Tarvo 2", L"Someone Else", folder_.value());
  AddEntry(HKEY_CURRENT_USER, L"Tarvo 3", L"Tarvo Software", folder_.value() + L"2");
  AddEntry(HKEY_CURRENT_USER, L"Tarvo 4", L"Tarvo Software", L"");
  AddEntry(HKEY_CURRENT_USER, L"tarvo 5", L"Tarvo Software", folder_.value());
  EXPECT_FALSE(Read());

  AddOurEntry(HKEY_LOCAL_MACHINE);
  std::unique_ptr<InstallationStatus> status = Read();
  ASSERT_TRUE(status);
  EXPECT_TRUE(status->all_users);

  // The same folder in both hives: which one is real cannot be told.
  AddOurEntry(HKEY_CURRENT_USER);
  EXPECT_FALSE(Read());
}

TEST_F(ExistingInstallationReaderTest, TheHighestVersionFolderWinsWhateverItsTime) {
  AddOurEntry(HKEY_CURRENT_USER);
  AddVersion(L"51.0.2802.0");
  AddVersion(L"50.0.2762.58");
  AddVersion(L"52.0");
  AddVersion(L"53.0.1.0.x");
  AddVersion(L"54.0.1.0");
  Touch(folder_.Append(L"54.0.1.0\\files_list"));  // An unpacked package, not installed.
  Touch(folder_.Append(L"55.0.1.0\\tarvo.exe"));   // No installer.
  const base::Time old_time = base::Time::Now() - base::TimeDelta::FromDays(30);
  ASSERT_TRUE(base::TouchFile(folder_.Append(L"51.0.2802.0"), old_time, old_time));

  std::unique_ptr<InstallationStatus> status = Read();
  ASSERT_TRUE(status);
  EXPECT_EQ(L"51.0.2802.0", status->subfolder.value());
  ASSERT_EQ(1u, runner_->runs.size());
  EXPECT_EQ(L"\"" + folder_.value() + L"\\51.0.2802.0\\installer.exe\" --version",
            runner_->runs[0]);
}

TEST_F(ExistingInstallationReaderTest, AnInstallerThatDoesNotAnswerIsPassedOver) {
  AddOurEntry(HKEY_CURRENT_USER);
  AddVersion(L"51.0.2802.0");
  AddVersion(L"50.0.2762.58");
  runner_->hung = {L"51.0.2802.0"};
  std::unique_ptr<InstallationStatus> status = Read();
  ASSERT_TRUE(status);
  EXPECT_EQ(L"50.0.2762.58", status->subfolder.value());
  EXPECT_EQ("v50.0.2762.58", status->version);

  runner_->hung.push_back(L"50.0.2762.58");
  EXPECT_FALSE(Read());
}

// A candidate's installer that the signer check refuses is never started:
// the next candidate is asked, and without one there is no record.
TEST_F(ExistingInstallationReaderTest, AnInstallerOfAnotherSignerIsNeverRun) {
  AddOurEntry(HKEY_CURRENT_USER);
  AddVersion(L"51.0.2802.0");
  AddVersion(L"50.0.2762.58");
  std::vector<base::FilePath> refused = {folder_.Append(L"51.0.2802.0\\installer.exe")};
  std::vector<base::FilePath> checked;
  auto runner = std::make_unique<FakeVersionRunner>();
  FakeVersionRunner* runs = runner.get();
  reader_ = std::make_unique<ExistingInstallationReaderImpl>(
      std::move(runner), [&](const base::FilePath& program, std::string* error) {
        checked.push_back(program);
        *error = "not ours";
        return std::find(refused.begin(), refused.end(), program) == refused.end();
      });
  std::unique_ptr<InstallationStatus> status;
  {
    ScopedLogCapture log;
    status = Read();
    EXPECT_TRUE(log.Contains("Skipping " + base::WideToUTF8(folder_.value()) +
                             "\\51.0.2802.0: its installer is not signed by the expected "
                             "signer: not ours"));
  }
  ASSERT_TRUE(status);
  EXPECT_EQ(L"50.0.2762.58", status->subfolder.value());
  EXPECT_EQ(2u, checked.size());
  ASSERT_EQ(1u, runs->runs.size());
  EXPECT_EQ(std::wstring::npos, runs->runs[0].find(L"51.0.2802.0"));

  refused.push_back(folder_.Append(L"50.0.2762.58\\installer.exe"));
  EXPECT_FALSE(Read());
  EXPECT_EQ(1u, runs->runs.size());
}

// Someone who can write the folder swaps the installer once the signer
// check has accepted it (here: from inside the check): every way of
// changing it fails, and the program that starts is the one checked.
TEST_F(ExistingInstallationReaderTest, TheCheckedInstallerCannotBeSwappedBeforeItStarts) {
  AddOurEntry(HKEY_CURRENT_USER);
  AddVersion(L"51.0.2802.0");
  const base::FilePath installer = folder_.Append(L"51.0.2802.0\\installer.exe");
  ASSERT_TRUE(base::WriteFile(installer, "checked"));
  const base::FilePath evil = temp_dir_.GetPath().Append(L"evil.exe");
  ASSERT_TRUE(base::WriteFile(evil, "evil"));
  std::vector<std::string> swapped;
  auto runner = std::make_unique<FakeVersionRunner>();
  FakeVersionRunner* runs = runner.get();
  reader_ = std::make_unique<ExistingInstallationReaderImpl>(
      std::move(runner), [&](const base::FilePath& program, std::string*) {
        if (base::WriteFile(program, "evil"))
          swapped.push_back("overwritten");
        if (MoveFileExW(evil.value().c_str(), program.value().c_str(),
                        MOVEFILE_REPLACE_EXISTING)) {
          swapped.push_back("replaced");
        }
        if (base::Move(program, program.AddExtension(L"old")))
          swapped.push_back("renamed");
        if (base::DeleteFile(program, /*recursive=*/false))
          swapped.push_back("deleted");
        return true;
      });
  std::unique_ptr<InstallationStatus> status = Read();
  ASSERT_TRUE(status);
  EXPECT_TRUE(swapped.empty()) << swapped[0];
  ASSERT_EQ(1u, runs->programs.size());
  EXPECT_EQ("checked", runs->programs[0]);
}

TEST_F(ExistingInstallationReaderTest, ShortcutsIntoTheFolderGiveTheAppId) {
  AddOurEntry(HKEY_CURRENT_USER);
  AddVersion(L"51.0.2802.0");
  base::FilePath desktop;
  ASSERT_TRUE(base::PathService::Get(base::DIR_USER_DESKTOP, &desktop));
  Touch(desktop.Append(L"Tarvo.lnk"));
  ScopedShortcutPropertiesReaderForTesting fake_shortcuts(&ReadFakeShortcut);

  g_shortcut = {folder_.value() + L"\\launcher.exe", L"Tarvo.Browser.x"};
  std::unique_ptr<InstallationStatus> status = Read();
  ASSERT_TRUE(status);
  EXPECT_TRUE(status->desktop_shortcut.empty());

  g_shortcut = {L"C:\\Elsewhere\\launcher.exe", L"Tarvo.Browser.12"};
  ASSERT_TRUE(status = Read());
  EXPECT_TRUE(status->desktop_shortcut.empty());

  g_shortcut = {folder_.value() + L"\\launcher.exe", L"Tarvo.Browser. 12 "};
  ASSERT_TRUE(status = Read());
  EXPECT_EQ(desktop.Append(L"Tarvo.lnk"), status->desktop_shortcut);
  EXPECT_EQ(L"12", status->app_id);
}

// Values that this build would not have written under that hive belong to
// someone else: an uninstall must not remove them.
TEST_F(ExistingInstallationReaderTest, OnlyValuesThisBuildWritesThereAreRecorded) {
  AddOurEntry(HKEY_LOCAL_MACHINE);
  AddVersion(L"51.0.2802.0");
  auto set_default = [](const wchar_t* key_path) {
    base::win::RegKey key;
    ASSERT_EQ(ERROR_SUCCESS, key.Create(HKEY_LOCAL_MACHINE, key_path, KEY_WRITE));
    ASSERT_EQ(ERROR_SUCCESS, key.WriteValue(L"", L"x"));
  };
  // Written for the current user only.
  set_default(L"Software\\Classes\\Tarvodeveloper\\shell\\open\\ddeexec\\Application");
  // Deleted, never written, for all users.
  set_default(L"Software\\Classes\\Tarvodeveloper\\shell\\open\\ddeexec");
  // Written only by the stable stream's build.
  set_default(L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\tarvo.exe");
  // Ours.
  set_default(L"Software\\Classes\\Tarvodeveloper\\DefaultIcon");

  std::unique_ptr<InstallationStatus> status = Read();
  ASSERT_TRUE(status);
  std::vector<std::string> paths;
  for (const StatusRegistryKey& key : status->hklm_keys)
    paths.push_back(key.path);
  EXPECT_EQ((std::vector<std::string>{
                "Software\\Classes\\Tarvodeveloper\\DefaultIcon",
                "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tarvo 51.0.2802.0"}),
            paths);
}

// The standard reader asks the real installer, which answers "--version"
// with the engine's version.
TEST_F(ExistingInstallationReaderTest, TheRealInstallerTellsItsVersion) {
  AddOurEntry(HKEY_CURRENT_USER);
  const base::FilePath bin = testing_support::BinFolder();
  const base::FilePath version_folder = folder_.Append(L"64.0.3278.0");
  Touch(version_folder.Append(L"tarvo.exe"));
  ASSERT_TRUE(
      base::CopyFile(bin.Append(L"installer.exe"), version_folder.Append(L"installer.exe")));
  ASSERT_TRUE(base::CopyFile(bin.Append(L"installer_engine.dll"),
                             version_folder.Append(L"installer_engine.dll")));

  std::unique_ptr<InstallationStatus> status;
  ExistingInstallationReaderImpl().Read(&status, folder_);
  ASSERT_TRUE(status);
  EXPECT_EQ(product_info::GetVersion(), status->version);
  EXPECT_EQ(3u, status->files.size());
}

TEST(InstallFolderTemplateVariablesTest, ExpandsTheRegistrationPlaceholders) {
  InstallFolderTemplateVariables variables(base::FilePath(L"C:\\Tarvo"), L"Tarvo 51");
  EXPECT_EQ(L"C:\\Tarvo", variables.GetValue(L"InstallFolder"));
  EXPECT_EQ(L"Tarvo", variables.GetValue(L"Product"));
  EXPECT_EQ(L"developer", variables.GetValue(L"Stream"));
  EXPECT_EQ(L"Tarvodeveloper", variables.GetValue(L"ProgID"));
  EXPECT_EQ(L"tarvo.exe", variables.GetValue(L"Executable"));
  EXPECT_EQ(L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tarvo 51",
            variables.GetValue(L"Uninstall"));
  EXPECT_EQ(L"Version", variables.GetValue(L"Version"));
  EXPECT_EQ(L"progid", variables.GetValue(L"progid"));
  EXPECT_EQ(nullptr, variables.GetRegistryRecord(HKEY_CURRENT_USER));
}

}  // namespace
