#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_JOURNAL_REGISTRY_UNDO_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_JOURNAL_REGISTRY_UNDO_H_

#include "base/files/file_path.h"
#include "desktop/windows/installer/service/own_registry_entries.h"
#include "desktop/windows/installer/service/transactions/operation.h"
#include "desktop/windows/installer/utils/object_writers.h"

// Takes back the registry changes a journal in an installation folder says
// a killed run made, as far as the journal can be trusted with them: only
// keys and values the installer's own tables write (OwnRegistryEntries) and
// that no shared-key guard refuses, and only in a root that the accounts
// able to plant the journal could not change anyway: the current user's
// when no one but the user and the administrators can write the folder,
// the machine's when only the administrators can. Anything else is left
// and logged.
class JournalRegistryUndo {
 public:
  // `writers`: who can change the folder and the journal.
  JournalRegistryUndo(const base::FilePath& folder, ObjectWriters writers);
  JournalRegistryUndo(const JournalRegistryUndo&) = delete;
  JournalRegistryUndo& operator=(const JournalRegistryUndo&) = delete;

  // Undoes one kRestoreValue, kDeleteKey or kRestoreKeys record.
  void Undo(const UndoRecord& record) const;

 private:
  bool IsTrustedWith(const UndoRecord& record) const;
  // The value goes back to what it was before the run changed it.
  void RestoreValue(const UndoRecord& record) const;
  // A key the run made goes with everything below it when it is the
  // installer's whole, otherwise only when empty; so do the ancestors it
  // made, while they are empty.
  void DeleteKey(const UndoRecord& record) const;
  // Keys the run deleted are made again with the values they held, as far
  // as the installer owns them.
  void RestoreKeys(const UndoRecord& record) const;

  const OwnRegistryEntries own_;
  const ObjectWriters writers_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_JOURNAL_REGISTRY_UNDO_H_
