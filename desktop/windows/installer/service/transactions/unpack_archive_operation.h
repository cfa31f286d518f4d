#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_UNPACK_ARCHIVE_OPERATION_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_UNPACK_ARCHIVE_OPERATION_H_

#include <vector>

#include "base/files/file.h"
#include "base/files/file_path.h"
#include "desktop/windows/installer/service/transactions/operation.h"

class LzmaUtil;
class UnpackProgressObserver;

// Unpacks a 7z archive into a folder. Rollback removes the files and the
// folders the unpacking made, also after a failure half-way.
class UnpackArchiveOperation : public Operation {
 public:
  // `unpacker` and `observer` (may be null) are borrowed; the unpacker is
  // used by Execute only.
  UnpackArchiveOperation(const base::FilePath& archive,
                         const base::FilePath& destination,
                         LzmaUtil* unpacker,
                         UnpackProgressObserver* observer);
  // Unpacks the archive that `archive_file` holds open (`archive` names
  // it in messages), never what the path names by then.
  UnpackArchiveOperation(base::File archive_file,
                         const base::FilePath& archive,
                         const base::FilePath& destination,
                         LzmaUtil* unpacker,
                         UnpackProgressObserver* observer);
  ~UnpackArchiveOperation() override;

 private:
  bool DoExecute(Transaction* sub_operations, std::string* error) override;
  void DoRollback() override;

  base::FilePath archive_;
  base::File archive_file_;
  base::FilePath destination_;
  std::vector<base::FilePath> extracted_files_;
  std::vector<base::FilePath> created_folders_;
  LzmaUtil* unpacker_;
  UnpackProgressObserver* observer_;
  // Nothing above it is removed by a rollback.
  base::FilePath removal_limit_;
  bool something_to_undo_ = false;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_UNPACK_ARCHIVE_OPERATION_H_
