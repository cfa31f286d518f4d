#include <windows.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/path_service.h"
#include "base/process/launch.h"
#include "desktop/windows/installer/settings/test_support/fake_settings.h"
#include "desktop/windows/installer/steps/component_installer_runner.h"
#include "desktop/windows/installer/steps/install_components_step.h"
#include "desktop/windows/installer/steps/test_support/fake_step_context.h"
#include "desktop/windows/installer/steps/uninstall_components_step.h"
#include "desktop/windows/installer/utils/process_launcher.h"
#include "desktop/windows/installer/utils/test_support/file_change_probe.h"
#include "gtest/gtest.h"
#include "testing/test_child_process.h"

namespace {

TEST_CHILD_ROLE(component_installer_exit_0) {
  return 0;
}

TEST_CHILD_ROLE(component_installer_exit_7) {
  return 7;
}

// A component installer that never ends by itself.
TEST_CHILD_ROLE(component_installer_hang) {
  Sleep(INFINITE);
  return 0;
}

// Answers as the test says; "runs" each launch by its program's file name,
// whose exit code comes from `exit_codes` (0 when not listed).
class FakeRunner : public ComponentInstallerRunner {
 public:
  bool GetRunningInstaller(base::FilePath* path) override {
    *path = base::FilePath(L"C:\\installer.exe");
    return true;
  }
  bool IsSignedBuild() override { return signed_build; }
  bool VerifySignature(const base::FilePath& path, std::string* /*error*/) override {
    checked.push_back(path.BaseName().value());
    changeable_while_checked = changeable_while_checked || CanBeChanged(path);
    return refused.count(path.BaseName().value()) == 0;
  }
  base::Process Launch(const base::CommandLine& command_line) override {
    launched.push_back(command_line.GetCommandLineString());
    changeable_while_launched =
        changeable_while_launched || CanBeChanged(command_line.GetProgram());
    const std::wstring name = command_line.GetProgram().BaseName().value();
    auto it = exit_codes.find(name);
    std::string role = "component_installer_exit_0";
    if (hanging.count(name))
      role = "component_installer_hang";
    else if (it != exit_codes.end() && it->second == 7)
      role = "component_installer_exit_7";
    // A real process whose exit code the step reads.
    base::Process process = base::LaunchProcess(testing_support::GetTestChildCommandLine(role),
                                                base::LaunchOptions());
    last_hangs = hanging.count(name) > 0;
    if (last_hangs)
      hung_process = process.Duplicate();
    return process;
  }
  // The short limit is for the installers that hang: one that ends by
  // itself may take long to start on a busy machine.
  base::TimeDelta GetWaitLimit() override {
    return last_hangs ? hang_wait_limit : kComponentInstallerTimeout;
  }

  bool signed_build = false;
  std::set<std::wstring> refused;
  std::map<std::wstring, int> exit_codes;
  std::vector<std::wstring> checked;
  std::vector<std::wstring> launched;
  bool changeable_while_checked = false;
  bool changeable_while_launched = false;
  std::set<std::wstring> hanging;
  base::Process hung_process;
  bool last_hangs = false;
  base::TimeDelta hang_wait_limit = kComponentInstallerTimeout;
};

class ComponentStepsTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp_dir_.CreateUniqueTempDir());
    context_ = std::make_unique<FakeStepContext>(&settings_);
    context_->package_folder = Path(L"download\\pkg");
    context_->base_install_folder = Path(L"root");
    ASSERT_TRUE(base::CreateDirectory(context_->package_folder));
  }

  base::FilePath Path(const std::wstring& relative) const {
    return temp_dir_.GetPath().Append(relative);
  }
  void Write(const std::wstring& relative) {
    ASSERT_TRUE(base::CreateDirectory(Path(relative).DirName()));
    ASSERT_TRUE(base::WriteFile(Path(relative), "MZ"));
  }
  void SetComponents(const std::wstring& value) {
    context_->command_line.AppendSwitchNative("components", value);
  }
  std::vector<StatusComponent>& Components() {
    return context_->installation_status.components;
  }

  base::ScopedTempDir temp_dir_;
  FakeRunner runner_;
  ScopedComponentInstallerRunnerForTesting scoped_runner_{&runner_};
  FakeSettings settings_;
  std::unique_ptr<FakeStepContext> context_;
};

TEST_F(ComponentStepsTest, OnlyComponentsThatExitWithZeroAreRecorded) {
  // "suite" falls back to the assistant's installer in the same folder; a
  // missing installer is passed over.
  Write(L"download\\s\\assistant_installer.exe");
  Write(L"download\\m\\mail_installer.exe");
  runner_.exit_codes[L"mail_installer.exe"] = 7;
  settings_.flags[COPY_ONLY] = true;
  SetComponents(L" suite:s | |mail:m|gone:g ");
  InstallComponentsStep step(context_.get());
  EXPECT_EQ(step.name(), "install_components");
  EXPECT_EQ(step.Run(0).status, STEP_OK);
  ASSERT_EQ(runner_.launched.size(), 2u);
  EXPECT_NE(runner_.launched[0].find(L"assistant_installer.exe"), std::wstring::npos);
  EXPECT_NE(runner_.launched[0].find(L"--installfolder=" + Path(L"root\\suite").value()),
            std::wstring::npos)
      << runner_.launched[0];
  EXPECT_NE(runner_.launched[0].find(L"--copyonly=1 --allusers=0"), std::wstring::npos)
      << runner_.launched[0];
  EXPECT_TRUE(runner_.checked.empty());  // an unsigned build checks nothing
  ASSERT_EQ(Components().size(), 1u);
  EXPECT_EQ(Components()[0].name, "suite");
  EXPECT_EQ(Components()[0].path, Path(L"root\\suite"));
}

// A component installer that hangs is ended once the wait limit has
// passed; its component is not recorded and the next one still runs.
TEST_F(ComponentStepsTest, HungComponentInstallerIsEndedAndSkipped) {
  Write(L"download\\h\\hang_installer.exe");
  Write(L"download\\m\\mail_installer.exe");
  runner_.hanging = {L"hang_installer.exe"};
  runner_.hang_wait_limit = base::TimeDelta::FromMilliseconds(300);
  SetComponents(L"hang:h|mail:m");
  InstallComponentsStep step(context_.get());
  EXPECT_EQ(step.Run(0).status, STEP_OK);
  ASSERT_EQ(runner_.launched.size(), 2u);
  ASSERT_TRUE(runner_.hung_process.IsValid());
  int exit_code = 0;
  EXPECT_TRUE(runner_.hung_process.WaitForExitWithTimeout(base::TimeDelta(), &exit_code));
  ASSERT_EQ(Components().size(), 1u);
  EXPECT_EQ(Components()[0].name, "mail");
}

TEST_F(ComponentStepsTest, SignedBuildRunsOnlySignedInstallersHeldFromCheckToStart) {
  Write(L"download\\a\\good_installer.exe");
  Write(L"download\\b\\bad_installer.exe");
  runner_.signed_build = true;
  runner_.refused = {L"bad_installer.exe"};
  SetComponents(L"bad:b|good:a");
  InstallComponentsStep step(context_.get());
  EXPECT_EQ(step.Run(0).status, STEP_OK);
  EXPECT_EQ(runner_.checked,
            (std::vector<std::wstring>{L"bad_installer.exe", L"good_installer.exe"}));
  ASSERT_EQ(runner_.launched.size(), 1u);
  EXPECT_NE(runner_.launched[0].find(L"good_installer.exe"), std::wstring::npos);
  // Nobody could swap the file between the check and the start...
  EXPECT_FALSE(runner_.changeable_while_checked);
  EXPECT_FALSE(runner_.changeable_while_launched);
  // ...and it is released once the installer has started.
  EXPECT_TRUE(CanBeChanged(Path(L"download\\a\\good_installer.exe")));
  ASSERT_EQ(Components().size(), 1u);
  EXPECT_EQ(Components()[0].name, "good");
}

TEST_F(ComponentStepsTest, UnsafeEntriesNeverReachOutsideTheirFolders) {
  // Where the bad entries would lead.
  Write(L"download\\evil_installer.exe");
  Write(L"ok_installer.exe");
  SetComponents(L"..\\evil:download\\x|ok:..|c:\\evil:x|noseparator");
  InstallComponentsStep step(context_.get());
  EXPECT_EQ(step.Run(0).status, STEP_OK);
  EXPECT_TRUE(runner_.launched.empty());
  EXPECT_TRUE(Components().empty());
}

TEST_F(ComponentStepsTest, UpgradeKeepsRecordedComponentsWithoutDuplicates) {
  settings_.operation = INSTALL_OPERATION_UPGRADE;
  InstallationStatus existing(INSTALLATION_STATUS_SOURCE_PRIMARY);
  existing.components = {{"suite", Path(L"root\\suite")},
                         {"stray", base::FilePath(L"C:\\elsewhere\\stray")},
                         {"..", Path(L"root\\..")}};
  context_->existing_installation = &existing;
  InstallComponentsStep step(context_.get());
  // No switch: the earlier components stay all the same.
  EXPECT_EQ(step.Run(0).status, STEP_OK);
  ASSERT_EQ(Components().size(), 1u);
  EXPECT_EQ(Components()[0].name, "suite");

  Components().clear();
  Write(L"download\\s\\suite_installer.exe");
  Write(L"download\\n\\news_installer.exe");
  SetComponents(L"suite:s|news:n");
  EXPECT_EQ(step.Run(0).status, STEP_OK);
  EXPECT_EQ(runner_.launched.size(), 2u);
  ASSERT_EQ(Components().size(), 2u);
  EXPECT_EQ(Components()[0].name, "suite");
  EXPECT_EQ(Components()[1].name, "news");
  EXPECT_EQ(Components()[1].path, Path(L"root\\news"));
}

TEST_F(ComponentStepsTest, UninstallStartsEachSafeRecordedComponent) {
  UninstallComponentsStep step(context_.get());
  EXPECT_EQ(step.name(), "uninstall_components");
  EXPECT_EQ(step.Run(0).status, STEP_OK);
  EXPECT_TRUE(runner_.launched.empty());

  InstallationStatus existing(INSTALLATION_STATUS_SOURCE_PRIMARY);
  existing.components = {{"suite", Path(L"root\\suite")},
                         {"stray", base::FilePath(L"C:\\elsewhere\\stray")}};
  context_->existing_installation = &existing;
  Write(L"root\\suite\\assistant_installer.exe");
  settings_.flags[ALL_USERS_FLAG] = true;
  EXPECT_EQ(step.Run(0).status, STEP_OK);
  ASSERT_EQ(runner_.launched.size(), 1u);
  EXPECT_NE(runner_.launched[0].find(L"assistant_installer.exe"), std::wstring::npos);
  EXPECT_NE(runner_.launched[0].find(L"--uninstall --copyonly=0 --allusers=1"),
            std::wstring::npos)
      << runner_.launched[0];
}

TEST(ComponentInstallerRunnerTest, AProgramHeldForLaunchStartsAndCannotBeChanged) {
  base::FilePath exe;
  ASSERT_TRUE(base::PathService::Get(base::FILE_EXE, &exe));
  base::win::ScopedHandle held = OpenProgramForLaunch(exe);
  ASSERT_TRUE(held.IsValid());
  HANDLE writer = ::CreateFileW(exe.value().c_str(), GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
  if (writer != INVALID_HANDLE_VALUE)
    ::CloseHandle(writer);
  ComponentInstallerRunnerImpl runner;
  base::Process process = runner.Launch(base::CommandLine::FromString(
      testing_support::GetTestChildCommandLine("component_installer_exit_7")));
  ASSERT_TRUE(process.IsValid());
  int exit_code = 0;
  ASSERT_TRUE(process.WaitForExitWithTimeout(base::TimeDelta::FromSeconds(30), &exit_code));
  EXPECT_EQ(exit_code, 7);
  // This test program is not a signed build.
  EXPECT_FALSE(runner.IsSignedBuild());
}

}  // namespace
