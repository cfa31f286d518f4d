#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_COPY_FILE_OPERATION_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_COPY_FILE_OPERATION_H_

#include "base/files/file_path.h"
#include "desktop/windows/installer/service/transactions/operation.h"

// Copies a file, creating the destination folder or moving an existing
// destination aside first (as sub-operations). The copy is never read-only.
class CopyFileOperation : public Operation {
 public:
  CopyFileOperation(const base::FilePath& source, const base::FilePath& destination);
  ~CopyFileOperation() override;

 private:
  bool DoExecute(Transaction* sub_operations, std::string* error) override;
  void DoRollback() override;

  base::FilePath source_;
  base::FilePath destination_;
  bool copied_ = false;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_COPY_FILE_OPERATION_H_
