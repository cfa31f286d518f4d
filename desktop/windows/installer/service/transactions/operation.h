#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_OPERATION_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_OPERATION_H_

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "desktop/windows/installer/service/transactions/saved_registry_key.h"

class Transaction;

// How a later process undoes a change an operation makes, without the
// process that made it: what a journal keeps, written before the change is
// made, so that the next run can undo the work of a run killed at any
// instant. Each says enough to tell whether its change was made: undoing
// one that never was changes nothing, and never removes what was there
// before. Paths are absolute.
struct UndoRecord {
  enum class Kind {
    // Nothing a later process undoes: an operation that changes nothing, an
    // unpacked archive (its folder goes with the versioned folder).
    kNone,
    // `path` is moved aside to `other`, a name nothing has: move it back
    // when `other` is there. (Committing deletes `other`.)
    kPutBack,
    // `path`, where nothing is, is made: delete it when it is there.
    kDelete,
    // `other` is moved to `path`, where nothing is: move it back when
    // `other` is not there and `path` is.
    kMoveBack,
    // The folders from `path` up to `other` (not included), none of them
    // there, are made: remove those that are there while they are empty.
    kRemoveFolders,
    // The value `value_name` of `key` is changed: give it `value_type` and
    // `value_data` again, or delete it when `value_type` is kAbsentValue.
    // The same when it never changed.
    kRestoreValue,
    // `key`, and its ancestors up to `top_key`, none of them there, are
    // made: delete it with everything below it, then those ancestors while
    // they are empty; nothing when it is not there.
    kDeleteKey,
    // `key` is deleted with the keys below it: make `keys` again where they
    // are missing (parents first, each at or below `key`) and give them
    // their values, which they still have when they were never deleted.
    kRestoreKeys,
    // `path`, a versioned folder of the installation folder, is made or
    // replaced by the run: it goes once no status names it. Written by the
    // run itself, not by an operation.
    kVersionedFolder,
  };
  // The earlier "type" of a value that did not exist.
  static constexpr DWORD kAbsentValue = 0xFFFFFFFF;

  Kind kind = Kind::kNone;
  // Files.
  base::FilePath path;
  base::FilePath other;
  // Registry: the root (HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER), the view
  // flags (KEY_WOW64_32KEY, KEY_WOW64_64KEY or none) and the key below the
  // root.
  HKEY root = nullptr;
  REGSAM view = 0;
  std::wstring key;
  std::wstring top_key;
  std::wstring value_name;
  DWORD value_type = kAbsentValue;
  std::vector<uint8_t> value_data;
  // kRestoreKeys.
  struct Key {
    std::wstring path;  // Below the root.
    std::vector<SavedRegistryValue> values;
  };
  std::vector<Key> keys;
};

// One undoable change to the machine. Run it through a Transaction; once
// executed, destroying it without a rollback makes the change final.
//
// An operation is executed at most once and rolled back at most once, after
// its execution (also a failed one: the transaction undoes what it did half
// way). Subclasses implement DoExecute and DoRollback; DoExecute writes
// down each change through Transaction::RecordUpcomingChange of its
// sub-operations right before it makes it.
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
