#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_MOVE_FILE_OPERATION_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_MOVE_FILE_OPERATION_H_

#include "base/files/file_path.h"
#include "desktop/windows/installer/service/transactions/operation.h"

// Moves a file, creating the destination folder or moving an existing
// destination aside first (as sub-operations). At commit the folders the
// move left empty are removed.
class MoveFileOperation : public Operation {
 public:
  MoveFileOperation(const base::FilePath& source, const base::FilePath& destination);
  ~MoveFileOperation() override;

 private:
  bool DoExecute(Transaction* sub_operations, std::string* error) override;
  void DoRollback() override;

  base::FilePath source_;
  base::FilePath destination_;
  bool moved_ = false;
  bool rolled_back_ = false;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_MOVE_FILE_OPERATION_H_
