#include "desktop/windows/installer/service/transactions/move_file_operation.h"

#include <windows.h>

#include "base/logging.h"
#include "desktop/windows/installer/service/transactions/file_operation_util.h"
#include "desktop/windows/installer/service/transactions/make_room_for_file.h"
#include "desktop/windows/installer/service/transactions/transaction.h"
#include "desktop/windows/installer/utils/service_utils.h"

namespace {

// The deepest folder that holds both `a` and `b`; empty when there is none.
base::FilePath CommonFolderIgnoreCase(const base::FilePath& a, const base::FilePath& b) {
  base::FilePath candidate = a.DirName();
  for (;;) {
    if (IsParentPathIgnoreCase(candidate, b))
      return candidate;
    const base::FilePath parent = candidate.DirName();
    if (parent == candidate)
      return base::FilePath();
    candidate = parent;
  }
}

}  // namespace

MoveFileOperation::MoveFileOperation(const base::FilePath& source,
                                     const base::FilePath& destination,
                                     const base::FilePath& stop_at)
    : source_(source.StripTrailingSeparators()),
      destination_(destination.StripTrailingSeparators()),
      stop_at_(stop_at.StripTrailingSeparators()) {
  // Still empty when they share no folder; the commit then removes nothing.
  if (stop_at_.empty())
    stop_at_ = CommonFolderIgnoreCase(source_, destination_);
}

MoveFileOperation::~MoveFileOperation() {
  if (moved_ && !rolled_back_)
    RemoveEmptyFoldersUpward(source_.DirName(), stop_at_);
}

bool MoveFileOperation::DoExecute(Transaction* sub_operations, std::string* error) {
  // Where the system follows a link itself, moving one moves what it leads to.
  if (!IsPathClearOfLinks(sub_operations, source_, FolderBoundary::LastComponent::kChecked,
                          error) ||
      !MakeRoomForFile(
          destination_, sub_operations,
          {.folder_not_created = "\nCannot create folder for the moved file",
           .not_moved_aside = "\nCannot delete the file that has the same name as the move target"},
          error)) {
    return false;
  }

  VLOG(1) << "Moving " << source_ << "to" << destination_;
  if (!ClearReadOnlyAttribute(source_))
    LOG(ERROR) << "Couldn't clear RO attribute of " << source_;
  if (!sub_operations->RecordUpcomingChange({UndoRecord::Kind::kMoveBack, destination_, source_},
                                            error)) {
    return false;
  }

  if (!::MoveFileExW(source_.value().c_str(), destination_.value().c_str(),
                     MOVEFILE_COPY_ALLOWED)) {
    const DWORD last_error = ::GetLastError();
    LOG(ERROR) << "File move failed";
    SetOperationError(error, "Could not move the file: " + GetWindowsErrorText(last_error));
    return false;
  }
  VLOG(1) << "File moved successfully";
  moved_ = true;
  return true;
}

void MoveFileOperation::DoRollback() {
  rolled_back_ = true;
  if (!moved_)
    return;
  if (::MoveFileExW(destination_.value().c_str(), source_.value().c_str(),
                    MOVEFILE_COPY_ALLOWED)) {
    VLOG(1) << "File move rolled back successfully";
    moved_ = false;
  } else {
    LOG(ERROR) << "Cannot move " << destination_ << " back to " << source_;
  }
}
