#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_TRANSACTION_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_TRANSACTION_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/threading/platform_thread.h"
#include "desktop/windows/installer/service/transactions/operation.h"

class FolderBoundary;
class OperationJournal;

// The executed operations of a piece of work, oldest first. Rollback undoes
// them newest first; destroying the transaction commits them, oldest first.
// Used on one thread only: the first thread that executes or appends
// through it.
class Transaction {
 public:
  Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  ~Transaction();

  // Runs |operation|. On success it is kept (after the sub-operations it
  // ran); on failure it and its sub-operations are rolled back and dropped,
  // so the machine is as it was before the call.
  bool Execute(std::unique_ptr<Operation> operation, std::string* error);

  // Undoes every executed operation, newest first, then drops them.
  void Rollback();
  // The same for the operations kept after the first `size` ones.
  void RollbackTo(size_t size);

  // Makes every executed operation final, oldest first, and forgets them:
  // what destroying the transaction does.
  void Commit();

  // From now on every change an operation (or a sub-operation) makes is
  // written down in `journal` (not owned; null stops it) before it is made,
  // and taken out of it again once rolled back.
  void SetJournal(OperationJournal* journal);

  // For an operation run with this transaction as its `sub_operations`:
  // writes down how the change it is about to make is undone, right before
  // it makes it, after the changes of its sub-operations. False, with
  // `error` set when given, when that cannot be written: the change must
  // not be made, as a run killed after it could not undo it.
  bool RecordUpcomingChange(const UndoRecord& record, std::string* error);

  // From now on file operations refuse a path below a folder of `boundary`
  // that a link leads through (not owned; null stops it). Their
  // sub-operations too.
  void SetFolderBoundary(const FolderBoundary* boundary) { folder_boundary_ = boundary; }
  const FolderBoundary* folder_boundary() const { return folder_boundary_; }

  bool empty() const { return operations_.empty(); }
  size_t size() const { return operations_.size(); }

 private:
  // Destroys |operations| oldest first, which commits those not rolled back.
  static void DestroyInOrder(std::vector<std::unique_ptr<Operation>>* operations);
  // Keeps an executed operation whose changes were written down from the
  // journal length `written_from` on (kNotWrittenDown: none were).
  void Keep(std::unique_ptr<Operation> operation, uint64_t written_from);
  // Cuts the journal back to `written_from`, once what was written down
  // from there on is undone.
  void TakeOutOfJournal(uint64_t written_from);

  // Binds the transaction to the calling thread on first use and DCHECKs
  // that every later use comes from it.
  void CheckCalledOnOwningThread();

  std::vector<std::unique_ptr<Operation>> operations_;
  OperationJournal* journal_ = nullptr;
  const FolderBoundary* folder_boundary_ = nullptr;
  // For each operation, the journal's length before its changes were
  // written down.
  static constexpr uint64_t kNotWrittenDown = ~uint64_t{0};
  std::vector<uint64_t> journal_lengths_;
  // As the sub-operations of an operation: the journal's length before the
  // operation's own changes were written down.
  uint64_t own_changes_from_ = kNotWrittenDown;
  base::PlatformThreadId owning_thread_ = base::kInvalidThreadId;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_TRANSACTION_H_
