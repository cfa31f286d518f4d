#include "desktop/windows/installer/service/transactions/transaction.h"

#include <utility>

#include "base/logging.h"

Transaction::Transaction() = default;

Transaction::~Transaction() {
  CheckCalledOnOwningThread();
  DestroyInOrder(&operations_);
}

bool Transaction::Execute(std::unique_ptr<Operation> operation, std::string* error) {
  CheckCalledOnOwningThread();
  DCHECK(operation);
  if (!operation)
    return false;
  Transaction sub_operations;
  if (operation->Execute(&sub_operations, error)) {
    for (auto& sub_operation : sub_operations.operations_)
      operations_.push_back(std::move(sub_operation));
    sub_operations.operations_.clear();
    operations_.push_back(std::move(operation));
    return true;
  }
  operation->Rollback();
  sub_operations.Rollback();
  operation.reset();
  return false;
}

void Transaction::Rollback() {
  CheckCalledOnOwningThread();
  for (auto it = operations_.rbegin(); it != operations_.rend(); ++it)
    (*it)->Rollback();
  DestroyInOrder(&operations_);
}

void Transaction::Append(std::unique_ptr<Operation> operation) {
  CheckCalledOnOwningThread();
  DCHECK(operation);
  if (operation)
    operations_.push_back(std::move(operation));
}

// static
void Transaction::DestroyInOrder(std::vector<std::unique_ptr<Operation>>* operations) {
  DCHECK(operations);
  // A vector destroys its elements in an unspecified order; commits must run
  // oldest first (a copy's commit before the commit of the folder it needed).
  for (auto& operation : *operations)
    operation.reset();
  operations->clear();
}

void Transaction::CheckCalledOnOwningThread() {
#if DCHECK_IS_ON()
  const base::PlatformThreadId current = base::PlatformThread::CurrentId();
  if (owning_thread_ == base::kInvalidThreadId)
    owning_thread_ = current;
  DCHECK_EQ(owning_thread_, current) << "a transaction is used on one thread only";
#endif
}
