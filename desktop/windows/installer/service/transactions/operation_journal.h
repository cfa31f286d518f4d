#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_OPERATION_JOURNAL_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_OPERATION_JOURNAL_H_

#include <cstdint>

#include "desktop/windows/installer/service/transactions/operation.h"

// Where a transaction writes down, as it goes, how each executed operation
// is undone, so that the record survives the process.
class OperationJournal {
 public:
  virtual ~OperationJournal() = default;

  // Appends how an executed operation is undone; kNone records nothing.
  virtual void Record(const UndoRecord& record) = 0;
  // The length so far: what Truncate goes back to once the operations
  // recorded after it are rolled back.
  virtual uint64_t GetLength() const = 0;
  virtual void Truncate(uint64_t length) = 0;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_OPERATION_JOURNAL_H_
