#include "desktop/windows/installer/service/transactions/operation.h"

#include "base/logging.h"

bool Operation::Execute(Transaction* sub_operations, std::string* error) {
  DCHECK(sub_operations);
  DCHECK(state_ == State::kNew) << "an operation is executed once";
  state_ = State::kExecuted;
  return DoExecute(sub_operations, error);
}

void Operation::Rollback() {
  DCHECK(state_ == State::kExecuted) << "an operation is rolled back once, after Execute";
  state_ = State::kRolledBack;
  DoRollback();
}
