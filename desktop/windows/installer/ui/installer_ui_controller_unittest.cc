#include "desktop/windows/installer/ui/installer_ui_controller.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "base/bind.h"
#include "base/features/feature_registry.h"
#include "base/message_loop/message_loop.h"
#include "base/run_loop.h"
#include "base/threading/thread_task_runner_handle.h"
#include "desktop/windows/installer/avro_stats/avro_stats_sender.h"
#include "desktop/windows/installer/avro_stats/installer_event.h"
#include "desktop/windows/installer/avro_stats/test_support/recording_stats_sender.h"
#include "desktop/windows/installer/controller/test_support/recording_main_process_runner.h"
#include "desktop/windows/installer/package_fetcher/payload_manager.h"
#include "desktop/windows/installer/service/test_support/fake_installation_folder_details.h"
#include "desktop/windows/installer/settings/test_support/settings_test_environment.h"
#include "desktop/windows/installer/ui/progress_calculator.h"
#include "gtest/gtest.h"

namespace {

// What the statistics call a closed window and a request for the full
// package.
constexpr int kCancelReasonClosed = 1;
constexpr int kCancelReasonFullPackage = 2;

struct WindowRecord {
  int progress_pages = 0;
  std::vector<std::wstring> errors;
  std::vector<bool> full_package_offers;
  std::vector<std::wstring> message_boxes;
  std::vector<int> phase_statuses;
  int stopping = 0;
  bool destroyed = false;
};

class FakeWindow : public InstallerWindow {
 public:
  explicit FakeWindow(WindowRecord* record) : record_(record) {}
  ~FakeWindow() override { record_->destroyed = true; }
  HWND GetHandle() const override { return nullptr; }
  void ShowProgressPage() override { ++record_->progress_pages; }
  void ShowError(const std::wstring& text, bool offer_full_package,
                 const std::string& /*detail*/) override {
    record_->errors.push_back(text);
    record_->full_package_offers.push_back(offer_full_package);
  }
  // As the real window: the box is modal, and its end is the window's.
  void ShowMessageBox(const std::wstring& text) override {
    record_->message_boxes.push_back(text);
    if (observer_)
      observer_->OnWindowClosed();
  }
  void AddObserver(InstallerWindowObserver* observer) override { observer_ = observer; }
  void RemoveObserver(InstallerWindowObserver* /*observer*/) override { observer_ = nullptr; }
  void ShowPhaseStatus(int phase) override { record_->phase_statuses.push_back(phase); }
  void ShowStopping() override { ++record_->stopping; }

 private:
  WindowRecord* const record_;
  InstallerWindowObserver* observer_ = nullptr;
};

class RecordingCalculator : public ProgressCalculator {
 public:
  explicit RecordingCalculator(std::vector<int>* phases) : phases_(phases) {}
  void SetObserver(ProgressObserver* /*observer*/) override {}
  void SetCurrentProgress(uint32_t /*done*/) override {}
  void SetTotalProgress(uint32_t /*total*/) override {}
  uint32_t GetMaxProgress() const override { return 0; }
  uint32_t GetProgress() const override { return 0; }
  void Refresh() override {}
  void OnEnteringPhase(int phase) override { phases_->push_back(phase); }

 private:
  std::vector<int>* const phases_;
};

struct ShellCall {
  std::wstring file;
  std::wstring parameters;
};

class TestController : public InstallerUIController {
 public:
  TestController(MainProcessInstallerRunner* runner,
                 SettingsImpl* settings,
                 WindowRecord* window,
                 std::vector<int>* phases)
      : InstallerUIController(runner, std::make_unique<RecordingCalculator>(phases), settings),
        window_(window) {}

  std::vector<ShellCall> shell_calls;
  std::vector<DWORD> raised;
  bool internet_explorer = true;
  bool window_fails = false;
  bool sse2 = true;
  base::win::Version windows = base::win::VERSION_WIN10;
  // Texts that replace the default "<id>$1".
  std::map<uint32_t, std::wstring> strings;

  using InstallerUIController::fetch_started;

 protected:
  std::unique_ptr<InstallerWindow> CreateInstallerWindow() override {
    if (window_fails)
      return nullptr;
    return std::make_unique<FakeWindow>(window_);
  }
  bool ShellOpen(const std::wstring& file, const std::wstring& parameters) override {
    shell_calls.push_back({file, parameters});
    return true;
  }
  bool InternetExplorerExists() override { return internet_explorer; }
  void RaiseOtherUi(DWORD thread_id) override { raised.push_back(thread_id); }
  // The id, and "$1" so that replacements show.
  std::wstring GetString(uint32_t id) override {
    auto it = strings.find(id);
    return it != strings.end() ? it->second : std::to_wstring(id) + L"$1";
  }
  base::win::Version GetWindowsVersion() override { return windows; }
  bool ProcessorSupportsSse2() override { return sse2; }

 private:
  WindowRecord* const window_;
};

// A full-package payload whose writing waits until released: the fetcher
// exists and has started, but reports nothing while a test plays its part.
class HeldPayload : public PayloadManager {
 public:
  HeldPayload() : release_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
  ~HeldPayload() override {
    Release();
    CloseHandle(release_);
  }
  void Release() { SetEvent(release_); }
  void Hold() { ResetEvent(release_); }
  PayloadType GetPayloadType() const override { return PAYLOAD_TYPE_FULL_PACKAGE; }
  std::string GetPayload() const override { return std::string(); }
  bool WritePayloadToFile(const base::FilePath& /*path*/) const override {
    WaitForSingleObject(release_, 60 * 1000);
    return false;
  }
  void SetExternalTrackingData(const std::string& /*data*/) override {}

 private:
  const HANDLE release_;
};

class InstallerUIControllerTest : public testing::Test {
 protected:
  explicit InstallerUIControllerTest(std::vector<std::wstring> switches = {}) : env_(switches) {
    InstallRecordingSender();
  }
  ~InstallerUIControllerTest() override {
    // The fetcher's worker must be free before the fetcher goes.
    payload_.Release();
    controller_.reset();
    SetAvroStatsSender(nullptr);
  }

  void InstallRecordingSender() {
    auto sender = std::make_unique<RecordingStatsSender>();
    sender_ = sender.get();
    SetAvroStatsSender(std::move(sender));
  }

  // The reasons of the cancellations sent, in order.
  std::vector<int> CancelReasons() const {
    std::vector<int> reasons;
    for (const RecordingStatsSender::Record* record : sender_->Named("installation_cancelled"))
      reasons.push_back(record->Int("counter").value_or(-1));
    return reasons;
  }

  std::unique_ptr<TestController> MakeController() {
    auto controller = std::make_unique<TestController>(&runner_, settings_.get(), &window_, &phases_);
    controller->set_lock_folder_for_testing(env_.scratch());
    controller->set_pending_error_delay_for_testing(base::TimeDelta());
    return controller;
  }

  // Starts the controller as the entry point does (no payload: an unpacked
  // package) and lets it open its window.
  // With `with_fetcher`, the installer carries the package (HeldPayload).
  // `configure` runs before the window opens.
  void StartController(std::unique_ptr<FakeInstallationFolderDetails> details = nullptr,
                       bool window_fails = false,
                       bool with_fetcher = false,
                       std::function<void(TestController*)> configure = nullptr) {
    settings_ = env_.MakeSettings(std::move(details));
    controller_ = MakeController();
    controller_->window_fails = window_fails;
    if (configure)
      configure(controller_.get());
    ASSERT_EQ(static_cast<uint32_t>(RESULT_SUCCESS),
              controller_->Start(with_fetcher ? &payload_ : nullptr,
                                 env_.scratch().Append(L"download"),
                                 base::BindOnce([](bool* quit) { *quit = true; }, &quit_)));
    base::RunLoop().RunUntilIdle();
  }

  void PlayBackendFailure(InstallerResult code) {
    runner_.Notify([code](InstallerObserver* observer) {
      observer->OnInstallerError(code, L"", "backend says no");
    });
    runner_.Notify(
        [code](InstallerObserver* observer) { observer->OnBackendProcessTerminated(code); });
  }

  base::MessageLoop loop_;
  features::ScopedFeatureRegistryForTesting features_;
  SettingsTestEnvironment env_;
  HeldPayload payload_;
  RecordingStatsSender* sender_ = nullptr;
  RecordingMainProcessRunner runner_;
  std::unique_ptr<SettingsImpl> settings_;
  WindowRecord window_;
  std::vector<int> phases_;
  std::unique_ptr<TestController> controller_;
  bool quit_ = false;
  int runs_before_ = 0;
};

// Only one UI per session: a second UI started while the first runs
// starts nothing, raises the first UI's thread and returns 22.
TEST_F(InstallerUIControllerTest, SecondInstanceReturns22AndRaisesTheFirst) {
  StartController();
  ASSERT_NE(nullptr, runner_.observers().size() ? runner_.observers()[0] : nullptr);
  const size_t observers_before = runner_.observers().size();

  uint32_t second_result = 0;
  std::vector<DWORD> second_raised;
  std::thread second([&] {
    std::unique_ptr<TestController> other = MakeController();
    second_result = other->Start(nullptr, env_.scratch().Append(L"download2"), base::OnceClosure());
    second_raised = other->raised;
  });
  second.join();

  EXPECT_EQ(static_cast<uint32_t>(RESULT_UI_ALREADY_RUNNING), second_result);
  EXPECT_EQ(std::vector<DWORD>{GetCurrentThreadId()}, second_raised);
  EXPECT_EQ(observers_before, runner_.observers().size());
  EXPECT_EQ(0, runner_.run_count);
  EXPECT_TRUE(controller_->raised.empty());
}

// Accept while the folder is still being examined is remembered and runs
// the backend once the status arrives, once.
TEST_F(InstallerUIControllerTest, AcceptDuringFolderExaminationRunsWhenStatusArrives) {
  StartController();
  settings_->RefreshFolderDetails();
  ASSERT_TRUE(settings_->HasPendingFolderDetails());
  controller_->OnAcceptClicked();
  base::RunLoop().RunUntilIdle();
  EXPECT_EQ(0, runner_.run_count);

  ASSERT_TRUE(env_.AnswerLatest());
  base::RunLoop().RunUntilIdle();
  EXPECT_EQ(1, runner_.run_count);
  EXPECT_EQ(1, window_.progress_pages);
  // A second Accept while the backend runs changes nothing.
  controller_->OnAcceptClicked();
  EXPECT_EQ(1, runner_.run_count);
}

// Its own fetch phases reach the progress calculator (the bar would stay
// in phase 0 for the whole download otherwise); the backend's phases are
// shown on the page once the backend runs.
TEST_F(InstallerUIControllerTest, FetchPhasesReachTheProgressCalculator) {
  StartController();
  EXPECT_EQ(std::vector<int>{4}, phases_);  // no fetcher: the package is ready
  phases_.clear();
  for (uint32_t status : {1u, 2u, 3u, 4u, 7u})
    controller_->OnPackageFetcherStatusChanged(status);
  controller_->OnTrackingDataActionsDone();
  EXPECT_EQ((std::vector<int>{0, 1, 3, 4, 5}), phases_);
  EXPECT_TRUE(window_.phase_statuses.empty());

  controller_->OnAcceptClicked();
  base::RunLoop().RunUntilIdle();
  runner_.Notify([](InstallerObserver* observer) { observer->OnEnteringPhase(7); });
  EXPECT_EQ(7, window_.phase_statuses.back());
}

// The full-package page opens in Internet Explorer only for the http
// handler that has it; otherwise, and when it is missing, the default
// handler opens the address. Either way the run ends with reason 2.
TEST_F(InstallerUIControllerTest, FullPackageFallsBackToTheDefaultHandler) {
  struct {
    bool http_handler;
    bool internet_explorer;
    bool expect_ie;
  } cases[] = {{true, true, true}, {true, false, false}, {false, true, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.http_handler << c.internet_explorer);
    auto details = std::make_unique<FakeInstallationFolderDetails>();
    details->is_http_handler = c.http_handler;
    controller_.reset();
    quit_ = false;
    InstallRecordingSender();
    StartController(std::move(details));
    controller_->internet_explorer = c.internet_explorer;
    controller_->OnFullPackageRequested();
    base::RunLoop().RunUntilIdle();
    ASSERT_EQ(1u, controller_->shell_calls.size());
    const ShellCall& call = controller_->shell_calls[0];
    if (c.expect_ie) {
      EXPECT_NE(std::wstring::npos, call.file.find(L"iexplore.exe"));
      EXPECT_NE(std::wstring::npos, call.parameters.find(L"&product="));
    } else {
      EXPECT_NE(std::wstring::npos, call.file.find(L"&product="));
      EXPECT_TRUE(call.parameters.empty());
    }
    EXPECT_TRUE(controller_->terminated());
    EXPECT_TRUE(quit_);
    EXPECT_TRUE(window_.destroyed);
    EXPECT_EQ(std::vector<int>{kCancelReasonFullPackage}, CancelReasons());
    window_ = WindowRecord();
  }
}

// A failed backend shows its error once, even when the end is reported
// twice: the second handling finds no pending error and does nothing.
TEST_F(InstallerUIControllerTest, PendingErrorIsShownOnceAndNeverOffersTheFullPackageFirst) {
  StartController();
  controller_->OnAcceptClicked();
  base::RunLoop().RunUntilIdle();
  ASSERT_EQ(1, runner_.run_count);
  PlayBackendFailure(RESULT_INSUFFICIENT_PRIVILEGES);
  runner_.Notify([](InstallerObserver* observer) {
    observer->OnBackendProcessTerminated(RESULT_INSUFFICIENT_PRIVILEGES);
  });
  base::RunLoop().RunUntilIdle();
  ASSERT_EQ(1u, window_.errors.size());
  EXPECT_EQ(L"37060", window_.errors[0]);
  EXPECT_FALSE(window_.full_package_offers[0]);
  EXPECT_FALSE(controller_->terminated());
  // Retry examines the folder again and runs the backend with the answer.
  controller_->OnRetryClicked();
  ASSERT_TRUE(env_.AnswerLatest());
  base::RunLoop().RunUntilIdle();
  EXPECT_EQ(2, runner_.run_count);
}

// A backend that ends without saying why still gets an error page, with
// the text of its exit code.
TEST_F(InstallerUIControllerTest, UnreportedBackendFailureShowsTheCodesText) {
  StartController();
  controller_->OnAcceptClicked();
  base::RunLoop().RunUntilIdle();
  runner_.Notify([](InstallerObserver* observer) {
    observer->OnBackendProcessTerminated(RESULT_INVALID_PATH);
  });
  base::RunLoop().RunUntilIdle();
  ASSERT_EQ(1u, window_.errors.size());
  EXPECT_EQ(L"37058", window_.errors[0]);
  EXPECT_EQ(RESULT_INVALID_PATH, controller_->result());
}

// A launch failure shows the error the runner recorded.
TEST_F(InstallerUIControllerTest, LaunchFailureShowsAnErrorPage) {
  StartController();
  runner_.run_result = RESULT_DUPLICATE_INSTALLATION;
  controller_->OnAcceptClicked();
  base::RunLoop().RunUntilIdle();
  ASSERT_EQ(1u, window_.errors.size());
  EXPECT_EQ(0, window_.progress_pages);
  EXPECT_FALSE(controller_->terminated());
}

// Closing the window ends the run; fetcher requests that come before the
// backend runs wait for it, and those after the end are answered 1223.
TEST_F(InstallerUIControllerTest, FetcherRequestsWaitForAcceptAndAreCancelledAfterTheEnd) {
  StartController();
  int ran = 0;
  std::vector<uint32_t> replies;
  auto request = [&] {
    controller_->RunUICallbackAndPostReply(
        base::BindOnce(
            [](int* ran, HWND) {
              ++*ran;
              return 7u;
            },
            &ran),
        base::ThreadTaskRunnerHandle::Get(),
        base::BindOnce([](std::vector<uint32_t>* replies, uint32_t r) { replies->push_back(r); },
                       &replies));
  };
  request();
  request();  // replaces the first, which is answered as cancelled
  base::RunLoop().RunUntilIdle();
  EXPECT_EQ(0, ran);
  EXPECT_EQ(std::vector<uint32_t>{1223u}, replies);
  replies.clear();
  controller_->OnAcceptClicked();
  base::RunLoop().RunUntilIdle();
  EXPECT_EQ(1, ran);
  EXPECT_EQ(std::vector<uint32_t>{7u}, replies);

  // Once cancelled, while the backend still rolls back, and after the end.
  controller_->OnWindowClosed();
  request();
  runner_.Notify([](InstallerObserver* observer) {
    observer->OnBackendProcessTerminated(RESULT_NOT_FINISHED);
  });
  base::RunLoop().RunUntilIdle();
  EXPECT_TRUE(quit_);
  request();
  base::RunLoop().RunUntilIdle();
  EXPECT_EQ(1, ran);
  EXPECT_EQ((std::vector<uint32_t>{7u, 1223u, 1223u}), replies);
}

// A window that cannot be created ends the run with result 1 instead of
// leaving a run loop nobody can end.
TEST_F(InstallerUIControllerTest, MissingWindowEndsTheRun) {
  StartController(nullptr, /*window_fails=*/true);
  EXPECT_TRUE(quit_);
  EXPECT_EQ(RESULT_GENERAL_FAILURE, controller_->result());
  EXPECT_EQ(0, runner_.run_count);
}

// Closing the window ends the run as not finished: result 20 (exit code
// 120), with cancel reason 1 sent. While the backend works, the window says
// that the run is being cancelled and the run ends only once the backend
// has ended: with its result (20 rolled back, 0 when it had finished), or,
// when it does not end in time, with 1.
TEST_F(InstallerUIControllerTest, ClosingTheWindowEndsTheRunOnceTheBackendHasEnded) {
  const struct {
    bool accepted;
    std::optional<InstallerResult> backend_end;
    InstallerResult result;
  } cases[] = {
      {false, std::nullopt, RESULT_NOT_FINISHED},
      {true, RESULT_NOT_FINISHED, RESULT_NOT_FINISHED},
      {true, RESULT_SUCCESS, RESULT_SUCCESS},
      {true, std::nullopt, RESULT_GENERAL_FAILURE},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.accepted << " " << c.backend_end.value_or(RESULT_COUNT));
    controller_.reset();
    quit_ = false;
    window_ = WindowRecord();
    InstallRecordingSender();
    StartController();
    controller_->set_stop_limit_for_testing(base::TimeDelta::FromMilliseconds(200));
    if (c.accepted)
      controller_->OnAcceptClicked();
    base::RunLoop().RunUntilIdle();
    const int stops = runner_.stop_count;
    controller_->OnWindowClosed();
    controller_->OnWindowClosed();
    base::RunLoop().RunUntilIdle();
    EXPECT_EQ(!c.accepted, quit_);
    EXPECT_EQ(c.accepted ? 1 : 0, window_.stopping);
    if (c.accepted) {
      EXPECT_GT(runner_.stop_count, stops);
      if (c.backend_end) {
        runner_.Notify([&c](InstallerObserver* observer) {
          // A run that had finished: its success came first.
          if (*c.backend_end == RESULT_SUCCESS)
            observer->OnInstallerSucceeded();
          observer->OnBackendProcessTerminated(*c.backend_end);
        });
      }
      base::RunLoop run_loop;
      base::ThreadTaskRunnerHandle::Get()->PostDelayedTask(
          FROM_HERE, run_loop.QuitClosure(), base::TimeDelta::FromMilliseconds(400));
      run_loop.Run();
    }
    EXPECT_TRUE(quit_);
    EXPECT_TRUE(window_.destroyed);
    EXPECT_EQ(c.result, controller_->result());
    EXPECT_EQ(std::vector<int>{kCancelReasonClosed}, CancelReasons());
  }
}

// Without SSE2 the only thing shown is the message box; its end is the
// window's end, as if the user had closed it, and nothing else starts.
TEST_F(InstallerUIControllerTest, NoSse2ShowsOnlyTheMessageBoxAndEndsAsClosed) {
  StartController(nullptr, /*window_fails=*/false, /*with_fetcher=*/true,
                  [](TestController* controller) { controller->sse2 = false; });
  EXPECT_EQ(std::vector<std::wstring>{L"37065$1"}, window_.message_boxes);
  EXPECT_TRUE(quit_);
  EXPECT_TRUE(controller_->terminated());
  EXPECT_FALSE(controller_->fetch_started());
  EXPECT_EQ(RESULT_NOT_FINISHED, controller_->result());
  EXPECT_TRUE(window_.errors.empty());
  EXPECT_EQ(0, runner_.run_count);
  // A late Accept finds the run over.
  controller_->OnAcceptClicked();
  EXPECT_EQ(0, runner_.run_count);
}

// Before Windows 7 Accept shows the unsupported-system page, which names
// no button (it offers no full installer), never launches the backend, and
// stays until the user closes the window.
TEST_F(InstallerUIControllerTest, BeforeWindows7AcceptShowsTheUnsupportedSystemPage) {
  for (base::win::Version version : {base::win::VERSION_XP, base::win::VERSION_VISTA}) {
    SCOPED_TRACE(static_cast<int>(version));
    controller_.reset();
    window_ = WindowRecord();
    quit_ = false;
    StartController(nullptr, /*window_fails=*/false, /*with_fetcher=*/false,
                    [version](TestController* controller) { controller->windows = version; });
    controller_->OnAcceptClicked();
    base::RunLoop().RunUntilIdle();
    ASSERT_EQ(1u, window_.errors.size());
    EXPECT_EQ(L"37064$1", window_.errors[0]);
    EXPECT_FALSE(window_.full_package_offers[0]);
    EXPECT_EQ(0, runner_.run_count);
    EXPECT_EQ(0, window_.progress_pages);
    EXPECT_FALSE(controller_->terminated());
    controller_->OnWindowClosed();
    base::RunLoop().RunUntilIdle();
    EXPECT_TRUE(quit_);
    EXPECT_EQ(RESULT_NOT_FINISHED, controller_->result());
  }
  // Windows 7 itself is supported.
  controller_.reset();
  window_ = WindowRecord();
  StartController(nullptr, /*window_fails=*/false, /*with_fetcher=*/false,
                  [](TestController* controller) { controller->windows = base::win::VERSION_WIN7; });
  controller_->OnAcceptClicked();
  base::RunLoop().RunUntilIdle();
  EXPECT_TRUE(window_.errors.empty());
  EXPECT_EQ(1, runner_.run_count);
}

// The first error page never offers the full package; a later one does
// when the package was to be downloaded or the failure came before the
// download, and never for an installer without a fetcher or one whose
// package came with it.
TEST_F(InstallerUIControllerTest, LaterErrorPageOffersTheFullPackage) {
  struct {
    const char* name;
    bool with_fetcher;
    std::vector<uint32_t> statuses;  // what the fetcher reported before Accept
    bool offered_later;
  } cases[] = {
      {"no fetcher", false, {}, false},
      {"before downloading", true, {}, true},
      {"package from the payload", true, {4}, false},
      {"downloaded package", true, {1, 2, 3, 4}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    payload_.Release();
    controller_.reset();
    payload_.Hold();
    window_ = WindowRecord();
    StartController(nullptr, /*window_fails=*/false, c.with_fetcher);
    ASSERT_EQ(c.with_fetcher, controller_->fetch_started());
    for (uint32_t status : c.statuses)
      controller_->OnPackageFetcherStatusChanged(status);
    controller_->OnAcceptClicked();
    base::RunLoop().RunUntilIdle();
    for (int attempt = 1; attempt <= 3; ++attempt) {
      ASSERT_EQ(attempt, runner_.run_count - runs_before_);
      PlayBackendFailure(RESULT_FILE_COPY_FAILED);
      base::RunLoop().RunUntilIdle();
      ASSERT_EQ(static_cast<size_t>(attempt), window_.errors.size());
      EXPECT_EQ(attempt > 1 && c.offered_later, window_.full_package_offers.back()) << attempt;
      controller_->OnRetryClicked();
      ASSERT_TRUE(env_.AnswerLatest());
      base::RunLoop().RunUntilIdle();
    }
    runs_before_ = runner_.run_count;
  }
}

TEST(InstallerUIControllerMessageIdTest, ResultsMapToTheirTexts) {
  // Indexed by result; a result past the table has no text.
  const uint32_t expected[] = {
      0,     37055, 37056, 37058, 37071, 37055, 37059, 37060, 37061, 37063, 37062, 37057, 37057,
      37055, 37055, 37055, 37055, 37055, 37055, 37055, 37055, 37055, 0,     37055, 37055, 0};
  for (uint32_t code = 0; code < std::size(expected); ++code)
    EXPECT_EQ(expected[code], InstallerUIController::MessageIdForResult(code)) << code;
  EXPECT_EQ(0u, InstallerUIController::MessageIdForResult(0xFFFFFFFFu));
}

class InstallerUIControllerUninstallTest : public InstallerUIControllerTest {
 protected:
  InstallerUIControllerUninstallTest() : InstallerUIControllerTest({L"--uninstall"}) {}
};

// A failed uninstall never says that installing failed: the texts that
// speak of installing become the uninstall failure; others stay.
TEST_F(InstallerUIControllerUninstallTest, FailedUninstallSpeaksOfUninstalling) {
  const struct {
    InstallerResult code;
    const wchar_t* text;
  } cases[] = {{RESULT_GENERAL_FAILURE, L"37056"},
               {RESULT_INVALID_PATH, L"37056"},
               {RESULT_INSUFFICIENT_PRIVILEGES, L"37056"},
               {RESULT_ELEVATION_FAILED, L"37061"},
               {RESULT_UNINSTALL_FAILED, L"37056"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    controller_.reset();
    window_ = WindowRecord();
    StartController(SettingsTestEnvironment::ExistingInstallation(env_.scratch().Append(L"Installed")));
    ASSERT_EQ(INSTALL_OPERATION_UNINSTALL, settings_->GetOperation());
    controller_->OnAcceptClicked();
    base::RunLoop().RunUntilIdle();
    PlayBackendFailure(c.code);
    base::RunLoop().RunUntilIdle();
    ASSERT_EQ(1u, window_.errors.size());
    EXPECT_EQ(c.text, window_.errors[0]);
  }
}

// Where nothing is installed the uninstall fails as the runner's check
// says (result 2, the uninstall's text), again after Retry, and never
// offers the full installer.
TEST_F(InstallerUIControllerUninstallTest, NothingToUninstallFailsWithoutAFullInstallerOffer) {
  StartController(nullptr, /*window_fails=*/false, /*with_fetcher=*/true);
  ASSERT_EQ(FOLDER_PROBLEM_NOTHING_TO_UNINSTALL, settings_->GetFolderProblem());
  runner_.run_result = RESULT_UNINSTALL_FAILED;
  controller_->OnAcceptClicked();
  base::RunLoop().RunUntilIdle();
  controller_->OnRetryClicked();
  ASSERT_TRUE(env_.AnswerLatest());
  base::RunLoop().RunUntilIdle();
  EXPECT_EQ((std::vector<std::wstring>{L"37056", L"37056"}), window_.errors);
  EXPECT_EQ((std::vector<bool>{false, false}), window_.full_package_offers);
  EXPECT_EQ(RESULT_UNINSTALL_FAILED, controller_->result());
}

// The progress page opens on the status of the phase the run is in (here
// the package is ready and its tracking data handled: installing), not on
// the one the window opened with.
TEST_F(InstallerUIControllerTest, ProgressPageShowsTheCurrentPhase) {
  StartController();
  controller_->OnAcceptClicked();
  base::RunLoop().RunUntilIdle();
  ASSERT_EQ(1, window_.progress_pages);
  EXPECT_EQ(std::vector<int>{5}, window_.phase_statuses);
}

class InstallerUIControllerAllUsersTest : public InstallerUIControllerTest {
 protected:
  InstallerUIControllerAllUsersTest() : InstallerUIControllerTest({L"--allusers=1"}) {}
};

// Elevation failing in an all-users install switches to a current-user
// install and runs the backend again, without an error page.
TEST_F(InstallerUIControllerAllUsersTest, ElevationFailureRestartsAsCurrentUser) {
  StartController();
  ASSERT_TRUE(settings_->GetAllUsers());
  controller_->OnAcceptClicked();
  base::RunLoop().RunUntilIdle();
  ASSERT_EQ(1, runner_.run_count);
  PlayBackendFailure(RESULT_ELEVATION_FAILED);
  base::RunLoop().RunUntilIdle();
  if (settings_->HasPendingFolderDetails()) {
    ASSERT_TRUE(env_.AnswerLatest());
    base::RunLoop().RunUntilIdle();
  }
  EXPECT_FALSE(settings_->GetAllUsers());
  EXPECT_EQ(2, runner_.run_count);
  EXPECT_TRUE(window_.errors.empty());
  EXPECT_FALSE(controller_->terminated());
}

}  // namespace
