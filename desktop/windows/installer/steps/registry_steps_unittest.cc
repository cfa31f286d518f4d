#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>

#include "base/features/feature_registry.h"
#include "base/files/scoped_temp_dir.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/registry.h"
#include "base/win/windows_version.h"
#include "desktop/windows/installer/service/installation.h"
#include "desktop/windows/installer/service/transactions/test_support/scratch_snapshot.h"
#include "desktop/windows/installer/steps/clean_registry_step.h"
#include "desktop/windows/installer/steps/setup_registry_step.h"
#include "desktop/windows/installer/steps/test_support/registration_step_test_context.h"
#include "desktop/windows/installer/utils/installer_features.h"
#include "desktop/windows/installer/utils/product_info.h"
#include "desktop/windows/installer/utils/service_utils.h"
#include "desktop/windows/installer/utils/test_support/fake_security_util.h"
#include "gtest/gtest.h"
#include "testing/registry_checks.h"
#include "testing/registry_override.h"

namespace {

using testing_support::KeyExists;

constexpr REGSAM kView32 = KEY_WOW64_32KEY;

std::wstring ThisVersionUninstallKey() {
  return GetUninstallRegistryKey(
      base::UTF8ToWide(product_info::GetProductName() + " " + product_info::GetVersionString()));
}

// Answers the uninstall key claims from a script: the version's own key is
// taken, `denied` cannot be made, every other one is claimed for real.
// With `everything_taken`, every name is.
class ScriptedSetupRegistryStep : public SetupRegistryStep {
 public:
  using SetupRegistryStep::SetupRegistryStep;

  int claims = 0;
  bool everything_taken = false;
  std::wstring denied;

 protected:
  KeyClaim ClaimKey(HKEY root, const std::wstring& key, RegKeyCreation* creation) override {
    ++claims;
    if (everything_taken || key == ThisVersionUninstallKey())
      return KeyClaim::kTaken;
    if (key == denied)
      return KeyClaim::kFailed;
    return SetupRegistryStep::ClaimKey(root, key, creation);
  }
};

// Another installation takes each name just before this one tries it, as
// one running at the same moment would.
class RacedSetupRegistryStep : public SetupRegistryStep {
 public:
  using SetupRegistryStep::SetupRegistryStep;

  int raced = 0;

 protected:
  KeyClaim ClaimKey(HKEY root, const std::wstring& key, RegKeyCreation* creation) override {
    if (raced < 2) {
      ++raced;
      base::win::RegKey other;
      EXPECT_EQ(ERROR_SUCCESS, other.Create(root, key.c_str(), KEY_WRITE | KEY_WOW64_32KEY));
      EXPECT_EQ(ERROR_SUCCESS, other.WriteValue(L"InstallLocation", L"C:\\Other"));
    }
    return SetupRegistryStep::ClaimKey(root, key, creation);
  }
};

class RegistryStepsTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(registry_.OverrideRegistry(HKEY_CURRENT_USER));
    ASSERT_TRUE(registry_.OverrideRegistry(HKEY_LOCAL_MACHINE));
    context_ = std::make_unique<RegistrationStepTestContext>(&settings_);
  }

  std::map<std::wstring, std::string> Snapshot() {
    auto snapshot = SnapshotRegistryKey(HKEY_CURRENT_USER, L"Software");
    for (auto& [key, value] : SnapshotRegistryKey(HKEY_LOCAL_MACHINE, L"Software"))
      snapshot[L"HKLM:" + key] = value;
    return snapshot;
  }

  StepResult RunSetup() {
    SetupRegistryStep step(context_.get(), &context_->app_id);
    return step.Run(0);
  }

  static bool HasValue(HKEY root, const std::wstring& key, const wchar_t* name, REGSAM view = 0) {
    base::win::RegKey opened(root, key.c_str(), KEY_READ | view);
    return opened.Valid() && opened.HasValue(name);
  }

  registry_util::RegistryOverrideManager registry_;
  features::ScopedFeatureRegistryForTesting features_;
  RegistrationStepTestSettings settings_;
  std::unique_ptr<RegistrationStepTestContext> context_;
};

TEST_F(RegistryStepsTest, CopyOnlyWritesNothingAndChoosesNoUninstallKey) {
  settings_.copy_only = true;
  const auto before = Snapshot();
  EXPECT_EQ(STEP_OK, RunSetup().status);
  EXPECT_EQ(L"1500000000", context_->app_id);
  EXPECT_TRUE(context_->GetTransaction()->empty());
  EXPECT_EQ(before, Snapshot());
}

TEST_F(RegistryStepsTest, WritesTheTableRecordsItAndRollsBackToNothing) {
  const auto before = Snapshot();
  ASSERT_EQ(STEP_OK, RunSetup().status);
  const std::wstring uninstall = ThisVersionUninstallKey();
  EXPECT_EQ(uninstall, context_->app_id);
  EXPECT_FALSE(context_->recording);

  base::win::RegKey entry(HKEY_CURRENT_USER, uninstall.c_str(), KEY_READ | kView32);
  std::wstring display_name;
  ASSERT_EQ(ERROR_SUCCESS, entry.ReadValue(L"DisplayName", &display_name));
  EXPECT_EQ(L"Tarvo developer 1.2.3.4", display_name);
  EXPECT_FALSE(entry.HasValue(L"SystemComponent"));
  entry.Close();
  EXPECT_TRUE(
      HasValue(HKEY_CURRENT_USER, L"Software\\Classes\\TarvoTest.Html\\shell\\open\\command", L""));
  // Current user: the HKCU-only dde rows are written, the HKLM deletion is not.
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER,
                        L"Software\\Classes\\TarvoTest.Html\\shell\\open\\ddeexec\\Topic"));
  // Rows above this build's stream are skipped.
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER,
                         L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\tarvo.exe"));
  // Rows for a newer Windows than this one are skipped.
  const std::wstring urls =
      L"Software\\Clients\\StartMenuInternet\\TarvoTest.Html\\Capabilities\\UrlAssociations";
  EXPECT_TRUE(HasValue(HKEY_CURRENT_USER, urls, L"https"));
  EXPECT_EQ(base::win::GetVersion() >= base::win::VERSION_WIN10,
            HasValue(HKEY_CURRENT_USER, urls, L"microsoft-edge"));
  EXPECT_TRUE(SnapshotRegistryKey(HKEY_LOCAL_MACHINE, L"Software").empty());

  // Recorded with their clean-up depths, under HKCU only.
  EXPECT_TRUE(context_->status.hklm_keys.empty());
  bool found_uninstall = false, found_command = false;
  for (const StatusRegistryKey& key : context_->status.hkcu_keys) {
    if (key.path == base::WideToUTF8(uninstall)) {
      found_uninstall = true;
      EXPECT_EQ(1, key.clean);
      EXPECT_EQ(11u, key.values.size());
    }
    if (key.path == "Software\\Classes\\TarvoTest.Html\\shell\\open\\command") {
      found_command = true;
      EXPECT_EQ(2, key.clean);
    }
  }
  EXPECT_TRUE(found_uninstall);
  EXPECT_TRUE(found_command);

  context_->GetTransaction()->Rollback();
  EXPECT_EQ(before, Snapshot());
}

TEST_F(RegistryStepsTest, AllUsersWritesUnderTheMachineRoot) {
  settings_.all_users = true;
  ASSERT_EQ(STEP_OK, RunSetup().status);
  EXPECT_TRUE(HasValue(HKEY_LOCAL_MACHINE, ThisVersionUninstallKey(), L"UninstallString", kView32));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE,
                         L"Software\\Classes\\TarvoTest.Html\\shell\\open\\ddeexec\\Topic"));
  EXPECT_TRUE(context_->status.hkcu_keys.empty());
  EXPECT_FALSE(context_->status.hklm_keys.empty());
}

TEST_F(RegistryStepsTest, TheHidingFeatureAddsSystemComponent) {
  features::FeatureRegistry::GetInstance()->RegisterFeature(
      kInstallerHideFromProgramAndFeatures, /*enabled_by_default=*/true, /*overridable=*/false);
  ASSERT_EQ(STEP_OK, RunSetup().status);
  base::win::RegKey entry(HKEY_CURRENT_USER, ThisVersionUninstallKey().c_str(), KEY_READ | kView32);
  DWORD hidden = 0;
  EXPECT_EQ(ERROR_SUCCESS, entry.ReadValueDW(L"SystemComponent", &hidden));
  EXPECT_EQ(1u, hidden);
}

TEST_F(RegistryStepsTest, AnExistingEntryOfTheSameVersionGetsTheNextSuffix) {
  base::win::RegKey taken;
  ASSERT_EQ(ERROR_SUCCESS, taken.Create(HKEY_CURRENT_USER, ThisVersionUninstallKey().c_str(),
                                        KEY_WRITE | kView32));
  taken.Close();
  ASSERT_EQ(STEP_OK, RunSetup().status);
  EXPECT_EQ(ThisVersionUninstallKey() + L"1", context_->app_id);

  context_->app_id.clear();
  ASSERT_EQ(STEP_OK, RunSetup().status);
  EXPECT_EQ(ThisVersionUninstallKey() + L"2", context_->app_id);
}

// An upgrade keeps the record of what the installation before it made, as
// long as it is still there.
TEST_F(RegistryStepsTest, AnUpgradeKeepsTheKeysMadeBefore) {
  settings_.set_operation(INSTALL_OPERATION_UPGRADE);
  context_->existing = std::make_unique<InstallationStatus>(INSTALLATION_STATUS_SOURCE_PRIMARY);
  context_->existing->hkcu_created_keys = {"Software\\Kept", "Software\\Gone"};
  base::win::RegKey kept;
  ASSERT_EQ(ERROR_SUCCESS, kept.Create(HKEY_CURRENT_USER, L"Software\\Kept", KEY_WRITE));
  ASSERT_EQ(STEP_OK, RunSetup().status);
  const std::vector<std::string>& created = context_->status.hkcu_created_keys;
  EXPECT_EQ("Software\\Kept", created.front());
  EXPECT_EQ(created.end(), std::find(created.begin(), created.end(), "Software\\Gone"));
}

TEST_F(RegistryStepsTest, AnUnmakeableOrExhaustedUninstallKeyFailsTheStep) {
  {
    ScriptedSetupRegistryStep step(context_.get(), &context_->app_id);
    step.denied = ThisVersionUninstallKey() + L"1";
    const StepResult result = step.Run(0);
    EXPECT_EQ(STEP_FAILED, result.status);
    EXPECT_EQ("Failed writing uninstallation information", result.detail);
    EXPECT_EQ(2, step.claims);
  }
  {
    ScriptedSetupRegistryStep step(context_.get(), &context_->app_id);
    step.everything_taken = true;
    EXPECT_EQ(STEP_FAILED, step.Run(0).status);
    EXPECT_EQ(SetupRegistryStep::kMaxUninstallKeySuffix + 1, step.claims);
  }
  EXPECT_EQ(L"1500000000", context_->app_id);
  EXPECT_TRUE(context_->GetTransaction()->empty());
}

// A name another installation takes between this one's look and its write
// is never shared: the entry goes to the next free name, and the other's
// entry keeps its values, also when this installation is rolled back.
TEST_F(RegistryStepsTest, ANameTakenAtTheSameMomentIsNeverShared) {
  RacedSetupRegistryStep step(context_.get(), &context_->app_id);
  ASSERT_EQ(STEP_OK, step.Run(0).status);
  EXPECT_EQ(ThisVersionUninstallKey() + L"2", context_->app_id);
  for (const std::wstring& other : {ThisVersionUninstallKey(), ThisVersionUninstallKey() + L"1"}) {
    base::win::RegKey entry(HKEY_CURRENT_USER, other.c_str(), KEY_READ | kView32);
    std::wstring location;
    EXPECT_EQ(ERROR_SUCCESS, entry.ReadValue(L"InstallLocation", &location));
    EXPECT_EQ(L"C:\\Other", location);
    EXPECT_FALSE(entry.HasValue(L"DisplayName"));
  }
  context_->GetTransaction()->Rollback();
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, ThisVersionUninstallKey() + L"2", kView32));
  EXPECT_TRUE(HasValue(HKEY_CURRENT_USER, ThisVersionUninstallKey() + L"1", L"InstallLocation",
                       kView32));
}

TEST_F(RegistryStepsTest, AnUnwritableUninstallEntryFailsTheStepOtherRowsDoNot) {
  // The host expands "{Uninstall}" from its own id, left empty here, so
  // the entry's rows name no key and are refused.
  std::wstring written;
  SetupRegistryStep step(context_.get(), &written);
  context_->app_id.clear();
  const StepResult result = step.Run(0);
  EXPECT_EQ(STEP_FAILED, result.status);
  EXPECT_EQ("Failed writing uninstallation information", result.detail);
  EXPECT_EQ(ThisVersionUninstallKey(), written);
  // The rows before the entry were written all the same.
  EXPECT_TRUE(
      KeyExists(HKEY_CURRENT_USER, L"Software\\Clients\\StartMenuInternet\\TarvoTest.Html"));
}

class CleanRegistryStepTest : public RegistryStepsTest {
 protected:
  void SetUp() override {
    RegistryStepsTest::SetUp();
    context_->existing = std::make_unique<InstallationStatus>(INSTALLATION_STATUS_SOURCE_PRIMARY);
  }

  static void Write(HKEY root,
                    const std::wstring& key,
                    const wchar_t* name,
                    const wchar_t* data,
                    REGSAM view = 0) {
    base::win::RegKey opened;
    ASSERT_EQ(ERROR_SUCCESS, opened.Create(root, key.c_str(), KEY_WRITE | view));
    ASSERT_EQ(ERROR_SUCCESS, opened.WriteValue(name, data));
  }

  void Record(const std::string& path,
              int clean,
              std::vector<std::string> values = {},
              HKEY root = HKEY_CURRENT_USER) {
    StatusRegistryKey key;
    key.path = path;
    key.clean = clean;
    for (const std::string& name : values)
      key.values.push_back({"REG_SZ", name, ""});
    (root == HKEY_CURRENT_USER ? context_->existing->hkcu_keys : context_->existing->hklm_keys)
        .push_back(key);
  }

  StepResult RunClean(PeMachineKind machine = PE_MACHINE_I386) {
    CleanRegistryStep step(context_.get(), machine);
    return step.Run(0);
  }
};

TEST_F(CleanRegistryStepTest, DepthsRemoveValuesKeysOrParentsAndRollBack) {
  const std::wstring prog_id = L"Software\\Classes\\TarvoTest.Html";
  Write(HKEY_CURRENT_USER, prog_id + L"\\shell\\open\\command", nullptr, L"launcher");
  Write(HKEY_CURRENT_USER, prog_id + L"\\shell\\open\\ddeexec\\Topic", nullptr, L"");
  Write(HKEY_CURRENT_USER, prog_id + L"\\shell\\print", nullptr, L"kept");
  Write(HKEY_CURRENT_USER, L"Software\\Classes\\.htm\\OpenWithProgIDs", L"TarvoTest.Html", L"");
  Write(HKEY_CURRENT_USER, L"Software\\Classes\\.htm\\OpenWithProgIDs", L"Other.Html", L"");
  Write(HKEY_CURRENT_USER, L"Software\\Clients\\StartMenuInternet\\TarvoTest.Html", nullptr, L"x");
  Record("Software\\Classes\\TarvoTest.Html\\shell\\open\\command", 2, {""});
  Record("Software\\Classes\\.htm\\OpenWithProgIDs", 0, {"TarvoTest.Html"});
  Record("Software\\Clients\\StartMenuInternet\\TarvoTest.Html", 1, {""});
  const auto before = Snapshot();

  ASSERT_EQ(STEP_OK, RunClean().status);
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, prog_id + L"\\shell\\open"));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, prog_id + L"\\shell\\print"));
  EXPECT_FALSE(
      HasValue(HKEY_CURRENT_USER, L"Software\\Classes\\.htm\\OpenWithProgIDs", L"TarvoTest.Html"));
  EXPECT_TRUE(
      HasValue(HKEY_CURRENT_USER, L"Software\\Classes\\.htm\\OpenWithProgIDs", L"Other.Html"));
  EXPECT_FALSE(
      KeyExists(HKEY_CURRENT_USER, L"Software\\Clients\\StartMenuInternet\\TarvoTest.Html"));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, L"Software\\Clients\\StartMenuInternet"));

  context_->GetTransaction()->Rollback();
  EXPECT_EQ(before, Snapshot());
}

// What the install made and is empty again after its clean-up goes with
// the uninstall; an empty key that was there before stays, and so does a
// key the install made in which another program has put something since.
// The file type's own key gets its value (in a key other programs share,
// so only the value is recorded) and loses it again.
TEST_F(CleanRegistryStepTest, AnUninstallRemovesTheEmptiedKeysTheInstallMade) {
  context_->existing.reset();
  Write(HKEY_CURRENT_USER, L"Software\\Classes\\.html\\OpenWithProgIDs", L"Other.Html", L"");
  const auto before = Snapshot();
  ASSERT_EQ(STEP_OK, RunSetup().status);
  EXPECT_TRUE(HasValue(HKEY_CURRENT_USER, L"Software\\Classes\\.tvx", nullptr));
  const std::vector<std::string>& created = context_->status.hkcu_created_keys;
  EXPECT_NE(created.end(), std::find(created.begin(), created.end(), "Software\\Classes\\.htm"));
  EXPECT_EQ(created.end(), std::find(created.begin(), created.end(), "Software\\Classes\\.html"));
  const InstallationStatus installed = context_->status;

  // The install commits; the uninstall gets the record it wrote.
  context_ = std::make_unique<RegistrationStepTestContext>(&settings_);
  context_->existing = std::make_unique<InstallationStatus>(installed);
  settings_.set_operation(INSTALL_OPERATION_UNINSTALL);
  const std::wstring clients = L"Software\\Clients\\StartMenuInternet";
  Write(HKEY_CURRENT_USER, clients + L"\\OtherBrowser", nullptr, L"other");
  ASSERT_EQ(STEP_OK, RunClean().status);
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, clients + L"\\OtherBrowser"));
  // Without the other program's key, the registry is as before the install.
  ASSERT_EQ(ERROR_SUCCESS, base::win::RegKey(HKEY_CURRENT_USER, L"Software", KEY_ALL_ACCESS)
                               .DeleteKey(L"Clients"));
  EXPECT_EQ(before, Snapshot());
}

// The handler class is not in the record: an uninstall removes it by the
// recorded app id in both roots, undone by a rollback; an upgrade and a
// record whose app id could name another key leave every class alone.
TEST_F(CleanRegistryStepTest, AnUninstallRemovesTheFileHandlerClass) {
  const std::wstring ours = L"Software\\Classes\\TarvoSoftware.TarvoWebBrowser.ABC";
  const std::wstring other = L"Software\\Classes\\TarvoSoftware.TarvoWebBrowser.XYZ";
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    Write(root, ours + L"\\shell\\open\\command", nullptr, L"launcher");
    Write(root, other + L"\\shell\\open\\command", nullptr, L"launcher");
  }
  Write(HKEY_CURRENT_USER, L"Software\\Classes\\TarvoSoftware.TarvoWebBrowser", nullptr, L"x");
  context_->existing->app_id = L"ABC";
  const auto before = Snapshot();

  ASSERT_EQ(STEP_OK, RunClean().status);
  EXPECT_EQ(before, Snapshot());

  settings_.set_operation(INSTALL_OPERATION_UNINSTALL);
  for (const wchar_t* damaged : {L"", L"\\..\\..", L"..", L"{ProgID}"}) {
    context_->existing->app_id = damaged;
    ASSERT_EQ(STEP_OK, RunClean().status);
    EXPECT_EQ(before, Snapshot()) << damaged;
  }

  context_->existing->app_id = L"ABC";
  ASSERT_EQ(STEP_OK, RunClean().status);
  auto expected = before;
  std::erase_if(expected, [](const auto& entry) {
    return entry.first.find(L"TarvoWebBrowser.ABC") != std::wstring::npos;
  });
  EXPECT_EQ(expected, Snapshot());
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, ours));
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, other));

  context_->GetTransaction()->Rollback();
  EXPECT_EQ(before, Snapshot());
}

// An uninstall takes back the default-browser registration, each row as
// deep as its table says: the handler class goes whole; an extension or a
// protocol that still leads to this installation loses only the values it
// was given, and its key stays; one that another browser took since stays
// as it is. A rollback puts everything back.
TEST_F(CleanRegistryStepTest, AnUninstallTakesBackTheRegistrationThatStillLeadsHere) {
  const base::FilePath folder(L"C:\\Programs\\Tarvo");
  settings_.set_install_folder(folder);
  settings_.set_operation(INSTALL_OPERATION_UNINSTALL);
  context_->existing->app_id = L"ABC";
  const std::wstring prog_id = L"TarvoSoftware.TarvoWebBrowser.ABC";
  const std::wstring command = L"\"C:\\Programs\\Tarvo\\launcher.exe\" -noautoupdate -- \"%1\"";
  const std::wstring classes = L"Software\\Classes\\";
  Write(HKEY_CURRENT_USER, classes + prog_id + L"\\shell\\open\\command", nullptr, command.c_str());
  Write(HKEY_CURRENT_USER, classes + L".html", nullptr, prog_id.c_str());
  Write(HKEY_CURRENT_USER, classes + L".html", L"Content Type", L"text/html");
  Write(HKEY_CURRENT_USER, classes + L".htm", nullptr, L"Other.Html");
  Write(HKEY_CURRENT_USER, classes + L"http", L"URL Protocol", L"");
  Write(HKEY_CURRENT_USER, classes + L"http", L"Kept", L"theirs");
  Write(HKEY_CURRENT_USER, classes + L"http\\DefaultIcon", nullptr, L"C:\\Programs\\Tarvo\\Launcher.exe,0");
  Write(HKEY_CURRENT_USER, classes + L"http\\shell\\open\\command", nullptr, command.c_str());
  Write(HKEY_CURRENT_USER, classes + L"https\\shell\\open\\command", nullptr, L"other.exe \"%1\"");
  Write(HKEY_CURRENT_USER, classes + L"https", L"URL Protocol", L"");
  const auto before = Snapshot();

  ASSERT_EQ(STEP_OK, RunClean().status);
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, classes + prog_id));
  EXPECT_FALSE(HasValue(HKEY_CURRENT_USER, classes + L".html", nullptr));
  EXPECT_TRUE(HasValue(HKEY_CURRENT_USER, classes + L".html", L"Content Type"));
  EXPECT_TRUE(HasValue(HKEY_CURRENT_USER, classes + L".htm", nullptr));
  EXPECT_FALSE(HasValue(HKEY_CURRENT_USER, classes + L"http", L"URL Protocol"));
  EXPECT_TRUE(HasValue(HKEY_CURRENT_USER, classes + L"http", L"Kept"));
  EXPECT_FALSE(HasValue(HKEY_CURRENT_USER, classes + L"http\\DefaultIcon", nullptr));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, classes + L"http\\shell\\open\\command"));
  EXPECT_FALSE(HasValue(HKEY_CURRENT_USER, classes + L"http\\shell\\open\\command", nullptr));
  EXPECT_TRUE(HasValue(HKEY_CURRENT_USER, classes + L"https", L"URL Protocol"));
  EXPECT_TRUE(HasValue(HKEY_CURRENT_USER, classes + L"https\\shell\\open\\command", nullptr));

  context_->GetTransaction()->Rollback();
  EXPECT_EQ(before, Snapshot());
}

// A protocol registered on its own (the protocol-handler operation) is in
// no record and has any name: an uninstall finds it among the user's
// classes and takes back its values while it still leads here; another
// program's protocol, and a class that is no protocol, stay.
TEST_F(CleanRegistryStepTest, AnUninstallTakesBackAProtocolRegisteredOnItsOwn) {
  settings_.set_install_folder(base::FilePath(L"C:\\Programs\\Tarvo"));
  settings_.set_operation(INSTALL_OPERATION_UNINSTALL);
  context_->existing->app_id = L"ABC";
  const std::wstring command = L"\"C:\\Programs\\Tarvo\\launcher.exe\" -noautoupdate -- \"%1\"";
  const std::wstring ours = L"Software\\Classes\\tarvo-irc";
  const std::wstring theirs = L"Software\\Classes\\other-irc";
  const std::wstring no_protocol = L"Software\\Classes\\Other.Document";
  for (const std::wstring& key : {ours, theirs}) {
    Write(HKEY_CURRENT_USER, key, L"URL Protocol", L"");
    Write(HKEY_CURRENT_USER, key + L"\\DefaultIcon", nullptr, L"C:\\Programs\\Tarvo\\Launcher.exe,0");
    Write(HKEY_CURRENT_USER, key + L"\\shell\\open\\ddeexec\\Topic", nullptr, L"");
  }
  base::win::RegKey flags;
  ASSERT_EQ(ERROR_SUCCESS, flags.Create(HKEY_CURRENT_USER, ours.c_str(), KEY_WRITE));
  ASSERT_EQ(ERROR_SUCCESS, flags.WriteValue(L"EditFlags", DWORD{2}));
  flags.Close();
  Write(HKEY_CURRENT_USER, ours + L"\\shell\\open\\command", nullptr, command.c_str());
  Write(HKEY_CURRENT_USER, theirs + L"\\shell\\open\\command", nullptr, L"other.exe \"%1\"");
  Write(HKEY_CURRENT_USER, no_protocol + L"\\shell\\open\\command", nullptr, command.c_str());
  const auto before = Snapshot();

  ASSERT_EQ(STEP_OK, RunClean().status);
  for (const wchar_t* name : {L"URL Protocol", L"EditFlags"})
    EXPECT_FALSE(HasValue(HKEY_CURRENT_USER, ours, name)) << name;
  EXPECT_FALSE(HasValue(HKEY_CURRENT_USER, ours + L"\\DefaultIcon", nullptr));
  EXPECT_FALSE(HasValue(HKEY_CURRENT_USER, ours + L"\\shell\\open\\command", nullptr));
  EXPECT_FALSE(HasValue(HKEY_CURRENT_USER, ours + L"\\shell\\open\\ddeexec\\Topic", nullptr));
  // The protocol's own key stays: only the values it was given go.
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, ours));
  EXPECT_TRUE(HasValue(HKEY_CURRENT_USER, theirs, L"URL Protocol"));
  EXPECT_TRUE(HasValue(HKEY_CURRENT_USER, theirs + L"\\DefaultIcon", nullptr));
  EXPECT_TRUE(HasValue(HKEY_CURRENT_USER, theirs + L"\\shell\\open\\command", nullptr));
  EXPECT_TRUE(HasValue(HKEY_CURRENT_USER, no_protocol + L"\\shell\\open\\command", nullptr));

  context_->GetTransaction()->Rollback();
  EXPECT_EQ(before, Snapshot());
}

TEST_F(CleanRegistryStepTest, ADamagedRecordCannotDeleteSharedKeys) {
  const std::wstring uninstall = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
  Write(HKEY_CURRENT_USER, L"Software\\Classes\\.htm", nullptr, L"Other.Html");
  Write(HKEY_CURRENT_USER, L"Software\\Classes\\.htm\\OpenWithProgIDs", L"Other.Html", L"");
  Write(HKEY_CURRENT_USER, uninstall + L"\\Other", L"DisplayName", L"Other", kView32);
  Write(HKEY_CURRENT_USER, uninstall + L"\\Tarvo 1", L"DisplayName", L"Tarvo", kView32);
  Write(HKEY_CURRENT_USER, L"Software\\Clients\\StartMenuInternet\\Other", nullptr, L"x");
  Record("Software\\Classes\\.htm\\OpenWithProgIDs", 2);
  Record("Software\\Classes\\Whatever", 2);
  Record(base::WideToUTF8(uninstall) + "\\Tarvo 1", 2);
  Record("Software\\Clients\\StartMenuInternet\\TarvoTest.Html\\Capabilities", 3);
  Record("Software\\Clients", 1);
  Record("Software", 5);
  // A value of a shared key is still removed: depth 0 only touches values.
  Record(base::WideToUTF8(uninstall) + "\\Tarvo 1", 0, {"DisplayName"});
  // Not those of the start-up keys, nor such a key made empty, in any
  // spelling.
  const std::wstring run = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
  Write(HKEY_CURRENT_USER, run, L"Other", L"other.exe");
  Record("software/microsoft/windows/currentversion/run/", 0, {"Other"});
  ASSERT_EQ(ERROR_SUCCESS,
            base::win::RegKey().Create(HKEY_CURRENT_USER, (run + L"OnceEx").c_str(), KEY_READ));
  context_->existing->hkcu_created_keys = {base::WideToUTF8(run) + "OnceEx",
                                           "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\"
                                           "CurrentVersion\\RunOnceEx\\"};
  settings_.set_operation(INSTALL_OPERATION_UNINSTALL);
  const auto before = Snapshot();

  ASSERT_EQ(STEP_OK, RunClean().status);
  auto after = Snapshot();
  auto expected = before;
  expected.erase(L"\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tarvo 1\\:DisplayName");
  EXPECT_EQ(expected, after);
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, uninstall + L"\\Other", kView32));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, run + L"OnceEx"));
}

// A record planted in a folder that other accounts can write: an elevated
// run cleans only what the installer's own tables write under the machine's
// root, and everything the record names once only administrators can.
TEST_F(CleanRegistryStepTest, ARecordOthersCanWriteCleansOnlyOwnMachineKeys) {
  base::ScopedTempDir folder;
  ASSERT_TRUE(folder.CreateUniqueTempDir());
  context_->base_install_folder = folder.GetPath();
  FakeSecurityUtil security;
  ScopedSecurityUtilForTesting scoped_security(&security);
  security.SetWriters(folder.GetPath().value(), ObjectWriters::kOthers);
  const std::wstring vendor = L"Software\\Other Vendor";
  const std::wstring own = std::wstring(L"Software\\Classes\\") + kProgIdPrefix + L"1500000000";
  Write(HKEY_LOCAL_MACHINE, vendor + L"\\Config", L"Licence", L"x");
  Write(HKEY_LOCAL_MACHINE, vendor, L"Key", L"x");
  Write(HKEY_LOCAL_MACHINE, own, L"FriendlyTypeName", L"x");
  ASSERT_EQ(ERROR_SUCCESS, base::win::RegKey().Create(HKEY_LOCAL_MACHINE,
                                                      (vendor + L"\\Empty").c_str(), KEY_READ));
  Record(base::WideToUTF8(vendor) + "\\Config", 1, {}, HKEY_LOCAL_MACHINE);
  Record(base::WideToUTF8(vendor), 0, {"Key"}, HKEY_LOCAL_MACHINE);
  Record(base::WideToUTF8(own), 1, {}, HKEY_LOCAL_MACHINE);
  context_->existing->hklm_created_keys = {base::WideToUTF8(vendor) + "\\Empty"};
  settings_.set_operation(INSTALL_OPERATION_UNINSTALL);

  ASSERT_EQ(STEP_OK, RunClean().status);
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, vendor + L"\\Config"));
  EXPECT_TRUE(HasValue(HKEY_LOCAL_MACHINE, vendor, L"Key"));
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, vendor + L"\\Empty"));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, own));

  security.SetWriters(folder.GetPath().value(), ObjectWriters::kAdministrators);
  ASSERT_EQ(STEP_OK, RunClean().status);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, vendor + L"\\Config"));
  EXPECT_FALSE(HasValue(HKEY_LOCAL_MACHINE, vendor, L"Key"));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, vendor + L"\\Empty"));
}

// A forged record whose key path or value name holds a NUL: the registry
// would end the name there and clean the policy key itself (and, with a
// subkey, recurse into the same key until the stack overflows).
TEST_F(CleanRegistryStepTest, ANameCutShortByANulTouchesNothing) {
  Write(HKEY_CURRENT_USER, L"Software\\Policies", L"a", L"policy");
  Write(HKEY_CURRENT_USER, L"Software\\Policies\\Sub", L"b", L"policy");
  Write(HKEY_CURRENT_USER, L"Software\\Tarvo Software\\Tarvo", L"a", L"kept");
  Record(std::string("Software\\Policies\0\\x", 20), 1);
  Record(std::string("Software\\Policies\0\\x", 20), 0, {"a"});
  Record("Software\\Tarvo Software\\Tarvo", 0, {std::string("a\0b", 3)});
  const auto before = Snapshot();
  ASSERT_EQ(STEP_OK, RunClean().status);
  EXPECT_EQ(before, Snapshot());
}

TEST_F(CleanRegistryStepTest, ANativeUninstallEntryGoesOnlyWhenItIsThisFolders) {
  const std::wstring entry =
      L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tarvo 1.2.3.4";
  settings_.set_install_folder(base::FilePath(L"C:\\Users\\me\\Tarvo"));
  Write(HKEY_CURRENT_USER, entry, L"InstallLocation", L"C:\\Users\\me\\Other");
  Write(HKEY_CURRENT_USER, entry, L"DisplayName", L"Tarvo");
  Record(base::WideToUTF8(entry), 0, {"DisplayName"});
  ASSERT_EQ(STEP_OK, RunClean(PE_MACHINE_OTHER).status);
  EXPECT_TRUE(HasValue(HKEY_CURRENT_USER, entry, L"InstallLocation"));

  Write(HKEY_CURRENT_USER, entry, L"InstallLocation", L"c:\\users\\me\\tarvo\\");
  ASSERT_EQ(STEP_OK, RunClean(PE_MACHINE_I386).status);
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, entry));
  ASSERT_EQ(STEP_OK, RunClean(PE_MACHINE_OTHER).status);
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, entry));
}

TEST_F(CleanRegistryStepTest, NoRecordMeansNothingToDo) {
  context_->existing.reset();
  EXPECT_EQ(STEP_OK, RunClean().status);
  EXPECT_TRUE(context_->GetTransaction()->empty());
}

}  // namespace
