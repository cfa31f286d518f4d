#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_LEFTOVER_CLEANER_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_LEFTOVER_CLEANER_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "desktop/windows/installer/service/installation_journal.h"
#include "desktop/windows/installer/service/shell_shortcut_files.h"
#include "desktop/windows/installer/service/transactions/operation.h"
#include "desktop/windows/installer/utils/folder_boundary.h"
#include "desktop/windows/installer/utils/object_writers.h"

// Puts an installation folder right after runs that ended half way (a
// power cut, a killed process) and removes what they left, so that the
// next run starts from a clean folder. It removes only what a run of this
// installer made there, as its journal or a status file records it: a
// folder holding neither (a first install into a folder of the user's)
// loses nothing, whatever the names in it. Only a journal that the run's own
// class of accounts could have written counts: any other is removed
// unread and names nothing. Nothing is reached through a link: a journal
// line whose path a link leads out of the folder is skipped, and a removal
// takes a link itself or leaves it (FolderBoundary).
class LeftoverCleaner {
 public:
  // `writers`: the class of accounts of the run that cleans (kAdministrators
  // for a run for all users, kCurrentUser for one of the user's), whose
  // journals it takes. `shortcuts`, when given: the shortcut files outside
  // the folder that a journal may name.
  LeftoverCleaner(const base::FilePath& folder,
                  ObjectWriters writers,
                  const ShellShortcutFiles* shortcuts = nullptr);
  LeftoverCleaner(const LeftoverCleaner&) = delete;
  LeftoverCleaner& operator=(const LeftoverCleaner&) = delete;

  // The runs whose journals are in the folder were killed: finishes the
  // commit of one that was committing, otherwise undoes its changes, newest
  // first, taken out of the journal once undone, in batches whose undoing
  // again changes nothing (a run killed while undoing leaves the rest to
  // the next: JournalUndoBatch); then the journal goes. A journal that a
  // running process still writes is left alone.
  void FinishInterruptedRun();

  // Stops after undoing `count` changes, as a run killed while undoing.
  void StopUndoingAfterForTesting(size_t count) { undo_limit_ = count; }

  // A versioned folder that stays whatever the status files say (the one a
  // run works in or runs from, the existing installation's). A name only.
  void Keep(const base::FilePath& subfolder);

  // A versioned folder that a status this run replaced names: it goes
  // once no status names it. A name only.
  void AddRecorded(const base::FilePath& subfolder);

  // Removes the versioned folders that a journal or AddRecorded names and
  // that neither the status file, nor a status file kept in "old_status",
  // nor Keep names, unless a program in them runs; the moved-aside copies in
  // the versioned folders a status or journal names; and, in the folder and
  // "old_status", the moved-aside copies and temporary files made since the
  // killed run began. A copy that an undone run moved aside and whose file
  // is gone is put back instead.
  void RemoveLeftovers();


 private:
  // Whether the record's files lie in the folder, reached through no link.
  bool IsReachable(const UndoRecord& record) const;
  void FinishInterruptedRun(InstallationJournal::Role role);
  // Undoes the journal's changes; false when stopped as if killed.
  bool UndoAll(InstallationJournal::Left* journal, const std::vector<bool>& reachable);
  // Notes the versioned folder a record's files lie in.
  void Record(const UndoRecord& record);
  void Undo(const UndoRecord& record);
  void Complete(const UndoRecord& record);
  // False when a status file is there but cannot be read: then which
  // folders are owned is unknown.
  bool CollectOwnedSubfolders(std::set<std::wstring>* owned) const;
  // Removes the moved-aside copies in `folder` (and below it when
  // `recursive`) made at `since` (seconds since 1970) or later.
  void CleanBackups(const base::FilePath& folder, bool recursive, int64_t since) const;
  void RemoveTemporaryFiles() const;
  // Whether a program or library in `folder` is in use.
  static bool IsInUse(const base::FilePath& folder);

  const base::FilePath folder_;
  const ObjectWriters writers_;
  std::optional<ShellShortcutFiles> shortcuts_;
  FolderBoundary boundary_;
  std::set<std::wstring> kept_;
  // Lower-case names of the versioned folders a journal or AddRecorded
  // names.
  std::set<std::wstring> recorded_;
  // When the undone run began (seconds since 1970); 0 when none was undone.
  int64_t undone_since_ = 0;
  size_t undo_limit_ = SIZE_MAX;
  // When the earliest run whose journal was found began; 0 when none was.
  int64_t journal_started_ = 0;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_LEFTOVER_CLEANER_H_
