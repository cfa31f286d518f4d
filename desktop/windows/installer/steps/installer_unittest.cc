#include "desktop/windows/installer/steps/installer.h"

#include <windows.h>
#include <aclapi.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "base/bind.h"
#include "base/logging.h"
#include "base/command_line.h"
#include "base/files/file_util.h"
#include "base/message_loop/message_loop.h"
#include "base/path_service.h"
#include "base/run_loop.h"
#include "base/test/scoped_path_override.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/registry.h"
#include "base/win/test_support/kernel_object_dacl.h"
#include "base/win/scoped_handle.h"
#include "crash_reporter/tarvo_crash_reporter_client.h"
#include "desktop/windows/installer/ipc/test_support/recording_installer_observer.h"
#include "desktop/windows/installer/service/json_installation_status_writer.h"
#include "desktop/windows/installer/settings/test_support/scoped_settings_validator.h"
#include "desktop/windows/installer/settings/test_support/settings_test_environment.h"
#include "desktop/windows/installer/steps/package_verifier.h"
#include "desktop/windows/installer/utils/installer_event_names.h"
#include "desktop/windows/installer/utils/run_secret.h"
#include "desktop/windows/installer/utils/service_utils.h"
#include "base/features/command_line_feature_reader.h"
#include "base/features/feature_registry.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/utils/installer_features.h"
#include "desktop/windows/installer/utils/test_support/fake_process_launcher.h"
#include "desktop/windows/installer/utils/test_support/scoped_installer_error_record.h"
#include "gtest/gtest.h"
#include "testing/build_paths.h"
#include "testing/scoped_log_capture.h"
#include "testing/test_child_process.h"

namespace {

// Schedules nothing real; remembers how far the run went and what the
// transaction held when it was told to stop.
class ScriptedScheduler : public InstallerStepScheduler {
 public:
  bool ScheduleSteps(InstallerStepContext* context, std::wstring* /*app_id*/,
                     int* total) override {
    context_ = context;
    *total = 3;
    return true;
  }
  void Start(base::scoped_refptr<base::SingleThreadTaskRunner> /*task_runner*/,
             Observer* /*observer*/) override {
    started = true;
  }
  void Cancel() override {
    ++cancels;
    if (context_)
      operations_at_cancel = context_->GetTransaction()->size();
  }

  bool started = false;
  int cancels = 0;
  size_t operations_at_cancel = 0;

 private:
  InstallerStepContext* context_ = nullptr;
};

// Answers a fixed status record, as an elevated run would have written it;
// with an empty subfolder, no record, as an elevated uninstall leaves none.
class StatusLoaderStub : public InstallationStatusLoader {
 public:
  explicit StatusLoaderStub(const base::FilePath& subfolder) : subfolder_(subfolder) {}
  void Load(std::unique_ptr<InstallationStatus>* status, const base::FilePath& folder,
            bool /*recovery*/, std::string* /*description*/, std::string* /*text*/) override {
    status->reset();
    if (subfolder_.empty())
      return;
    *status = std::make_unique<InstallationStatus>(INSTALLATION_STATUS_SOURCE_PRIMARY);
    (*status)->path = folder;
    (*status)->subfolder = subfolder_;
  }

 private:
  base::FilePath subfolder_;
};

class InstallerTest : public testing::Test {
 protected:
  void TearDown() override { installer_.reset(); }

  // Settings for `switches` (plus the install folder), an Installer with
  // the scripted scheduler, and the interrupted event the main process
  // would have made.
  void Make(std::vector<std::wstring> switches,
            std::unique_ptr<FakeInstallationFolderDetails> details = nullptr) {
    if (scratch_.GetPath().empty())
      CHECK(scratch_.CreateUniqueTempDir());
    folder_ = scratch_.GetPath().Append(L"Tarvo");
    switches.push_back(L"--installfolder=" +
                       (folder_spelling_.empty() ? folder_.value() : folder_spelling_));
    installer_.reset();
    settings_.reset();
    environment_.reset();
    environment_ = std::make_unique<SettingsTestEnvironment>(switches);
    settings_ = environment_->MakeSettings(std::move(details));
    // An uninstall works on the running installer's folder, not on the
    // switch's.
    interrupted_.Set(CreateEventW(nullptr, TRUE, FALSE,
                                  MakeKernelObjectName(settings_->GetInstallFolderPath().value(),
                                                       kInterruptedEventName, /*global=*/true)
                                      .c_str()));
    auto scheduler = std::make_unique<ScriptedScheduler>();
    scheduler_ = scheduler.get();
    installer_ = std::make_unique<Installer>(
        environment_->command_line(), std::move(scheduler), base::BindRepeating(
                                  [](const base::FilePath* subfolder) {
                                    return std::unique_ptr<InstallationStatusLoader>(
                                        new StatusLoaderStub(*subfolder));
                                  },
                                  &written_subfolder_),
        std::make_unique<PackageVerifierImpl>(nullptr, /*signature_required=*/false));
    installer_->AddObserver(&observer_);
  }

  void RunToTheEnd() {
    installer_->Start(settings_.get());
    base::RunLoop().RunUntilIdle();
  }

  FakeSecurityUtil& security() { return environment_->security(); }
  // A user who may not write the folder and cannot elevate: an elevated
  // helper is asked for the grant.
  void NeedTheGrantHelper() {
    security().SetUser(/*elevated=*/false, /*can_elevate=*/false);
    security().SetDefaultAccess(false);
    security().SetGrantSucceeds(false);
  }
  // The grant event `name` of the folder.
  std::wstring GrantEvent(const wchar_t* name) {
    return MakeKernelObjectName(folder_.value(), name, /*global=*/false);
  }
  std::string LastError() {
    for (auto it = observer_.calls().rbegin(); it != observer_.calls().rend(); ++it) {
      if (it->rfind("error ", 0) == 0)
        return *it;
    }
    return std::string();
  }

  ScopedInstallerErrorRecord error_record_;
  ScopedSettingsValidator validator_;
  base::MessageLoop loop_;
  base::ScopedTempDir scratch_;
  base::FilePath folder_;
  // How the folder is spelt on the command line, when not as folder_.
  std::wstring folder_spelling_;
  // The subfolder of the status an elevated run leaves; empty: none.
  base::FilePath written_subfolder_{L"51.0.2802.0"};
  std::unique_ptr<SettingsTestEnvironment> environment_;
  std::unique_ptr<SettingsImpl> settings_;
  base::win::ScopedHandle interrupted_;
  ScriptedScheduler* scheduler_ = nullptr;
  std::unique_ptr<Installer> installer_;
  RecordingInstallerObserver observer_;
  FakeProcessLauncher launcher_;
  ScopedProcessLauncherForTesting scoped_launcher_{&launcher_};
};

// A user who refuses the elevation prompt: 8 with the system's text of the
// refusal, nothing else started.
TEST_F(InstallerTest, RefusedElevationPromptGives8) {
  Make({L"--allusers=1"});
  security().SetUser(/*elevated=*/false, /*can_elevate=*/true);
  launcher_.FailNext(ERROR_CANCELLED);
  RunToTheEnd();
  EXPECT_EQ(RESULT_ELEVATION_FAILED, installer_->state());
  EXPECT_EQ("error 8  Failed to run the elevated process: " + GetWindowsErrorText(ERROR_CANCELLED),
            LastError());
  ASSERT_EQ(1u, launcher_.launched().size());
  const base::CommandLine& elevated = launcher_.launched()[0].command_line;
  EXPECT_EQ(LaunchStyle::kElevated, launcher_.launched()[0].style);
  EXPECT_TRUE(elevated.HasSwitch("run-elevated"));
  EXPECT_EQ(std::to_string(GetCurrentProcessId()), elevated.GetSwitchValueASCII("parent-pid"));
  // Only the user's own process starts the browser.
  EXPECT_EQ("0", elevated.GetSwitchValueASCII("launchtarvo"));
  EXPECT_FALSE(installer_->running());
}

// The elevated copy's result becomes this backend's: its 107 is result 7.
TEST_F(InstallerTest, ElevatedChildResultIsTakenOver) {
  Make({L"--allusers=1"});
  security().SetUser(/*elevated=*/false, /*can_elevate=*/true);
  launcher_.ExitNextWith(107);
  RunToTheEnd();
  EXPECT_EQ(RESULT_INSUFFICIENT_PRIVILEGES, installer_->state());
  EXPECT_EQ("error 7  Elevated process returned an error.", LastError());
  const std::vector<std::string> expected_start = {"starting_new_main_process 0",
                                                   "returned_to_previous_main_process"};
  EXPECT_EQ(expected_start, std::vector<std::string>(observer_.calls().begin(),
                                                     observer_.calls().begin() + 2));
}

TEST_F(InstallerTest, ProcessThatShouldBeElevatedDoesNotTryAgain) {
  Make({L"--allusers=1", L"--run-elevated"});
  security().SetUser(/*elevated=*/false, /*can_elevate=*/true);
  RunToTheEnd();
  EXPECT_EQ("error 8  This process should already be elevated, but isn't.", LastError());
  EXPECT_TRUE(launcher_.launched().empty());
}

// The elevated installation has committed; the user's own part failing to
// start cannot undo it, so the run is a success.
TEST_F(InstallerTest, FailedPostElevationHandOverStillSucceeds) {
  Make({L"--allusers=1", L"--wait-for-package"});
  security().SetUser(/*elevated=*/false, /*can_elevate=*/true);
  launcher_.ExitNextWith(0);
  RunToTheEnd();
  EXPECT_EQ(RESULT_SUCCESS, installer_->state());
  EXPECT_EQ("succeeded", observer_.calls().back());
  // The packaged installer is not there: it is not looked for elsewhere.
  EXPECT_EQ(1u, launcher_.launched().size());
  EXPECT_EQ(L"51.0.2802.0",
            installer_->GetCommandLine().GetSwitchValueNative("install-subfolder"));
  // The Installer's own copy carries it; the process's command line does not.
  EXPECT_FALSE(base::CommandLine::ForCurrentProcess()->HasSwitch("install-subfolder"));
}

// The user's part of an elevated install hands over to the prepared
// installer, telling the main process whether it is of an earlier version
// (or of one that cannot be told), whose messages come without the secret.
TEST_F(InstallerTest, HandOverSaysWhetherTheInstallerIsOfAnEarlierVersion) {
  const base::FilePath package = testing_support::BuildFolder().Append(L"test_package");
  struct {
    base::FilePath program;
    const char* starting;
  } cases[] = {{testing_support::BinFolder().Append(L"installer.exe"), "0"},
               {testing_support::BuildFile(L"older_packages", L"older_installer.exe"), "1"},
               {package.Append(L"package_version"), "1"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.program.value());
    Make({L"--allusers=1", L"--wait-for-package", L"--package-dir=" + package.value()});
    security().SetUser(/*elevated=*/false, /*can_elevate=*/true);
    const base::FilePath prepared = folder_.Append(L"51.0.2802.0").Append(L"installer.exe");
    ASSERT_TRUE(base::CreateDirectory(prepared.DirName()));
    ASSERT_TRUE(base::CopyFile(c.program, prepared));
    const size_t launched = launcher_.launched().size();
    const size_t calls = observer_.calls().size();
    launcher_.ExitNextWith(0);
    launcher_.ExitNextWith(0);
    RunToTheEnd();
    ASSERT_EQ(launched + 2, launcher_.launched().size()) << LastError();
    EXPECT_EQ(prepared, launcher_.launched().back().command_line.GetProgram());
    std::vector<std::string> starts;
    for (size_t i = calls; i < observer_.calls().size(); ++i) {
      if (observer_.calls()[i].rfind("starting_new_main_process ", 0) == 0)
        starts.push_back(observer_.calls()[i]);
    }
    EXPECT_EQ((std::vector<std::string>{"starting_new_main_process 0",
                                        std::string("starting_new_main_process ") + c.starting}),
              starts);
  }
}

// An elevated uninstall deletes the status file: its success is a success,
// and the user's part (no registration, no browser) runs here.
TEST_F(InstallerTest, ElevatedUninstallSucceedsWithoutAStatus) {
  auto details = SettingsTestEnvironment::ExistingInstallation(base::FilePath(),
                                                               /*copy_only=*/false,
                                                               /*all_users=*/true);
  details->path.clear();
  details->valid_parent.clear();
  written_subfolder_.clear();
  Make({L"--uninstall"}, std::move(details));
  ASSERT_EQ(INSTALL_OPERATION_UNINSTALL, settings_->GetOperation());
  ASSERT_TRUE(settings_->GetAllUsers());
  security().SetUser(/*elevated=*/false, /*can_elevate=*/true);
  launcher_.ExitNextWith(0);
  RunToTheEnd();
  EXPECT_EQ(RESULT_SUCCESS, installer_->state()) << LastError();
  EXPECT_EQ("succeeded", observer_.calls().back());
  ASSERT_EQ(1u, launcher_.launched().size());
  EXPECT_TRUE(launcher_.launched()[0].command_line.HasSwitch("uninstall"));
  EXPECT_FALSE(installer_->GetCommandLine().HasSwitch("install-subfolder"));
  EXPECT_TRUE(environment_->os().calls().empty());

  // An install whose elevated copy wrote no status has failed.
  Make({L"--allusers=1"});
  security().SetUser(/*elevated=*/false, /*can_elevate=*/true);
  launcher_.ExitNextWith(0);
  RunToTheEnd();
  EXPECT_EQ("error 1  Elevated process did not write new installation status", LastError());
}

TEST_F(InstallerTest, HelperEndingWithoutGrantGives8) {
  crash_reporter::TarvoCrashReporterClient::GetInstance()->set_crash_reporter_pid(0);
  Make({});
  NeedTheGrantHelper();
  launcher_.ExitNextBeforeReturning(0);
  RunToTheEnd();
  EXPECT_EQ(RESULT_ELEVATION_FAILED, installer_->state());
  EXPECT_EQ(0u, LastError().find("error 8  Failed to wait for the elevated process: "));
  ASSERT_EQ(1u, launcher_.launched().size());
  const base::CommandLine& helper = launcher_.launched()[0].command_line;
  EXPECT_EQ(folder_.value(), helper.GetSwitchValueNative("set-folder-permission"));
  EXPECT_TRUE(helper.HasSwitch("permissions-for-user"));
  // The helper watches this backend; without a reporter it starts its own.
  EXPECT_EQ(std::to_string(GetCurrentProcessId()), helper.GetSwitchValueASCII("initial-pid"));
  EXPECT_EQ("0", helper.GetSwitchValueASCII("crash-reporter-pid"));
}

// The grant events under "Local\\" are open only to the user, SYSTEM and the
// Administrators, among whom the elevated helper is: it still sets them.
TEST_F(InstallerTest, GrantEventsAreOpenOnlyToTheUserAndTheHelper) {
  Make({});
  NeedTheGrantHelper();
  const std::wstring grant_name = GrantEvent(kGivePermissionEventName);
  int own_events = 0;
  int helper_exit_code = -1;
  launcher_.ExitNextBeforeReturning(0, [&](const base::CommandLine&) {
    for (const std::wstring& name : {grant_name, GrantEvent(kGivePermissionUndoEventName)}) {
      base::win::ScopedHandle event(OpenEventW(READ_CONTROL, FALSE, name.c_str()));
      const ::testing::AssertionResult own = IsOpenOnlyToTheUser(event.Get());
      EXPECT_TRUE(own) << base::WideToUTF8(name);
      own_events += own ? 1 : 0;
    }
    helper_exit_code =
        testing_support::RunTestChild("set_named_event", L"--event=" + grant_name);
  });
  RunToTheEnd();
  EXPECT_EQ(2, own_events);
  EXPECT_EQ(0, helper_exit_code);
  EXPECT_EQ(std::string::npos, LastError().find("without granting")) << LastError();
}

// A grant event planted under the folder's name by another account could
// fake the grant: the backend refuses it and starts no helper.
TEST_F(InstallerTest, PlantedGrantEventIsRefused) {
  Make({});
  NeedTheGrantHelper();
  base::win::ScopedHandle planted(
      CreateEventW(nullptr, FALSE, TRUE, GrantEvent(kGivePermissionEventName).c_str()));
  ASSERT_TRUE(SetObjectOwner(planted.Get(), L"S-1-5-21-1-2-3-1001"));
  RunToTheEnd();
  EXPECT_EQ(RESULT_GENERAL_FAILURE, installer_->state());
  EXPECT_EQ("error 1  Failed to create event for communicating with the elevated process",
            LastError());
  EXPECT_TRUE(launcher_.launched().empty());
}

// A helper that granted and has already ended (both signalled) has
// granted; the temporary grant is taken back only after the packaged
// installer, which writes the same folder, has ended.
TEST_F(InstallerTest, TemporaryGrantOutlivesThePackagedInstaller) {
  Make({L"--package-dir=" + testing_support::BuildFolder().Append(L"test_package").value()});
  NeedTheGrantHelper();
  const std::wstring grant_name = GrantEvent(kGivePermissionEventName);
  const std::wstring undo_name = GrantEvent(kGivePermissionUndoEventName);
  launcher_.ExitNextBeforeReturning(0, [&](const base::CommandLine&) {
    base::win::ScopedHandle grant(OpenEventW(EVENT_MODIFY_STATE, FALSE, grant_name.c_str()));
    SetEvent(grant.Get());
    security().SetAccess(folder_.value(), true);
  });
  bool undo_set_before_end = true;
  launcher_.ExitNextWith(0, [&](const base::CommandLine&) {
    base::win::ScopedHandle undo(OpenEventW(SYNCHRONIZE, FALSE, undo_name.c_str()));
    undo_set_before_end = WaitForSingleObject(undo.Get(), 0) == WAIT_OBJECT_0;
  });
  base::win::ScopedHandle undo(OpenEventW(SYNCHRONIZE, FALSE, undo_name.c_str()));
  RunToTheEnd();
  EXPECT_EQ(RESULT_SUCCESS, installer_->state()) << LastError();
  ASSERT_EQ(2u, launcher_.launched().size());
  EXPECT_EQ(folder_.Append(L"51.0.2802.0").Append(L"installer.exe"),
            launcher_.launched()[1].command_line.GetProgram());
  EXPECT_TRUE(launcher_.launched()[1].command_line.HasSwitch("crash-reporter-pid"));
  EXPECT_FALSE(undo_set_before_end);
  undo.Set(OpenEventW(SYNCHRONIZE, FALSE, undo_name.c_str()));
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(undo.Get(), 0));
}

// The interrupted event while steps run: the scheduler is stopped while the
// transaction still holds the work, then everything is rolled back and the
// run ends unfinished.
TEST_F(InstallerTest, InterruptionStopsTheStepsBeforeRollingBack) {
  Make({L"--backend"});
  RunToTheEnd();
  ASSERT_TRUE(scheduler_->started) << LastError();
  ASSERT_TRUE(base::DirectoryExists(folder_));
  SetEvent(interrupted_.Get());
  for (int i = 0; i < 200 && installer_->running(); ++i) {
    Sleep(10);
    base::RunLoop().RunUntilIdle();
  }
  EXPECT_FALSE(installer_->running());
  EXPECT_EQ(1, scheduler_->cancels);
  EXPECT_GT(scheduler_->operations_at_cancel, 0u);
  EXPECT_EQ(RESULT_NOT_FINISHED, installer_->state());
  EXPECT_FALSE(base::PathExists(folder_));
}

// Stopped by the main process before it could wait for the package (the
// main process let go of the package-ready event): the run ends
// interrupted (20), not failed.
TEST_F(InstallerTest, StoppedBeforeWaitingForThePackageIsInterrupted) {
  Make({L"--backend", L"--wait-for-package"});
  SetEvent(interrupted_.Get());
  RunToTheEnd();
  EXPECT_EQ(RESULT_NOT_FINISHED, installer_->state()) << LastError();
  EXPECT_EQ("", LastError());
  EXPECT_FALSE(installer_->running());
  // Without the stop it is a failure.
  ResetEvent(interrupted_.Get());
  Make({L"--backend", L"--wait-for-package"});
  RunToTheEnd();
  EXPECT_EQ(RESULT_GENERAL_FAILURE, installer_->state());
  EXPECT_EQ("error 1  Failed to open a handle to the package ready event", LastError());
}

// A package that was ready before the backend waits for it: the run goes
// on within the same task, not on a later turn of the loop.
TEST_F(InstallerTest, PackageReadyBeforeTheWaitContinuesAtOnce) {
  testing_support::ScopedLogCapture log;
  Make({L"--backend", L"--wait-for-package"});
  base::win::ScopedHandle ready(CreateEventW(
      nullptr, TRUE, TRUE,
      MakeKernelObjectName(settings_->GetInstallFolderPath().value(), kPackageReadyEventName,
                           /*global=*/true)
          .c_str()));
  installer_->Start(settings_.get());
  bool ready_at_once = false;
  loop_.task_runner()->PostTask(
      FROM_HERE, base::BindOnce(
                     [](testing_support::ScopedLogCapture* log, bool* ready_at_once) {
                       *ready_at_once = log->Contains("Package is ready");
                     },
                     &log, &ready_at_once));
  base::RunLoop().RunUntilIdle();
  EXPECT_TRUE(ready_at_once);
}

// A main process of an earlier version named the installation's events
// after the folder as it spelt it: a backend of today still finds them.
TEST_F(InstallerTest, EventsOfAnEarlierMainProcessAreFound) {
  CHECK(scratch_.CreateUniqueTempDir());
  folder_spelling_ = scratch_.GetPath().Append(L"tarvo").value();
  Make({L"--backend"});
  interrupted_.Set(CreateEventW(
      nullptr, TRUE, FALSE,
      MakeKernelObjectNameOfSpelling(folder_spelling_, kInterruptedEventName, /*global=*/true)
          .c_str()));
  RunToTheEnd();
  ASSERT_TRUE(scheduler_->started) << LastError();
  SetEvent(interrupted_.Get());
  for (int i = 0; i < 200 && installer_->running(); ++i) {
    Sleep(10);
    base::RunLoop().RunUntilIdle();
  }
  EXPECT_EQ(1, scheduler_->cancels);
  EXPECT_EQ(RESULT_NOT_FINISHED, installer_->state());
}

// Every placeholder of the registry rules, each with its own value, and
// names compared exactly.
TEST_F(InstallerTest, TemplateVariables) {
  Make({L"--backend"});
  const int64_t before = base::Time::Now().ToTimeT();
  RunToTheEnd();
  ASSERT_TRUE(scheduler_->started) << LastError();
  const std::wstring app_id = installer_->GetInstallationStatus()->app_id;
  // A new installation's id: the seconds since 1970, in decimal.
  int64_t seconds = 0;
  EXPECT_TRUE(std::all_of(app_id.begin(), app_id.end(), iswdigit)) << app_id;
  ASSERT_TRUE(base::StringToInt64(app_id, &seconds)) << app_id;
  EXPECT_GE(seconds, before);
  EXPECT_LE(seconds, base::Time::Now().ToTimeT());
  const std::pair<const wchar_t*, std::wstring> expected[] = {
      {L"InstallFolder", folder_.value()},
      {L"Version", L"51.0.2802.0"},
      {L"Executable", L"tarvo.exe"},
      {L"Product", L"Tarvo"},
      {L"Company", L"Tarvo Software"},
      {L"CompanyRegistryKey", L"Software\\Tarvo Software"},
      {L"Stream", L"developer"},
      {L"Uninstall", app_id},
      {L"HelpURL", L"https://help.tarvo.example/"},
      {L"CompanyURL", L"https://www.tarvo.example/"},
      {L"DownloadsURL", L"https://download.tarvo.example/installer"},
      {L"ProgID", L"Tarvodeveloper"},
      {L"installfolder", L"installfolder"},
      {L"Unknown", L"Unknown"},
  };
  for (const auto& [name, value] : expected)
    EXPECT_EQ(value, installer_->GetValue(name)) << name;
  EXPECT_EQ(nullptr, installer_->GetRegistryRecord(HKEY_CURRENT_USER));
  installer_->StartRegistryRecording();
  EXPECT_EQ(&installer_->GetInstallationStatus()->hklm_keys,
            installer_->GetRegistryRecord(HKEY_LOCAL_MACHINE));
  EXPECT_EQ(&installer_->GetInstallationStatus()->hkcu_keys,
            installer_->GetRegistryRecord(HKEY_CURRENT_USER));
}

// Whether the test experiment changes is logged for every operation, not
// only for an upgrade.
TEST_F(InstallerTest, TestExperimentChangeIsLoggedForAnInstall) {
  features::ScopedFeatureRegistryForTesting registry;
  RegisterInstallerFeatures(features::FeatureRegistry::GetInstance());
  const base::CommandLine with_feature =
      base::CommandLine::FromString(L"installer.exe --with-feature:installer-experiment-test");
  features::CommandLineFeatureReader reader(with_feature);
  features::FeatureRegistry::GetInstance()->AddReader(&reader);
  Make({L"--backend"});
  ASSERT_EQ(INSTALL_OPERATION_INSTALL, settings_->GetOperation());
  testing_support::ScopedLogCapture log;
  RunToTheEnd();
  ASSERT_TRUE(scheduler_->started) << LastError();
  EXPECT_TRUE(log.Contains("Changing the status of the test experiment."));
}

// The failures of the flow before any step runs: each its own code and
// detail, with nothing left behind.
TEST_F(InstallerTest, SilentAllUsersInstallWithoutAdministratorFails) {
  Make({L"--allusers=1", L"--silent"});
  security().SetUser(/*elevated=*/false, /*can_elevate=*/true);
  RunToTheEnd();
  EXPECT_EQ(RESULT_GENERAL_FAILURE, installer_->state());
  EXPECT_EQ("error 1  Installation requires elevation, but cannot elevate when silent",
            LastError());
  EXPECT_TRUE(launcher_.launched().empty());
}

TEST_F(InstallerTest, AutoupdateOfAnythingButAnUpgradeFails) {
  Make({L"--autoupdate"});
  ASSERT_EQ(INSTALL_OPERATION_INSTALL, settings_->GetOperation());
  RunToTheEnd();
  EXPECT_EQ(RESULT_INVALID_AUTOUPDATE_OPERATION, installer_->state());
  EXPECT_EQ("error 5  Settings operation invalid for autoupdate: 1\n", LastError());
  EXPECT_FALSE(base::PathExists(folder_));
}

TEST_F(InstallerTest, MissingInterruptedEventFails) {
  Make({L"--backend"});
  interrupted_.Close();
  RunToTheEnd();
  EXPECT_EQ(RESULT_GENERAL_FAILURE, installer_->state());
  EXPECT_EQ("error 1  Failed to open a handle to the installation interrupted event",
            LastError());
  EXPECT_FALSE(scheduler_->started);
}

// No main process made the package-ready event: the wait cannot begin.
TEST_F(InstallerTest, MissingPackageReadyEventFails) {
  Make({L"--backend", L"--wait-for-package"});
  RunToTheEnd();
  EXPECT_EQ(RESULT_GENERAL_FAILURE, installer_->state());
  EXPECT_EQ("error 1  Failed to open a handle to the package ready event", LastError());
  // The folder made for the run is rolled back.
  EXPECT_FALSE(base::PathExists(folder_));
}

// A file where the new folder should go: the early creation (the folder's
// parent exists, the details say it is writable) fails with 6 and the path,
// as the later one does.
TEST_F(InstallerTest, EarlyFolderCreationFailureGives6) {
  Make({L"--backend"});
  ASSERT_TRUE(base::WriteFile(folder_, "in the way"));
  RunToTheEnd();
  EXPECT_EQ(RESULT_FOLDER_CREATION_FAILED, installer_->state());
  EXPECT_EQ("error 6 " + base::WideToUTF8(folder_.value()) + " Could not create installation folder",
            LastError());
}

// The details took the folder for an existing one, so it is only made once
// the rights are settled: that failure is 6, with the path for the text.
TEST_F(InstallerTest, FolderCreationFailureGives6) {
  CHECK(scratch_.CreateUniqueTempDir());
  auto details = std::make_unique<FakeInstallationFolderDetails>();
  details->valid_parent = scratch_.GetPath().Append(L"Tarvo");
  Make({L"--backend"}, std::move(details));
  ASSERT_TRUE(base::WriteFile(folder_, "in the way"));
  RunToTheEnd();
  EXPECT_EQ(RESULT_FOLDER_CREATION_FAILED, installer_->state());
  EXPECT_EQ("error 6 " + base::WideToUTF8(folder_.value()) + " Could not create installation folder",
            LastError());
}

TEST_F(InstallerTest, SingleProfileInstallWithoutWriteAccessGives7) {
  Make({L"--backend", L"--singleprofile=1"});
  ASSERT_TRUE(settings_->GetSingleProfile());
  security().SetDefaultAccess(false);
  RunToTheEnd();
  EXPECT_EQ(RESULT_INSUFFICIENT_PRIVILEGES, installer_->state());
  EXPECT_EQ(
      "error 7  Single profile installations are only allowed to locations where the user has "
      "write access",
      LastError());
  // The folder made early for the run is rolled back.
  EXPECT_FALSE(base::PathExists(folder_));
}

// An administrator who cannot grant itself access has nowhere to turn.
TEST_F(InstallerTest, AdministratorWhoseGrantFailsGives7) {
  Make({L"--backend"});
  security().SetUser(/*elevated=*/true, /*can_elevate=*/true);
  security().SetDefaultAccess(false);
  security().SetGrantSucceeds(false);
  RunToTheEnd();
  EXPECT_EQ(RESULT_INSUFFICIENT_PRIVILEGES, installer_->state());
  EXPECT_EQ("error 7  Could not obtain write permissions to installation folder", LastError());
  EXPECT_TRUE(launcher_.launched().empty());
}

// The browser starts maximised after an install, as it was after an
// upgrade.
TEST_F(InstallerTest, BrowserLaunchAfterInstall) {
  Make({L"--backend"});
  installer_->Start(settings_.get());
  installer_->FinalizeInstallation();
  ASSERT_EQ(1u, launcher_.launched().size());
  EXPECT_EQ(folder_.Append(L"launcher.exe"), launcher_.launched()[0].command_line.GetProgram());
  EXPECT_TRUE(launcher_.launched()[0].command_line.HasSwitch("start-maximized"));
}

TEST_F(InstallerTest, BrowserLaunchAfterUpgradeKeepsItsWindow) {
  CHECK(scratch_.CreateUniqueTempDir());
  Make({L"--backend"},
       SettingsTestEnvironment::ExistingInstallation(scratch_.GetPath().Append(L"Tarvo")));
  ASSERT_EQ(INSTALL_OPERATION_UPGRADE, settings_->GetOperation());
  installer_->Start(settings_.get());
  installer_->FinalizeInstallation();
  ASSERT_EQ(1u, launcher_.launched().size());
  EXPECT_FALSE(launcher_.launched()[0].command_line.HasSwitch("start-maximized"));
}

// Without partner content in the package, the profile loses both files;
// the profile is flagged only when a custom content file was removed.
TEST_F(InstallerTest, FinalizationCleansThePartnerContentOfTheProfile) {
  CHECK(scratch_.CreateUniqueTempDir());
  for (bool with_custom : {true, false}) {
    const base::FilePath profile =
        scratch_.GetPath().Append(with_custom ? L"profile_custom" : L"profile_plain");
    ASSERT_TRUE(base::CreateDirectory(profile));
    ASSERT_TRUE(base::WriteFile(profile.Append(L"Local State"),
                                R"({"intl": {"app_locale": "de"}})"));
    ASSERT_TRUE(base::WriteFile(profile.Append(L"tracking_user_agent.json"), "{}"));
    if (with_custom)
      ASSERT_TRUE(base::WriteFile(profile.Append(L"custom_partner_content.json"), "{}"));
    auto details = std::make_unique<FakeInstallationFolderDetails>();
    details->profile_path = profile;
    Make({L"--backend", L"--launchtarvo=0"}, std::move(details));
    installer_->Start(settings_.get());
    installer_->FinalizeInstallation();
    installer_.reset();

    EXPECT_FALSE(base::PathExists(profile.Append(L"tracking_user_agent.json")));
    EXPECT_FALSE(base::PathExists(profile.Append(L"custom_partner_content.json")));
    std::string local_state;
    ASSERT_TRUE(base::ReadFileToString(profile.Append(L"Local State"), &local_state));
    EXPECT_NE(std::string::npos, local_state.find("\"app_locale\":\"en\"")) << local_state;
    EXPECT_EQ(with_custom, local_state.find("\"updated\":true") != std::string::npos)
        << local_state;
  }
}

// The protocol-handler registration goes straight to its steps: no folder,
// no package, no interrupted event (there is none), no total.
TEST_F(InstallerTest, ProtocolHandlerRegistrationOnlySchedules) {
  CHECK(scratch_.CreateUniqueTempDir());
  Make({L"--backend", L"--register-tarvo-as-protocol-handler"},
       SettingsTestEnvironment::ExistingInstallation(scratch_.GetPath().Append(L"Tarvo")));
  ASSERT_EQ(INSTALL_OPERATION_REGISTER_PROTOCOL_HANDLER, settings_->GetOperation());
  interrupted_.Close();
  RunToTheEnd();
  EXPECT_TRUE(scheduler_->started);
  EXPECT_TRUE(observer_.calls().empty());
  EXPECT_TRUE(installer_->running());
}

// With UAC switched off a user who is no administrator cannot elevate: 8,
// and no prompt is tried. An administrator is still elevated.
TEST_F(InstallerTest, NoElevationWithUacSwitchedOff) {
  for (bool administrator : {false, true}) {
    Make({L"--allusers=1"});
    security().SetUser(/*elevated=*/false, /*can_elevate=*/administrator);
    base::win::RegKey policies;
    ASSERT_EQ(ERROR_SUCCESS,
              policies.Create(HKEY_LOCAL_MACHINE,
                              L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System",
                              KEY_WRITE));
    ASSERT_EQ(ERROR_SUCCESS, policies.WriteValue(L"EnableLUA", static_cast<DWORD>(0)));
    if (administrator)
      launcher_.ExitNextWith(0);
    RunToTheEnd();
    if (administrator) {
      EXPECT_EQ(RESULT_SUCCESS, installer_->state()) << LastError();
      ASSERT_FALSE(launcher_.launched().empty());
      EXPECT_EQ(LaunchStyle::kElevated, launcher_.launched()[0].style);
    } else {
      EXPECT_EQ("error 8  Cannot elevate with UAC disabled", LastError());
      EXPECT_TRUE(launcher_.launched().empty());
    }
  }
}

// The run's secret reaches every installer process this one starts, never
// through the command line: the elevated copy copies it out of this process,
// the packaged installer inherits it; component installers and the browser
// get nothing.
TEST_F(InstallerTest, RunSecretIsHandedOnToInstallerProcesses) {
  const RunSecret secret = RunSecret::Generate();
  Make({L"--allusers=1"});
  installer_->set_run_secret(secret);
  security().SetUser(/*elevated=*/false, /*can_elevate=*/true);
  RunSecret taken;
  launcher_.ExitNextWith(107, [&](const base::CommandLine& command_line) {
    taken = RunSecret::TakeFromCommandLine(command_line);
  });
  RunToTheEnd();
  ASSERT_EQ(1u, launcher_.launched().size());
  const base::CommandLine& elevated = launcher_.launched()[0].command_line;
  EXPECT_EQ(std::to_string(GetCurrentProcessId()), elevated.GetSwitchValueASCII("run-secret-owner"));
  EXPECT_EQ(secret.bytes(), taken.bytes());
  EXPECT_EQ(std::string::npos, elevated.GetCommandLineString().find(base::UTF8ToWide(
                                   base::HexEncode(secret.bytes().data(), RunSecret::kSize))));

  Make({L"--package-dir=" + testing_support::BuildFolder().Append(L"test_package").value()});
  installer_->set_run_secret(secret);
  RunToTheEnd();
  ASSERT_EQ(2u, launcher_.launched().size()) << LastError();
  const FakeProcessLauncher::Launched& packaged = launcher_.launched()[1];
  EXPECT_EQ(folder_.Append(L"51.0.2802.0").Append(L"installer.exe"),
            packaged.command_line.GetProgram());
  EXPECT_TRUE(packaged.command_line.HasSwitch("run-secret-handle"));
  EXPECT_FALSE(packaged.command_line.HasSwitch("run-secret-owner"));
  EXPECT_EQ(secret.bytes(), packaged.inherited_bytes);
}

// The packaged installer runs from the versioned folder however the folder
// is spelt: it must see so, or it would unpack the package over itself.
TEST_F(InstallerTest, RunningFromTheInstallFolderWhateverItsSpelling) {
  CHECK(scratch_.CreateUniqueTempDir());
  std::wstring spelling = scratch_.GetPath().Append(L"Tarvo").value();
  std::replace(spelling.begin(), spelling.end(), L'\\', L'/');
  folder_spelling_ = spelling + L"//";
  Make({L"--install-subfolder=51.0.2802.0"});
  installer_->Start(settings_.get());
  base::ScopedPathOverride exe(base::FILE_EXE,
                               folder_.Append(L"51.0.2802.0").Append(L"installer.exe"),
                               /*is_absolute=*/true, /*create=*/false);
  EXPECT_TRUE(installer_->IsRunningFromInstallFolder());
  base::ScopedPathOverride elsewhere(base::FILE_EXE,
                                     folder_.Append(L"51.0.2802.00").Append(L"installer.exe"),
                                     /*is_absolute=*/true, /*create=*/false);
  EXPECT_FALSE(installer_->IsRunningFromInstallFolder());
}

// The events shared with the helper get an entry that gives
// administrators full access, beside what their list held before.
TEST_F(InstallerTest, EventAclForAdministrators) {
  base::win::ScopedHandle event(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  auto admins_full_access = [&](size_t* entries) {
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(event.Get(), SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                        nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS) {
      ADD_FAILURE() << "no security information";
      return false;
    }
    BYTE admins[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof(admins);
    CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, admins, &size);
    bool found = false;
    *entries = dacl ? dacl->AceCount : 0;
    for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
      ACE_HEADER* header = nullptr;
      if (!GetAce(dacl, i, reinterpret_cast<void**>(&header)) ||
          header->AceType != ACCESS_ALLOWED_ACE_TYPE) {
        continue;
      }
      auto* allowed = reinterpret_cast<ACCESS_ALLOWED_ACE*>(header);
      // Stored as asked or mapped to the event's specific rights.
      if (EqualSid(&allowed->SidStart, admins) &&
          (allowed->Mask == GENERIC_ALL || (allowed->Mask & EVENT_ALL_ACCESS) == EVENT_ALL_ACCESS)) {
        found = true;
      }
    }
    LocalFree(descriptor);
    return found;
  };
  size_t before = 0;
  admins_full_access(&before);
  EXPECT_TRUE(Installer::FixEventACL(event.Get()));
  size_t after = 0;
  EXPECT_TRUE(admins_full_access(&after));
  EXPECT_GE(after, before);
  EXPECT_FALSE(Installer::FixEventACL(nullptr));
}

// The user's own registration after an elevated upgrade takes the status
// the elevated run has just written, not the one read before it: an
// installation that had no app id is registered under its new one.
TEST_F(InstallerTest, PostElevationRegistrationReadsTheNewStatus) {
  CHECK(scratch_.CreateUniqueTempDir());
  const base::FilePath installed = scratch_.GetPath().Append(L"Tarvo");
  ASSERT_TRUE(base::CreateDirectory(installed));
  auto details = SettingsTestEnvironment::ExistingInstallation(installed);
  ASSERT_TRUE(details->existing_status->app_id.empty());
  Make({L"--backend", L"--launchtarvo=0"}, std::move(details));
  ASSERT_EQ(INSTALL_OPERATION_UPGRADE, settings_->GetOperation());
  InstallationStatus written(INSTALLATION_STATUS_SOURCE_GENERATED);
  written.path = installed;
  written.app_id = L"1500000000";
  written.version = "51.0.2802.0";
  written.subfolder = base::FilePath(L"51.0.2802.0");
  ASSERT_TRUE(WriteInstallationStatusAsJson(written, installed.Append(L"installation_status.json")));
  installer_->Start(settings_.get());
  installer_->RunPostElevationTasks();
  base::win::RegKey prog_id;
  EXPECT_EQ(ERROR_SUCCESS,
            prog_id.Open(HKEY_CURRENT_USER,
                         L"Software\\Classes\\TarvoSoftware.TarvoWebBrowser.1500000000", KEY_READ));
  EXPECT_NE(ERROR_SUCCESS, base::win::RegKey().Open(
                               HKEY_CURRENT_USER, L"Software\\Classes\\TarvoSoftware.TarvoWebBrowser.",
                               KEY_READ));
}

// A "suite" component whose own sub-installer is missing gets the
// assistant's, from the same folder; nothing waits for either. A recorded
// component outside the installation folder, or with a name that is no
// plain file name, is never started.
TEST_F(InstallerTest, PostElevationTasksStartComponentInstallers) {
  CHECK(scratch_.CreateUniqueTempDir());
  const base::FilePath installed = scratch_.GetPath().Append(L"Tarvo");
  const base::FilePath suite = installed.Append(L"suite");
  const base::FilePath mail = installed.Append(L"mail");
  const base::FilePath elsewhere = scratch_.GetPath().Append(L"Elsewhere");
  for (const base::FilePath& folder : {mail, elsewhere})
    ASSERT_TRUE(base::CreateDirectory(folder));
  ASSERT_TRUE(base::WriteFile(mail.Append(L"mail_installer.exe"), "MZ"));
  ASSERT_TRUE(base::WriteFile(elsewhere.Append(L"evil_installer.exe"), "MZ"));
  auto details = SettingsTestEnvironment::ExistingInstallation(installed);
  InstallationStatus status = *details->existing_status;
  status.components = {{"suite", suite},
                       {"evil", elsewhere},
                       {"evil", installed.Append(L"..\\Elsewhere")},
                       {"..\\Elsewhere\\evil", installed},
                       {"mail", mail}};
  details->SetExistingInstallation(status);
  Make({L"--backend", L"--launchtarvo=0"}, std::move(details));
  ASSERT_EQ(INSTALL_OPERATION_UPGRADE, settings_->GetOperation());
  installer_->Start(settings_.get());
  installer_->RunPostElevationTasks();
  ASSERT_EQ(2u, launcher_.launched().size());
  EXPECT_EQ(suite.Append(L"assistant_installer.exe"),
            launcher_.launched()[0].command_line.GetProgram());
  EXPECT_EQ(mail.Append(L"mail_installer.exe"), launcher_.launched()[1].command_line.GetProgram());
  for (const FakeProcessLauncher::Launched& launched : launcher_.launched()) {
    EXPECT_TRUE(launched.command_line.HasSwitch("post-elevated-install-tasks"));
    EXPECT_EQ(launched.command_line.GetProgram().DirName(),
              launched.command_line.GetSwitchValuePath("installfolder"));
  }
  // The browser is registered for this user.
  EXPECT_FALSE(environment_->os().calls().empty());
}

// A forged status naming a subfolder outside the installation: the
// uninstall ends with 2 before it deletes anything there, and a repair
// with 1.
TEST_F(InstallerTest, ARecordedSubfolderOutsideTheInstallationEndsTheRun) {
  CHECK(scratch_.CreateUniqueTempDir());
  const base::FilePath installed = scratch_.GetPath().Append(L"Tarvo");
  const base::FilePath victim = scratch_.GetPath().Append(L"Victim").Append(L"tarvo.exe");
  ASSERT_TRUE(base::CreateDirectory(victim.DirName()));
  ASSERT_TRUE(base::WriteFile(victim, "MZ"));
  for (const wchar_t* operation : {L"--uninstall", L"--fix-downloadable-resources"}) {
    auto details = SettingsTestEnvironment::ExistingInstallation(installed);
    InstallationStatus status = *details->existing_status;
    status.subfolder = base::FilePath(L"..\\Victim");
    details->SetExistingInstallation(status);
    Make({L"--backend", operation}, std::move(details));
    RunToTheEnd();
    EXPECT_FALSE(scheduler_->started) << operation;
    EXPECT_EQ(operation == std::wstring(L"--uninstall") ? RESULT_UNINSTALL_FAILED
                                                         : RESULT_GENERAL_FAILURE,
              installer_->state())
        << operation;
    EXPECT_NE(std::string::npos, LastError().find("subfolder outside the installation"))
        << LastError();
    EXPECT_TRUE(base::PathExists(victim));
  }
}

}  // namespace
