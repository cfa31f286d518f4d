// The Installer's work with other installer processes: its elevated copy,
// the folder-permission helper and the installer of the prepared package.

#include <aclapi.h>

#include <string>

#include "base/command_line.h"
#include "base/files/file.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/path_service.h"
#include "base/process/process.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/utf_string_conversions.h"
#include "base/synchronization/lock.h"
#include "base/version.h"
#include "base/win/kernel_object_security.h"
#include "base/win/registry.h"
#include "base/win/windows_version.h"
#include "crash_reporter/crash_client_setup.h"
#include "desktop/windows/installer/common/file_version_utils.h"
#include "desktop/windows/installer/service/installation_status_loader.h"
#include "desktop/windows/installer/settings/settings.h"
#include "desktop/windows/installer/steps/installer.h"
#include "desktop/windows/installer/utils/app_output_runner.h"
#include "desktop/windows/installer/utils/installer_error_record.h"
#include "desktop/windows/installer/utils/installer_event_names.h"
#include "desktop/windows/installer/utils/installer_session.h"
#include "desktop/windows/installer/utils/installer_switches.h"
#include "desktop/windows/installer/utils/process_launcher.h"
#include "desktop/windows/installer/utils/product_info_util.h"
#include "desktop/windows/installer/utils/security_util.h"
#include "desktop/windows/installer/utils/service_utils.h"

namespace {

constexpr wchar_t kInstallerExe[] = L"installer.exe";
constexpr wchar_t kPoliciesSystemKey[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";

// Copies switch `name` of `own`, with its value, when present.
void CopyOwnSwitch(const base::CommandLine& own, const char* name,
                   base::CommandLine* command_line) {
  if (!own.HasSwitch(name))
    return;
  const std::wstring value = own.GetSwitchValueNative(name);
  if (value.empty())
    command_line->AppendSwitch(name);
  else
    command_line->AppendSwitchNative(name, value);
}

// Whether the installer `program` is of an earlier version than this one, or
// of one its version resource does not tell: such an installer writes its
// messages without the run's secret, and the main process reads those only
// while it runs.
bool IsOfAnEarlierVersion(const base::FilePath& program) {
  ScopedInstallerErrorKeeper keeper;
  const base::File file(program, base::File::FLAG_OPEN | base::File::FLAG_READ);
  base::Version full;
  base::Version internal;
  if (!file.IsValid() || !GetVersionFromOpenFile(file, &full, &internal, nullptr))
    return true;
  return internal.CompareTo(base::Version(GetProductInfoUtil()->GetInternalVersion())) < 0;
}

bool GetOwnExe(base::FilePath* exe) {
  if (base::PathService::Get(base::FILE_EXE, exe))
    return true;
  return SetInstallerError(RESULT_GENERAL_FAILURE, "Failed to obtain installer exe file path",
                           std::wstring());
}

}  // namespace

bool Installer::CanElevate() {
  if (GetSecurityUtil()->IsUserAdmin(/*consider_linked_token=*/true))
    return true;
  if (base::win::GetVersion() < base::win::VERSION_VISTA)
    return true;
  base::win::RegKey key;
  DWORD enable_lua = 1;
  if (key.Open(HKEY_LOCAL_MACHINE, kPoliciesSystemKey, KEY_READ) == ERROR_SUCCESS &&
      key.ReadValueDW(L"EnableLUA", &enable_lua) == ERROR_SUCCESS && enable_lua == 0) {
    return false;
  }
  return true;
}

base::CommandLine Installer::MakeElevatedCommandLine(const base::FilePath& exe) {
  base::CommandLine command_line(exe);
  // The elevated copy never launches the browser: only the user's own
  // process does, in the user's context.
  settings_->ToCommandLine(&command_line, /*suppress_launch=*/true);
  command_line.AppendSwitchASCII(switches::kParentPid,
                                 std::to_string(base::GetCurrentProcId()));
  InstallerSession::GetInstance()->AppendSwitches(&command_line);
  CopyOwnSwitch(command_line_, switches::kWaitForPackage, &command_line);
  command_line.AppendSwitch(switches::kRunElevated);
  return command_line;
}

bool Installer::RunElevated() {
  LOG(INFO) << "Running the installer elevated.";
  if (!CanElevate())
    return SetInstallerError(RESULT_ELEVATION_FAILED, "Cannot elevate with UAC disabled",
                             std::wstring());
  if (HasOwnSwitch(switches::kRunElevated)) {
    return SetInstallerError(RESULT_ELEVATION_FAILED,
                             "This process should already be elevated, but isn't.",
                             std::wstring());
  }
  return RunElevatedCopy() && TakeOverElevatedRun();
}

bool Installer::RunElevatedCopy() {
  base::FilePath exe;
  if (!GetOwnExe(&exe))
    return false;
  base::CommandLine command_line = MakeElevatedCommandLine(exe);
  // The elevated copy cannot inherit: it copies the secret's handle out of
  // this process, which holds it until the copy has ended.
  base::win::ScopedHandle shared_secret = run_secret_.Share(/*inheritable=*/false);
  if (shared_secret.IsValid())
    RunSecret::AppendSwitches(shared_secret.Get(), base::GetCurrentProcId(), &command_line);

  for (InstallerObserver& observer : observers_)
    observer.OnStartingNewMainProcess(/*earlier_version=*/false);
  DWORD error = ERROR_SUCCESS;
  base::Process process =
      GetProcessLauncher()->Launch(command_line, LaunchStyle::kElevated, &error);
  if (!process.IsValid()) {
    return SetInstallerError(RESULT_ELEVATION_FAILED,
                             "Failed to run the elevated process: " + GetWindowsErrorText(error),
                             std::wstring());
  }
  // Our own program, which carries out the whole operation.
  const DWORD wait = WaitForSingleObject(process.Handle(), INFINITE);
  const DWORD wait_error = GetLastError();
  for (InstallerObserver& observer : observers_)
    observer.OnReturnedToPreviousMainProcess();
  if (wait == WAIT_FAILED) {
    return SetInstallerError(
        RESULT_GENERAL_FAILURE,
        "Failed wait for the elevated installer: " + GetWindowsErrorText(wait_error),
        std::wstring());
  }
  if (wait != WAIT_OBJECT_0) {
    return SetInstallerError(
        RESULT_GENERAL_FAILURE,
        "Unexpected result when waiting for the elevated installer: " + std::to_string(wait),
        std::wstring());
  }
  const InstallerResult result = ExitCodeToInstallerResult(process.Handle());
  if (result != RESULT_SUCCESS)
    return SetInstallerError(result, "Elevated process returned an error.", std::wstring());
  return true;
}

bool Installer::TakeOverElevatedRun() {
  // An uninstall deletes the status file: there is nothing to read back,
  // and nothing to hand over.
  if (settings_->GetOperation() == INSTALL_OPERATION_UNINSTALL) {
    RunPostElevationTasks();
    return true;
  }
  std::unique_ptr<InstallationStatus> written;
  std::string description;
  std::string text;
  status_loader_factory_.Run()->Load(&written, settings_->GetInstallFolderPath(),
                                     /*recovery=*/false, &description, &text);
  if (!written) {
    return SetInstallerError(RESULT_GENERAL_FAILURE,
                             "Elevated process did not write new installation status",
                             std::wstring());
  }
  if (!IsRecordedSubfolderSafe(written->subfolder)) {
    return SetInstallerError(RESULT_GENERAL_FAILURE,
                             "The new installation status names a subfolder outside the "
                             "installation",
                             std::wstring());
  }
  // Later hand-overs use the folder the elevated process prepared.
  command_line_.AppendSwitchPath(switches::kInstallSubfolder, written->subfolder);
  if (!HasOwnSwitch(switches::kWaitForPackage)) {
    RunPostElevationTasks();
    return true;
  }
  if (!RunInstallerFromPackage(/*post_elevated=*/true)) {
    // The elevated installation has committed: nothing can be rolled back
    // any more, so the run succeeded and only the user's part is missing.
    AppendInstallerError("Cannot run post elevated actions");
    uint32_t code = 0;
    std::string detail;
    std::wstring message;
    GetInstallerError(&code, &detail, &message);
    LOG(WARNING) << "Post elevation tasks failed (" << code << "): " << detail;
  }
  return true;
}

base::CommandLine Installer::MakeHelperCommandLine(const base::FilePath& exe,
                                                   const base::FilePath& folder, bool permanent) {
  base::CommandLine command_line(exe);
  command_line.AppendSwitchPath(switches::kSetFolderPermission, folder);
  std::wstring user;
  GetCurrentUserName(&user);
  command_line.AppendSwitchNative(switches::kPermissionsForUser, user);
  if (permanent)
    command_line.AppendSwitch(switches::kPermanentPermissions);
  if (settings_->GetOperation() == INSTALL_OPERATION_UNINSTALL)
    command_line.AppendSwitch(switches::kRunUninstallBat);
  crash_reporter::AppendCrashReporterPid(&command_line);
  InstallerSession::GetInstance()->AppendSwitches(&command_line);
  if (HasOwnSwitch(switches::kWaitForPackage)) {
    // The helper starts the packaged installer from this folder: it must be
    // named, never left to the search path.
    base::FilePath package =
        command_line_.GetSwitchValuePath(switches::kWaitForPackage);
    if (package.empty())
      package = GetPackageFolder();
    command_line.AppendSwitchPath(switches::kWaitForPackage, package);
  }
  // The helper watches this process, so that a backend that dies does not
  // leave the grant behind.
  command_line.AppendSwitchASCII(switches::kInitialPid, std::to_string(base::GetCurrentProcId()));
  return command_line;
}

bool Installer::GetFolderPermissionsElevated(const base::FilePath& folder, bool permanent) {
  LOG(INFO) << "Run an elevated process in order to "
            << (permanent ? "permanently" : "temporarily")
            << " give permissions on the installation folder to the current user";
  if (!CanElevate())
    return SetInstallerError(RESULT_ELEVATION_FAILED, "Cannot elevate with UAC disabled",
                             std::wstring());
  std::wstring user;
  if (!GetCurrentUserName(&user))
    return SetInstallerError(RESULT_GENERAL_FAILURE, "Failed to obtain user name", std::wstring());
  VLOG(1) << "User name is " << user;
  base::FilePath exe;
  if (!GetOwnExe(&exe))
    return false;
  const base::CommandLine command_line = MakeHelperCommandLine(exe, folder, permanent);

  // Open only to this user and the Administrators, among whom the elevated
  // helper is: nobody else may fake the grant or take it back early.
  base::win::ScopedHandle grant_done(KernelObjectSecurity::CreateOwnEvent(
      MakeKernelObjectName(folder.value(), kGivePermissionEventName, /*global=*/false),
      /*manual_reset=*/false));
  if (!grant_done.IsValid()) {
    return SetInstallerError(RESULT_GENERAL_FAILURE,
                             "Failed to create event for communicating with the elevated process",
                             std::wstring());
  }
  base::win::ScopedHandle undo(KernelObjectSecurity::CreateOwnEvent(
      MakeKernelObjectName(folder.value(), kGivePermissionUndoEventName, /*global=*/false),
      /*manual_reset=*/false));
  if (!undo.IsValid()) {
    return SetInstallerError(
        RESULT_GENERAL_FAILURE,
        "Failed to create undo event for communicating with the elevated process",
        std::wstring());
  }
  if (base::win::GetVersion() < base::win::VERSION_VISTA &&
      (!FixEventACL(grant_done.Get()) || !FixEventACL(undo.Get()))) {
    return SetInstallerError(RESULT_GENERAL_FAILURE, "Cannot fix ACL event", std::wstring());
  }
  DWORD error = ERROR_SUCCESS;
  base::Process helper = GetProcessLauncher()->Launch(command_line, LaunchStyle::kElevated, &error);
  if (!helper.IsValid()) {
    return SetInstallerError(RESULT_ELEVATION_FAILED,
                             "Failed to run the elevated process: " + GetWindowsErrorText(error),
                             std::wstring());
  }
  if (!WaitForGrant(helper.Handle(), grant_done.Get()))
    return false;
  finished_event_ = std::move(undo);
  parent_pid_ = helper.Pid();
  return true;
}

bool Installer::WaitForGrant(HANDLE helper, HANDLE grant_done) {
  // The grant comes first: a helper that granted and then ended (a
  // permanent grant) has still granted.
  HANDLE handles[] = {grant_done, helper};
  const DWORD wait = WaitForMultipleObjects(2, handles, FALSE, INFINITE);
  const DWORD wait_error = GetLastError();
  if (wait == WAIT_OBJECT_0)
    return true;
  if (wait == WAIT_OBJECT_0 + 1 && WaitForSingleObject(grant_done, 0) == WAIT_OBJECT_0)
    return true;
  const std::string reason = wait == WAIT_OBJECT_0 + 1
                                 ? std::string("the helper ended without granting access")
                                 : GetWindowsErrorText(wait_error);
  return SetInstallerError(RESULT_ELEVATION_FAILED, "Failed to wait for the elevated process: " +
                                                        reason,
                           std::wstring());
}

bool Installer::RunInstallerFromPackage(bool post_elevated) {
  const base::FilePath folder = HasPackageDir() ? GetInstallFolder() : GetPackageFolder();
  const base::FilePath program = folder.Append(kInstallerExe);
  // Only a program that is really there is started, never one the search
  // path would find.
  if (!program.IsAbsolute() || !base::PathExists(program) || base::DirectoryExists(program)) {
    LOG(ERROR) << "No installer program at " << program.value();
    return SetInstallerError(RESULT_GENERAL_FAILURE,
                             "Failed to start installer process from the package folder: " +
                                 GetWindowsErrorText(ERROR_FILE_NOT_FOUND),
                             std::wstring());
  }
  base::CommandLine command_line(program);
  settings_->ToCommandLine(&command_line, /*suppress_launch=*/false);
  if (post_elevated)
    command_line.AppendSwitch(switches::kPostElevatedInstallTasks);
  crash_reporter::AppendCrashReporterPid(&command_line);
  CopyOwnSwitch(command_line_, switches::kInstallSubfolder, &command_line);
  InstallerSession::GetInstance()->AppendSwitches(&command_line);

  const bool earlier_version = IsOfAnEarlierVersion(program);
  for (InstallerObserver& observer : observers_)
    observer.OnStartingNewMainProcess(earlier_version);
  // This process stops working on the installation before the next starts.
  // The helper's grant stays until that one has ended too: it writes the
  // same folder.
  EndWork();
  LOG(INFO) << "Running installer from the package with command line: "
            << command_line.GetCommandLineString();
  DWORD error = ERROR_SUCCESS;
  base::Process process = LaunchWithRunSecret(&command_line, &error);
  InstallerResult result = RESULT_SUCCESS;
  if (process.IsValid()) {
    // Our own program, which carries out the operation.
    WaitForSingleObject(process.Handle(), INFINITE);
    result = ExitCodeToInstallerResult(process.Handle());
  }
  for (InstallerObserver& observer : observers_)
    observer.OnReturnedToPreviousMainProcess();
  ReleaseFolderGrant();
  if (!process.IsValid()) {
    return SetInstallerError(
        RESULT_GENERAL_FAILURE,
        "Failed to start installer process from the package folder: " + GetWindowsErrorText(error),
        std::wstring());
  }
  if (result != RESULT_SUCCESS)
    return SetInstallerError(result, "Installer process did not complete successfully.",
                             std::wstring());
  return true;
}

base::Process Installer::LaunchWithRunSecret(base::CommandLine* command_line, DWORD* error) {
  if (run_secret_.empty())
    return GetProcessLauncher()->Launch(*command_line, LaunchStyle::kPlain, error);
  // No other child may inherit the secret meanwhile.
  base::AutoLock lock(GetAppOutputLock());
  base::win::ScopedHandle shared = run_secret_.Share(/*inheritable=*/true);
  if (!shared.IsValid())
    return GetProcessLauncher()->Launch(*command_line, LaunchStyle::kPlain, error);
  RunSecret::AppendSwitches(shared.Get(), base::kNullProcessId, command_line);
  return GetProcessLauncher()->LaunchInheriting(*command_line, shared.Get(), error);
}

bool Installer::FixEventACL(HANDLE handle) {
  PACL old_dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(handle, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                      &old_dacl, nullptr, &descriptor) != ERROR_SUCCESS) {
    LOG(ERROR) << "FixEventACL: failed to GetSecurityInfo";
    return false;
  }
  SID_IDENTIFIER_AUTHORITY nt_authority = SECURITY_NT_AUTHORITY;
  PSID admins = nullptr;
  if (!AllocateAndInitializeSid(&nt_authority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &admins)) {
    LOG(ERROR) << "FixEventACL: failed to AllocateAndInitializeSid";
    LocalFree(descriptor);
    return false;
  }
  EXPLICIT_ACCESSW access = {};
  access.grfAccessPermissions = GENERIC_ALL;
  access.grfAccessMode = GRANT_ACCESS;
  access.grfInheritance = NO_INHERITANCE;
  access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
  access.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
  access.Trustee.ptstrName = static_cast<LPWSTR>(admins);
  PACL new_dacl = nullptr;
  bool ok = false;
  if (SetEntriesInAclW(1, &access, old_dacl, &new_dacl) != ERROR_SUCCESS) {
    LOG(ERROR) << "FixEventACL: failed to SetEntriesInAcl";
  } else if (SetSecurityInfo(handle, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                             new_dacl, nullptr) != ERROR_SUCCESS) {
    LOG(ERROR) << "FixEventACL: failed to SetSecurityInfo";
  } else {
    ok = true;
  }
  if (new_dacl)
    LocalFree(new_dacl);
  FreeSid(admins);
  LocalFree(descriptor);
  return ok;
}
