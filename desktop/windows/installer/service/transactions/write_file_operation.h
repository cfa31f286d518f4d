#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_WRITE_FILE_OPERATION_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_WRITE_FILE_OPERATION_H_

#include <string>

#include "base/files/file_path.h"
#include "desktop/windows/installer/service/transactions/operation.h"

// Writes a whole file (the installation's own records: preferences, status,
// tracking data). A missing folder is created and an existing file moved
// aside first, as sub-operations, so a rollback leaves the folder as it was
// and restores the old file. The new file appears in one step: a failed
// write never leaves a half-written file.
class WriteFileOperation : public Operation {
 public:
  WriteFileOperation(const base::FilePath& path, std::string contents);
  ~WriteFileOperation() override;

 private:
  bool DoExecute(Transaction* sub_operations, std::string* error) override;
  void DoRollback() override;

  base::FilePath path_;
  std::string contents_;
  bool written_ = false;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_WRITE_FILE_OPERATION_H_
