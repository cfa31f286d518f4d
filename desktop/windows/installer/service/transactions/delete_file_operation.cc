#include "desktop/windows/installer/service/transactions/delete_file_operation.h"

#include <windows.h>

#include <aclapi.h>

#include <string>

#include "base/files/file_util.h"
#include "base/logging.h"
#include "desktop/windows/installer/service/transactions/file_operation_util.h"
#include "desktop/windows/installer/service/transactions/operation_access.h"
#include "desktop/windows/installer/service/transactions/transaction.h"
#include "desktop/windows/installer/utils/moved_aside_name.h"
#include "desktop/windows/installer/utils/folder_boundary.h"
#include "desktop/windows/installer/utils/saved_security_info.h"
#include "desktop/windows/installer/utils/security_util.h"
#include "desktop/windows/installer/utils/service_utils.h"

namespace {

// Generic write plus delete.
constexpr DWORD kDeleteAccess = 0x130116;
constexpr char kNoPermissions[] = "Cannot obtain proper permissions on the file";

}  // namespace

DeleteFileOperation::DeleteFileOperation(const base::FilePath& path,
                                         bool check_in_use,
                                         bool remove_empty_parents,
                                         const base::FilePath& stop_at)
    : path_(path.StripTrailingSeparators()),
      check_in_use_(check_in_use),
      remove_empty_parents_(remove_empty_parents),
      stop_at_(stop_at.StripTrailingSeparators()) {}

DeleteFileOperation::~DeleteFileOperation() {
  if (moved_ && !rolled_back_) {
    VLOG(1) << "Actual removal of " << moved_aside_path_;
    if (!FolderBoundary::RemoveEntry(moved_aside_path_, /*recursive=*/true))
      base::DeleteFileAfterReboot(moved_aside_path_);
    if (remove_empty_parents_)
      RemoveEmptyFoldersUpward(path_.DirName(), stop_at_);
  } else if (saved_security_) {
    GetSecurityUtil()->RestoreAccess(&saved_security_);
  }
}

bool DeleteFileOperation::DoExecute(Transaction* sub_operations, std::string* error) {
  VLOG(1) << "Preparing file " << path_ << " for removal";
  // A link itself is moved aside as a link, or not at all (RenamePath).
  if (!IsPathClearOfLinks(sub_operations, path_, FolderBoundary::LastComponent::kOpenedAsItself,
                          error)) {
    return false;
  }
  if (!base::PathExists(path_)) {
    VLOG(1) << "File does not exist. Nothing to do";
    return true;
  }

  moved_aside_path_ = MakeMovedAsideName(path_);
  if (base::PathExists(moved_aside_path_)) {
    LOG(ERROR) << "Temporary file with name" << moved_aside_path_ << "already exists";
    SetOperationError(error, ".old file '" + moved_aside_path_.AsUTF8Unsafe() +
                                 "' already exists ");
    return false;
  }

  // A temporary grant, given back unless the commit removes the file.
  if (!EnsureAccess({.object_name = path_.value(),
                     .object_type = SE_FILE_OBJECT,
                     .required = kDeleteAccess,
                     .granted = kDeleteAccess},
                    ERROR_SUCCESS, {.grant_failed = kNoPermissions}, /*reopen=*/nullptr,
                    &saved_security_)) {
    SetOperationError(error, kNoPermissions);
    return false;
  }

  if (!sub_operations->RecordUpcomingChange(
          {UndoRecord::Kind::kPutBack, path_, moved_aside_path_}, error)) {
    return false;
  }
  DWORD result = RenamePath(path_, moved_aside_path_);
  if (result == ERROR_SUCCESS) {
    VLOG(1) << "File moved successfully to " << moved_aside_path_;
    if (check_in_use_ && IsProgramOrLibrary(path_)) {
      result = TryOpenForWriting(moved_aside_path_);
      if (result != ERROR_SUCCESS) {
        // A running program: whether that is a failure is the caller's to
        // say (an uninstall leaves it to its clean-up script).
        LOG(WARNING) << "Attempt to open the file for writing failed: "
                     << GetWindowsErrorText(result);
        // When the move back fails the file stays marked as moved, and the
        // transaction's rollback of this failed operation tries again.
        moved_ = RenamePath(moved_aside_path_, path_) != ERROR_SUCCESS;
      }
    }
  }
  if (result != ERROR_SUCCESS) {
    LOG(WARNING) << "File removal failed";
    SetOperationError(error, "Cannot move the file to .old: " + GetWindowsErrorText(result));
    return false;
  }
  moved_ = true;
  return true;
}

void DeleteFileOperation::DoRollback() {
  rolled_back_ = true;
  if (!moved_)
    return;
  if (RenamePath(moved_aside_path_, path_) == ERROR_SUCCESS) {
    moved_ = false;
  } else {
    LOG(ERROR) << "Cannot move " << moved_aside_path_ << " back to " << path_;
  }
}
