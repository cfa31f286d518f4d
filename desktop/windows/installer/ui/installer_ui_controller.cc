#include "desktop/windows/installer/ui/installer_ui_controller.h"

#include <shellapi.h>

#include <utility>

#include "base/bind.h"
#include "base/command_line.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/threading/thread_task_runner_handle.h"
#include "base/win/windows_version.h"
#include "desktop/windows/installer/avro_stats/avro_stats_sender.h"
#include "desktop/windows/installer/avro_stats/installer_events.h"
#include "desktop/windows/installer/package_fetcher/package_fetcher.h"
#include "desktop/windows/installer/package_fetcher/payload_manager.h"
#include "desktop/windows/installer/package_fetcher/payload_type.h"
#include "desktop/windows/installer/runner/main_process_installer_runner.h"
#include "desktop/windows/installer/service/installation_folder_details.h"
#include "desktop/windows/installer/settings/settings_impl.h"
#include "desktop/windows/installer/ui/installer_ui_lock.h"
#include "desktop/windows/installer/ui/progress_calculator.h"
#include "desktop/windows/installer/utils/installer_architecture.h"
#include "desktop/windows/installer/utils/installer_session.h"
#include "desktop/windows/installer/utils/product_info.h"
#include "desktop/windows/installer/utils/security_util.h"
#include "desktop/windows/l10n_handler/l10n_handler.h"

namespace {

constexpr int32_t kEventLevel = 1;

enum MessageId : uint32_t {
  kDownloadFailed = 37053,
  kExtractionFailed = 37054,
  kInstallFailed = 37055,
  kUninstallFailed = 37056,
  kFolderInUse = 37057,
  kInvalidLocation = 37058,
  kFolderNotCreated = 37059,
  kNoPrivileges = 37060,
  kElevationFailed = 37061,
  kCopyFailed = 37062,
  kUninstallExeInUse = 37063,
  kUnsupportedOs = 37064,
  kNoSse2 = 37065,
  kInsufficientSpace = 37071,
};

// Indexed by the installer result; results beyond the table have no text.
constexpr uint32_t kResultMessages[] = {
    0,                  kInstallFailed,     kUninstallFailed,   kInvalidLocation,
    kInsufficientSpace, kInstallFailed,     kFolderNotCreated,  kNoPrivileges,
    kElevationFailed,   kUninstallExeInUse, kCopyFailed,        kFolderInUse,
    kFolderInUse,       kInstallFailed,     kInstallFailed,     kInstallFailed,
    kInstallFailed,     kInstallFailed,     kInstallFailed,     kInstallFailed,
    kInstallFailed,     kInstallFailed,     0,                  kInstallFailed,
    kInstallFailed,
};

// The system error code a cancelled operation answers with.
constexpr uint32_t kCancelledReply = ERROR_CANCELLED;
constexpr int kCancelReasonClosed = 1;
constexpr int kCancelReasonFullPackage = 2;

void SendEvent(std::unique_ptr<InstallerEvent> event) {
  GetAvroStatsSender()->Send(std::move(event));
}

}  // namespace

InstallerUIController::InstallerUIController(
    MainProcessInstallerRunner* runner,
    std::unique_ptr<ProgressCalculator> progress_calculator,
    SettingsImpl* settings)
    : InstallerController(settings, runner),
      progress_calculator_(std::move(progress_calculator)) {}

InstallerUIController::~InstallerUIController() {
  if (window_)
    window_->RemoveObserver(this);
  ObserveSettings(/*observe=*/false);
  if (observing_runner_)
    runner()->RemoveObserver(this);
  DestroyUi();
}

// static
uint32_t InstallerUIController::MessageIdForResult(uint32_t code) {
  return code < std::size(kResultMessages) ? kResultMessages[code] : 0;
}

void InstallerUIController::ObserveSettings(bool observe) {
  if (observe == observing_settings_)
    return;
  observing_settings_ = observe;
  if (observe)
    settings()->AddObserver(this);
  else
    settings()->RemoveObserver(this);
}

DWORD InstallerUIController::AcquireUiLock() {
  base::FilePath folder = lock_folder_;
  if (folder.empty())
    base::GetTempDir(&folder);
  ui_lock_ = std::make_unique<InstallerUiLock>(folder);
  return ui_lock_->Acquire();
}

InstallerResult InstallerUIController::Start(PayloadManager* payload_manager,
                                             const base::FilePath& download_folder,
                                             base::OnceClosure quit) {
  const DWORD owner = AcquireUiLock();
  if (owner != 0 && owner != GetCurrentThreadId()) {
    LOG(INFO) << "Another instance of the installer UI is running. Switching to it";
    RaiseOtherUi(owner);
    return RESULT_UI_ALREADY_RUNNING;
  }
  InstallerController::OnFlagChanged();
  const InstallerResult result =
      InstallerController::Start(payload_manager, download_folder, std::move(quit));
  if (result != RESULT_SUCCESS)
    return result;
  SendControllerLaunched(payload_manager);
  base::ThreadTaskRunnerHandle::Get()->PostTask(
      FROM_HERE,
      base::BindOnce(&InstallerUIController::Initialize, weak_factory_.GetWeakPtr()));
  return RESULT_SUCCESS;
}

void InstallerUIController::SendControllerLaunched(PayloadManager* payload_manager) {
  const std::string payload_type =
      payload_manager ? PayloadTypeToString(payload_manager->GetPayloadType()) : "none";
  SendEvent(std::make_unique<ControllerLaunchedEvent>(
      payload_type, tracking_text(), settings()->GetRunImmediately(), IsAutoupdate(), IsSilent(),
      base::WideToUTF8(InstallerSession::GetInstance()->command_line().GetCommandLineString()),
      base::WideToUTF8(ArchitectureToString16(settings()->GetArchitecture())), kEventLevel));
}

void InstallerUIController::Initialize() {
  LOG(INFO) << "Initializing installer UI";
  ObserveSettings(/*observe=*/true);
  runner()->AddObserver(this);
  observing_runner_ = true;
  window_ = CreateInstallerWindow();
  if (!window_) {
    OnInstallerError(RESULT_GENERAL_FAILURE, std::wstring(), "Could not initialize installer window");
    LOG(ERROR) << "Could not initialize installer window";
    // Without a window nobody could ever end the run.
    Finish();
    return;
  }
  window_->AddObserver(this);
  if (!fetcher())
    EnterPhase(4);
  if (!ProcessorSupportsSse2()) {
    LOG(ERROR) << "SSE2 not supported by the computer";
    window_->ShowMessageBox(GetString(kNoSse2));
    return;
  }
  if (fetcher()) {
    if (InstallerSession::GetInstance()->IsFixDownloadableResources()) {
      FixDownloadableResources();
    } else {
      LOG(INFO) << "Starting the package fetcher";
      set_fetch_started();
      fetcher()->Restart();
    }
  }
  if (!terminated() && !settings()->HasPendingFolderDetails())
    OnPathChanged();
}

void InstallerUIController::OnPathChanged() {
  InstallerController::OnPathChanged();
  VLOG(1) << "New status obtained";
  if (phase_ == 7 && tracking_text().empty()) {
    VLOG(1) << "Need to handle tracking data from new path";
    EnterPhase(4);
  }
  if (settings()->GetRunImmediately() || accept_pending_) {
    VLOG(1) << "runimmediately set or Accept already clicked";
    accept_pending_ = false;
    base::ThreadTaskRunnerHandle::Get()->PostTask(
        FROM_HERE,
        base::BindOnce(&InstallerUIController::OnAcceptClicked, weak_factory_.GetWeakPtr()));
  }
  if (!initial_settings_sent_) {
    initial_settings_sent_ = true;
    SendEvent(std::make_unique<InitialSettingsGatheredEvent>(settings()->GetSummary(), kEventLevel));
  }
  if (InstallerSession::GetInstance()->IsFixDownloadableResources())
    FixDownloadableResources();
}

void InstallerUIController::OnAcceptClicked() {
  LOG(INFO) << "Accept clicked.";
  if (terminated())
    return;
  if (backend_running_) {
    LOG(INFO) << "Installation already in progress.";
    return;
  }
  if (settings()->HasPendingFolderDetails()) {
    LOG(INFO) << "Still waiting for status";
    accept_pending_ = true;
    return;
  }
  if (phase_ == 4) {
    VLOG(1) << "Tracking data is ready for handling";
    RunTrackingDataActions();
  }
  SendEvent(std::make_unique<SettingsAcceptedEvent>(settings()->GetSummary(), kEventLevel));
  if (GetWindowsVersion() < base::win::VERSION_WIN7) {
    // The page offers no full installer: its text names no button.
    window_->ShowError(GetString(kUnsupportedOs), /*offer_full_package=*/false,
                       "This version of Tarvo doesn't support windows versions prior to Windows 7");
    return;
  }
  ObserveSettings(/*observe=*/false);
  backend_running_ = true;
  if (pending_error_) {
    LOG(INFO) << "An error is pending. Show it first.";
    HandlePendingError();
    return;
  }
  RunBackend();
}

void InstallerUIController::RunBackend() {
  if (!RunBackendProcess()) {
    HandlePendingError();
    return;
  }
  backend_alive_ = true;
  if (pending_fetcher_request_) {
    LOG(INFO) << "Running pending fetcher callback.";
    std::move(pending_fetcher_request_).Run(/*run=*/true);
  }
  if (restart_fetching_ && fetcher()) {
    LOG(INFO) << "Restarting fetching after background tries failed.";
    restart_fetching_ = false;
    EnterPhase(0);
    fetcher()->Restart();
  }
  if (window_) {
    window_->ShowProgressPage();
    // The status line still shows what it showed when the window opened.
    window_->ShowPhaseStatus(phase_);
  }
}

void InstallerUIController::OnRetryClicked() {
  accept_pending_ = true;
  settings()->RefreshFolderDetails();
}

void InstallerUIController::OnFullPackageRequested() {
  LOG(INFO) << "Obtaining full package";
  std::string url = ProductInfo::GetUrl("download_full_windows");
  const std::string channel = product_info::GetChannelName();
  if (channel != "stable")
    url += "&product=" + product_info::GetProductName() + "%20" + channel;
  OpenFullPackage(base::UTF8ToWide(url));
  SendEvent(std::make_unique<InstallationCancelledEvent>(kCancelReasonFullPackage, kEventLevel));
  Finish();
}

// The installation that handles "http" opens the page in Internet
// Explorer; where that is not installed the default handler gets it.
void InstallerUIController::OpenFullPackage(const std::wstring& url) {
  const InstallationFolderDetails* details = settings()->GetFolderDetails();
  if (details && details->IsHttpHandler()) {
    if (InternetExplorerExists()) {
      LOG(INFO) << "Downloading full package with IE";
      if (ShellOpen(L"%ProgramFiles%\\Internet Explorer\\iexplore.exe", url))
        return;
    }
    LOG(ERROR) << "Internet Explorer cannot open the full package page";
  }
  LOG(INFO) << "Downloading full package with default browser";
  if (!ShellOpen(url, std::wstring()))
    LOG(ERROR) << "Failed to open the full package page";
}

void InstallerUIController::OnWindowClosed() {
  if (stopping_)
    return;
  SendEvent(std::make_unique<InstallationCancelledEvent>(kCancelReasonClosed, kEventLevel));
  if (backend_alive_) {
    StopBackendAndFinish();
    return;
  }
  Finish();
}

// "Cancelled" is true only once the backend has undone its work: until it
// has ended the window stays, saying that the run is being cancelled.
void InstallerUIController::StopBackendAndFinish() {
  LOG(INFO) << "Waiting for the installer backend to roll back and end";
  stopping_ = true;
  if (window_)
    window_->ShowStopping();
  runner()->Stop();
  base::ThreadTaskRunnerHandle::Get()->PostDelayedTask(
      FROM_HERE,
      base::BindOnce(&InstallerUIController::OnStopLimitReached, weak_factory_.GetWeakPtr()),
      stop_limit_);
}

void InstallerUIController::OnStopLimitReached() {
  if (terminated())
    return;
  InstallerController::OnInstallerError(RESULT_GENERAL_FAILURE, std::wstring(),
                                        "The installer backend did not end after the cancel");
  Finish();
}

void InstallerUIController::OnPackageFetcherStatusChanged(uint32_t status) {
  switch (status) {
    case PackageFetcherDelegate::kFetchingDownloadUrl:
      LOG(INFO) << "Package will be downloaded.";
      package_will_be_downloaded_ = true;
      EnterPhase(0);
      break;
    case PackageFetcherDelegate::kDownloadUrlReceived:
      EnterPhase(1);
      break;
    case PackageFetcherDelegate::kFetchingAdditionalContent:
      EnterPhase(3);
      break;
    case PackageFetcherDelegate::kPackageReady:
      LOG(INFO) << "Package fetched successfully.";
      EnterPhase(4);
      if (backend_running_) {
        VLOG(1) << "Got tracking data from status.";
        RunTrackingDataActions();
      }
      break;
    default:
      break;
  }
}

void InstallerUIController::OnTrackingDataActionsDone() {
  InstallerController::OnTrackingDataActionsDone();
  EnterPhase(5);
}

// Its own fetch phases go to the calculator too: otherwise the bar would
// stay in phase 0 for the whole download.
void InstallerUIController::EnterPhase(int phase) {
  OnEnteringPhase(phase);
  if (progress_calculator_)
    progress_calculator_->OnEnteringPhase(phase);
}

void InstallerUIController::OnEnteringPhase(int phase) {
  phase_ = phase;
  if (window_ && backend_running_)
    window_->ShowPhaseStatus(phase);
  if (progress_calculator_)
    progress_calculator_->Refresh();
}

void InstallerUIController::OnPackageFetcherError(uint32_t kind,
                                                  std::string message,
                                                  std::vector<FetchStatistics> fetch_details) {
  LOG(ERROR) << "Package fetcher failed.";
  if (fetcher() && fetcher()->RetryFetch()) {
    EnterPhase(0);
    return;
  }
  restart_fetching_ = true;
  if (!backend_running_) {
    LOG(WARNING) << "Exceeded maximum number of fetcher retries,"
                 << " we won't retry until user decides to.";
    return;
  }
  LOG(INFO) << "Reporting fetcher error.";
  InstallerController::OnPackageFetcherError(kind, std::move(message), std::move(fetch_details));
  ReportError(kind == PackageFetcherDelegate::kVersionError ? kExtractionFailed : kDownloadFailed,
              std::wstring(), "Fetcher error");
}

void InstallerUIController::SetTotalProgress(uint32_t bytes) {
  if (progress_calculator_)
    progress_calculator_->SetTotalProgress(bytes);
}

void InstallerUIController::SetCurrentProgress(uint32_t bytes) {
  if (progress_calculator_)
    progress_calculator_->SetCurrentProgress(bytes);
}

void InstallerUIController::NotifyStalled() {}

void InstallerUIController::OnInstallerError(InstallerResult code,
                                             const std::wstring& message,
                                             const std::string& detail) {
  InstallerController::OnInstallerError(code, message, detail);
  ReportError(MessageIdForError(code), message, detail);
}

// A failed uninstall is told as such, never as a failed installation.
uint32_t InstallerUIController::MessageIdForError(InstallerResult code) {
  const uint32_t id = MessageIdForResult(code);
  if (!settings()->IsUninstallSession())
    return id;
  switch (id) {
    case kInstallFailed:
    case kInvalidLocation:
    case kNoPrivileges:
      return kUninstallFailed;
    default:
      return id;
  }
}

void InstallerUIController::ReportError(uint32_t id,
                                        const std::wstring& replacement,
                                        const std::string& detail) {
  LOG(ERROR) << "Reporting error " << id;
  pending_error_ = std::make_unique<PendingError>(PendingError{id, replacement, detail});
  runner()->Stop();
}

void InstallerUIController::OnBackendProcessTerminated(InstallerResult code) {
  InstallerController::OnBackendProcessTerminated(code);
  LOG(INFO) << "Installer termination reported";
  backend_alive_ = false;
  if (terminated()) {
    LOG(INFO) << "UI already terminated";
    return;
  }
  if (stopping_) {
    // Its exit code says how the cancel ended: rolled back (20), or done
    // before the cancel reached it (0).
    LOG(INFO) << "The installer backend has ended after the cancel";
    Finish();
    return;
  }
  if (code == RESULT_SUCCESS) {
    LOG(INFO) << "Installer terminated successfully. Finishing.";
    Finish();
    return;
  }
  if (!pending_error_) {
    const char* detail =
        settings()->IsUninstallSession()
            ? "Unreported uninstaller error." : "Unreported installer error.";
    LOG(ERROR) << detail;
    OnInstallerError(code, std::wstring(), detail);
  }
  base::ThreadTaskRunnerHandle::Get()->PostDelayedTask(
      FROM_HERE,
      base::BindOnce(&InstallerUIController::HandlePendingError, weak_factory_.GetWeakPtr()),
      pending_error_delay_);
}

void InstallerUIController::HandlePendingError() {
  // A second request for the same error (or one after the end) has
  // nothing left to show.
  if (!pending_error_ || terminated())
    return;
  LOG(INFO) << "Handling pending error";
  backend_running_ = false;
  settings()->SetEditable(true);
  ObserveSettings(/*observe=*/true);
  if (OfferCurrentUserInstall())
    return;
  // A full installer mends no uninstall (and the uninstall page has no
  // text for the offer).
  const bool offer_full_package = error_shown_before_ && fetcher() &&
                                  (phase_ < 2 || package_will_be_downloaded_) &&
                                  !settings()->IsUninstallSession();
  error_shown_before_ = true;
  std::unique_ptr<PendingError> error = std::move(pending_error_);
  const std::wstring text = GetStringWithReplacement(error->id, error->replacement);
  if (window_)
    window_->ShowError(text, offer_full_package, error->detail);
}

bool InstallerUIController::OfferCurrentUserInstall() {
  SettingsImpl* const settings = this->settings();
  if (pending_error_->id != kElevationFailed ||
      settings->GetOperation() != INSTALL_OPERATION_INSTALL || !settings->GetAllUsers()) {
    return false;
  }
  base::FilePath default_folder;
  settings->GetDefaultInstallFolder(&default_folder,
                                    DEFAULT_FOLDER_REGISTRY | DEFAULT_FOLDER_STANDARD);
  const bool is_default = base::EqualsCaseInsensitiveASCII(
      default_folder.value(), settings->GetInstallFolderPath().value());
  const InstallationFolderDetails* details = settings->GetFolderDetails();
  if (!is_default && !(details && details->HasWriteAccess()))
    return false;
  LOG(INFO) << "Offering the user to switch to a Current User install";
  settings->SetAllUsers(false);
  if (is_default && GetSecurityUtil()->NeedsElevation(
                        /*all_users=*/false, details && details->HasWriteAccess())) {
    base::FilePath standard;
    settings->GetDefaultInstallFolder(&standard, DEFAULT_FOLDER_STANDARD);
    settings->SetInstallFolderPath(standard);
  }
  pending_error_.reset();
  OnAcceptClicked();
  return true;
}

void InstallerUIController::RunUICallbackAndPostReply(
    UICallback callback,
    base::scoped_refptr<base::SingleThreadTaskRunner> reply_runner,
    Reply reply) {
  LOG(INFO) << "Obtained UI callback request from fetcher";
  if (terminated() || stopping_) {
    LOG(INFO) << "UI has been terminated already.";
    reply_runner->PostTask(FROM_HERE, base::BindOnce(std::move(reply), kCancelledReply));
    return;
  }
  base::OnceCallback<void(bool)> request = base::BindOnce(
      [](base::WeakPtr<InstallerUIController> self, UICallback callback,
         base::scoped_refptr<base::SingleThreadTaskRunner> reply_runner, Reply reply, bool run) {
        // A replaced request, or one that outlived the UI, is answered as
        // cancelled.
        const uint32_t answer = run && self && self->window_
                                    ? std::move(callback).Run(self->window_->GetHandle())
                                    : kCancelledReply;
        reply_runner->PostTask(FROM_HERE, base::BindOnce(std::move(reply), answer));
      },
      weak_factory_.GetWeakPtr(), std::move(callback), reply_runner, std::move(reply));
  if (!backend_running_ || pending_error_) {
    LOG(INFO) << "Store callback information for later.";
    // An older request must still get an answer.
    if (pending_fetcher_request_)
      std::move(pending_fetcher_request_).Run(/*run=*/false);
    pending_fetcher_request_ = std::move(request);
    return;
  }
  LOG(INFO) << "Run the callback at once.";
  std::move(request).Run(/*run=*/true);
}

void InstallerUIController::Finish() {
  Terminate();
  if (window_)
    window_->RemoveObserver(this);
  if (!backend_running_)
    ObserveSettings(/*observe=*/false);
  // The window may be in its own dialog procedure now: destroy it later.
  base::ThreadTaskRunnerHandle::Get()->PostTask(
      FROM_HERE, base::BindOnce(&InstallerUIController::DestroyUi, weak_factory_.GetWeakPtr()));
}

// The window shows the calculator's progress until its end: the calculator
// goes after it.
void InstallerUIController::DestroyUi() {
  window_.reset();
  progress_calculator_.reset();
}

std::unique_ptr<InstallerWindow> InstallerUIController::CreateInstallerWindow() {
  return InstallerWindow::Create(settings(), progress_calculator_.get());
}

bool InstallerUIController::ShellOpen(const std::wstring& file, const std::wstring& parameters) {
  SHELLEXECUTEINFOW info = {sizeof(info)};
  info.fMask = SEE_MASK_DOENVSUBST;
  info.lpVerb = L"open";
  info.lpFile = file.c_str();
  info.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
  info.nShow = SW_SHOWNORMAL;
  return ShellExecuteExW(&info) != FALSE;
}

bool InstallerUIController::InternetExplorerExists() {
  wchar_t path[MAX_PATH];
  const DWORD length = ExpandEnvironmentStringsW(
      L"%ProgramFiles%\\Internet Explorer\\iexplore.exe", path, MAX_PATH);
  return length > 0 && length <= MAX_PATH && base::PathExists(base::FilePath(path));
}

void InstallerUIController::RaiseOtherUi(DWORD thread_id) {
  if (!InstallerUiLock::RaiseWindowOfThread(thread_id))
    LOG(WARNING) << "The other installer UI has no window to raise";
}

base::win::Version InstallerUIController::GetWindowsVersion() {
  return base::win::GetVersion();
}

bool InstallerUIController::ProcessorSupportsSse2() {
  return IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE) != FALSE;
}

std::wstring InstallerUIController::GetString(uint32_t id) {
  return GetLocalizedString(static_cast<int>(id));
}

std::wstring InstallerUIController::GetStringWithReplacement(uint32_t id,
                                                             const std::wstring& replacement) {
  std::wstring text = GetString(id);
  const size_t at = text.find(L"$1");
  if (at != std::wstring::npos)
    text.replace(at, 2, replacement);
  return text;
}
