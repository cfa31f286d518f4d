#include "desktop/windows/installer/service/transactions/transaction.h"

#include <utility>

#include "base/logging.h"
#include "desktop/windows/installer/service/transactions/operation_journal.h"

Transaction::Transaction() = default;

Transaction::~Transaction() {
  Commit();
}

bool Transaction::Execute(std::unique_ptr<Operation> operation, std::string* error) {
  CheckCalledOnOwningThread();
  DCHECK(operation);
  if (!operation)
    return false;
  // Sub-operations write down their own changes as they make them.
  DCHECK_EQ(own_changes_from_, kNotWrittenDown)
      << "an operation writes down its own changes after those of its sub-operations";
  Transaction sub_operations;
  sub_operations.folder_boundary_ = folder_boundary_;
  sub_operations.journal_ = journal_;
  if (operation->Execute(&sub_operations, error)) {
    for (size_t i = 0; i < sub_operations.operations_.size(); ++i)
      Keep(std::move(sub_operations.operations_[i]), sub_operations.journal_lengths_[i]);
    sub_operations.operations_.clear();
    sub_operations.journal_lengths_.clear();
    Keep(std::move(operation), sub_operations.own_changes_from_);
    return true;
  }
  operation->Rollback();
  sub_operations.TakeOutOfJournal(sub_operations.own_changes_from_);
  sub_operations.Rollback();
  operation.reset();
  return false;
}

bool Transaction::RecordUpcomingChange(const UndoRecord& record, std::string* error) {
  CheckCalledOnOwningThread();
  if (!journal_)
    return true;
  if (own_changes_from_ == kNotWrittenDown)
    own_changes_from_ = journal_->GetLength();
  if (journal_->Record(record))
    return true;
  if (error)
    *error = "Cannot write the change down in the installation journal.";
  return false;
}

void Transaction::Rollback() {
  RollbackTo(0);
}

void Transaction::RollbackTo(size_t size) {
  CheckCalledOnOwningThread();
  for (size_t i = operations_.size(); i-- > size;) {
    operations_[i]->Rollback();
    // Undone: a later process must not undo it again (a copy's removal
    // would then take the file its rollback put back).
    TakeOutOfJournal(journal_lengths_[i]);
  }
  if (size >= operations_.size())
    return;
  std::vector<std::unique_ptr<Operation>> undone;
  for (size_t i = size; i < operations_.size(); ++i)
    undone.push_back(std::move(operations_[i]));
  operations_.resize(size);
  journal_lengths_.resize(size);
  DestroyInOrder(&undone);
}

void Transaction::Commit() {
  CheckCalledOnOwningThread();
  DestroyInOrder(&operations_);
  journal_lengths_.clear();
}

void Transaction::SetJournal(OperationJournal* journal) {
  CheckCalledOnOwningThread();
  journal_ = journal;
}

void Transaction::Keep(std::unique_ptr<Operation> operation, uint64_t written_from) {
  journal_lengths_.push_back(journal_ ? written_from : kNotWrittenDown);
  operations_.push_back(std::move(operation));
}

void Transaction::TakeOutOfJournal(uint64_t written_from) {
  if (journal_ && written_from != kNotWrittenDown)
    journal_->Truncate(written_from);
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
