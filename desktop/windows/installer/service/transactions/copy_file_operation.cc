#include "desktop/windows/installer/service/transactions/copy_file_operation.h"

#include <windows.h>

#include "base/files/file_util.h"
#include "base/logging.h"
#include "desktop/windows/installer/service/transactions/file_operation_util.h"
#include "desktop/windows/installer/service/transactions/make_room_for_file.h"
#include "desktop/windows/installer/service/transactions/transaction.h"
#include "desktop/windows/installer/utils/service_utils.h"

namespace {

// Paths this long fail in the plain Windows file calls.
constexpr size_t kMaxPathLength = MAX_PATH;

}  // namespace

CopyFileOperation::CopyFileOperation(const base::FilePath& source,
                                     const base::FilePath& destination)
    : source_(source), destination_(destination) {}

CopyFileOperation::~CopyFileOperation() = default;

bool CopyFileOperation::DoExecute(Transaction* sub_operations, std::string* error) {
  if (!MakeRoomForFile(
          destination_, sub_operations,
          {.folder_not_created = "Cannot create a folder to place the file in.",
           .not_moved_aside =
               "Cannot delete the already existing file to make room for the copied file."},
          error)) {
    return false;
  }

  VLOG(1) << "Copying " << source_ << " to " << destination_;
  if (!base::PathExists(source_)) {
    const std::string text = "The source file " + source_.AsUTF8Unsafe() + " does not exist.";
    LOG(ERROR) << text;
    AppendOperationError(error, text);
    return false;
  }
  if (!ClearReadOnlyAttribute(source_)) {
    LOG(ERROR) << "Couldn't clear RO attribute of " << source_;
    AppendOperationError(error, "Could not clear the RO attribute of file");
  }

  bool copied = false;
  if (source_.ReferencesParent() || destination_.ReferencesParent()) {
    AppendOperationError(error, "One of the paths references parent.");
  } else if (source_.value().size() >= kMaxPathLength ||
             destination_.value().size() >= kMaxPathLength) {
    AppendOperationError(error, "One of the paths is too long.");
  } else if (!sub_operations->RecordUpcomingChange(
                 {UndoRecord::Kind::kDelete, destination_, base::FilePath()}, error)) {
    // Not copied: a run killed after the copy could not remove it.
  } else if (!::CopyFileW(source_.value().c_str(), destination_.value().c_str(), FALSE)) {
    AppendOperationError(error, "Could not CopyFile because of an error: " +
                                    GetWindowsErrorText(::GetLastError()));
  } else {
    // Marked at once: from here on a rollback must remove the copy.
    copied_ = true;
    const DWORD attributes = ::GetFileAttributesW(destination_.value().c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      AppendOperationError(error,
                           "Could not get file attributes on destination because of an error: " +
                               GetWindowsErrorText(::GetLastError()));
    } else {
      if (attributes & FILE_ATTRIBUTE_READONLY) {
        ::SetFileAttributesW(destination_.value().c_str(),
                             attributes & ~FILE_ATTRIBUTE_READONLY);
      }
      copied = true;
    }
  }
  if (!copied) {
    LOG(ERROR) << "File copy failed " << (error ? *error : std::string());
    return false;
  }
  VLOG(1) << "File copied successfully";
  return true;
}

void CopyFileOperation::DoRollback() {
  if (!copied_)
    return;
  base::DeleteFile(destination_, /*recursive=*/false);
  copied_ = false;
}
