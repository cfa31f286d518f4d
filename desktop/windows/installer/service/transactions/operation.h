#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_OPERATION_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_OPERATION_H_

#include <string>

class Transaction;

// One undoable change to the machine. Run it through a Transaction; once
// executed, destroying it without a rollback makes the change final.
//
// An operation is executed at most once and rolled back at most once, after
// its execution (also a failed one: the transaction undoes what it did half
// way). Subclasses implement DoExecute and DoRollback.
class Operation {
 public:
  Operation() = default;
  Operation(const Operation&) = delete;
  Operation& operator=(const Operation&) = delete;
  virtual ~Operation() = default;

  // Carries the change out. Anything the change needs first (a folder, a
  // file out of the way) is run through |sub_operations|, which must be
  // given. |error| may be null; it receives a UTF-8 description of a
  // failure.
  bool Execute(Transaction* sub_operations, std::string* error);

  // Undoes what Execute did; nothing when Execute changed nothing.
  void Rollback();

 private:
  enum class State { kNew, kExecuted, kRolledBack };

  virtual bool DoExecute(Transaction* sub_operations, std::string* error) = 0;
  virtual void DoRollback() = 0;

  State state_ = State::kNew;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_OPERATION_H_
