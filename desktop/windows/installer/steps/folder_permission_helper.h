#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_FOLDER_PERMISSION_HELPER_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_FOLDER_PERMISSION_HELPER_H_

#include <windows.h>

#include "base/command_line.h"
#include "base/time/time.h"
#include "base/win/scoped_handle.h"

class AclApi;
class ProcessLauncher;

// The elevated helper role ("set-folder-permission"): grants a named user
// full control of an installation folder for a backend that cannot write
// it, tells the backend through an event and takes the grant back when
// asked, or when the requester has gone: the process "initial-pid" names,
// or without one the process that started the helper. The waiting variant
// ("wait-for-package") first waits for the package and then starts the
// packaged installer in the granting variant. The package folder and the
// package-ready event are the user's, which any program of the user can
// plant into or set: the packaged installer runs, elevated, only as
// HeldInstaller allows. Failures end the role silently: the backend has its
// own limits.
class FolderPermissionHelper {
 public:
  // After the Undo event, the backend's last writes may still be under way.
  static constexpr base::TimeDelta kUndoGrace = base::TimeDelta::FromSeconds(10);

  // `acl_api` and `launcher` are not owned and must outlive the helper.
  // `signature_required`: whether this process is a signed build, whose
  // packaged installer must carry the expected signer. `starter`: the
  // process that started this one, invalid when it has gone.
  FolderPermissionHelper(const base::CommandLine& command_line, AclApi* acl_api,
                         ProcessLauncher* launcher, bool signature_required,
                         base::win::ScopedHandle starter = base::win::ScopedHandle());
  FolderPermissionHelper(const FolderPermissionHelper&) = delete;
  FolderPermissionHelper& operator=(const FolderPermissionHelper&) = delete;

  void set_undo_grace_for_testing(base::TimeDelta grace) { undo_grace_ = grace; }

  void Run();

 private:
  void RunWaitingVariant();
  void RunGrantingVariant();
  // Waits for Undo or the end of the requester; false when the requester
  // ended (the grant is then taken back at once).
  bool WaitForUndo(HANDLE undo_event);
  // The process "initial-pid" names, opened to wait for its end; invalid
  // when it names none or one that has gone.
  base::win::ScopedHandle OpenRequester();

  const base::CommandLine command_line_;
  AclApi* const acl_api_;
  ProcessLauncher* const launcher_;
  const bool signature_required_;
  base::win::ScopedHandle starter_;
  base::TimeDelta undo_grace_ = kUndoGrace;
};

// Runs the role from the command line the entry point read.
void RunSetFolderPermission(const base::CommandLine& command_line);

// Starts "k.bat" of `installation_folder`, hidden, without waiting, when it
// exists and is a cleanup batch file of that folder, after writing it again
// as a file of this (elevated) process.
void RunUninstallBat(const base::FilePath& installation_folder);

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_FOLDER_PERMISSION_HELPER_H_
