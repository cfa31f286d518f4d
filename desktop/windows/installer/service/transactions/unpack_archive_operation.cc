#include "desktop/windows/installer/service/transactions/unpack_archive_operation.h"

#include <memory>
#include <string>
#include <utility>

#include "base/files/file_util.h"
#include "base/logging.h"
#include "desktop/windows/installer/lzma_util/lzma_util.h"
#include "desktop/windows/installer/service/transactions/create_folder_operation.h"
#include "desktop/windows/installer/service/transactions/file_operation_util.h"
#include "desktop/windows/installer/service/transactions/transaction.h"
#include "desktop/windows/installer/utils/relative_path.h"
#include "desktop/windows/installer/utils/service_utils.h"

namespace {

// Whether `path` names a place strictly below `folder`: a plain prefix test
// would let "<folder>\..\x" through.
bool IsBelow(const base::FilePath& folder, const base::FilePath& path) {
  if (!IsParentPathIgnoreCase(folder, path))
    return false;
  const std::wstring& value = path.value();
  size_t start = folder.StripTrailingSeparators().value().size();
  while (start < value.size() && base::FilePath::IsSeparator(value[start]))
    ++start;
  return IsSafeRelativePath(std::wstring_view(value).substr(start));
}

}  // namespace

UnpackArchiveOperation::UnpackArchiveOperation(const base::FilePath& archive,
                                               const base::FilePath& destination,
                                               LzmaUtil* unpacker,
                                               UnpackProgressObserver* observer)
    : archive_(archive),
      destination_(destination.StripTrailingSeparators()),
      unpacker_(unpacker),
      observer_(observer) {}

UnpackArchiveOperation::UnpackArchiveOperation(base::File archive_file,
                                               const base::FilePath& archive,
                                               const base::FilePath& destination,
                                               LzmaUtil* unpacker,
                                               UnpackProgressObserver* observer)
    : UnpackArchiveOperation(archive, destination, unpacker, observer) {
  archive_file_ = std::move(archive_file);
}

UnpackArchiveOperation::~UnpackArchiveOperation() = default;

bool UnpackArchiveOperation::DoExecute(Transaction* sub_operations, std::string* error) {
  // A rollback removes folders up to the destination, and the destination
  // itself only when the unpacking made it.
  removal_limit_ = destination_;
  if (!base::DirectoryExists(destination_)) {
    removal_limit_ = destination_.DirName();
    if (!sub_operations->Execute(std::make_unique<CreateFolderOperation>(removal_limit_),
                                 error)) {
      AppendOperationError(error, "\nCannot create a folder to place the files in.");
      return false;
    }
  }

  VLOG(1) << "Unpacking " << archive_ << " to " << destination_;
  if (!archive_file_.IsValid() && !base::PathExists(archive_)) {
    const std::string text = "The archive " + archive_.AsUTF8Unsafe() + " does not exist.";
    LOG(ERROR) << text;
    SetOperationError(error, text);
    return false;
  }
  if (!unpacker_) {
    LOG(ERROR) << "Could not open the archive: no unpacker";
    SetOperationError(error, "Could not open the archive: no unpacker");
    return false;
  }
  LzmaUtil* unpacker = unpacker_;
  unpacker_ = nullptr;
  const LzmaUtil::OpenResult open_result = archive_file_.IsValid()
                                                ? unpacker->OpenFile(std::move(archive_file_))
                                                : unpacker->Open(archive_);
  if (open_result != LzmaUtil::kOpenOk) {
    SetOperationError(error, "Could not open the archive: " + std::to_string(open_result));
    LOG(ERROR) << "Could not open the archive";
    return false;
  }
  const LzmaUtil::ExtractResult result =
      unpacker->Extract(destination_, nullptr, observer_, &extracted_files_, &created_folders_);
  unpacker->Close();
  if (result != LzmaUtil::kOk) {
    SetOperationError(error, "Could not lzma unpack, error code: " + std::to_string(result));
    LOG(ERROR) << "Could not unpack";
    something_to_undo_ = !extracted_files_.empty() || !created_folders_.empty();
    return false;
  }
  something_to_undo_ = true;
  for (const base::FilePath& file : extracted_files_) {
    if (!ClearReadOnlyAttribute(file))
      LOG(ERROR) << "Couldn't clear RO attribute of " << file;
  }
  VLOG(1) << "Archive unpacked successfully";
  return true;
}

void UnpackArchiveOperation::DoRollback() {
  if (!something_to_undo_)
    return;
  something_to_undo_ = false;
  for (const base::FilePath& file : extracted_files_) {
    // The unpacker reports only what it wrote below the destination; a path
    // elsewhere is never deleted.
    if (!IsBelow(destination_, file)) {
      LOG(ERROR) << "Not removing " << file << ": outside " << destination_;
      continue;
    }
    base::DeleteFile(file, /*recursive=*/false);
  }
  // Deepest first; each walk stops at a folder that is not empty.
  for (auto it = created_folders_.rbegin(); it != created_folders_.rend(); ++it) {
    if (!PathsEqualIgnoreCase(*it, destination_) && !IsBelow(destination_, *it)) {
      LOG(ERROR) << "Not removing " << *it << ": outside " << destination_;
      continue;
    }
    RemoveEmptyFoldersUpward(*it, removal_limit_);
  }
}
