#include "desktop/windows/installer/service/transactions/write_file_operation.h"

#include <windows.h>

#include <utility>

#include "base/files/file_util.h"
#include "base/files/important_file_writer.h"
#include "base/logging.h"
#include "desktop/windows/installer/service/transactions/file_operation_util.h"
#include "desktop/windows/installer/service/transactions/make_room_for_file.h"
#include "desktop/windows/installer/service/transactions/transaction.h"
#include "desktop/windows/installer/utils/service_utils.h"

WriteFileOperation::WriteFileOperation(const base::FilePath& path, std::string contents)
    : path_(path.StripTrailingSeparators()), contents_(std::move(contents)) {}

WriteFileOperation::~WriteFileOperation() = default;

bool WriteFileOperation::DoExecute(Transaction* sub_operations, std::string* error) {
  if (base::DirectoryExists(path_)) {
    // Never move a folder aside to make room for a record file.
    SetOperationError(error, "A folder stands where the file " + path_.AsUTF8Unsafe() +
                                 " should be written.");
    return false;
  }
  if (!MakeRoomForFile(path_, sub_operations,
                       {.folder_not_created = "\nCannot create a folder to place the file in.",
                        .not_moved_aside = "\nCannot move the existing file aside."},
                       error)) {
    return false;
  }

  VLOG(1) << "Writing " << path_;
  if (!sub_operations->RecordUpcomingChange({UndoRecord::Kind::kDelete, path_, base::FilePath()},
                                            error)) {
    return false;
  }
  if (!base::ImportantFileWriter::WriteFileAtomically(path_, contents_)) {
    const DWORD last_error = ::GetLastError();
    LOG(ERROR) << "File write failed " << path_;
    SetOperationError(error, "Could not write the file " + path_.AsUTF8Unsafe() + ": " +
                                 GetWindowsErrorText(last_error));
    return false;
  }
  written_ = true;
  return true;
}

void WriteFileOperation::DoRollback() {
  if (!written_)
    return;
  if (!base::DeleteFile(path_, /*recursive=*/false))
    LOG(ERROR) << "Cannot remove the written file " << path_;
  written_ = false;
}
