#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/registry.h"
#include "desktop/windows/installer/service/installation.h"
#include "desktop/windows/installer/service/test_support/fake_installation.h"
#include "desktop/windows/installer/service/test_support/fake_installation_folder_details.h"
#include "desktop/windows/installer/service/test_support/fake_os_operations.h"
#include "desktop/windows/installer/service/transactions/test_support/scratch_snapshot.h"
#include "desktop/windows/installer/steps/clean_registry_step.h"
#include "desktop/windows/installer/steps/install_tracking_data_step.h"
#include "desktop/windows/installer/steps/installer_step_factory.h"
#include "desktop/windows/installer/steps/installer_steps.h"
#include "desktop/windows/installer/steps/register_protocol_handlers_step.h"
#include "desktop/windows/installer/steps/remove_shortcuts_step.h"
#include "desktop/windows/installer/steps/setup_file_and_protocol_handlers_step.h"
#include "desktop/windows/installer/steps/setup_registry_step.h"
#include "desktop/windows/installer/steps/test_support/registration_step_test_context.h"
#include "desktop/windows/installer/steps/update_shortcuts_step.h"
#include "desktop/windows/installer/utils/installer_session.h"
#include "desktop/windows/installer/utils/installer_switches.h"
#include "desktop/windows/installer/utils/product_info.h"
#include "desktop/windows/installer/utils/server_tracking_blob.h"
#include "gtest/gtest.h"
#include "testing/registry_override.h"

namespace {

// Records the registration requests instead of registering.
class RecordingOSOperations : public FakeOSOperations {
 public:
  explicit RecordingOSOperations(std::vector<BrowserRegistrationRequest>* requests)
      : requests_(requests) {}

  void SetUpBrowserRegistration(const BrowserRegistrationRequest& request,
                                const InstallationStatus* /*status*/) override {
    requests_->push_back(request);
  }

 private:
  std::vector<BrowserRegistrationRequest>* requests_;
};

class SetupFileAndProtocolHandlersStepTest : public testing::Test {
 protected:
  SetupFileAndProtocolHandlersStepTest() : context_(&settings_) {
    auto operations = std::make_unique<RecordingOSOperations>(&requests_);
    operations_ = operations.get();
    OSOperations::SetInstanceForTesting(std::move(operations));
    details_.path = base::FilePath(L"C:\\Users\\me\\Tarvo");
    details_.is_http_handler = true;
    context_.folder_details = &details_;
  }
  ~SetupFileAndProtocolHandlersStepTest() override { OSOperations::ResetForTesting(); }

  void Run() {
    SetupFileAndProtocolHandlersStep step(&context_);
    EXPECT_EQ(STEP_OK, step.Run(0).status);
  }

  std::vector<BrowserRegistrationRequest> requests_;
  RecordingOSOperations* operations_;
  FakeInstallationFolderDetails details_;
  RegistrationStepTestSettings settings_;
  RegistrationStepTestContext context_;
};

TEST_F(SetupFileAndProtocolHandlersStepTest, PassesTheSettingsAndTheChosenFolder) {
  settings_.all_users = true;
  settings_.default_browser = true;
  Run();
  ASSERT_EQ(1u, requests_.size());
  const BrowserRegistrationRequest& request = requests_[0];
  EXPECT_FALSE(request.copy_only);
  EXPECT_TRUE(request.all_users);
  EXPECT_TRUE(request.default_browser);
  EXPECT_EQ(details_.path, request.folder);
  EXPECT_TRUE(request.folder_is_http_handler);
  // The registration is undone with the rest of the installation.
  EXPECT_EQ(context_.GetTransaction(), request.transaction);
}

// Only the elevated copy (started with "parent-pid") leaves the defaults to
// the user's own process; a backend that got the folder-permission helper's
// id as its parent pid is that process and registers.
TEST_F(SetupFileAndProtocolHandlersStepTest, OnWindows10OnlyTheElevatedCopyLeavesDefaultsAlone) {
  operations_->windows_version = base::win::VERSION_WIN10;
  operations_->internet_explorer_available = false;
  context_.parent_pid = 1234;
  Run();
  EXPECT_EQ(1u, requests_.size());

  context_.command_line.AppendSwitchASCII(switches::kParentPid, "1234");
  Run();
  EXPECT_EQ(1u, requests_.size());

  // With the association interfaces it registers in any case.
  operations_->internet_explorer_available = true;
  Run();
  EXPECT_EQ(2u, requests_.size());
}

class RegisterProtocolHandlersStepTest : public testing::Test {
 protected:
  RegisterProtocolHandlersStepTest() : context_(&settings_) {
    auto installation = std::make_unique<FakeInstallation>(base::FilePath(L"C:\\Tarvo"));
    installation_ = installation.get();
    Installation::SetInstanceForTesting(std::move(installation));
  }
  ~RegisterProtocolHandlersStepTest() override { Installation::ResetForTesting(); }

  void SetUp() override {
    ASSERT_TRUE(registry_.OverrideRegistry(HKEY_LOCAL_MACHINE));
    context_.command_line.AppendSwitchNative(switches::kRegisterAsProtocolHandler, L"irc");
    context_.existing = std::make_unique<InstallationStatus>(INSTALLATION_STATUS_SOURCE_PRIMARY);
  }

  void RecordCapabilities() {
    StatusRegistryKey key;
    key.path = "software\\clients\\startmenuinternet\\" +
               product_info::GetProductNameWithChannel() + "\\capabilities\\urlassociations";
    context_.existing->hklm_keys.push_back(key);
  }

  std::wstring ReadIrc() {
    const std::wstring key = L"SOFTWARE\\Clients\\StartMenuInternet\\" +
                             base::UTF8ToWide(product_info::GetProductNameWithChannel()) +
                             L"\\Capabilities\\URLAssociations";
    std::wstring value;
    base::win::RegKey(HKEY_LOCAL_MACHINE, key.c_str(), KEY_READ).ReadValue(L"irc", &value);
    return value;
  }

  StepResult Run() {
    RegisterProtocolHandlersStep step(&context_);
    return step.Run(0);
  }

  registry_util::RegistryOverrideManager registry_;
  FakeInstallation* installation_;
  RegistrationStepTestSettings settings_;
  RegistrationStepTestContext context_;
};

TEST_F(RegisterProtocolHandlersStepTest, ARecordedCapabilitiesKeyGetsTheProtocolUndoably) {
  RecordCapabilities();
  ASSERT_EQ(STEP_OK, Run().status);
  EXPECT_EQ(base::UTF8ToWide(product_info::GetProductNameWithChannel()), ReadIrc());
  // Made default through the step's transaction, and only for that call.
  const std::vector<FakeInstallation::Call> expected = {
      {"SetAsDefaultFor", L"irc", false, context_.GetTransaction()}};
  EXPECT_EQ(expected, installation_->calls());
  installation_->SetAsDefaultFor(L"irc", /*all_users=*/false);
  EXPECT_EQ(nullptr, installation_->calls().back().transaction);
  context_.GetTransaction()->Rollback();
  EXPECT_EQ(L"", ReadIrc());
}

TEST_F(RegisterProtocolHandlersStepTest, WithoutTheRecordOnlyTheDefaultIsAskedFor) {
  ASSERT_EQ(STEP_OK, Run().status);
  EXPECT_EQ(L"", ReadIrc());
  EXPECT_EQ(1u, installation_->calls().size());
}

TEST_F(RegisterProtocolHandlersStepTest, NoInstallationOrNoUrlSchemeDoesNothing) {
  RecordCapabilities();
  for (const wchar_t* bad : {L"", L"Applications\\tarvo.exe", L".html", L"1rc", L"ir c"}) {
    context_.command_line.RemoveSwitch(switches::kRegisterAsProtocolHandler);
    context_.command_line.AppendSwitchNative(switches::kRegisterAsProtocolHandler, bad);
    EXPECT_EQ(STEP_OK, Run().status);
  }
  context_.command_line.RemoveSwitch(switches::kRegisterAsProtocolHandler);
  context_.command_line.AppendSwitchNative(switches::kRegisterAsProtocolHandler, L"web+tarvo");
  context_.existing.reset();
  EXPECT_EQ(STEP_OK, Run().status);
  EXPECT_TRUE(installation_->calls().empty());
  EXPECT_TRUE(context_.GetTransaction()->empty());
  // The same scheme for an installation is registered.
  context_.existing = std::make_unique<InstallationStatus>(INSTALLATION_STATUS_SOURCE_PRIMARY);
  EXPECT_EQ(STEP_OK, Run().status);
  EXPECT_EQ(1u, installation_->calls().size());
}

TEST(InstallTrackingDataStepTest, KeepsTheTrackingDataUndoablyAndOnlyWhenThereIsSome) {
  base::ScopedTempDir scratch;
  ASSERT_TRUE(scratch.CreateUniqueTempDir());
  RegistrationStepTestSettings settings;
  const base::FilePath folder = scratch.GetPath().Append(L"Tarvo");
  const base::FilePath file = folder.Append(L"server_tracking_data");
  {
    base::CommandLine command_line(base::CommandLine::NO_PROGRAM);
    ScopedInstallerSessionForTesting session(std::make_unique<InstallerSession>(&command_line));
    RegistrationStepTestContext context(&settings);
    context.base_install_folder = folder;
    InstallTrackingDataStep step(&context);
    EXPECT_EQ(STEP_OK, step.Run(0).status);
    EXPECT_TRUE(context.GetTransaction()->empty());
  }
  base::CommandLine command_line(base::CommandLine::NO_PROGRAM);
  command_line.AppendSwitchASCII(switches::kMedium, "pb");
  ScopedInstallerSessionForTesting session(std::make_unique<InstallerSession>(&command_line));
  const std::string expected = GetSessionTrackingData()->Serialize();
  ASSERT_FALSE(expected.empty());
  const auto before = SnapshotFolder(scratch.GetPath());
  {
    RegistrationStepTestContext context(&settings);
    context.base_install_folder = folder;
    InstallTrackingDataStep step(&context);
    EXPECT_EQ(STEP_OK, step.Run(0).status);
    std::string written;
    ASSERT_TRUE(base::ReadFileToString(file, &written));
    EXPECT_EQ(expected, written);
    EXPECT_TRUE(context.status.root_files.empty());
    // A failed installation takes the file, and the folder made for it, away.
    context.GetTransaction()->Rollback();
    EXPECT_EQ(before, SnapshotFolder(scratch.GetPath()));
  }
  {
    RegistrationStepTestContext context(&settings);
    context.base_install_folder = folder;
    InstallTrackingDataStep step(&context);
    EXPECT_EQ(STEP_OK, step.Run(0).status);
  }
  EXPECT_TRUE(base::PathExists(file));
}

}  // namespace
