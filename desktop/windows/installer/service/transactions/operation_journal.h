#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_OPERATION_JOURNAL_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_OPERATION_JOURNAL_H_

#include <cstdint>

#include "desktop/windows/installer/service/transactions/operation.h"

// Where a transaction writes down, change by change and before each change
// is made, how it is undone, so that the record survives the process at
// whatever instant it ends.
class OperationJournal {
 public:
  virtual ~OperationJournal() = default;

  // Appends how the change about to be made is undone; kNone records
  // nothing. False when it cannot be written: the change must not be made.
  virtual bool Record(const UndoRecord& record) = 0;
  // The length so far: what Truncate goes back to once the changes
  // recorded after it are rolled back.
  virtual uint64_t GetLength() const = 0;
  virtual void Truncate(uint64_t length) = 0;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_OPERATION_JOURNAL_H_
