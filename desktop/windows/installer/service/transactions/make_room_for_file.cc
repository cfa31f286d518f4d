#include "desktop/windows/installer/service/transactions/make_room_for_file.h"

#include <memory>

#include "base/files/file_util.h"
#include "base/logging.h"
#include "desktop/windows/installer/service/transactions/create_folder_operation.h"
#include "desktop/windows/installer/service/transactions/delete_file_operation.h"
#include "desktop/windows/installer/service/transactions/file_operation_util.h"
#include "desktop/windows/installer/service/transactions/transaction.h"

bool MakeRoomForFile(const base::FilePath& destination,
                     Transaction* sub_operations,
                     const MakeRoomErrorTexts& texts,
                     std::string* error) {
  DCHECK(sub_operations);
  // What lies at the destination is moved aside as itself, link or not.
  if (!IsPathClearOfLinks(sub_operations, destination,
                          FolderBoundary::LastComponent::kOpenedAsItself, error)) {
    return false;
  }
  const base::FilePath parent = destination.DirName();
  if (!base::DirectoryExists(parent)) {
    if (!sub_operations->Execute(std::make_unique<CreateFolderOperation>(parent), error)) {
      AppendOperationError(error, texts.folder_not_created);
      return false;
    }
  } else if (base::PathExists(destination)) {
    if (!sub_operations->Execute(
            std::make_unique<DeleteFileOperation>(destination, /*check_in_use=*/false,
                                                  /*remove_empty_parents=*/false),
            error)) {
      AppendOperationError(error, texts.not_moved_aside);
      return false;
    }
  }
  return true;
}
