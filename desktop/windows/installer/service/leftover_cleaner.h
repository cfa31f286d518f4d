#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_LEFTOVER_CLEANER_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_LEFTOVER_CLEANER_H_

#include <cstdint>
#include <set>
#include <string>

#include "base/files/file_path.h"
#include "desktop/windows/installer/service/transactions/operation.h"
#include "desktop/windows/installer/utils/folder_boundary.h"

// Puts an installation folder right after runs that ended half way (a
// power cut, a killed process) and removes what they left, so that the
// next run starts from a clean folder. Nothing is reached through a link:
// a journal line whose path a link leads out of the folder is skipped, and
// a removal takes a link itself or leaves it (FolderBoundary). Only names the installer makes are
// touched: versioned folders ("51.0.2802.0", "51.0.2802.0_3"), moved-aside
// copies ("<name>.<seconds>.old") and the temporary files of its atomic
// writes ("<hex>.tmp") in the folder itself.
class LeftoverCleaner {
 public:
  explicit LeftoverCleaner(const base::FilePath& folder);
  LeftoverCleaner(const LeftoverCleaner&) = delete;
  LeftoverCleaner& operator=(const LeftoverCleaner&) = delete;

  // The run whose journal is in the folder was killed: finishes its commit
  // when it was committing, otherwise undoes its changes, newest first; then
  // the journal goes.
  void FinishInterruptedRun();

  // A versioned folder that stays whatever the status files say (the one a
  // run works in or runs from, the existing installation's). A name only.
  void Keep(const base::FilePath& subfolder);

  // Removes the versioned folders that neither the status file, nor a
  // status file kept in "old_status", nor Keep names, unless a program in
  // them runs; and the moved-aside copies and temporary files. A copy that
  // an undone run moved aside and whose file is gone is put back instead.
  void RemoveLeftovers();

  // Whether `name` is one of a versioned folder: a four-part version,
  // maybe followed by "_" and a number.
  static bool IsVersionedFolderName(const std::wstring& name);

 private:
  // Whether the record's files lie in the folder, reached through no link.
  bool IsReachable(const UndoRecord& record) const;
  void Undo(const UndoRecord& record);
  void Complete(const UndoRecord& record);
  // False when a status file is there but cannot be read: then which
  // folders are owned is unknown.
  bool CollectOwnedSubfolders(std::set<std::wstring>* owned) const;
  // Removes the moved-aside copies in `folder` (and below it when
  // `recursive`).
  void CleanBackups(const base::FilePath& folder, bool recursive) const;
  void RemoveTemporaryFiles() const;
  // Whether a program or library in `folder` is in use.
  static bool IsInUse(const base::FilePath& folder);

  const base::FilePath folder_;
  const FolderBoundary boundary_;
  std::set<std::wstring> kept_;
  // When the undone run began (seconds since 1970); 0 when none was undone.
  int64_t undone_since_ = 0;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_LEFTOVER_CLEANER_H_
