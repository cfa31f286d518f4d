#include "desktop/windows/installer/service/transactions/create_folder_operation.h"

#include <windows.h>

#include <vector>

#include "base/files/file_util.h"
#include "base/logging.h"
#include "desktop/windows/installer/service/transactions/file_operation_util.h"
#include "desktop/windows/installer/service/transactions/transaction.h"
#include "desktop/windows/installer/utils/service_utils.h"

CreateFolderOperation::CreateFolderOperation(const base::FilePath& folder,
                                             std::vector<base::FilePath>* created)
    : folder_(folder.StripTrailingSeparators()), created_(created) {}

CreateFolderOperation::~CreateFolderOperation() = default;

bool CreateFolderOperation::DoExecute(Transaction* sub_operations, std::string* error) {
  VLOG(1) << "Attempting to create folder " << folder_;
  if (base::DirectoryExists(folder_)) {
    VLOG(1) << "Folder already exists";
    return true;
  }

  // The folders to create, deepest first.
  std::vector<base::FilePath> missing;
  base::FilePath current = folder_;
  while (!base::DirectoryExists(current)) {
    const base::FilePath parent = current.DirName();
    if (parent == current) {
      SetOperationError(error, "Failed folder creation: No valid ancestor found");
      LOG(ERROR) << "Failed folder creation";
      return false;
    }
    missing.push_back(current);
    current = parent;
  }
  VLOG(1) << "Valid ancestor " << current;

  if (!sub_operations->RecordUpcomingChange({UndoRecord::Kind::kRemoveFolders, folder_, current},
                                            error)) {
    return false;
  }
  // Remembered before creating anything, so that a rollback after a partial
  // failure removes what was made.
  ancestor_ = current;
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
    if (!::CreateDirectoryW(it->value().c_str(), nullptr)) {
      const DWORD last_error = ::GetLastError();
      if (last_error == ERROR_ALREADY_EXISTS && base::DirectoryExists(*it))
        continue;
      SetOperationError(error, "Cannot create directory: " + GetWindowsErrorText(last_error));
      return false;
    }
    if (created_)
      created_->push_back(*it);
  }
  VLOG(1) << "Folder created successfully";
  return true;
}

void CreateFolderOperation::DoRollback() {
  if (ancestor_.empty())
    return;
  RemoveEmptyFoldersUpward(folder_, ancestor_);
  ancestor_.clear();
}
