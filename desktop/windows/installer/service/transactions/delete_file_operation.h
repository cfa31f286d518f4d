#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_DELETE_FILE_OPERATION_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_DELETE_FILE_OPERATION_H_

#include <memory>

#include "base/files/file_path.h"
#include "desktop/windows/installer/service/transactions/operation.h"

struct SavedSecurityInfo;

// Deletes a file (or folder) in two stages: Execute moves it aside to
// <path>.<seconds since 1970>.old, the commit (destruction) removes that.
// Rollback moves it back.
class DeleteFileOperation : public Operation {
 public:
  // |check_in_use|: an ".exe" or ".dll" that cannot be opened for writing
  // after the move (a running program, a loaded library) is moved back and
  // the deletion fails. |remove_empty_parents|: at commit, the parent folder
  // and its parents are removed while they are empty, up to |stop_at| (the
  // installation folder, for example): it and everything above it are never
  // removed. Without |stop_at| nothing is removed.
  DeleteFileOperation(const base::FilePath& path,
                      bool check_in_use,
                      bool remove_empty_parents,
                      const base::FilePath& stop_at = base::FilePath());
  ~DeleteFileOperation() override;

  // Where the file was moved; empty before Execute.
  const base::FilePath& moved_aside_path() const { return moved_aside_path_; }

 private:
  bool DoExecute(Transaction* sub_operations, std::string* error) override;
  void DoRollback() override;

  base::FilePath path_;
  base::FilePath moved_aside_path_;
  // The file lies at |moved_aside_path_|. Stays set when moving it back
  // failed, so that a later rollback can try again.
  bool moved_ = false;
  // Once rolled back, the commit never deletes the ".old" file: it is the
  // only copy when moving it back failed.
  bool rolled_back_ = false;
  bool check_in_use_;
  bool remove_empty_parents_;
  base::FilePath stop_at_;
  std::unique_ptr<SavedSecurityInfo> saved_security_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_DELETE_FILE_OPERATION_H_
