#include "desktop/windows/installer/service/transactions/move_file_operation.h"

#include <windows.h>

#include <memory>

#include "base/files/file_util.h"
#include "base/logging.h"
#include "desktop/windows/installer/service/transactions/create_folder_operation.h"
#include "desktop/windows/installer/service/transactions/delete_file_operation.h"
#include "desktop/windows/installer/service/transactions/file_operation_util.h"
#include "desktop/windows/installer/service/transactions/transaction.h"
#include "desktop/windows/installer/utils/service_utils.h"

MoveFileOperation::MoveFileOperation(const base::FilePath& source,
                                     const base::FilePath& destination)
    : source_(source.StripTrailingSeparators()),
      destination_(destination.StripTrailingSeparators()) {}

MoveFileOperation::~MoveFileOperation() {
  if (moved_ && !rolled_back_)
    RemoveEmptyFoldersUpward(source_.DirName(), base::FilePath());
}

bool MoveFileOperation::DoExecute(Transaction* sub_operations, std::string* error) {
  const base::FilePath parent = destination_.DirName();
  if (!base::DirectoryExists(parent)) {
    if (!sub_operations->Execute(std::make_unique<CreateFolderOperation>(parent), error)) {
      AppendOperationError(error, "\nCannot create folder for the moved file");
      return false;
    }
  } else if (base::PathExists(destination_)) {
    if (!sub_operations->Execute(
            std::make_unique<DeleteFileOperation>(destination_, false, false), error)) {
      AppendOperationError(error,
                           "\nCannot delete the file that has the same name as the move target");
      return false;
    }
  }

  VLOG(1) << "Moving " << source_ << "to" << destination_;
  if (!ClearReadOnlyAttribute(source_))
    LOG(ERROR) << "Couldn't clear RO attribute of " << source_;

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
