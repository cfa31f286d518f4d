#include "desktop/windows/installer/controller/silent_installer_controller.h"

#include <windows.h>

#include <utility>

#include "base/bind.h"
#include "base/command_line.h"
#include "base/logging.h"
#include "base/strings/utf_string_conversions.h"
#include "base/threading/thread_task_runner_handle.h"
#include "base/win/windows_version.h"
#include "desktop/windows/installer/avro_stats/avro_stats_sender.h"
#include "desktop/windows/installer/avro_stats/installer_events.h"
#include "desktop/windows/installer/package_fetcher/package_fetcher.h"
#include "desktop/windows/installer/utils/test_hooks.h"
#include "desktop/windows/installer/package_fetcher/payload_manager.h"
#include "desktop/windows/installer/package_fetcher/payload_type.h"
#include "desktop/windows/installer/runner/main_process_installer_runner.h"
#include "desktop/windows/installer/service/installation_folder_details.h"
#include "desktop/windows/installer/settings/settings_flag.h"
#include "desktop/windows/installer/settings/settings_impl.h"
#include "desktop/windows/installer/utils/canonical_folder.h"
#include "desktop/windows/installer/utils/installer_architecture.h"
#include "desktop/windows/installer/utils/installer_session.h"
#include "desktop/windows/installer/utils/security_util.h"

namespace {

constexpr int32_t kEventLevel = 1;

}  // namespace

SilentInstallerController::SilentInstallerController(MainProcessInstallerRunner* runner,
                                                     SettingsImpl* settings)
    : InstallerController(settings, runner) {}

SilentInstallerController::~SilentInstallerController() {
  settings()->RemoveObserver(this);
  if (observing_runner_)
    runner()->RemoveObserver(this);
}

void SilentInstallerController::RunUICallbackAndPostReply(
    UICallback /*callback*/,
    base::scoped_refptr<base::SingleThreadTaskRunner> reply_runner,
    Reply reply) {
  LOG(ERROR) << "Cannot display UI requested by fetcher when running silently";
  reply_runner->PostTask(FROM_HERE, base::BindOnce(std::move(reply), 0u));
}

InstallerResult SilentInstallerController::Start(PayloadManager* payload_manager,
                                                 const base::FilePath& download_folder,
                                                 base::OnceClosure quit) {
  settings()->AddObserver(this);
  const base::TimeDelta test_stall_limit = GetTestSwitchSeconds(
      TestHook::kFetchStallLimit, InstallerSession::GetInstance()->command_line());
  if (!test_stall_limit.is_zero())
    fetch_stall_limit_ = test_stall_limit;
  const InstallerResult result =
      InstallerController::Start(payload_manager, download_folder, std::move(quit));
  if (result != RESULT_SUCCESS)
    return result;
  if (fetcher()) {
    if (InstallerSession::GetInstance()->IsFixDownloadableResources()) {
      FixDownloadableResources();
    } else {
      set_fetch_started();
      fetcher()->Restart();
    }
    WatchFetch();
  } else {
    tracking_data_from_package_ = true;
  }
  SendControllerLaunched(payload_manager);
  runner()->AddObserver(this);
  observing_runner_ = true;

  base::scoped_refptr<base::SingleThreadTaskRunner> task_runner =
      base::ThreadTaskRunnerHandle::Get();
  if (SettingsComplete()) {
    task_runner->PostTask(FROM_HERE, base::BindOnce(&SilentInstallerController::OnPathChanged,
                                                    weak_factory_.GetWeakPtr()));
  }
  // Folder details that never arrive must not keep the run waiting.
  task_runner->PostDelayedTask(FROM_HERE,
                               base::BindOnce(&SilentInstallerController::OnSettingsLimit,
                                              weak_factory_.GetWeakPtr()),
                               settings_limit_);
  return RESULT_SUCCESS;
}

void SilentInstallerController::SendControllerLaunched(PayloadManager* payload_manager) {
  const std::string payload_type =
      payload_manager ? PayloadTypeToString(payload_manager->GetPayloadType()) : "none";
  GetAvroStatsSender()->Send(std::make_unique<ControllerLaunchedEvent>(
      payload_type, tracking_text(), /*run_immediately=*/true, IsAutoupdate(),
      /*silent=*/true,
      base::WideToUTF8(InstallerSession::GetInstance()->command_line().GetCommandLineString()),
      base::WideToUTF8(ArchitectureToString16(settings()->GetArchitecture())), kEventLevel));
}

void SilentInstallerController::OnSettingsLimit() {
  if (backend_started_ || terminated())
    return;
  OnInstallerError(RESULT_GENERAL_FAILURE, std::wstring(),
                   "The installation settings were not complete in time");
}

void SilentInstallerController::WatchFetch() {
  // Only a fetch this run waits for: none, or a package already here, is not watched.
  if (!fetcher() || !fetch_started() || tracking_data_from_package_)
    return;
  NoteFetchActivity();
  if (watching_fetch_)
    return;
  watching_fetch_ = true;
  base::ThreadTaskRunnerHandle::Get()->PostDelayedTask(
      FROM_HERE,
      base::BindOnce(&SilentInstallerController::CheckFetchProgress, weak_factory_.GetWeakPtr()),
      fetch_stall_limit_);
}

void SilentInstallerController::NoteFetchActivity() {
  last_fetch_activity_ = base::TimeTicks::Now();
}

void SilentInstallerController::CheckFetchProgress() {
  if (!watching_fetch_ || terminated())
    return;
  const base::TimeDelta quiet = base::TimeTicks::Now() - last_fetch_activity_;
  if (quiet < fetch_stall_limit_) {
    base::ThreadTaskRunnerHandle::Get()->PostDelayedTask(
        FROM_HERE,
        base::BindOnce(&SilentInstallerController::CheckFetchProgress,
                       weak_factory_.GetWeakPtr()),
        fetch_stall_limit_ - quiet);
    return;
  }
  FailFetch(PackageFetcherDelegate::kFetchError,
            "No progress for " + std::to_string(fetch_stall_limit_.InSeconds()) + " seconds",
            std::vector<FetchStatistics>());
}

void SilentInstallerController::FailFetch(uint32_t kind,
                                          std::string message,
                                          std::vector<FetchStatistics> fetch_details) {
  watching_fetch_ = false;
  VLOG(1) << "Package fetcher failed.";
  InstallerController::OnPackageFetcherError(kind, std::move(message), std::move(fetch_details));
  Terminate();
}

void SilentInstallerController::OnPathChanged() {
  InstallerController::OnPathChanged();
  if (backend_started_ || terminated() || !SettingsComplete())
    return;
  if (AdjustForNoElevation())
    return;
  if (InstallerSession::GetInstance()->IsFixDownloadableResources()) {
    FixDownloadableResources();
    if (terminated())
      return;
    WatchFetch();
  }
  VLOG(1) << "Settings obtained. Starting.";
  RunBackend();
}

// A silent run cannot ask for elevation. A change that was refused, or a
// default folder equal to the current one, brings no new notification:
// then the run goes on and the backend reports what it cannot do.
bool SilentInstallerController::AdjustForNoElevation() {
  SettingsImpl* const settings = this->settings();
  const bool needs = GetSecurityUtil()->NeedsElevation(
      settings->GetAllUsers(), settings->GetFolderDetails()->HasWriteAccess());
  if (!needs)
    return false;
  base::FilePath folder;
  if (settings->GetAllUsers()) {
    VLOG(2) << "Cannot elevate in when silent. Switching to current user mode.";
    settings->SetMode(INSTALL_MODE_CURRENT_USER);
    settings->GetDefaultInstallFolder(&folder, DEFAULT_FOLDER_REGISTRY | DEFAULT_FOLDER_STANDARD);
  } else if (!IsAutoupdate()) {
    settings->GetDefaultInstallFolder(&folder,
                                      DEFAULT_FOLDER_COMMAND_LINE | DEFAULT_FOLDER_STANDARD);
  } else {
    return false;
  }
  if (!folder.empty() && !IsSameFolder(folder, settings->GetInstallFolderPath()))
    settings->SetInstallFolderPath(folder);
  return settings->HasPendingFolderDetails();
}

void SilentInstallerController::RunBackend() {
  backend_started_ = true;
  GetAvroStatsSender()->Send(
      std::make_unique<SettingsAcceptedEvent>(settings()->GetSummary(), kEventLevel));
  if (base::win::GetVersion() < base::win::VERSION_WIN7) {
    OnInstallerError(RESULT_GENERAL_FAILURE, std::wstring(),
                     "This version of Tarvo doesn't support windows versions prior to Windows 7");
    return;
  }
  if (!IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE)) {
    OnInstallerError(RESULT_GENERAL_FAILURE, std::wstring(), "SSE2 not supported by the computer");
    return;
  }
  if (tracking_data_from_package_) {
    VLOG(2) << "Got tracking data from package.";
    RunTrackingDataActions();
  }
  VLOG(2) << "Preparing to run the installer.";
  RunBackendProcess();
}

void SilentInstallerController::OnPackageFetcherStatusChanged(uint32_t status) {
  NoteFetchActivity();
  if (status == PackageFetcherDelegate::kFetchingDownloadUrl) {
    VLOG(2) << "Package will be downloaded.";
  } else if (status == PackageFetcherDelegate::kPackageReady) {
    VLOG(1) << "Package fetched successfully.";
    watching_fetch_ = false;
    tracking_data_from_package_ = true;
    if (backend_started_ && !terminated()) {
      VLOG(2) << "Got tracking data from status.";
      RunTrackingDataActions();
    }
  }
}

void SilentInstallerController::OnPackageFetcherError(uint32_t kind,
                                                      std::string message,
                                                      std::vector<FetchStatistics> fetch_details) {
  if (fetcher() && fetcher()->RetryFetch()) {
    NoteFetchActivity();
    return;
  }
  FailFetch(kind, std::move(message), std::move(fetch_details));
}

// A length announced is no progress: a server that stalls after its
// headers, again and again, must not keep the watch fed.
void SilentInstallerController::SetTotalProgress(uint32_t /*bytes*/) {}

// Reported only for new bytes of the download.
void SilentInstallerController::SetCurrentProgress(uint32_t /*bytes*/) {
  NoteFetchActivity();
}

// A stall is what the watch measures; the report itself is no progress.
void SilentInstallerController::NotifyStalled() {}

void SilentInstallerController::OnInstallerError(InstallerResult code,
                                                 const std::wstring& message,
                                                 const std::string& detail) {
  InstallerController::OnInstallerError(code, message, detail);
  VLOG(2) << "Installer error: terminating";
  Terminate();
}

void SilentInstallerController::OnInstallerSucceeded() {
  InstallerController::OnInstallerSucceeded();
  Terminate();
}

void SilentInstallerController::OnBackendProcessTerminated(InstallerResult code) {
  InstallerController::OnBackendProcessTerminated(code);
  VLOG(2) << "Installer ended. Error is: " << code << ". terminating";
  base::ThreadTaskRunnerHandle::Get()->PostDelayedTask(
      FROM_HERE,
      base::BindOnce(&SilentInstallerController::TerminateAfterBackendEnd,
                     weak_factory_.GetWeakPtr()),
      kTerminateDelay);
}

void SilentInstallerController::TerminateAfterBackendEnd() {
  Terminate();
}
