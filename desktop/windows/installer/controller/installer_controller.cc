#include "desktop/windows/installer/controller/installer_controller.h"

#include <utility>

#include "base/bind.h"
#include "base/features/feature_registry.h"
#include "base/logging.h"
#include "base/path_service.h"
#include "base/strings/utf_string_conversions.h"
#include "base/threading/thread_task_runner_handle.h"
#include "desktop/windows/installer/avro_stats/avro_stats_sender.h"
#include "desktop/windows/installer/avro_stats/installer_events.h"
#include "desktop/windows/installer/checksum_checker/downloadable_resources.h"
#include "desktop/windows/installer/common/file_version_utils_impl.h"
#include "desktop/windows/installer/lzma_util/lzma_util.h"
#include "desktop/windows/installer/package_fetcher/package_fetcher.h"
#include "desktop/windows/installer/package_fetcher/package_fetcher_parts_impl.h"
#include "desktop/windows/installer/package_fetcher/pref_default_overrides_fetcher.h"
#include "desktop/windows/installer/runner/main_process_installer_runner.h"
#include "desktop/windows/installer/service/installation_folder_details.h"
#include "desktop/windows/installer/service/installation_status.h"
#include "desktop/windows/installer/settings/settings_impl.h"
#include "desktop/windows/installer/steps/step_names.h"
#include "desktop/windows/installer/utils/app_output_runner.h"
#include "desktop/windows/installer/utils/installer_error_record.h"
#include "desktop/windows/installer/utils/installer_features.h"
#include "desktop/windows/installer/utils/installer_session.h"
#include "desktop/windows/installer/utils/product_info.h"
#include "desktop/windows/installer/utils/server_tracking_blob.h"

namespace {

constexpr int32_t kEventLevel = 1;
constexpr int32_t kAutoupdateFailedLevel = 0;

void SendEvent(std::unique_ptr<InstallerEvent> event) {
  GetAvroStatsSender()->Send(std::move(event));
}

}  // namespace

InstallerController::InstallerController(SettingsImpl* settings,
                                         MainProcessInstallerRunner* runner)
    : settings_(settings), runner_(runner) {
  DCHECK(settings_);
  DCHECK(runner_);
}

InstallerController::~InstallerController() = default;

InstallerResult InstallerController::Start(PayloadManager* payload_manager,
                                           const base::FilePath& download_folder,
                                           base::OnceClosure quit) {
  quit_ = std::move(quit);
  without_fetcher_ = payload_manager == nullptr;
  tracking_text_ = GetSessionTrackingData()->Serialize();
  base::FilePath package_folder;
  if (without_fetcher_) {
    VLOG(1) << "Initializing controller without fetcher.";
    base::PathService::Get(base::DIR_EXE, &package_folder);
    runner_->SetPackagePaths(package_folder, base::FilePath());
  } else {
    VLOG(1) << "Initializing controller with fetcher.";
    CreateFetcher(payload_manager, download_folder);
    package_folder = fetcher_->package_folder();
    runner_->SetPackagePaths(package_folder, fetcher_->assistant_folder());
  }
  InstallerSession::GetInstance()->SetPackageDir(package_folder);
  overrides_fetcher_ = std::make_unique<PrefDefaultOverridesFetcher>(package_folder, this);
  return RESULT_SUCCESS;
}

// Made but not started: the derived controller decides when.
void InstallerController::CreateFetcher(PayloadManager* payload_manager,
                                        const base::FilePath& download_folder) {
  auto parts = std::make_unique<PackageFetcherPartsImpl>(std::make_unique<FileVersionUtilsImpl>(
                                                             std::make_unique<AppOutputRunnerImpl>()),
                                                         std::make_unique<LzmaUtil>());
  fetcher_ = std::make_unique<PackageFetcher>(
      download_folder, std::move(parts), this, this, payload_manager,
      settings_->GetArchitecture(), settings_->GetInstallAssistant(), tracking_text_);
  if (features::IsFeatureEnabled(kInstallerUseMinimalPackage)) {
    fetcher_->SetNeededDownloadableResources(GetNeededDownloadableResources());
  }
}

std::vector<std::string> InstallerController::GetNeededDownloadableResources() const {
  return GetResourceFilesToFetch(base::WideToUTF8(settings_->GetLanguage()), monitor_scale_ids_);
}

bool InstallerController::SettingsComplete() const {
  return settings_->GetFolderDetails() && !settings_->HasPendingFolderDetails();
}

bool InstallerController::RunBackendProcess() {
  const InstallerResult result = runner_->Run(settings_);
  if (result == RESULT_SUCCESS)
    return true;
  LOG(ERROR) << "Failed to run the backend. Show whatever error was reported";
  uint32_t code = result;
  std::string detail;
  std::wstring message;
  if (HasInstallerErrorRecord())
    GetInstallerError(&code, &detail, &message);
  // A record that holds no failure still must not turn a failed launch
  // into success.
  if (code == RESULT_SUCCESS)
    code = result;
  OnInstallerError(static_cast<InstallerResult>(code), message, detail);
  return false;
}

void InstallerController::Terminate() {
  LOG(INFO) << "Terminating the controller";
  if (terminated_) {
    VLOG(2) << "Controller already terminated";
    return;
  }
  terminated_ = true;
  // Its file lies in the package folder: the request is abandoned (and the
  // file removed) before the fetcher removes that folder, which an open
  // file would keep.
  overrides_fetcher_.reset();
  fetcher_.reset();
  runner_->Stop();
  SendFinalStatistics();
  GetAvroStatsSender()->SendPendingAndShutdown(
      base::BindOnce(&InstallerController::Quit, weak_factory_.GetWeakPtr()));
  // A flush that never reports back must not keep the run alive.
  if (quit_ && base::ThreadTaskRunnerHandle::IsSet()) {
    base::ThreadTaskRunnerHandle::Get()->PostDelayedTask(
        FROM_HERE, base::BindOnce(&InstallerController::Quit, weak_factory_.GetWeakPtr()),
        flush_limit_);
  }
}

void InstallerController::SendFinalStatistics() {
  if (result_ != RESULT_SUCCESS && IsAutoupdate()) {
    SendEvent(std::make_unique<AutoupdateFailedEvent>(
        error_detail_ + ", Error type: " + std::to_string(result_), fetch_records_,
        settings_->GetSummary(), product_info::GetVersion(),
        product_info::GetChannelName(), kAutoupdateFailedLevel));
  }
  SendEvent(std::make_unique<ControllerQuittingEvent>(result_ == RESULT_SUCCESS, kEventLevel));
}

void InstallerController::Quit() {
  if (quit_)
    std::move(quit_).Run();
}

void InstallerController::RunTrackingDataActions() {
  if (terminated_)
    return;
  const InstallOperation operation = settings_->GetOperation();
  if (operation != INSTALL_OPERATION_INSTALL && operation != INSTALL_OPERATION_UPGRADE) {
    OnTrackingDataActionsDone();
    return;
  }
  std::string tracking = tracking_text_;
  if (tracking.empty() && settings_->GetFolderDetails())
    tracking = settings_->GetFolderDetails()->GetServerTrackingData();
  overrides_fetcher_->Fetch(tracking,
                            base::BindOnce(&InstallerController::OnTrackingDataActionsDone,
                                           weak_factory_.GetWeakPtr()));
}

void InstallerController::OnTrackingDataActionsDone() {
  VLOG(2) << "Tracking data actions done: package complete.";
  runner_->OnPackageReady();
}

void InstallerController::FixDownloadableResources() {
  if (fetch_started_ || !SettingsComplete())
    return;
  const InstallationFolderDetails* details = settings_->GetFolderDetails();
  const InstallationStatus* existing = details->GetExistingInstallation();
  if (!details->HasExistingInstallation() || !existing ||
      !IsRecordedSubfolderSafe(existing->subfolder)) {
    // Nothing would ever fetch the package the backend waits for.
    fetch_started_ = true;
    OnInstallerError(RESULT_GENERAL_FAILURE, std::wstring(),
                     "No installation to fix the downloadable resources of in " +
                         base::WideToUTF8(details->GetPath().value()));
    return;
  }
  fetch_started_ = true;
  // Inside an unpacked package everything is here already.
  if (!fetcher_)
    return;
  const base::FilePath versioned_folder = details->GetPath().Append(existing->subfolder);
  std::vector<std::string> missing = FindMissingDownloadableResources(versioned_folder);
  if (missing.empty()) {
    // Nothing to fetch: no request may keep the repair waiting (offline it
    // would retry for hours), and the package folder stays empty.
    LOG(INFO) << "Every downloadable resource is in place; nothing to fetch";
    OnPackageFetcherStatusChanged(PackageFetcherDelegate::kPackageReady);
    return;
  }
  fetcher_->SetNeededDownloadableResources(std::move(missing));
  fetcher_->FetchDownloadableResourcesOnly();
  fetcher_->Restart();
}

void InstallerController::OnFlagChanged() {
  if (!settings_->HasPendingFolderDetails())
    GetAvroStatsSender()->SetTrafficAllowed(settings_->GetEnableInstallerStats());
}

void InstallerController::OnPathChanged() {
  GetAvroStatsSender()->SetTrafficAllowed(settings_->GetEnableInstallerStats());
}

void InstallerController::OnLanguageChanged() {
  if (fetcher_ && features::IsFeatureEnabled(kInstallerUseMinimalPackage)) {
    fetcher_->SetNeededDownloadableResources(GetNeededDownloadableResources());
  }
}

void InstallerController::OnStepStarting(const std::string& step_name) {
  if (IsCopyFileStepName(step_name) || IsMoveFileStepName(step_name) ||
      IsDirectUnpackingEvent(step_name)) {
    return;
  }
  SendEvent(std::make_unique<InstallerStepStartingEvent>(step_name, kEventLevel));
}

void InstallerController::OnStepFinished(const std::string& step_name,
                                         int attempt,
                                         int /*completed*/) {
  if (IsCopyFileStepName(step_name) || IsMoveFileStepName(step_name) ||
      IsDirectUnpackingEvent(step_name)) {
    return;
  }
  SendEvent(std::make_unique<InstallerStepFinishedEvent>(step_name, attempt, kEventLevel));
}

void InstallerController::OnInstallerError(InstallerResult code,
                                           const std::wstring& /*message*/,
                                           const std::string& detail) {
  LOG(ERROR) << "Installer error: " << detail;
  SendEvent(std::make_unique<ErrorEvent>(detail, kEventLevel));
  error_detail_ = detail;
  // An error is never a success, whatever code it carries.
  result_ = code == RESULT_SUCCESS ? RESULT_GENERAL_FAILURE : code;
}

void InstallerController::OnInstallerSucceeded() {
  VLOG(2) << "Installer succeeded";
  result_ = RESULT_SUCCESS;
}

void InstallerController::OnBackendProcessTerminated(InstallerResult code) {
  // Success is only ever what the runner reports as one (the run's success
  // and then the backend's own end with 0): an end with 0 alone, or one that
  // left the run unfinished, keeps what was recorded, 20 when nothing was.
  // So does a backend that merely exited with 1, or with a code outside the
  // known ranges. One that failed after the fetch did (it was waiting for
  // the package, and was stopped) keeps the fetch's failure, whichever of
  // the two is heard first.
  if (code == RESULT_SUCCESS || code == RESULT_NOT_FINISHED ||
      code == RESULT_CHILD_EXIT_CODE_1 || code == RESULT_CHILD_UNKNOWN_EXIT ||
      result_ == RESULT_PACKAGE_FETCHER_FAILED) {
    if (result_ == RESULT_NOT_FINISHED && error_detail_.empty())
      error_detail_ = "The installer backend ended without reporting success or failure";
    return;
  }
  result_ = code;
}

void InstallerController::OnPackageFetcherError(uint32_t /*kind*/,
                                                std::string message,
                                                std::vector<FetchStatistics> fetch_details) {
  SendEvent(std::make_unique<ErrorEvent>("Fetcher error", kEventLevel));
  result_ = RESULT_PACKAGE_FETCHER_FAILED;
  error_detail_ = "Fetcher error: " + message;
  fetch_records_ = std::move(fetch_details);
}
