#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_JOURNAL_UNDO_BATCH_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_JOURNAL_UNDO_BATCH_H_

#include <set>
#include <string>
#include <vector>

#include "desktop/windows/installer/service/transactions/operation.h"

// The journal lines a run undoes one after another, newest first, before it
// takes them out of the journal together (one cut and one flush for the
// lot). A run killed before it takes a batch out leaves its lines to the
// next run, which undoes them again. Undoing a line again does what undoing
// it once did, unless an older line's undoing has since changed the same
// place: a file put back where a newer line's file was removed would be
// removed with it. So a batch ends before a line that touches a place a
// line of the batch touches: the same file or folder, one above or below
// it, the same registry key or value, a key above or below it.
class JournalUndoBatch {
 public:
  JournalUndoBatch();
  ~JournalUndoBatch();
  JournalUndoBatch(const JournalUndoBatch&) = delete;
  JournalUndoBatch& operator=(const JournalUndoBatch&) = delete;

  // Whether undoing `record` touches a place a line of the batch touches.
  bool Touches(const UndoRecord& record) const;
  void Add(const UndoRecord& record);
  void Clear() { places_.clear(); }

 private:
  // The places undoing `record` changes, spelt alike whatever the case of
  // their letters.
  static std::vector<std::wstring> PlacesOf(const UndoRecord& record);

  std::set<std::wstring> places_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_JOURNAL_UNDO_BATCH_H_
