#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_CREATE_FOLDER_OPERATION_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_CREATE_FOLDER_OPERATION_H_

#include <vector>

#include "base/files/file_path.h"
#include "desktop/windows/installer/service/transactions/operation.h"

// Creates a folder with every missing parent. Rollback removes the folders
// it created (deepest first) while they are empty; a folder that existed
// already is never touched.
class CreateFolderOperation : public Operation {
 public:
  // `created`, when given, receives the folders this operation made,
  // topmost first, and must outlive the execution.
  explicit CreateFolderOperation(const base::FilePath& folder,
                                 std::vector<base::FilePath>* created = nullptr);
  ~CreateFolderOperation() override;

 private:
  bool DoExecute(Transaction* sub_operations, std::string* error) override;
  void DoRollback() override;

  base::FilePath folder_;
  std::vector<base::FilePath>* const created_;
  // The nearest folder that existed before; empty until this operation
  // created folders.
  base::FilePath ancestor_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_CREATE_FOLDER_OPERATION_H_
