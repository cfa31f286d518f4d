#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_MOVE_FILE_OPERATION_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_MOVE_FILE_OPERATION_H_

#include "base/files/file_path.h"
#include "desktop/windows/installer/service/transactions/operation.h"

// Moves a file, creating the destination folder or moving an existing
// destination aside first (as sub-operations). At commit the folders the
// move left empty are removed, from the source's folder upward, never
// reaching the stop folder.
class MoveFileOperation : public Operation {
 public:
  // `stop_at`: the folder the work happens in (the installation folder, for
  // example); it and everything above it are never removed. Empty: the
  // deepest folder that holds both the source and the destination (none
  // when they share no folder, as on two drives).
  MoveFileOperation(const base::FilePath& source,
                    const base::FilePath& destination,
                    const base::FilePath& stop_at = base::FilePath());
  ~MoveFileOperation() override;

 private:
  bool DoExecute(Transaction* sub_operations, std::string* error) override;
  void DoRollback() override;

  base::FilePath source_;
  base::FilePath destination_;
  base::FilePath stop_at_;
  bool moved_ = false;
  bool rolled_back_ = false;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_MOVE_FILE_OPERATION_H_
