#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_TRANSACTION_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_TRANSACTION_H_

#include <memory>
#include <string>
#include <vector>

#include "base/threading/platform_thread.h"
#include "desktop/windows/installer/service/transactions/operation.h"

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

  // Takes an operation that has already been executed.
  void Append(std::unique_ptr<Operation> operation);

  bool empty() const { return operations_.empty(); }
  size_t size() const { return operations_.size(); }

 private:
  // Destroys |operations| oldest first, which commits those not rolled back.
  static void DestroyInOrder(std::vector<std::unique_ptr<Operation>>* operations);

  // Binds the transaction to the calling thread on first use and DCHECKs
  // that every later use comes from it.
  void CheckCalledOnOwningThread();

  std::vector<std::unique_ptr<Operation>> operations_;
  base::PlatformThreadId owning_thread_ = base::kInvalidThreadId;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_TRANSACTION_H_
