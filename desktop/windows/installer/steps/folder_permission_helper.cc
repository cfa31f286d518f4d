#include "desktop/windows/installer/steps/folder_permission_helper.h"

#include <aclapi.h>

#include <string>
#include <utility>

#include "base/files/file.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/win/scoped_handle.h"
#include "crash_reporter/crash_reporter_switches.h"
#include "desktop/windows/installer/signature_checker/signature_checker.h"
#include "desktop/windows/installer/steps/finalize/cleanup_batch_file.h"
#include "desktop/windows/installer/steps/held_installer.h"
#include "desktop/windows/installer/utils/acl_api.h"
#include "desktop/windows/installer/utils/installer_event_names.h"
#include "desktop/windows/installer/utils/installer_switches.h"
#include "desktop/windows/installer/utils/process_id_text.h"
#include "desktop/windows/installer/utils/process_launcher.h"
#include "desktop/windows/installer/utils/service_utils.h"
#include "desktop/windows/installer/utils/starter_process.h"

namespace {

// The requester's event; one of an earlier version names it after the
// folder as spelt.
HANDLE OpenNamedEvent(DWORD access, const std::wstring& folder, const wchar_t* name,
                      bool global) {
  return OpenByNameOrSpelling(
      MakeKernelObjectName(folder, name, global),
      MakeKernelObjectNameOfSpelling(folder, name, global),
      [access](const std::wstring& event) { return OpenEventW(access, FALSE, event.c_str()); });
}

}  // namespace

FolderPermissionHelper::FolderPermissionHelper(const base::CommandLine& command_line,
                                               AclApi* acl_api, ProcessLauncher* launcher,
                                               bool signature_required,
                                               base::win::ScopedHandle starter)
    : command_line_(command_line),
      acl_api_(acl_api),
      launcher_(launcher),
      signature_required_(signature_required),
      starter_(std::move(starter)) {}

void FolderPermissionHelper::Run() {
  if (!command_line_.HasSwitch(switches::kPermissionsForUser))
    return;
  if (command_line_.HasSwitch(switches::kWaitForPackage))
    RunWaitingVariant();
  else
    RunGrantingVariant();
}

void FolderPermissionHelper::RunWaitingVariant() {
  if (!command_line_.HasSwitch(switches::kInitialPid))
    return;
  const std::wstring folder = command_line_.GetSwitchValueNative(switches::kSetFolderPermission);
  base::win::ScopedHandle ready(
      OpenNamedEvent(SYNCHRONIZE, folder, kPackageReadyEventName, /*global=*/true));
  base::win::ScopedHandle interrupted(
      OpenNamedEvent(SYNCHRONIZE, folder, kInterruptedEventName, /*global=*/true));
  if (!ready.IsValid() || !interrupted.IsValid())
    return;
  base::win::ScopedHandle installer = OpenRequester();
  if (!installer.IsValid())
    return;
  // Bounded by the installer's end: it goes when its UI process goes.
  HANDLE handles[] = {ready.Get(), interrupted.Get(), installer.Get()};
  if (WaitForMultipleObjects(3, handles, FALSE, INFINITE) != WAIT_OBJECT_0)
    return;
  // Held from the check until the started helper has ended.
  HeldInstaller packaged;
  if (!packaged.Open(command_line_.GetSwitchValuePath(switches::kWaitForPackage),
                     signature_required_)) {
    return;
  }
  base::CommandLine granting(packaged.program());
  for (const char* name : {crash_reporter::switches::kCrashReporterPid,
                           switches::kSetFolderPermission, switches::kPermissionsForUser,
                           switches::kPermanentPermissions, switches::kInitialPid}) {
    if (!command_line_.HasSwitch(name))
      continue;
    const std::wstring value = command_line_.GetSwitchValueNative(name);
    if (value.empty())
      granting.AppendSwitch(name);
    else
      granting.AppendSwitchNative(name, value);
  }
  base::Process process = launcher_->Launch(granting, LaunchStyle::kPlain, nullptr);
  if (!process.IsValid())
    return;
  // A program of ours (checked above), which ends with the grant it holds.
  WaitForSingleObject(process.Handle(), INFINITE);
}

void FolderPermissionHelper::RunGrantingVariant() {
  const std::wstring folder = command_line_.GetSwitchValueNative(switches::kSetFolderPermission);
  base::win::ScopedHandle done(
      OpenNamedEvent(EVENT_ALL_ACCESS, folder, kGivePermissionEventName, /*global=*/false));
  base::win::ScopedHandle undo(
      OpenNamedEvent(EVENT_ALL_ACCESS, folder, kGivePermissionUndoEventName, /*global=*/false));
  if (!done.IsValid() || !undo.IsValid())
    return;
  const base::FilePath folder_path(folder);
  if (!base::DirectoryExists(folder_path) && !base::CreateDirectory(folder_path))
    return;

  PACL old_dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (acl_api_->ReadNamedSecurity(folder, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                  nullptr, &old_dacl, &descriptor) != ERROR_SUCCESS) {
    return;
  }
  std::wstring user = command_line_.GetSwitchValueNative(switches::kPermissionsForUser);
  EXPLICIT_ACCESSW access = {};
  BuildExplicitAccessWithNameW(&access, user.data(), GENERIC_ALL, GRANT_ACCESS,
                               OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE);
  PACL new_dacl = nullptr;
  if (SetEntriesInAclW(1, &access, old_dacl, &new_dacl) == ERROR_SUCCESS) {
    if (acl_api_->WriteNamedSecurity(folder, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                     new_dacl) == ERROR_SUCCESS) {
      const bool signalled = SetEvent(done.Get()) != FALSE;
      if (!command_line_.HasSwitch(switches::kPermanentPermissions)) {
        if (signalled && WaitForUndo(undo.Get()))
          Sleep(static_cast<DWORD>(undo_grace_.InMilliseconds()));
        acl_api_->WriteNamedSecurity(folder, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                     old_dacl);
      }
    }
    LocalFree(new_dacl);
  }
  LocalFree(descriptor);
}

bool FolderPermissionHelper::WaitForUndo(HANDLE undo_event) {
  // A backend of an earlier version may name no requester ("initial-pid"
  // empty or absent): then the process that asked for the grant is the one
  // that started this helper.
  base::win::ScopedHandle requester =
      command_line_.GetSwitchValueNative(switches::kInitialPid).empty() ? std::move(starter_)
                                                                         : OpenRequester();
  // A requester that is already gone needs no grant any more.
  if (!requester.IsValid())
    return false;
  HANDLE handles[] = {undo_event, requester.Get()};
  return WaitForMultipleObjects(2, handles, FALSE, INFINITE) == WAIT_OBJECT_0;
}

base::win::ScopedHandle FolderPermissionHelper::OpenRequester() {
  DWORD pid = 0;
  if (!ParseProcessIdText(command_line_.GetSwitchValueNative(switches::kInitialPid), &pid))
    return base::win::ScopedHandle();
  return base::win::ScopedHandle(OpenProcess(SYNCHRONIZE, FALSE, pid));
}

void RunSetFolderPermission(const base::CommandLine& command_line) {
  AclApiImpl acl_api;
  FolderPermissionHelper helper(command_line, &acl_api, GetProcessLauncher(),
                                RunningImageHasCertificateTable(), OpenStarterProcess());
  helper.Run();
}

void RunUninstallBat(const base::FilePath& installation_folder) {
  const base::FilePath batch = CleanupBatchFile::GetPath(installation_folder);
  if (!base::PathExists(batch))
    return;
  // The unelevated installer wrote the file while it could write the
  // folder, and may have changed it since: it runs here, elevated, only
  // when it is a cleanup batch file of this folder, and as a new file of
  // this process, which nobody else can change.
  std::string text;
  if (!CleanupBatchFile::ReadFile(installation_folder, nullptr, &text)) {
    LOG(ERROR) << "Not running " << batch << ": it is no cleanup batch file of this folder";
    return;
  }
  if (!base::DeleteFile(batch, /*recursive=*/false)) {
    PLOG(ERROR) << "Not running " << batch << ": cannot replace it";
    return;
  }
  // Created new: never a file that somebody made again meanwhile.
  base::File file(batch, base::File::FLAG_CREATE | base::File::FLAG_WRITE);
  if (!file.IsValid() ||
      file.WriteAtCurrentPos(text.data(), static_cast<int>(text.size())) !=
          static_cast<int>(text.size())) {
    LOG(ERROR) << "Not running " << batch << ": cannot write it again";
    return;
  }
  file.Close();
  StartCleanupBatchFile(batch);
}
