#include "desktop/windows/installer/runner/backend_process_installer_runner_impl.h"

#include <utility>

#include "base/bind.h"
#include "base/command_line.h"
#include "base/logging.h"
#include "desktop/windows/installer/service/installation_status_loader.h"
#include "desktop/windows/installer/settings/settings.h"
#include "desktop/windows/installer/settings/settings_impl.h"
#include "desktop/windows/installer/steps/installer.h"
#include "desktop/windows/installer/steps/installer_step_factory.h"
#include "desktop/windows/installer/steps/installer_step_scheduler_impl.h"
#include "desktop/windows/installer/steps/package_verifier.h"
#include "desktop/windows/installer/utils/handle_text.h"
#include "desktop/windows/installer/utils/installer_event_names.h"
#include "desktop/windows/installer/utils/installer_switches.h"
#include "desktop/windows/installer/utils/process_id_text.h"
#include "desktop/windows/installer/utils/service_utils.h"

BackendProcessInstallerRunnerImpl::BackendProcessInstallerRunnerImpl(
    const base::CommandLine& command_line, const PayloadManager* payload)
    : BackendProcessInstallerRunnerImpl(
          command_line,
          std::make_unique<InstallerStepSchedulerImpl>(CreateDefaultInstallerStepFactory()),
          payload) {}

BackendProcessInstallerRunnerImpl::BackendProcessInstallerRunnerImpl(
    const base::CommandLine& command_line,
    std::unique_ptr<InstallerStepScheduler> scheduler,
    const PayloadManager* payload)
    : command_line_(command_line),
      secret_(RunSecret::TakeFromCommandLine(command_line)),
      forwarder_(&sender_, secret_),
      installer_(std::make_unique<Installer>(command_line, std::move(scheduler),
                                             GetDefaultInstallationStatusLoaderFactory(),
                                             PackageVerifierImpl::ForRunningInstaller(payload))) {
  // Handed on to the installer processes the Installer starts.
  installer_->set_run_secret(secret_);
}

BackendProcessInstallerRunnerImpl::~BackendProcessInstallerRunnerImpl() {
  if (initial_process_.IsValid())
    initial_process_watcher_.StopWatching();
  // An operation still running is cancelled and rolled back; its last
  // messages still go out.
  installer_.reset();
  sender_.Stop();
}

InstallerResult BackendProcessInstallerRunnerImpl::Run(SettingsImpl* settings) {
  return RunWithSettings(settings);
}

InstallerResult BackendProcessInstallerRunnerImpl::RunWithSettings(Settings* settings) {
  // One run per process: the run loop and the observers are not reusable.
  DCHECK(settings);
  DCHECK(!settings_);
  settings_ = settings;
  // The main process reads nothing of this version without the secret: a
  // run it could not follow changes nothing.
  if (secret_.empty() && command_line_.HasSwitch(switches::kRunSecretHandle)) {
    LOG(ERROR) << "The run's secret cannot be read: the installer would report to nobody";
    return RESULT_GENERAL_FAILURE;
  }
  bool watch = false;
  const InstallerResult open_result = OpenInitialProcess(&watch);
  if (open_result != RESULT_SUCCESS)
    return open_result;
  if (watch && !initial_process_watcher_.StartWatchingOnce(initial_process_.Get(), this)) {
    LOG(ERROR) << "Failed watching initial process";
    return RESULT_INITIAL_PROCESS_FAILED;
  }
  installer_->AddObserver(&forwarder_);
  installer_->AddObserver(this);
  if (settings_->HasPendingFolderDetails()) {
    VLOG(1) << "Waiting for settings to be ready";
    settings_->AddObserver(this);
  } else {
    LOG(INFO) << "Settings already obtained. Running.";
    StartInstallation();
  }
  run_loop_.Run();
  LOG(INFO) << "Installer backend exiting";
  settings_->RemoveObserver(this);
  installer_->RemoveObserver(this);
  return installer_->state();
}

InstallerResult BackendProcessInstallerRunnerImpl::OpenInitialProcess(bool* watch) {
  const base::CommandLine& command_line = command_line_;
  if (command_line.HasSwitch(switches::kInitialProcHandle)) {
    const std::string text = command_line.GetSwitchValueASCII(switches::kInitialProcHandle);
    VLOG(1) << "Using initial process handle " << text;
    HANDLE handle = nullptr;
    if (!DecodeHandleText(text, &handle)) {
      LOG(ERROR) << "Failed parsing initial process handle";
      return RESULT_BAD_INITIAL_PROCESS_HANDLE;
    }
    initial_process_.Set(handle);
    *watch = true;
    return RESULT_SUCCESS;
  }
  if (command_line.HasSwitch(switches::kInitialPid)) {
    const std::wstring text = command_line.GetSwitchValueNative(switches::kInitialPid);
    VLOG(1) << "Using initial pid " << text;
    DWORD pid = 0;
    if (!ParseProcessIdText(text, &pid)) {
      LOG(ERROR) << "Failed parsing initial pid";
      return RESULT_BAD_INITIAL_PID;
    }
    initial_process_.Set(OpenProcess(SYNCHRONIZE, FALSE, pid));
    if (!initial_process_.IsValid()) {
      LOG(ERROR) << "Failed opening initial process";
      return RESULT_INITIAL_PROCESS_FAILED;
    }
    *watch = true;
    return RESULT_SUCCESS;
  }
  if (command_line.HasSwitch(switches::kRegisterAsProtocolHandler))
    return RESULT_SUCCESS;
  LOG(ERROR) << "Missing information about initial process";
  return RESULT_MISSING_INITIAL_PROCESS;
}

void BackendProcessInstallerRunnerImpl::StartInstallation() {
  VLOG(2) << "Starting installation";
  ConnectMailslot();
  installer_->Start(settings_);
}

void BackendProcessInstallerRunnerImpl::ConnectMailslot() {
  // A main process of this version made its mailslot under today's name
  // before it handed this backend the secret; one of an earlier version,
  // which hands none, named it after the folder as its command line spells
  // it. A backend without a mailslot still installs.
  const std::wstring spelling = command_line_.GetSwitchValueNative(switches::kInstallFolder);
  sender_.Connect(GetInstallerMailslotName(settings_->GetInstallFolderPath()),
                  secret_.empty() && !spelling.empty() ? kInstallerMailslotPrefix + spelling
                                                       : std::wstring());
}

void BackendProcessInstallerRunnerImpl::OnPathChanged() {
  VLOG(1) << "Settings obtained. Running.";
  settings_->RemoveObserver(this);
  StartInstallation();
}

void BackendProcessInstallerRunnerImpl::OnInstallerError(InstallerResult /*code*/,
                                                         const std::wstring& /*message*/,
                                                         const std::string& /*detail*/) {
  run_loop_.Quit();
}

void BackendProcessInstallerRunnerImpl::OnInstallerSucceeded() {
  run_loop_.Quit();
}

void BackendProcessInstallerRunnerImpl::OnProcessTerminating() {
  LOG(INFO) << "Process terminating.";
  run_loop_.Quit();
}

void BackendProcessInstallerRunnerImpl::OnObjectSignaled(HANDLE /*object*/) {
  LOG(INFO) << "Installer UI process ended";
  run_loop_.Quit();
}
