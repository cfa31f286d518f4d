#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_OPERATION_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_OPERATION_H_

#include <string>

class Transaction;

// One undoable change to the machine. Run it through a Transaction; once
// executed, destroying it without a rollback makes the change final.
class Operation {
 public:
  virtual ~Operation() = default;

  // Carries the change out. Anything the change needs first (a folder, a
  // file out of the way) is run through |sub_operations|. |error| may be
  // null; it receives a UTF-8 description of a failure.
  virtual bool Execute(Transaction* sub_operations, std::string* error) = 0;

  // Undoes what Execute did; nothing when Execute changed nothing.
  virtual void Rollback() = 0;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_OPERATION_H_
