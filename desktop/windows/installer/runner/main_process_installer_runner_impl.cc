#include "desktop/windows/installer/runner/main_process_installer_runner_impl.h"

#include <string>
#include <utility>

#include "base/bind.h"
#include "base/logging.h"
#include "base/path_service.h"
#include "base/strings/utf_string_conversions.h"
#include "base/process/launch.h"
#include "base/synchronization/lock.h"
#include "base/threading/thread_task_runner_handle.h"
#include "base/win/kernel_object_security.h"
#include "crash_reporter/crash_client_setup.h"
#include "desktop/windows/installer/ipc/installer_message_reader.h"
#include "desktop/windows/installer/ipc/ipc_names.h"
#include "desktop/windows/installer/service/installation_folder_details.h"
#include "desktop/windows/installer/settings/settings.h"
#include "desktop/windows/installer/settings/settings_impl.h"
#include "desktop/windows/installer/utils/app_output_runner.h"
#include "desktop/windows/installer/utils/handle_text.h"
#include "desktop/windows/installer/utils/installer_error_record.h"
#include "desktop/windows/installer/utils/installer_event_names.h"
#include "desktop/windows/installer/utils/installer_session.h"
#include "desktop/windows/installer/utils/installer_switches.h"
#include "desktop/windows/installer/utils/installer_utils.h"
#include "desktop/windows/installer/utils/service_utils.h"

namespace {

constexpr char kServerTrackingDataFile[] = "server_tracking_data";

MainProcessInstallerRunnerImpl::SystemCalls& Calls() {
  static MainProcessInstallerRunnerImpl::SystemCalls calls;
  return calls;
}

}  // namespace

MainProcessInstallerRunnerImpl::MainProcessInstallerRunnerImpl() : receiver_(this) {}

MainProcessInstallerRunnerImpl::~MainProcessInstallerRunnerImpl() {
  Stop();
}

void MainProcessInstallerRunnerImpl::SetPackagePaths(const base::FilePath& package_folder,
                                                     const base::FilePath& assistant_folder) {
  package_folder_ = package_folder;
  assistant_folder_ = assistant_folder;
}

InstallerResult MainProcessInstallerRunnerImpl::Run(SettingsImpl* settings) {
  return RunWithSettings(settings);
}

InstallerResult MainProcessInstallerRunnerImpl::RunWithSettings(Settings* settings) {
  DCHECK(settings);
  if (settings_ == settings)
    LOG(WARNING) << "Duplicate installation attempt detected";
  LOG(INFO) << "Beginning installation";
  DCHECK(!settings_);
  DCHECK(!settings->HasPendingFolderDetails());
  DCHECK(!launched_);
  if (!InstallerUtils::ValidateSettings(*settings)) {
    AppendInstallerError("The settings are not valid");
    const InstallerResult code = GetInstallerErrorCode();
    return code == RESULT_SUCCESS ? RESULT_GENERAL_FAILURE : code;
  }
  settings->SetEditable(false);
  settings_ = settings;
  const base::FilePath folder = settings->GetInstallFolderPath();

  InstallerResult result = AcquireMutex(settings->GetFolderDetails()->GetPath());
  if (result != RESULT_SUCCESS)
    return result;
  result = ConnectMailslot(folder);
  if (result != RESULT_SUCCESS)
    return result;
  base::CommandLine command_line(base::CommandLine::NO_PROGRAM);
  settings->ToCommandLine(&command_line, /*suppress_launch=*/false);
  command_line.AppendSwitchASCII(switches::kServerTrackingData, kServerTrackingDataFile);
  command_line.AppendSwitchASCII(switches::kInitialPid, std::to_string(base::GetCurrentProcId()));
  crash_reporter::AppendCrashReporterPid(&command_line);
  result = CreateEvents(folder, &command_line);
  if (result != RESULT_SUCCESS)
    return result;
  return LaunchBackend(&command_line);
}

bool MainProcessInstallerRunnerImpl::WatchOnce(base::win::ObjectWatcher* watcher, HANDLE object,
                                               base::win::ObjectWatcher::Delegate* delegate) {
  return watcher->StartWatchingOnce(object, delegate);
}

void MainProcessInstallerRunnerImpl::SetSystemCallsForTesting(const SystemCalls& calls) {
  Calls() = calls;
}

InstallerResult MainProcessInstallerRunnerImpl::AcquireMutex(const base::FilePath& folder) {
  // An installer of an earlier version names the mutex after the folder as
  // spelt, letter case kept (mutex names compare case-sensitively): this run
  // holds that one too, so that either excludes the other.
  const std::wstring name = GetInstallerMutexName(folder);
  const std::wstring spelt_name = GetInstallerMutexNameOfSpelling(folder.value());
  InstallerResult result = AcquireNamedMutex(name, &mutex_);
  if (result == RESULT_SUCCESS && spelt_name != name)
    result = AcquireNamedMutex(spelt_name, &spelt_mutex_);
  if (result != RESULT_SUCCESS)
    ReleaseMutexes();
  return result;
}

InstallerResult MainProcessInstallerRunnerImpl::AcquireNamedMutex(
    const std::wstring& name, base::win::ScopedHandle* mutex) {
  VLOG(1) << "Installer mutex name: " << name;
  KernelObjectSecurity security;
  SECURITY_ATTRIBUTES* inheritable = security.Get(/*inheritable=*/true);
  if (inheritable)
    mutex->Set(Calls().create_mutex(inheritable, FALSE, name.c_str()));
  if (!mutex->IsValid()) {
    // An elevated installer of the same folder holds a mutex this user may
    // not open: that is another installation, not a broken system.
    if (GetLastError() == ERROR_ACCESS_DENIED) {
      SetInstallerError(RESULT_DUPLICATE_INSTALLATION, "Could not acquire installer mutex",
                        std::wstring());
      return RESULT_DUPLICATE_INSTALLATION;
    }
    SetInstallerError(RESULT_MUTEX_CREATION_FAILED, "Could not create installer mutex",
                      std::wstring());
    return RESULT_MUTEX_CREATION_FAILED;
  }
  const DWORD wait = WaitForSingleObject(mutex->Get(), 0);
  if (wait != WAIT_OBJECT_0 && wait != WAIT_ABANDONED) {
    mutex->Close();
    SetInstallerError(RESULT_DUPLICATE_INSTALLATION, "Could not acquire installer mutex",
                      std::wstring());
    return RESULT_DUPLICATE_INSTALLATION;
  }
  return RESULT_SUCCESS;
}

void MainProcessInstallerRunnerImpl::ReleaseMutexes() {
  for (base::win::ScopedHandle* mutex : {&mutex_, &spelt_mutex_}) {
    if (!mutex->IsValid())
      continue;
    // With a backend launched they stay owned until this process ends.
    if (!launched_)
      ReleaseMutex(mutex->Get());
    mutex->Close();
  }
}

InstallerResult MainProcessInstallerRunnerImpl::ConnectMailslot(const base::FilePath& folder) {
  const std::wstring name = GetInstallerMailslotName(folder);
  VLOG(1) << "Installer mailslot name: " << name;
  if (receiver_.Connect(name))
    return RESULT_SUCCESS;
  // A mailslot of that name made by another process would get every message
  // of the run: no backend starts without our own.
  const DWORD error = GetLastError();
  SetInstallerError(RESULT_GENERAL_FAILURE, "Could not connect to mailslot", std::wstring());
  AppendInstallerError("Cannot create " + base::WideToUTF8(GetMailslotFullName(name)) + ": " +
                       GetWindowsErrorText(error));
  return RESULT_GENERAL_FAILURE;
}

InstallerResult MainProcessInstallerRunnerImpl::CreateEvents(const base::FilePath& folder,
                                                             base::CommandLine* command_line) {
  if (!interrupted_event_.Create(folder, kInterruptedEventName)) {
    SetInstallerError(RESULT_GENERAL_FAILURE, "Could not create installation interruption event",
                      std::wstring());
    return RESULT_GENERAL_FAILURE;
  }
  base::FilePath exe;
  if (!base::PathService::Get(base::FILE_EXE, &exe)) {
    SetInstallerError(RESULT_GENERAL_FAILURE, "Could not find own executable", std::wstring());
    return RESULT_GENERAL_FAILURE;
  }
  InstallerSession::GetInstance()->AppendSwitches(command_line);
  if (package_ready_) {
    VLOG(1) << "Package is already available";
  } else {
    if (!package_ready_event_.Create(folder, kPackageReadyEventName)) {
      SetInstallerError(RESULT_GENERAL_FAILURE, "Package ready event invalid", std::wstring());
      AppendInstallerError("Cannot create the package ready event");
      return GetInstallerErrorCode();
    }
    command_line->AppendSwitch(switches::kWaitForPackage);
  }
  command_line->SetProgram(exe);
  if (!assistant_folder_.empty()) {
    command_line->AppendSwitchNative(switches::kComponents,
                                     L"assistant:" + assistant_folder_.BaseName().value());
  }
  return RESULT_SUCCESS;
}

InstallerResult MainProcessInstallerRunnerImpl::LaunchBackend(base::CommandLine* command_line) {
  // A new secret for each backend: what an earlier one still sends is
  // dropped.
  secret_ = RunSecret::Generate();
  success_reported_ = false;
  started_processes_.clear();
  started_process_unfinished_ = false;
  {
    // No other child may inherit the handles meant for the backend.
    base::AutoLock lock(GetAppOutputLock());
    HANDLE own = nullptr;
    if (!Calls().duplicate_handle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(),
                                  &own, SYNCHRONIZE, TRUE, 0)) {
      SetInstallerError(RESULT_GENERAL_FAILURE, "Could not duplicate own process handle",
                        std::wstring());
      return RESULT_GENERAL_FAILURE;
    }
    base::win::ScopedHandle own_handle(own);
    base::win::ScopedHandle shared_secret = secret_.Share(/*inheritable=*/true);
    if (!shared_secret.IsValid()) {
      SetInstallerError(RESULT_GENERAL_FAILURE, "Could not share the run's secret",
                        std::wstring());
      return RESULT_GENERAL_FAILURE;
    }
    command_line->AppendSwitchASCII(switches::kInitialProcHandle, EncodeHandleText(own));
    RunSecret::AppendSwitches(shared_secret.Get(), base::kNullProcessId, command_line);
    base::LaunchOptions options;
    options.inherit_mode = base::LaunchOptions::Inherit::kAll;
    LOG(INFO) << "launching installer backend: " << command_line->GetCommandLineString();
    backend_ = base::LaunchProcess(*command_line, options);
  }
  if (!backend_.IsValid()) {
    SetInstallerError(RESULT_GENERAL_FAILURE, "Could not launch installer backend process",
                      std::wstring());
    return RESULT_GENERAL_FAILURE;
  }
  launched_ = true;
  AllowSetForegroundWindow(backend_.Pid());
  VLOG(2) << "Installer backend started.";
  if (!Calls().watch(&backend_watcher_, backend_.Handle(), this)) {
    Stop();
    SetInstallerError(RESULT_GENERAL_FAILURE, "Could not monitor the installer process handle",
                      std::wstring());
    return RESULT_GENERAL_FAILURE;
  }
  return RESULT_SUCCESS;
}

void MainProcessInstallerRunnerImpl::Stop() {
  LOG(INFO) << "Stopping installer backend (if running)";
  if (launched_ && interrupted_event_.IsValid()) {
    VLOG(1) << "Sending installation interrupted event";
    interrupted_event_.Set();
  }
  // The mailslot goes first: the next installer of the folder, once it has
  // the mutex, must be able to make its own.
  receiver_.Stop();
  if (mutex_.IsValid()) {
    VLOG(1) << "Letting go of the installer mutex";
    ReleaseMutexes();
  }
  // A backend still starting opens the events by their names: they last
  // until it has ended, or a cancel right after the launch would look to it
  // like a failure of its own.
  if (launched_)
    close_events_at_end_ = true;
  else
    CloseEvents();
  if (messages_without_secret_ > 0) {
    LOG(WARNING) << "Installer messages dropped without the run's secret: "
                 << messages_without_secret_;
  }
  settings_ = nullptr;
}

void MainProcessInstallerRunnerImpl::CloseEvents() {
  close_events_at_end_ = false;
  interrupted_event_.Close();
  package_ready_event_.Close();
}

void MainProcessInstallerRunnerImpl::OnPackageReady() {
  if (package_ready_)
    return;
  VLOG(2) << "Recording that we have the package";
  package_ready_ = true;
  if (launched_ && package_ready_event_.IsValid()) {
    LOG(INFO) << "Informing the installer backend that the package is ready";
    package_ready_event_.Set();
  }
}

void MainProcessInstallerRunnerImpl::AddObserver(InstallerObserver* observer) {
  observers_.AddObserver(observer);
}

void MainProcessInstallerRunnerImpl::RemoveObserver(InstallerObserver* observer) {
  observers_.RemoveObserver(observer);
}

void MainProcessInstallerRunnerImpl::OnObjectSignaled(HANDLE /*object*/) {
  VLOG(1) << "Installer backend process signaled";
  const InstallerResult result = ExitCodeToInstallerResult(backend_.Handle());
  launched_ = false;
  if (close_events_at_end_)
    CloseEvents();
  end_pending_ = true;
  // What the backend sent before it ended comes first; a mailslot that
  // cannot say so gets a bounded wait.
  base::OnceClosure deliver = base::BindOnce(&MainProcessInstallerRunnerImpl::DeliverBackendEnd,
                                             weak_factory_.GetWeakPtr(), result);
  if (!receiver_.Flush(std::move(deliver))) {
    DeliverBackendEnd(result);
    return;
  }
  base::ThreadTaskRunnerHandle::Get()->PostDelayedTask(
      FROM_HERE,
      base::BindOnce(&MainProcessInstallerRunnerImpl::DeliverBackendEnd,
                     weak_factory_.GetWeakPtr(), result),
      kLastMessagesLimit);
}

void MainProcessInstallerRunnerImpl::DeliverBackendEnd(InstallerResult result) {
  if (!end_pending_)
    return;
  end_pending_ = false;
  // Only now is a reported success one: the process this runner started
  // has ended with 0. An end with 0 alone is no success: the backend may
  // have been ended from outside before it finished, or may have taken
  // over such an end of a process it started.
  if (started_process_unfinished_ && result == RESULT_SUCCESS) {
    LOG(ERROR) << "The installer backend ended with 0 after a process it started left the run "
                  "unfinished";
    result = RESULT_NOT_FINISHED;
  } else if (success_reported_ && result == RESULT_SUCCESS) {
    for (InstallerObserver& observer : observers_)
      observer.OnInstallerSucceeded();
  } else if (success_reported_) {
    LOG(ERROR) << "The installer backend reported success but ended with result " << result;
  } else if (result == RESULT_SUCCESS) {
    LOG(ERROR) << "The installer backend ended with 0 without reporting success";
    result = RESULT_NOT_FINISHED;
  }
  success_reported_ = false;
  for (InstallerObserver& observer : observers_)
    observer.OnBackendProcessTerminated(result);
}

void MainProcessInstallerRunnerImpl::OnMailslotMessage(const base::Pickle& pickle) {
  // The backend launched here is of this version and carries the secret,
  // and so do the processes it starts, but for an installer of an earlier
  // version while it runs.
  const bool without_secret_read =
      !started_processes_.empty() && started_processes_.back().earlier_version;
  InstallerMessage message;
  switch (ReadInstallerMessage(pickle, secret_, without_secret_read, &message)) {
    case InstallerMessageStatus::kMalformed:
      return;
    case InstallerMessageStatus::kWithoutTheRunsSecret:
      // A flood must not fill the log: the first ones, then every
      // thousandth, and the total at the end.
      if (++messages_without_secret_ <= 10 || messages_without_secret_ % 1000 == 0) {
        LOG(WARNING) << "Dropped an installer message without the run's secret ("
                     << messages_without_secret_ << " so far)";
      }
      return;
    case InstallerMessageStatus::kAccepted:
      break;
  }
  NoteStartedProcesses(message);
  if (message.type == IPC_MESSAGE_SUCCESS) {
    // Only the launched backend's own success can make the run one; that of
    // a process it started only says that process reported.
    if (started_processes_.empty())
      OnSuccessReported();
    return;
  }
  NotifyInstallerObservers(message, &observers_);
}

// A backend that starts another installer process (its elevated copy, or
// the package's installer) takes over that one's exit code, and so an end
// with 0 from outside: each process it started must itself have reported
// its success or failure, between the messages that frame it. A message
// without the secret never ends what one with it began.
void MainProcessInstallerRunnerImpl::NoteStartedProcesses(const InstallerMessage& message) {
  switch (message.type) {
    case IPC_MESSAGE_STARTING_NEW_MAIN_PROCESS:
      // What a process of an earlier version starts is of its version.
      started_processes_.push_back(
          {message.with_secret, !message.with_secret || message.value != 0, false});
      break;
    case IPC_MESSAGE_SUCCESS:
    case IPC_MESSAGE_ERROR:
      if (!started_processes_.empty())
        started_processes_.back().reported = true;
      break;
    case IPC_MESSAGE_RETURNED_TO_PREVIOUS_MAIN_PROCESS:
      while (!started_processes_.empty() &&
             (message.with_secret || !started_processes_.back().announced_with_secret)) {
        const StartedProcess ended = started_processes_.back();
        started_processes_.pop_back();
        if (ended.announced_with_secret != message.with_secret)
          continue;  // Announced without the secret and never said to end.
        if (!ended.reported) {
          LOG(ERROR) << "An installer process that the backend started ended without reporting "
                        "success or failure";
          started_process_unfinished_ = true;
        }
        break;
      }
      break;
    default:
      break;
  }
}

void MainProcessInstallerRunnerImpl::OnSuccessReported() {
  VLOG(1) << "IPC_MESSAGE_SUCCESS received";
  // The backend's end decides; a packaged installer's success is followed
  // by the first backend's own. What the backend sent before it ended still
  // counts while its end waits for its messages.
  if (success_reported_ || (!launched_ && !end_pending_))
    return;
  success_reported_ = true;
  if (!launched_)
    return;
  base::ThreadTaskRunnerHandle::Get()->PostDelayedTask(
      FROM_HERE,
      base::BindOnce(&MainProcessInstallerRunnerImpl::OnSuccessEndOverdue,
                     weak_factory_.GetWeakPtr()),
      success_end_limit_);
}

void MainProcessInstallerRunnerImpl::OnSuccessEndOverdue() {
  if (!success_reported_ || !launched_)
    return;
  success_reported_ = false;
  const std::string detail = "The installer backend reported success but did not end";
  LOG(ERROR) << detail;
  for (InstallerObserver& observer : observers_)
    observer.OnInstallerError(RESULT_GENERAL_FAILURE, std::wstring(), detail);
}
