#include "desktop/windows/installer/service/default_browser_registrar.h"

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/win/registry.h"
#include "desktop/windows/installer/service/installation.h"
#include "desktop/windows/installer/service/test_support/fake_os_operations.h"
#include "desktop/windows/installer/service/transactions/transaction.h"
#include "desktop/windows/installer/service/transactions/test_support/scratch_snapshot.h"
#include "desktop/windows/installer/utils/service_utils.h"
#include "gtest/gtest.h"
#include "testing/registry_override.h"

namespace {

constexpr wchar_t kProgId[] = L"TarvoSoftware.TarvoWebBrowser.TST";
constexpr wchar_t kClasses[] = L"Software\\Classes";

// Makes HKEY_CLASSES_ROOT the (overridden) user's Software\Classes, as the
// merged view is for a user without machine-wide classes.
class ScopedClassesRootOverride {
 public:
  ScopedClassesRootOverride() {
    if (classes_.Create(HKEY_CURRENT_USER, kClasses, KEY_ALL_ACCESS) == ERROR_SUCCESS)
      ok_ = ::RegOverridePredefKey(HKEY_CLASSES_ROOT, classes_.Handle()) == ERROR_SUCCESS;
  }
  ~ScopedClassesRootOverride() {
    if (ok_) ::RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
  }
  bool ok() const { return ok_; }

 private:
  base::win::RegKey classes_;
  bool ok_ = false;
};

std::wstring ReadString(HKEY root, const std::wstring& key, const wchar_t* name) {
  std::wstring value;
  base::win::RegKey(root, key.c_str(), KEY_READ).ReadValue(name, &value);
  return value;
}

void WriteString(HKEY root, const std::wstring& key, const wchar_t* name,
                 const std::wstring& value) {
  base::win::RegKey created;
  ASSERT_EQ(ERROR_SUCCESS, created.Create(root, key.c_str(), KEY_ALL_ACCESS));
  ASSERT_EQ(ERROR_SUCCESS, created.WriteValue(name, value.c_str()));
}

class DefaultBrowserTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(registry_.OverrideRegistry(HKEY_CURRENT_USER));
    ASSERT_TRUE(registry_.OverrideRegistry(HKEY_LOCAL_MACHINE));
    classes_root_ = std::make_unique<ScopedClassesRootOverride>();
    ASSERT_TRUE(classes_root_->ok());
    ASSERT_TRUE(folder_.CreateUniqueTempDir());
    auto os = std::make_unique<FakeOSOperations>();
    os_ = os.get();
    OSOperations::SetInstanceForTesting(std::move(os));
  }

  void TearDown() override {
    OSOperations::ResetForTesting();
    classes_root_.reset();
  }

  std::unique_ptr<Installation> MakeInstallation(bool all_users_status,
                                                 const std::string& prefs = std::string()) {
    auto status = std::make_unique<InstallationStatus>(INSTALLATION_STATUS_SOURCE_PRIMARY);
    status->app_id = L"TST";
    status->all_users = all_users_status;
    if (!prefs.empty()) {
      EXPECT_TRUE(base::WriteFile(folder_.GetPath().Append(kInstallerPrefsFileName), prefs));
    }
    return std::make_unique<ExistingInstallation>(folder_.GetPath(), std::move(status));
  }

  std::wstring Launcher(const wchar_t* name = L"launcher.exe") const {
    return folder_.GetPath().Append(name).value();
  }

  // A volatile key cannot get lasting subkeys: the user's class gets a
  // volatile "shell", so that the command row fails after the earlier ones.
  static void MakeVolatileShellKey(base::win::RegKey* class_root) {
    const std::wstring class_key = std::wstring(kClasses) + L"\\" + kProgId;
    ASSERT_EQ(ERROR_SUCCESS,
              class_root->Create(HKEY_CURRENT_USER, class_key.c_str(), KEY_ALL_ACCESS));
    HKEY shell = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(class_root->Handle(), L"shell", 0, nullptr,
                                               REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr,
                                               &shell, nullptr));
    ::RegCloseKey(shell);
  }

  // Everything under both (overridden) hives' Software keys.
  static std::map<std::wstring, std::string> Snapshot() {
    std::map<std::wstring, std::string> all = SnapshotRegistryKey(HKEY_CURRENT_USER, L"Software");
    for (const auto& [key, value] : MachineSnapshot()) all[L"HKLM:" + key] = value;
    return all;
  }
  static std::map<std::wstring, std::string> MachineSnapshot() {
    return SnapshotRegistryKey(HKEY_LOCAL_MACHINE, L"Software");
  }

  registry_util::RegistryOverrideManager registry_;
  std::unique_ptr<ScopedClassesRootOverride> classes_root_;
  base::ScopedTempDir folder_;
  FakeOSOperations* os_ = nullptr;
};

TEST_F(DefaultBrowserTest, FileHandlersRegisterTheInstallationsProgId) {
  auto installation = MakeInstallation(/*all_users_status=*/false);
  const auto machine_before = MachineSnapshot();
  ASSERT_TRUE(installation->RegisterFileHandlers(/*all_users=*/false));
  const std::wstring class_key = std::wstring(kClasses) + L"\\" + kProgId;
  EXPECT_EQ(L"Tarvo Web Document", ReadString(HKEY_CURRENT_USER, class_key, L"FriendlyTypeName"));
  EXPECT_EQ(L"\"" + Launcher(L"Launcher.exe") + L"\" -noautoupdate -- \"%1\"",
            ReadString(HKEY_CURRENT_USER, class_key + L"\\shell\\open\\command", nullptr));
  EXPECT_EQ(Launcher(L"Launcher.exe") + L",0",
            ReadString(HKEY_CURRENT_USER, class_key + L"\\DefaultIcon", nullptr));
  EXPECT_TRUE(base::win::RegKey(HKEY_CURRENT_USER,
                                (class_key + L"\\shell\\open\\ddeexec\\Topic").c_str(), KEY_READ)
                  .Valid());
  // Never a class literally named after the placeholder.
  EXPECT_FALSE(
      base::win::RegKey(HKEY_CURRENT_USER, L"Software\\Classes\\ProgID", KEY_READ).Valid());
  EXPECT_EQ(machine_before, MachineSnapshot());

  // For all users the user-only dde rows are left out.
  ASSERT_TRUE(installation->RegisterFileHandlers(/*all_users=*/true));
  EXPECT_FALSE(base::win::RegKey(HKEY_LOCAL_MACHINE,
                                 (class_key + L"\\shell\\open\\ddeexec").c_str(), KEY_READ)
                   .Valid());
  EXPECT_FALSE(ReadString(HKEY_LOCAL_MACHINE, class_key + L"\\shell\\open\\command", nullptr)
                   .empty());
}

TEST_F(DefaultBrowserTest, AFailingRowUndoesTheEarlierOnes) {
  // The command row fails after the class, its name values and its icon
  // were written.
  base::win::RegKey class_root;
  ASSERT_NO_FATAL_FAILURE(MakeVolatileShellKey(&class_root));
  const auto before = Snapshot();

  auto installation = MakeInstallation(/*all_users_status=*/false);
  EXPECT_FALSE(installation->RegisterFileHandlers(/*all_users=*/false));
  EXPECT_EQ(before, Snapshot());
}

// Given the installation's transaction, every registry write of making the
// browser the default joins it: a later rollback of the installation
// takes all of it back, and until then nothing else is touched.
TEST_F(DefaultBrowserTest, WritesJoinTheGivenTransactionAndRollBackWithIt) {
  WriteString(HKEY_CURRENT_USER, L"Software\\Classes\\http\\shell\\open\\command", nullptr,
              L"C:\\Other\\other.exe \"%1\"");
  WriteString(HKEY_CURRENT_USER, L"Software\\Classes\\.html", nullptr, L"Other.Html");
  const auto before = Snapshot();
  Transaction transaction;
  {
    auto installation = MakeInstallation(/*all_users_status=*/false);
    installation->SetRegistryTransaction(&transaction);
    installation->StorePreviousDefaultBrowser(/*all_users=*/false);
    EXPECT_TRUE(installation->MakeDefaultBrowser(/*all_users=*/false));
    EXPECT_EQ(kProgId, ReadString(HKEY_CURRENT_USER, L"Software\\Classes\\.html", nullptr));
    std::wstring previous;
    ASSERT_TRUE(installation->GetPreviousDefaultBrowser(&previous));
    EXPECT_EQ(L"C:\\Other\\other.exe \"%1\"", previous);
  }
  EXPECT_FALSE(transaction.empty());
  transaction.Rollback();
  EXPECT_EQ(before, Snapshot());

  // A failing row still undoes only its own group; what the transaction
  // held before stays for its owner to decide.
  auto installation = MakeInstallation(/*all_users_status=*/false);
  installation->SetRegistryTransaction(&transaction);
  ASSERT_TRUE(installation->SetStartMenuInternetDefault(/*all_users=*/false));
  const auto with_client = Snapshot();
  const size_t held = transaction.size();
  base::win::RegKey class_root;
  ASSERT_NO_FATAL_FAILURE(MakeVolatileShellKey(&class_root));
  const auto with_volatile_shell = Snapshot();
  EXPECT_FALSE(installation->RegisterFileHandlers(/*all_users=*/false));
  EXPECT_EQ(with_volatile_shell, Snapshot());
  EXPECT_EQ(held, transaction.size());
  ASSERT_EQ(ERROR_SUCCESS, class_root.DeleteKey(L"shell"));
  class_root.Close();
  ASSERT_EQ(ERROR_SUCCESS, base::win::RegKey(HKEY_CURRENT_USER, kClasses, KEY_ALL_ACCESS)
                               .DeleteKey(kProgId));
  EXPECT_EQ(with_client, Snapshot());
  transaction.Rollback();
  EXPECT_EQ(before, Snapshot());
}

TEST_F(DefaultBrowserTest, HandlerChecksIgnoreCase) {
  auto installation = MakeInstallation(/*all_users_status=*/false);
  EXPECT_FALSE(installation->IsHandlerFor(L"http"));
  std::wstring upper = Launcher();
  ::CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
  WriteString(HKEY_CURRENT_USER, L"Software\\Classes\\http\\shell\\open\\command", nullptr,
              L"\"" + upper + L"\" -- \"%1\"");
  EXPECT_TRUE(installation->IsHandlerFor(L"http"));

  // The user's choice wins over the protocol's own class.
  WriteString(HKEY_CURRENT_USER,
              L"Software\\Microsoft\\Windows\\Shell\\Associations\\UrlAssociations\\http\\"
              L"UserChoice",
              L"ProgId", L"OtherBrowserURL");
  WriteString(HKEY_CURRENT_USER, L"Software\\Classes\\OtherBrowserURL\\shell\\open\\command",
              nullptr, L"C:\\Other\\other.exe \"%1\"");
  EXPECT_FALSE(installation->IsHandlerFor(L"http"));
  std::wstring command;
  ASSERT_TRUE(installation->GetAssociationCommand(L"http", /*all_users=*/false, &command));
  EXPECT_EQ(L"C:\\Other\\other.exe \"%1\"", command);

  // An extension's class comes from the extension's key.
  WriteString(HKEY_CURRENT_USER, L"Software\\Classes\\.htm", nullptr, L"OtherBrowserURL");
  ASSERT_TRUE(installation->GetAssociationCommand(L".htm", /*all_users=*/false, &command));
  EXPECT_FALSE(installation->GetAssociationCommand(L".xyz", /*all_users=*/false, &command));

  // Without a folder nothing is ours.
  EXPECT_FALSE(ExistingInstallation(base::FilePath()).IsHandlerFor(L"http"));
}

TEST_F(DefaultBrowserTest, UnusableAssociationsTouchNothing) {
  auto installation = MakeInstallation(/*all_users_status=*/false);
  const auto before = Snapshot();
  std::wstring command;
  for (const wchar_t* association : {L"", L".", L"a\\b", L"x/y", L"{Protocol}"}) {
    EXPECT_FALSE(installation->SetAsDefaultFor(association, /*all_users=*/false)) << association;
    EXPECT_FALSE(installation->GetAssociationCommand(association, false, &command));
  }
  EXPECT_EQ(before, Snapshot());
}

TEST_F(DefaultBrowserTest, Windows7WritesProtocolAndExtensionRows) {
  auto installation = MakeInstallation(/*all_users_status=*/false);
  ASSERT_TRUE(installation->SetAsDefaultFor(L"http", /*all_users=*/false));
  EXPECT_EQ(L"\"" + Launcher() + L"\" -noautoupdate -- \"%1\"",
            ReadString(HKEY_CURRENT_USER, L"Software\\Classes\\http\\shell\\open\\command",
                       nullptr));
  EXPECT_TRUE(installation->IsHandlerFor(L"http"));
  ASSERT_TRUE(installation->SetAsDefaultFor(L".html", /*all_users=*/false));
  EXPECT_EQ(kProgId, ReadString(HKEY_CURRENT_USER, L"Software\\Classes\\.html", nullptr));
  // A current-user installation never asks the association service.
  EXPECT_TRUE(os_->calls().empty());
}

TEST_F(DefaultBrowserTest, Windows7AllUsersInstallationAsksTheServiceFirst) {
  auto installation = MakeInstallation(/*all_users_status=*/true);
  os_->set_app_as_default_succeeds = false;
  const auto before = Snapshot();
  EXPECT_FALSE(installation->SetAsDefaultFor(L".htm", /*all_users=*/false));
  EXPECT_EQ(before, Snapshot());
  ASSERT_EQ(1u, os_->calls().size());
  EXPECT_EQ((FakeOSOperations::Call{"SetAppAsDefault", L"Tarvo developer", L".htm",
                                    AssociationKind::kFileExtension}),
            os_->calls()[0]);

  os_->set_app_as_default_succeeds = true;
  EXPECT_TRUE(installation->SetAsDefaultFor(L"ftp", /*all_users=*/false));
  EXPECT_EQ(AssociationKind::kUrlProtocol, os_->calls().back().kind);
  // For all users the service is not asked.
  EXPECT_TRUE(installation->SetAsDefaultFor(L"ftp", /*all_users=*/true));
  EXPECT_EQ(2u, os_->calls().size());
}

TEST_F(DefaultBrowserTest, Windows8ForAllUsersWritesNothing) {
  os_->windows_version = base::win::VERSION_WIN8;
  auto installation = MakeInstallation(/*all_users_status=*/true);
  const auto before = Snapshot();
  EXPECT_FALSE(installation->SetAsDefaultFor(L".html", /*all_users=*/true));
  EXPECT_FALSE(installation->SetStartMenuInternetDefault(/*all_users=*/true));
  EXPECT_EQ(before, Snapshot());
  EXPECT_TRUE(os_->calls().empty());
}

TEST_F(DefaultBrowserTest, Windows8AsksTheUserThroughOpenWith) {
  os_->windows_version = base::win::VERSION_WIN8_1;
  auto installation = MakeInstallation(/*all_users_status=*/false);
  os_->open_with_succeeds = false;
  const auto before = Snapshot();
  EXPECT_FALSE(installation->SetAsDefaultFor(L"http", /*all_users=*/false));
  EXPECT_EQ(before, Snapshot());

  os_->open_with_succeeds = true;
  EXPECT_TRUE(installation->SetAsDefaultFor(L"http", /*all_users=*/false));
  EXPECT_EQ(2u, os_->CallsOf("ShowOpenWithDialog").size());
  EXPECT_EQ(1u, os_->CallsOf("NotifyAssociationsChanged").size());
  // Now the handler: no dialog again, the rows are written again.
  EXPECT_TRUE(installation->SetAsDefaultFor(L"http", /*all_users=*/false));
  EXPECT_EQ(2u, os_->CallsOf("ShowOpenWithDialog").size());
}

TEST_F(DefaultBrowserTest, Windows10OpensTheSettingsPageAndWritesNoRows) {
  os_->windows_version = base::win::VERSION_WIN10_RS4;
  auto installation = MakeInstallation(/*all_users_status=*/false);
  const auto before = Snapshot();
  EXPECT_TRUE(installation->SetAsDefaultFor(L"http", /*all_users=*/false));
  EXPECT_EQ(before, Snapshot());
  const auto activations = os_->CallsOf("ActivateApplication");
  ASSERT_EQ(2u, activations.size());
  EXPECT_EQ(L"page=SettingsPageAppsDefaults", activations[0].second);
  EXPECT_EQ(L"page=SettingsPageAppsDefaults&target=SystemSettings_DefaultApps_Browser",
            activations[1].second);
  EXPECT_EQ(1u, os_->CallsOf("SetDefaultAssociation").size());

  EXPECT_TRUE(installation->SetAsDefaultFor(L"ftp", /*all_users=*/false));
  EXPECT_EQ(L"page=SettingsPageAppsDefaults&target=SettingsPageAppsDefaultsProtocolView",
            os_->calls().back().second);

  // The private route succeeding ends it there.
  os_->set_default_association_succeeds = true;
  EXPECT_TRUE(installation->SetAsDefaultFor(L"mailto", /*all_users=*/false));
  EXPECT_EQ("SetDefaultAssociation", os_->calls().back().operation);

  // Already the handler, or for all users: nothing at all.
  WriteString(HKEY_CURRENT_USER, L"Software\\Classes\\.html", nullptr, kProgId);
  WriteString(HKEY_CURRENT_USER,
              std::wstring(kClasses) + L"\\" + kProgId + L"\\shell\\open\\command", nullptr,
              L"\"" + Launcher() + L"\" \"%1\"");
  const size_t calls = os_->calls().size();
  EXPECT_FALSE(installation->SetAsDefaultFor(L".html", /*all_users=*/false));
  EXPECT_FALSE(installation->SetAsDefaultFor(L".htm", /*all_users=*/true));
  EXPECT_EQ(calls, os_->calls().size());
}

TEST_F(DefaultBrowserTest, MakeDefaultBrowserOnWindows7) {
  auto installation = MakeInstallation(/*all_users_status=*/false);
  EXPECT_TRUE(installation->MakeDefaultBrowser(/*all_users=*/false));
  EXPECT_TRUE(installation->IsHttpHandler());
  EXPECT_TRUE(installation->IsDefaultBrowser());
  EXPECT_EQ(L"Tarvodeveloper",
            ReadString(HKEY_CURRENT_USER, L"Software\\Clients\\StartMenuInternet", nullptr));
  for (const wchar_t* extension : {L".crx", L".htm", L".html", L".tvext", L".xhtml"})
    EXPECT_EQ(kProgId, ReadString(HKEY_CURRENT_USER, std::wstring(kClasses) + L"\\" + extension,
                                  nullptr))
        << extension;
  EXPECT_TRUE(installation->IsHandlerFor(L"ftp"));
  EXPECT_TRUE(installation->IsHandlerFor(L".html"));
}

TEST_F(DefaultBrowserTest, MakeDefaultBrowserStopsAfterHttpWhereWindowsAsksTheUser) {
  os_->windows_version = base::win::VERSION_WIN10;
  os_->internet_explorer_available = false;
  auto installation = MakeInstallation(/*all_users_status=*/false);
  EXPECT_FALSE(installation->MakeDefaultBrowser(/*all_users=*/false));
  // http only, through the settings page.
  for (const auto& call : os_->CallsOf("SetDefaultAssociation")) EXPECT_EQ(L"http", call.second);
  EXPECT_TRUE(ReadString(HKEY_CURRENT_USER, L"Software\\Clients\\StartMenuInternet", nullptr)
                  .empty());
}

TEST_F(DefaultBrowserTest, MakeDefaultBrowserOnWindows10WithTheAssociationInterfaces) {
  os_->windows_version = base::win::VERSION_WIN10_RS4;
  os_->set_default_association_succeeds = true;
  auto installation = MakeInstallation(/*all_users_status=*/false);
  installation->MakeDefaultBrowser(/*all_users=*/false);
  std::vector<std::wstring> associations;
  for (const auto& call : os_->CallsOf("SetDefaultAssociation")) {
    EXPECT_EQ(L"Tarvo developer", call.first);
    associations.push_back(call.second);
  }
  EXPECT_EQ((std::vector<std::wstring>{L"http", L"https", L"ftp", L".crx", L".htm", L".html",
                                       L".tvext", L".tvdownload", L".shtml", L".xht", L".xhtml"}),
            associations);
  // The user's start-menu client is still written.
  EXPECT_EQ(L"Tarvodeveloper",
            ReadString(HKEY_CURRENT_USER, L"Software\\Clients\\StartMenuInternet", nullptr));
}

TEST_F(DefaultBrowserTest, SingleProfileInstallationIsNeverMadeDefault) {
  auto installation = MakeInstallation(/*all_users_status=*/false, R"({"single_profile": true})");
  const auto before = Snapshot();
  EXPECT_FALSE(installation->MakeDefaultBrowser(/*all_users=*/false));
  EXPECT_EQ(before, Snapshot());
  EXPECT_TRUE(os_->calls().empty());
}

TEST_F(DefaultBrowserTest, AllUsersInstallationAsksTheServiceWhetherItIsDefault) {
  auto installation = MakeInstallation(/*all_users_status=*/true);
  WriteString(HKEY_CURRENT_USER, L"Software\\Clients\\StartMenuInternet", nullptr,
              L"Tarvodeveloper");
  EXPECT_FALSE(installation->IsDefaultBrowser());
  os_->app_is_default = true;
  EXPECT_TRUE(installation->IsDefaultBrowser());
  EXPECT_EQ((FakeOSOperations::Call{"QueryAppIsDefault", L"Tarvo developer", L"StartmenuInternet",
                                    AssociationKind::kStartMenuClient}),
            os_->calls().back());
}

TEST_F(DefaultBrowserTest, StartMenuClientFromTheUserThenTheMachine) {
  auto installation = MakeInstallation(/*all_users_status=*/false);
  WriteString(HKEY_LOCAL_MACHINE, L"Software\\Clients\\StartMenuInternet", nullptr,
              L"Tarvodeveloper");
  EXPECT_TRUE(installation->IsDefaultBrowser());
  WriteString(HKEY_CURRENT_USER, L"Software\\Clients\\StartMenuInternet", nullptr, L"IEXPLORE.EXE");
  EXPECT_FALSE(installation->IsDefaultBrowser());
}

TEST_F(DefaultBrowserTest, PreviousDefaultBrowserIsKeptOnlyWhenItIsAnother) {
  auto installation = MakeInstallation(/*all_users_status=*/false);
  std::wstring previous;
  EXPECT_FALSE(installation->GetPreviousDefaultBrowser(&previous));
  WriteString(HKEY_CURRENT_USER, L"Software\\Classes\\http\\shell\\open\\command", nullptr,
              L"C:\\Other\\other.exe \"%1\"");
  installation->StorePreviousDefaultBrowser(/*all_users=*/false);
  ASSERT_TRUE(installation->GetPreviousDefaultBrowser(&previous));
  EXPECT_EQ(L"C:\\Other\\other.exe \"%1\"", previous);

  // Once we are the handler the stored value stays.
  ASSERT_TRUE(installation->SetAsDefaultFor(L"http", /*all_users=*/false));
  installation->StorePreviousDefaultBrowser(/*all_users=*/false);
  ASSERT_TRUE(installation->GetPreviousDefaultBrowser(&previous));
  EXPECT_EQ(L"C:\\Other\\other.exe \"%1\"", previous);

  // The machine's value is read when the user has none.
  ASSERT_TRUE(installation->SetPreviousDefaultBrowser(L"machine", /*all_users=*/true));
  base::win::RegKey(HKEY_CURRENT_USER, GetCompanyRegistryKey().c_str(), KEY_ALL_ACCESS)
      .DeleteValue(L"Previous Default Browser");
  ASSERT_TRUE(installation->GetPreviousDefaultBrowser(&previous));
  EXPECT_EQ(L"machine", previous);
}

}  // namespace
