#include "desktop/windows/installer/controller/silent_installer_controller.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <string>

#include "base/bind.h"
#include "base/features/feature_registry.h"
#include "base/files/file_util.h"
#include "base/message_loop/message_loop.h"
#include "base/run_loop.h"
#include "base/strings/utf_string_conversions.h"
#include "base/threading/thread_task_runner_handle.h"
#include "base/win/registry.h"
#include "desktop/windows/installer/avro_stats/avro_stats_sender.h"
#include "desktop/windows/installer/avro_stats/installer_event.h"
#include "desktop/windows/installer/checksum_checker/downloadable_resources.h"
#include "desktop/windows/installer/controller/test_support/recording_main_process_runner.h"
#include "desktop/windows/installer/package_fetcher/package_fetcher_delegate.h"
#include "desktop/windows/installer/package_fetcher/payload_manager_impl.h"
#include "desktop/windows/installer/service/test_support/fake_installation_folder_details.h"
#include "desktop/windows/installer/settings/test_support/settings_test_environment.h"
#include "desktop/windows/installer/utils/product_info.h"
#include "desktop/windows/installer/utils/service_utils.h"
#include "gtest/gtest.h"

namespace {

// Keeps what was sent; a flush reports back only when told to.
class KeepingStatsSender : public AvroStatsSender {
 public:
  explicit KeepingStatsSender(bool flush_reports_back) : flush_reports_back_(flush_reports_back) {}
  void SetTrafficAllowed(bool allowed) override { traffic_allowed.push_back(allowed); }
  void Send(std::unique_ptr<InstallerEvent> /*event*/) override { ++sent; }
  void SendPendingAndShutdown(base::OnceClosure done) override {
    ++flushes;
    if (flush_reports_back_)
      base::ThreadTaskRunnerHandle::Get()->PostTask(FROM_HERE, std::move(done));
  }
  int sent = 0;
  int flushes = 0;
  // Every permission given, in order.
  std::vector<bool> traffic_allowed;

 private:
  const bool flush_reports_back_;
};

class SilentInstallerControllerTest : public testing::Test {
 protected:
  explicit SilentInstallerControllerTest(std::vector<std::wstring> switches = {L"--silent"})
      : env_(switches) {
    auto sender = std::make_unique<KeepingStatsSender>(/*flush_reports_back=*/true);
    sender_ = sender.get();
    SetAvroStatsSender(std::move(sender));
  }
  ~SilentInstallerControllerTest() override { SetAvroStatsSender(nullptr); }

  void MakeController() {
    controller_ = std::make_unique<SilentInstallerController>(&runner_, settings_.get());
  }

  // Starts the controller and runs the loop until it quits it, or until
  // `limit` has passed (quit() is then false).
  uint32_t StartAndRun(PayloadManager* payload_manager = nullptr,
                       base::TimeDelta limit = base::TimeDelta::FromSeconds(10)) {
    base::RunLoop run_loop;
    const uint32_t started = controller_->Start(
        payload_manager, env_.scratch().Append(L"download"),
        base::BindOnce(
            [](bool* quit, base::RepeatingClosure quit_loop) {
              *quit = true;
              quit_loop.Run();
            },
            &quit_, run_loop.QuitClosure()));
    if (started != RESULT_SUCCESS)
      return started;
    base::ThreadTaskRunnerHandle::Get()->PostDelayedTask(FROM_HERE, run_loop.QuitClosure(), limit);
    run_loop.Run();
    return started;
  }

  // Plays a backend that reports `notification`, then ends with `exit_result`.
  void PlayBackend(std::function<void(InstallerObserver*)> notification,
                   InstallerResult exit_result) {
    base::ThreadTaskRunnerHandle::Get()->PostDelayedTask(
        FROM_HERE, base::BindOnce(
                       [](RecordingMainProcessRunner* runner,
                          std::function<void(InstallerObserver*)> notification,
                          InstallerResult exit_result) {
                         if (!runner->run_count)
                           return;
                         if (notification)
                           runner->Notify(notification);
                         runner->Notify([exit_result](InstallerObserver* observer) {
                           observer->OnBackendProcessTerminated(exit_result);
                         });
                       },
                       &runner_, std::move(notification), exit_result),
        base::TimeDelta::FromMilliseconds(50));
  }

  base::MessageLoop loop_;
  features::ScopedFeatureRegistryForTesting features_;
  SettingsTestEnvironment env_;
  KeepingStatsSender* sender_ = nullptr;
  RecordingMainProcessRunner runner_;
  std::unique_ptr<SettingsImpl> settings_;
  std::unique_ptr<SilentInstallerController> controller_;
  bool quit_ = false;
};

// Settings complete at the start: the backend is launched once, the
// package is ready at once (an unpacked package), and the backend's
// success ends the run with 0 after the statistics flush.
TEST_F(SilentInstallerControllerTest, CompleteSettingsRunTheBackendToSuccess) {
  settings_ = env_.MakeSettings();
  MakeController();
  runner_.run_result = RESULT_SUCCESS;
  // The backend reports success as soon as it runs.
  base::ThreadTaskRunnerHandle::Get()->PostDelayedTask(
      FROM_HERE,
      base::BindOnce(
          [](RecordingMainProcessRunner* runner) {
            runner->Notify([](InstallerObserver* observer) { observer->OnInstallerSucceeded(); });
          },
          &runner_),
      base::TimeDelta::FromMilliseconds(50));
  EXPECT_EQ(RESULT_SUCCESS, StartAndRun());
  EXPECT_TRUE(quit_);
  EXPECT_EQ(1, runner_.run_count);
  EXPECT_EQ(settings_.get(), runner_.run_settings);
  EXPECT_EQ(1, runner_.package_ready_count);
  EXPECT_EQ(1, runner_.stop_count);
  EXPECT_EQ(RESULT_SUCCESS, controller_->result());
  EXPECT_EQ(1, sender_->flushes);
}

// File copies, moves and the unpacking progress send no step statistics: a
// name with "copy_file" anywhere in it, and exactly "move_file" or
// "direct_unpacking".
TEST_F(SilentInstallerControllerTest, FileStepsSendNoStepStatistics) {
  settings_ = env_.MakeSettings();
  MakeController();
  InstallerObserver* observer = controller_.get();
  const std::pair<const char*, int> steps[] = {
      {"copy_file:sub\\a.dll", 0}, {"xcopy_file_y", 0},      {"move_file", 0},
      {"direct_unpacking", 0},     {"move_file:a", 2},       {"direct_unpacking2", 2},
      {"setup_registry", 2}};
  for (const auto& [name, events] : steps) {
    const int before = sender_->sent;
    observer->OnStepStarting(name);
    observer->OnStepFinished(name, 1, 1);
    EXPECT_EQ(events, sender_->sent - before) << name;
  }
}

// The package is reported ready after the settings are complete but before
// the backend was launched (the start task has not run yet): the
// tracking-data actions run once, with the launch, and the runner hears of
// the package once, never before the backend it would signal.
TEST_F(SilentInstallerControllerTest, PackageReadyBeforeTheLaunchIsHandedOverOnce) {
  settings_ = env_.MakeSettings();
  MakeController();
  runner_.run_result = RESULT_SUCCESS;
  base::RunLoop run_loop;
  ASSERT_EQ(RESULT_SUCCESS,
            controller_->Start(nullptr, env_.scratch().Append(L"download"),
                               base::BindOnce([](base::RepeatingClosure quit) { quit.Run(); },
                                              run_loop.QuitClosure())));
  controller_->OnPackageFetcherStatusChanged(PackageFetcherDelegate::kPackageReady);
  EXPECT_EQ(0, runner_.package_ready_count);
  PlayBackend([](InstallerObserver* observer) { observer->OnInstallerSucceeded(); },
              RESULT_SUCCESS);
  base::ThreadTaskRunnerHandle::Get()->PostDelayedTask(FROM_HERE, run_loop.QuitClosure(),
                                                       base::TimeDelta::FromSeconds(10));
  run_loop.Run();
  EXPECT_EQ(1, runner_.run_count);
  EXPECT_EQ(1, runner_.package_ready_count);
  EXPECT_EQ(RESULT_SUCCESS, controller_->result());
}

// A minimal package leaves out the language and scale-factor packs: the
// monitors' scales (not the 100 % one, and not an unknown id) are fetched
// with the language's pack.
TEST_F(SilentInstallerControllerTest, NeededResourcesAreTheLanguageAndTheMonitorsScales) {
  settings_ = env_.MakeSettings();
  MakeController();
  const std::string language_pack =
      "localization/" + base::WideToUTF8(settings_->GetLanguage()) + ".pak";
  EXPECT_EQ(std::vector<std::string>{language_pack},
            controller_->GetNeededDownloadableResources());
  controller_->SetMonitorScaleIds({0, 3, 2, 9});
  EXPECT_EQ((std::vector<std::string>{language_pack, "tarvo_150_percent.pak",
                                      "tarvo_200_percent.pak"}),
            controller_->GetNeededDownloadableResources());
}

// What the backend's end does to the result: an exit code that only says
// "exited with 1" (13) or "unknown" (15) keeps the error reported over the
// mailslot; any other one wins. An end with 0 is a success only after the
// success was reported (the runner reports one only then): alone, as when
// the backend was ended from outside, it leaves 20, and it never turns a
// failure into success. A fetch that failed for good keeps 19 whichever end
// comes, before or after it.
TEST_F(SilentInstallerControllerTest, BackendEndDecidesTheResultByItsRule) {
  enum class Before { kNothing, kError, kSuccess, kFetchFailure };
  struct {
    Before before;
    InstallerResult exit_result;
    InstallerResult expected;
  } cases[] = {
      {Before::kError, RESULT_CHILD_EXIT_CODE_1, RESULT_INSUFFICIENT_PRIVILEGES},
      {Before::kError, RESULT_CHILD_UNKNOWN_EXIT, RESULT_INSUFFICIENT_PRIVILEGES},
      {Before::kNothing, RESULT_INVALID_PATH, RESULT_INVALID_PATH},
      {Before::kNothing, RESULT_CHILD_UNKNOWN_EXIT, RESULT_NOT_FINISHED},
      {Before::kSuccess, RESULT_SUCCESS, RESULT_SUCCESS},
      {Before::kNothing, RESULT_SUCCESS, RESULT_NOT_FINISHED},
      {Before::kError, RESULT_SUCCESS, RESULT_INSUFFICIENT_PRIVILEGES},
      {Before::kError, RESULT_NOT_FINISHED, RESULT_INSUFFICIENT_PRIVILEGES},
      {Before::kFetchFailure, RESULT_SUCCESS, RESULT_PACKAGE_FETCHER_FAILED},
      {Before::kFetchFailure, RESULT_NOT_FINISHED, RESULT_PACKAGE_FETCHER_FAILED},
  };
  settings_ = env_.MakeSettings();
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << static_cast<int>(c.before) << " " << c.exit_result);
    // The first notification a controller sees of an error terminates it,
    // so only the backend-end rule of the base is exercised here.
    SilentInstallerController controller(&runner_, settings_.get());
    InstallerController& base = controller;
    if (c.before == Before::kError)
      base.OnInstallerError(RESULT_INSUFFICIENT_PRIVILEGES, L"", "no rights");
    if (c.before == Before::kSuccess)
      base.OnInstallerSucceeded();
    if (c.before == Before::kFetchFailure)
      base.OnPackageFetcherError(PackageFetcherDelegate::kFetchError, "no package", {});
    base.OnBackendProcessTerminated(c.exit_result);
    EXPECT_EQ(c.expected, controller.result());
  }
  // The fetch's failure heard after the backend's end.
  SilentInstallerController controller(&runner_, settings_.get());
  InstallerController& base = controller;
  base.OnBackendProcessTerminated(RESULT_NOT_FINISHED);
  base.OnPackageFetcherError(PackageFetcherDelegate::kFetchError, "no package", {});
  EXPECT_EQ(RESULT_PACKAGE_FETCHER_FAILED, controller.result());
  EXPECT_EQ("Fetcher error: no package", controller.error_detail());
}

// A backend that ends without reporting still ends the silent run, one
// second later, with the result of its exit code.
TEST_F(SilentInstallerControllerTest, BackendEndWithoutReportEndsTheRun) {
  settings_ = env_.MakeSettings();
  MakeController();
  PlayBackend(nullptr, RESULT_INVALID_PATH);
  StartAndRun();
  EXPECT_TRUE(quit_);
  EXPECT_EQ(RESULT_INVALID_PATH, controller_->result());
}

// A backend that cannot be launched ends the run with the error record's
// code, never with 20.
TEST_F(SilentInstallerControllerTest, LaunchFailureEndsTheRunWithItsCode) {
  settings_ = env_.MakeSettings();
  MakeController();
  runner_.run_result = RESULT_DUPLICATE_INSTALLATION;
  StartAndRun();
  EXPECT_TRUE(quit_);
  EXPECT_EQ(RESULT_DUPLICATE_INSTALLATION, controller_->result());
  EXPECT_EQ(1, runner_.stop_count);
}

// The fetcher cannot show anything when silent: the reply is 0 and the
// callback never runs.
TEST_F(SilentInstallerControllerTest, UICallbacksAreAnsweredWithZero) {
  settings_ = env_.MakeSettings();
  MakeController();
  bool ran = false;
  uint32_t answer = 99;
  base::RunLoop run_loop;
  controller_->RunUICallbackAndPostReply(
      base::BindOnce(
          [](bool* ran, HWND) {
            *ran = true;
            return 1u;
          },
          &ran),
      base::ThreadTaskRunnerHandle::Get(),
      base::BindOnce(
          [](uint32_t* answer, base::RepeatingClosure quit, uint32_t value) {
            *answer = value;
            quit.Run();
          },
          &answer, run_loop.QuitClosure()));
  run_loop.Run();
  EXPECT_FALSE(ran);
  EXPECT_EQ(0u, answer);
}

// Folder details that never arrive end the run with 1 once the limit has
// passed, not with 20 after waiting for ever.
TEST_F(SilentInstallerControllerTest, SettingsThatNeverCompleteEndTheRun) {
  settings_ = env_.MakeSettings();
  settings_->SetInstallFolderPath(env_.scratch().Append(L"Elsewhere"));
  ASSERT_TRUE(settings_->HasPendingFolderDetails());
  MakeController();
  controller_->set_settings_limit_for_testing(base::TimeDelta::FromMilliseconds(100));
  StartAndRun();
  EXPECT_TRUE(quit_);
  EXPECT_EQ(0, runner_.run_count);
  EXPECT_EQ(RESULT_GENERAL_FAILURE, controller_->result());
}

// A statistics flush that never reports back does not keep the run alive.
TEST_F(SilentInstallerControllerTest, FlushThatNeverEndsIsCutShort) {
  auto sender = std::make_unique<KeepingStatsSender>(/*flush_reports_back=*/false);
  sender_ = sender.get();
  SetAvroStatsSender(std::move(sender));
  settings_ = env_.MakeSettings();
  MakeController();
  controller_->set_flush_limit_for_testing(base::TimeDelta::FromMilliseconds(100));
  runner_.run_result = RESULT_DUPLICATE_INSTALLATION;
  StartAndRun();
  EXPECT_EQ(1, sender_->flushes);
  EXPECT_TRUE(quit_);
}

// A silent upgrade of an all-users installation by a user who is not an
// administrator: the mode cannot change (an upgrade keeps it) and the
// default folder is the installation's own, so no new folder details come.
// The run must go on to the backend, which reports what it cannot do.
TEST_F(SilentInstallerControllerTest, RefusedSwitchToCurrentUserStillRunsTheBackend) {
  const base::FilePath folder = env_.scratch().Append(L"Tarvo");
  ASSERT_TRUE(base::CreateDirectory(folder));
  base::win::RegKey key(HKEY_CURRENT_USER, GetCompanyRegistryKey().c_str(), KEY_WRITE);
  ASSERT_EQ(ERROR_SUCCESS,
            key.WriteValue((L"Last " + base::UTF8ToWide(product_info::GetChannelName()) +
                            L" Install Path")
                               .c_str(),
                           folder.value().c_str()));
  settings_ = std::make_unique<SettingsImpl>(env_.session(), base::FilePath(), 0,
                                             reinterpret_cast<PayloadManager*>(this),
                                             env_.fetchers().GetFactory());
  auto details = SettingsTestEnvironment::ExistingInstallation(folder, /*copy_only=*/false,
                                                               /*all_users=*/true);
  details->write_access = false;
  ASSERT_EQ(folder, env_.fetchers().last()->folder());
  ASSERT_TRUE(env_.fetchers().last()->Reply(std::move(details)));
  ASSERT_TRUE(settings_->GetAllUsers());
  MakeController();
  PlayBackend(
      [](InstallerObserver* observer) {
        observer->OnInstallerError(RESULT_INSUFFICIENT_PRIVILEGES, L"", "no rights");
      },
      RESULT_CHILD_EXIT_CODE_1);
  StartAndRun();
  EXPECT_TRUE(quit_);
  EXPECT_EQ(1, runner_.run_count);
  EXPECT_EQ(RESULT_INSUFFICIENT_PRIVILEGES, controller_->result());
}

// An all-users install by a user who is not an administrator becomes a
// current-user one in the default folder, without a prompt.
TEST_F(SilentInstallerControllerTest, AllUsersWithoutRightsSwitchesToCurrentUser) {
  settings_ = env_.MakeSettings();
  ASSERT_TRUE(settings_->SetAllUsers(true));
  env_.AnswerLatest();
  ASSERT_TRUE(settings_->GetAllUsers());
  MakeController();
  base::RunLoop run_loop;
  controller_->Start(nullptr, env_.scratch().Append(L"download"), base::DoNothing());
  // The new folder details are pending; answer them as the fetcher would.
  base::ThreadTaskRunnerHandle::Get()->PostTask(
      FROM_HERE, base::BindOnce(
                     [](SettingsTestEnvironment* env, base::RepeatingClosure quit) {
                       env->AnswerLatest();
                       quit.Run();
                     },
                     &env_, run_loop.QuitClosure()));
  run_loop.Run();
  base::RunLoop().RunUntilIdle();
  EXPECT_FALSE(settings_->GetAllUsers());
  EXPECT_EQ(1, runner_.run_count);
}

// The download-URL service is a closed loopback port: a fetch that starts
// never gets anywhere, and retries for as long as it is let.
// The installer's statistics go out only when the command line allows
// them: the deployer's opt-out holds for the whole silent run.
class SilentStatisticsTest : public SilentInstallerControllerTest,
                             public testing::WithParamInterface<bool> {
 protected:
  SilentStatisticsTest()
      : SilentInstallerControllerTest(
            {L"--silent", GetParam() ? L"--enable-installer-stats=1"
                                     : L"--enable-installer-stats=0"}) {}
};

TEST_P(SilentStatisticsTest, TrafficFollowsTheSwitch) {
  settings_ = env_.MakeSettings();
  MakeController();
  runner_.run_result = RESULT_SUCCESS;
  PlayBackend([](InstallerObserver* observer) { observer->OnInstallerSucceeded(); },
              RESULT_SUCCESS);
  EXPECT_EQ(RESULT_SUCCESS, StartAndRun());
  EXPECT_TRUE(quit_);
  const std::vector<bool>& allowed = sender_->traffic_allowed;
  if (GetParam()) {
    ASSERT_FALSE(allowed.empty());
    EXPECT_TRUE(allowed.back());
  } else {
    EXPECT_EQ(allowed.end(), std::find(allowed.begin(), allowed.end(), true));
  }
}

INSTANTIATE_TEST_SUITE_P(OptInAndOut, SilentStatisticsTest, testing::Bool());

class SilentRepairTest : public SilentInstallerControllerTest {
 protected:
  SilentRepairTest()
      : SilentInstallerControllerTest({L"--silent", L"--fix-downloadable-resources",
                                       L"--internal-package-server=http://127.0.0.1:1/"}) {}

  // An installation in scratch\Tarvo\51.0 holding every downloadable
  // resource but `left_out` (an index into the table, or -1).
  std::unique_ptr<FakeInstallationFolderDetails> Installation(int left_out) {
    const base::FilePath folder = env_.scratch().Append(L"Tarvo");
    int index = 0;
    for (const DownloadableResource& resource : GetDownloadableResources()) {
      std::string path;
      EXPECT_TRUE(DecodeResourcePath(resource, &path));
      const base::FilePath file =
          folder.Append(L"51.0").Append(base::FilePath::FromUTF8Unsafe(path).NormalizePathSeparators());
      base::DeleteFile(file, /*recursive=*/false);
      if (index++ != left_out) {
        EXPECT_TRUE(base::CreateDirectory(file.DirName()));
        EXPECT_TRUE(base::WriteFile(file, "resource"));
      }
    }
    auto details = std::make_unique<FakeInstallationFolderDetails>();
    details->path = folder;
    details->valid_parent = folder;
    InstallationStatus status(INSTALLATION_STATUS_SOURCE_PRIMARY);
    status.path = folder;
    status.subfolder = base::FilePath(L"51.0");
    details->SetExistingInstallation(status);
    return details;
  }

  // A plain installer without a payload: the fetcher would ask the service.
  std::unique_ptr<PayloadManagerImpl> NoPayload() {
    const base::FilePath exe = env_.scratch().Append(L"installer.exe");
    EXPECT_TRUE(base::WriteFile(exe, std::string(4096, 'x')));
    return std::make_unique<PayloadManagerImpl>(exe);
  }
};

// Every resource in place: nothing is fetched, the package counts as ready
// before the backend starts, and the backend's success ends the run.
TEST_F(SilentRepairTest, NothingMissingNeedsNoFetch) {
  std::unique_ptr<PayloadManagerImpl> payload = NoPayload();
  settings_ = env_.MakeSettings(Installation(-1));
  MakeController();
  controller_->set_fetch_stall_limit_for_testing(base::TimeDelta::FromMilliseconds(100));
  PlayBackend([](InstallerObserver* observer) { observer->OnInstallerSucceeded(); },
              RESULT_SUCCESS);
  StartAndRun(payload.get());
  EXPECT_TRUE(quit_);
  EXPECT_EQ(1, runner_.run_count);
  EXPECT_EQ(1, runner_.package_ready_count);
  EXPECT_EQ(RESULT_SUCCESS, controller_->result());
}

// One resource missing and a service that cannot be reached: the fetch
// makes no progress, and the run ends with the fetcher's result instead of
// waiting for the downloader's hour of retries. The backend never got the
// package.
TEST_F(SilentRepairTest, FetchWithoutProgressEndsTheRun) {
  std::unique_ptr<PayloadManagerImpl> payload = NoPayload();
  settings_ = env_.MakeSettings(Installation(7));
  MakeController();
  controller_->set_fetch_stall_limit_for_testing(base::TimeDelta::FromMilliseconds(300));
  StartAndRun(payload.get(), base::TimeDelta::FromSeconds(30));
  EXPECT_TRUE(quit_);
  EXPECT_EQ(1, runner_.run_count);
  EXPECT_EQ(0, runner_.package_ready_count);
  EXPECT_EQ(RESULT_PACKAGE_FETCHER_FAILED, controller_->result());
  EXPECT_NE(std::string::npos, controller_->error_detail().find("Fetcher error: No progress"))
      << controller_->error_detail();
}

// Every answer of a server that stalls announces the length again: those
// reports are no progress, and the run still ends when no new bytes came
// within the limit.
TEST_F(SilentRepairTest, AnnouncedLengthsAreNoProgress) {
  std::unique_ptr<PayloadManagerImpl> payload = NoPayload();
  settings_ = env_.MakeSettings(Installation(7));
  MakeController();
  controller_->set_fetch_stall_limit_for_testing(base::TimeDelta::FromMilliseconds(500));
  std::function<void()> announce = [this, &announce] {
    if (quit_)
      return;
    controller_->SetTotalProgress(100000);
    base::ThreadTaskRunnerHandle::Get()->PostDelayedTask(
        FROM_HERE, base::BindOnce([](std::function<void()>* again) { (*again)(); }, &announce),
        base::TimeDelta::FromMilliseconds(100));
  };
  announce();
  StartAndRun(payload.get(), base::TimeDelta::FromSeconds(20));
  EXPECT_TRUE(quit_);
  EXPECT_EQ(RESULT_PACKAGE_FETCHER_FAILED, controller_->result());
  EXPECT_NE(std::string::npos, controller_->error_detail().find("Fetcher error: No progress"))
      << controller_->error_detail();
}

// Fixing the downloadable resources of a folder without an installation:
// nothing would ever fetch the package the backend waits for, so the run
// fails at once with 1 and says why, whether the settings were complete at
// the start or became complete later.
TEST_F(SilentRepairTest, NoInstallationToRepairFailsAtOnce) {
  const base::FilePath exe = env_.scratch().Append(L"installer.exe");
  ASSERT_TRUE(base::WriteFile(exe, std::string(4096, 'x')));
  PayloadManagerImpl payload(exe);
  for (bool complete_at_start : {true, false}) {
    SCOPED_TRACE(complete_at_start);
    runner_ = RecordingMainProcessRunner();
    quit_ = false;
    settings_ = env_.MakeSettings();
    if (!complete_at_start) {
      settings_->SetInstallFolderPath(env_.scratch().Append(L"Other"));
      base::ThreadTaskRunnerHandle::Get()->PostTask(
          FROM_HERE,
          base::BindOnce([](SettingsTestEnvironment* env) { env->AnswerLatest(); }, &env_));
    }
    MakeController();
    StartAndRun(&payload);
    EXPECT_TRUE(quit_);
    EXPECT_EQ(0, runner_.run_count);
    EXPECT_EQ(RESULT_GENERAL_FAILURE, controller_->result());
    EXPECT_NE(std::string::npos,
              controller_->error_detail().find("No installation to fix the downloadable resources"));
    controller_.reset();
  }
}

}  // namespace
