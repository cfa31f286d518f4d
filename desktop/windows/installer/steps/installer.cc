#include "desktop/windows/installer/steps/installer.h"

#include <utility>

#include "base/bind.h"
#include "base/command_line.h"
#include "base/files/file_util.h"
#include "base/features/command_line_feature_reader.h"
#include "base/features/feature_registry.h"
#include "base/features/list_feature_reader.h"
#include "base/logging.h"
#include "base/strings/utf_string_conversions.h"
#include "base/time/time.h"
#include "base/values.h"
#include "base/message_loop/message_loop.h"
#include "base/strings/stringprintf.h"
#include "base/threading/thread_task_runner_handle.h"
#include "desktop/windows/installer/service/installation_folder_details.h"
#include "desktop/windows/installer/service/prefs/json_pref_store_factory.h"
#include "desktop/windows/installer/service/transactions/create_folder_operation.h"
#include "desktop/windows/installer/service/transactions/delete_file_operation.h"
#include "desktop/windows/installer/settings/settings.h"
#include "desktop/windows/installer/steps/finalize/pending_cleanup.h"
#include "desktop/windows/installer/utils/installer_error_record.h"
#include "desktop/windows/installer/utils/installer_event_names.h"
#include "desktop/windows/installer/utils/installer_features.h"
#include "desktop/windows/installer/utils/installer_session.h"
#include "desktop/windows/installer/utils/installer_switches.h"
#include "desktop/windows/installer/utils/installer_utils.h"
#include "desktop/windows/installer/utils/process_id_text.h"
#include "desktop/windows/installer/utils/product_info.h"
#include "desktop/windows/installer/utils/security_util.h"
#include "desktop/windows/installer/utils/service_utils.h"
#include "desktop/windows/installer/common/file_version_utils_impl.h"
#include "desktop/windows/installer/utils/app_output_runner.h"
#include "desktop/windows/installer/lzma_util/lzma_util.h"
#include "desktop/windows/installer/steps/package_verifier.h"

namespace {

// FILE_GENERIC_READ | FILE_GENERIC_WRITE | FILE_GENERIC_EXECUTE.
constexpr ACCESS_MASK kFolderAccess = 0x1201BF;

// Phases of the UI side's progress that the backend enters.
constexpr int kPhasePreparingPackage = 6;
constexpr int kPhaseRunningSteps = 7;

// The event `name` of the installation in `folder`. A main process of an
// earlier version named it after the folder as it spelt it, `spelling`: that
// name is tried when the installation has no event of the name of today.
HANDLE OpenInstallationEvent(const base::FilePath& folder, const std::wstring& spelling,
                             const wchar_t* name) {
  const std::wstring full_name = MakeKernelObjectName(folder.value(), name, /*global=*/true);
  VLOG(1) << "Event name for " << (name == kInterruptedEventName ? "interrupted installation: "
                                                                 : "package_ready: ")
          << full_name;
  return OpenByNameOrSpelling(
      full_name,
      spelling.empty() ? std::wstring()
                       : MakeKernelObjectNameOfSpelling(spelling, name, /*global=*/true),
      [](const std::wstring& event) { return OpenEventW(SYNCHRONIZE, FALSE, event.c_str()); });
}

}  // namespace

Installer::Installer(const base::CommandLine& command_line,
                     std::unique_ptr<InstallerStepScheduler> scheduler,
                     InstallationStatusLoaderFactory status_loader_factory,
                     std::unique_ptr<PackageVerifier> package_verifier)
    : command_line_(command_line),
      scheduler_(std::move(scheduler)),
      status_loader_factory_(std::move(status_loader_factory)),
      task_runner_(base::ThreadTaskRunnerHandle::Get()),
      status_(INSTALLATION_STATUS_SOURCE_GENERATED),
      state_(RESULT_NOT_FINISHED) {
  DCHECK(scheduler_);
  package_preparer_ = std::make_unique<PackagePreparer>(
      std::make_unique<FileVersionUtilsImpl>(nullptr), std::make_unique<LzmaUtil>(),
      std::move(package_verifier), this, this);
}

Installer::~Installer() {
  if (running_)
    Cancel();
  CommitWork();
  package_watcher_.StopWatching();
  interrupted_watcher_.StopWatching();
}

void Installer::AddObserver(InstallerObserver* observer) {
  observers_.AddObserver(observer);
}

void Installer::RemoveObserver(InstallerObserver* observer) {
  observers_.RemoveObserver(observer);
}

void Installer::Start(Settings* settings) {
  LOG(INFO) << "Beginning installation";
  DCHECK(settings);
  DCHECK(!settings_);
  DCHECK(!settings->HasPendingFolderDetails());
  settings->SetEditable(false);
  settings_ = settings;
  settings_install_folder_ = settings->GetInstallFolderPath();
  state_ = RESULT_NOT_FINISHED;
  task_runner_->PostTask(FROM_HERE, base::BindOnce(&Installer::Run, weak_factory_.GetWeakPtr()));
}

void Installer::Run() {
  running_ = true;
  if (settings_->GetOperation() == INSTALL_OPERATION_REGISTER_PROTOCOL_HANDLER) {
    ScheduleAndStartSteps(/*report_total=*/false);
    return;
  }
  if (!CheckPreconditions() || !WatchInterruptedEvent())
    return;
  if (command_line_.HasSwitch(switches::kParentPid)) {
    DWORD pid = 0;
    if (ParseProcessIdText(command_line_.GetSwitchValueNative(switches::kParentPid), &pid))
      parent_pid_ = pid;
    VLOG(1) << "Second installer pid: " << parent_pid_;
  }
  const bool admin = GetSecurityUtil()->IsUserAdmin(/*consider_linked_token=*/false);
  VLOG(1) << "is_elevated_admin: " << admin;
  const base::FilePath folder = settings_->GetFolderDetails()->GetPath();
  if (!WaitForEarlierCleanup(folder))
    return;
  if (settings_->GetAllUsers() && IsSilent() && !admin) {
    Fail(RESULT_GENERAL_FAILURE, "Installation requires elevation, but cannot elevate when silent",
         std::wstring());
    return;
  }
  bool has_write = true;
  if (!CreateFolderEarly(folder, admin, &has_write))
    return;
  SaveLastInstallPath();
  const bool access =
      has_write && GetSecurityUtil()->HasAccess(folder.value(), SE_FILE_OBJECT, kFolderAccess);
  if (!access && settings_->GetOperation() == INSTALL_OPERATION_INSTALL &&
      settings_->GetSingleProfile() &&
      settings_->GetFolderDetails()->IsSingleProfile() != kTriStateTrue) {
    Fail(RESULT_INSUFFICIENT_PRIVILEGES,
         "Single profile installations are only allowed to locations where the user has write "
         "access",
         std::wstring());
    return;
  }
  if (!ObtainRights(folder, admin, access))
    return;
  ContinueWithFolder(folder);
}

bool Installer::CheckPreconditions() {
  if (!InstallerUtils::ValidateSettings(*settings_)) {
    AppendInstallerError("Cannot run the backend installer.");
    OnFailed();
    return false;
  }
  if (settings_->GetOperation() != INSTALL_OPERATION_UPGRADE && IsAutoupdate()) {
    Fail(RESULT_INVALID_AUTOUPDATE_OPERATION,
         base::StringPrintf("Settings operation invalid for autoupdate: %d\n",
                            static_cast<int>(settings_->GetOperation())),
         std::wstring());
    return false;
  }
  if (HasOwnSwitch(switches::kPostElevatedInstallTasks)) {
    LOG(INFO) << "Post elevation installation tasks only";
    RunPostElevationTasks();
    OnSucceeded();
    return false;
  }
  return true;
}

bool Installer::WatchInterruptedEvent() {
  interrupted_event_.Set(OpenInstallationEvent(
      settings_->GetInstallFolderPath(),
      command_line_.GetSwitchValueNative(switches::kInstallFolder), kInterruptedEventName));
  if (!interrupted_event_.IsValid()) {
    Fail(RESULT_GENERAL_FAILURE, "Failed to open a handle to the installation interrupted event",
         std::wstring());
    return false;
  }
  if (!interrupted_watcher_.StartWatchingOnce(interrupted_event_.Get(), this)) {
    Fail(RESULT_GENERAL_FAILURE, "Failed to watch the installation interrupted event",
         std::wstring());
    return false;
  }
  return true;
}

bool Installer::CreateFolderEarly(const base::FilePath& folder, bool admin, bool* has_write) {
  const InstallationFolderDetails* details = settings_->GetFolderDetails();
  if (details->GetValidParentFolder() == folder || (settings_->GetAllUsers() && !admin))
    return true;
  VLOG(1) << "Using write permissions from the status";
  if (!details->HasWriteAccess()) {
    *has_write = false;
    return true;
  }
  // The folder could not be made (a read-only drive, a file in its place):
  // the user is told so, with its path, as when it is made later.
  return CreateFolder(folder, RESULT_FOLDER_CREATION_FAILED);
}

bool Installer::CreateFolder(const base::FilePath& folder, InstallerResult failure) {
  std::string error;
  if (!transaction_.Execute(std::make_unique<CreateFolderOperation>(folder), &error)) {
    Fail(failure, "Could not create installation folder", folder.value());
    return false;
  }
  return true;
}

void Installer::SaveLastInstallPath() {
  const InstallOperation operation = settings_->GetOperation();
  if (operation == INSTALL_OPERATION_UNINSTALL ||
      operation == INSTALL_OPERATION_FIX_DOWNLOADABLE_RESOURCES || settings_->GetCopyOnly() ||
      IsAutoupdate()) {
    return;
  }
  static const RegistryRuleRow kSetLastInstallPath = {
      L"{CompanyRegistryKey}", L"Last {Stream} Install Path", REG_SZ,
      RuleText(L"{InstallFolder}\\"), 1, nullptr, 0, 0, 0};
  static const RegistryRuleRow kDeleteLegacyX64Path = {
      L"{CompanyRegistryKey}", L"Last {Stream} Install Path x64", kRegistryRuleDeleteValue,
      RuleText(L"{InstallFolder}\\"), 1, nullptr, 0, 0, 0};
  VLOG(1) << "Saving last installation path.";
  std::unique_ptr<Operation> operation_out;
  std::string error;
  if (!CreateOperationFromRegistryRule(RegistryRule(kSetLastInstallPath, this), HKEY_CURRENT_USER,
                                       &operation_out)) {
    LOG(ERROR) << "Could not convert kSetLastInstallPathRegOp";
  } else if (operation_out && !transaction_.Execute(std::move(operation_out), &error)) {
    LOG(WARNING) << "Could not write last installation path";
  }
  if (settings_->GetArchitecture() != 1)
    return;
  std::unique_ptr<Operation> delete_out;
  if (!CreateOperationFromRegistryRule(RegistryRule(kDeleteLegacyX64Path, this),
                                       HKEY_CURRENT_USER, &delete_out) ||
      (delete_out && !transaction_.Execute(std::move(delete_out), &error))) {
    LOG(WARNING) << "Could not delete legacy x64 last install path";
  }
}

bool Installer::ObtainRights(const base::FilePath& folder, bool admin, bool access) {
  SecurityUtil* security = GetSecurityUtil();
  if (settings_->GetAllUsers() && !admin) {
    VLOG(1) << "All users is set but we have no admin privs -> elevate";
    ReportElevatedRun(RunElevated());
    return false;
  }
  const bool single_profile_unmarked =
      settings_->GetSingleProfile() &&
      settings_->GetFolderDetails()->IsSingleProfile() != kTriStateTrue;
  if (settings_->GetOperation() == INSTALL_OPERATION_INSTALL && admin && single_profile_unmarked) {
    std::unique_ptr<SavedSecurityInfo> unused;
    security->GrantAccessToCurrentUser(folder.value(), SE_FILE_OBJECT, GENERIC_ALL,
                                       /*permanent=*/true, &unused);
  }
  LOG(INFO) << "Write privileges for install folder: " << (access ? 1 : 0);
  if (access)
    return true;
  std::unique_ptr<SavedSecurityInfo> unused;
  if (security->GrantAccessToCurrentUser(folder.value(), SE_FILE_OBJECT, kFolderAccess,
                                         /*permanent=*/true, &unused)) {
    return true;
  }
  if (admin) {
    Fail(RESULT_INSUFFICIENT_PRIVILEGES, "Could not obtain write permissions to installation folder",
         std::wstring());
    return false;
  }
  if (security->IsUserAdmin(/*consider_linked_token=*/true)) {
    VLOG(1) << "Running elevated because of folder privileges";
    ReportElevatedRun(RunElevated());
    return false;
  }
  LOG(INFO) << "Need temporary write permissions from administrative user";
  const bool permanent = settings_->GetSingleProfile() || HasOwnSwitch(switches::kComponents);
  if (!GetFolderPermissionsElevated(folder, permanent)) {
    OnFailed();
    return false;
  }
  if (!security->HasAccess(folder.value(), SE_FILE_OBJECT, kFolderAccess)) {
    Fail(RESULT_INSUFFICIENT_PRIVILEGES,
         "No write access to installation folder after attempting to get it via elevated process",
         std::wstring());
    return false;
  }
  return true;
}

void Installer::ReportElevatedRun(bool success) {
  if (!success) {
    OnFailed();
    return;
  }
  VLOG(1) << "Succeeded elevated run";
  OnSucceeded();
}

void Installer::ContinueWithFolder(const base::FilePath& folder) {
  if (!CreateFolder(folder, RESULT_FOLDER_CREATION_FAILED))
    return;
  for (InstallerObserver& observer : observers_)
    observer.OnNotify();
  RecoverInterruptedWork(folder);
  TakeOverPendingCleanup(folder);
  if (HasOwnSwitch(switches::kWaitForPackage)) {
    VLOG(1) << "Need to wait for package";
    WaitForPackage(/*post_elevated=*/false);
    return;
  }
  if (HasPackageDir() && !IsRunningFromInstallFolder()) {
    PrepareAndHandOver(/*post_elevated=*/false);
    return;
  }
  if (!HasPackageDir() &&
      !package_preparer_->CreateInstallSubfolder(&command_line_)) {
    OnFailed();
    return;
  }
  for (InstallerObserver& observer : observers_)
    observer.OnEnteringPhase(kPhaseRunningSteps);
  StartJournal(folder);
  FillStatus(folder);
  if (!HandleSubfolder(folder))
    return;
  if (settings_->GetOperation() == INSTALL_OPERATION_UPGRADE)
    ApplyInstallationExperiments(folder);
  LogTestExperimentChange();
  ScheduleAndStartSteps(/*report_total=*/true);
}

void Installer::PrepareAndHandOver(bool post_elevated) {
  for (InstallerObserver& observer : observers_)
    observer.OnEnteringPhase(kPhasePreparingPackage);
  StartJournal(GetBaseInstallFolder(), InstallationJournal::Role::kPreparation);
  if (!package_preparer_->Prepare(&command_line_)) {
    OnFailed();
    return;
  }
  if (RunInstallerFromPackage(post_elevated))
    OnSucceeded();
  else
    OnFailed();
}

void Installer::FillStatus(const base::FilePath& folder) {
  status_.copy_only = settings_->GetCopyOnly();
  status_.all_users = settings_->GetAllUsers();
  status_.path = folder;
  status_.version = product_info::GetVersion();
  const InstallationStatus* existing = GetExistingInstallation();
  if (settings_->GetOperation() == INSTALL_OPERATION_UPGRADE && existing &&
      !existing->app_id.empty()) {
    app_id_ = existing->app_id;
  } else {
    app_id_ = std::to_wstring(static_cast<int64_t>(base::Time::Now().ToTimeT()));
    VLOG(1) << "AppId for new installation: " << app_id_;
  }
  status_.app_id = app_id_;
}

bool Installer::HandleSubfolder(const base::FilePath& folder) {
  const InstallationStatus* existing = GetExistingInstallation();
  if (UsesRecordedSubfolder() && existing && !IsRecordedSubfolderSafe(existing->subfolder)) {
    Fail(settings_->GetOperation() == INSTALL_OPERATION_UNINSTALL ? RESULT_UNINSTALL_FAILED
                                                                   : RESULT_GENERAL_FAILURE,
         "The installation status names a subfolder outside the installation: " +
             base::WideToUTF8(existing->subfolder.value()),
         std::wstring());
    return false;
  }
  const base::FilePath subfolder = GetInstallSubfolder();
  if (settings_->GetOperation() != INSTALL_OPERATION_UNINSTALL) {
    VLOG(1) << "Installation subfolder" << subfolder.value();
    status_.subfolder = subfolder;
    return true;
  }
  const base::FilePath exe = folder.Append(subfolder).Append(GetBrowserExeName());
  std::string error;
  // An emptied subfolder goes, never the installation folder or above it.
  if (!transaction_.Execute(
          std::make_unique<DeleteFileOperation>(exe, /*check_in_use=*/true,
                                                /*remove_empty_parents=*/true, /*stop_at=*/folder),
          &error)) {
    Fail(RESULT_PRODUCT_IN_USE, "Can't uninstall when " + base::WideToUTF8(exe.value()) +
                                    " is in use",
         std::wstring());
    return false;
  }
  return true;
}

void Installer::ApplyInstallationExperiments(const base::FilePath& folder) {
  std::unique_ptr<JsonPrefStore> prefs =
      CreateJsonPrefStore(nullptr, folder.Append(L"installer_prefs.json"));
  const base::Value* value = nullptr;
  const base::ListValue* list = nullptr;
  if (prefs->GetValue("installer-experiments", &value) && value->GetAsList(&list)) {
    features::FeatureRegistry* registry = features::FeatureRegistry::GetInstance();
    experiment_readers_.push_back(std::make_unique<features::ListFeatureReader>(*list));
    registry->AddReader(experiment_readers_.back().get());
    experiment_readers_.push_back(std::make_unique<features::CommandLineFeatureReader>(
        command_line_));
    registry->AddReader(experiment_readers_.back().get());
  }
}

void Installer::LogTestExperimentChange() {
  if (features::IsFeatureEnabled(kInstallerExperimentTest) !=
      settings_->GetFolderDetails()->IsExperimentEnabled(kInstallerExperimentTest)) {
    LOG(INFO) << "Changing the status of the test experiment.";
  }
}

void Installer::ScheduleAndStartSteps(bool report_total) {
  int total = 0;
  if (!scheduler_->ScheduleSteps(this, &app_id_, &total)) {
    OnFailed();
    return;
  }
  if (report_total) {
    for (InstallerObserver& observer : observers_)
      observer.OnTotalSteps(total);
  }
  scheduler_->Start(task_runner_, this);
}

void Installer::WaitForPackage(bool post_elevated) {
  LOG(INFO) << "Need to wait for actual package";
  post_elevated_wait_ = post_elevated;
  package_ready_event_.Set(OpenInstallationEvent(
      settings_->GetInstallFolderPath(),
      command_line_.GetSwitchValueNative(switches::kInstallFolder), kPackageReadyEventName));
  if (!package_ready_event_.IsValid()) {
    // A main process that stopped the run lets go of its events: the run
    // was interrupted, not broken.
    if (interrupted_event_.IsValid() &&
        WaitForSingleObject(interrupted_event_.Get(), 0) == WAIT_OBJECT_0) {
      OnObjectSignaled(interrupted_event_.Get());
      return;
    }
    Fail(RESULT_GENERAL_FAILURE, "Failed to open a handle to the package ready event",
         std::wstring());
    return;
  }
  if (WaitForSingleObject(package_ready_event_.Get(), 0) == WAIT_OBJECT_0) {
    OnObjectSignaled(package_ready_event_.Get());
    return;
  }
  if (!package_watcher_.StartWatchingOnce(package_ready_event_.Get(), this))
    Fail(RESULT_GENERAL_FAILURE, "Failed to watch the package ready event", std::wstring());
}

void Installer::OnObjectSignaled(HANDLE object) {
  if (object == interrupted_event_.Get()) {
    LOG(INFO) << "Installation was interrupted";
    Cancel();
    return;
  }
  LOG(INFO) << "Package is ready";
  if (!running_)
    return;
  if (HasPackageDir()) {
    PrepareAndHandOver(post_elevated_wait_);
    return;
  }
  if (RunInstallerFromPackage(post_elevated_wait_))
    OnSucceeded();
  else
    OnFailed();
}

void Installer::OnStepStarting(const std::string& name) {
  for (InstallerObserver& observer : observers_)
    observer.OnStepStarting(name);
}

void Installer::OnStepFinished(const std::string& name, int attempt, int completed) {
  for (InstallerObserver& observer : observers_)
    observer.OnStepFinished(name, attempt, completed);
}

void Installer::OnAllStepsDone(bool success) {
  if (!success) {
    OnFailed();
    return;
  }
  const InstallOperation operation = settings_->GetOperation();
  if (operation == INSTALL_OPERATION_INSTALL || operation == INSTALL_OPERATION_UPGRADE)
    FinalizeInstallation();
  else if (operation == INSTALL_OPERATION_UNINSTALL)
    FinishUninstall();
  OnSucceeded();
}

void Installer::OnFilesToUnpackCounted(size_t count) {
  for (InstallerObserver& observer : observers_)
    observer.OnTotalSteps(static_cast<int>(count));
}

void Installer::OnUnpackProgressChanged(const std::string& name, size_t count) {
  for (InstallerObserver& observer : observers_)
    observer.OnStepFinished(name, 0, static_cast<int>(count));
}

void Installer::Fail(InstallerResult code, const std::string& detail, const std::wstring& message) {
  state_ = code;
  for (InstallerObserver& observer : observers_)
    observer.OnInstallerError(code, message, detail);
  Cancel();
  LOG(ERROR) << detail;
}

void Installer::OnFailed() {
  uint32_t code = 0;
  std::string detail;
  std::wstring message;
  GetInstallerError(&code, &detail, &message);
  // A failure is never reported as success, whatever the record holds.
  if (code == RESULT_SUCCESS)
    code = RESULT_GENERAL_FAILURE;
  Fail(static_cast<InstallerResult>(code), detail, message);
}

void Installer::OnSucceeded() {
  LOG(INFO) << "Installation succeeded";
  state_ = RESULT_SUCCESS;
  for (InstallerObserver& observer : observers_)
    observer.OnInstallerSucceeded();
  Finish();
}

void Installer::Cancel() {
  LOG(INFO) << "Installation cancelled";
  // No step and no retry may run once the rollback has begun.
  scheduler_->Cancel();
  // What the journal holds first, so that it goes before the folder it lies
  // in is taken back.
  transaction_.RollbackTo(operations_before_journal_);
  DropJournal();
  transaction_.Rollback();
  Finish();
  for (InstallerObserver& observer : observers_)
    observer.OnProcessTerminating();
}

void Installer::Finish() {
  ReleaseFolderGrant();
  EndWork();
}

void Installer::ReleaseFolderGrant() {
  if (HasFinishedEvent())
    SetEvent(finished_event_.Get());
}

void Installer::EndWork() {
  settings_ = nullptr;
  app_id_.clear();
  running_ = false;
}
