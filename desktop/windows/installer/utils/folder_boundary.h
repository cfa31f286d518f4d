#ifndef DESKTOP_WINDOWS_INSTALLER_UTILS_FOLDER_BOUNDARY_H_
#define DESKTOP_WINDOWS_INSTALLER_UTILS_FOLDER_BOUNDARY_H_

#include <windows.h>

#include <vector>

#include "base/files/file_path.h"

// The folders whose content a run may change on the word of a record kept
// on disk (a journal, a status file), checked against where they really
// lie. Anyone who can write in such a folder can make a name in it lead
// elsewhere: a junction needs no privilege, and a symbolic link to a file
// may read as a plain file where the system follows links by itself. So
// every component of a path below a folder is checked, from the folder
// down: it must be no reparse point, and opening it must land where the
// folder's real location followed by the components so far says.
//
// Removing and renaming never act on what a link leads to: an entry is
// opened as itself (not followed) and acted on through that handle once its
// location is confirmed; a link is removed or renamed itself where the
// system opens it so, and left alone where it does not.
class FolderBoundary {
 public:
  enum class Verdict {
    // Strictly below a folder of the boundary and reached through no link.
    // Components that do not exist (yet) pass: nothing leads anywhere from
    // them.
    kInside,
    // Not below any folder of the boundary (the folder itself neither).
    kOutside,
    // A component is a link, lands somewhere else, or cannot be checked.
    kThroughLink,
  };

  // ERROR_STOPPED_ON_SYMLINK, which not every SDK's headers name.
  static constexpr DWORD kStoppedOnLink = 681;

  explicit FolderBoundary(const base::FilePath& folder);
  FolderBoundary(const FolderBoundary&) = delete;
  FolderBoundary& operator=(const FolderBoundary&) = delete;

  // Another folder whose content may be changed, such as a shell folder
  // that holds the installer's own shortcuts.
  void AddFolder(const base::FilePath& folder);

  // Whether the last component of a path is checked like the others, or
  // is to be opened as itself (by Remove and Rename, which then act on a
  // link itself or not at all).
  enum class LastComponent { kChecked, kOpenedAsItself };

  // Where `path` lies.
  Verdict Check(const base::FilePath& path, LastComponent last = LastComponent::kChecked) const;

  // Removes `path`: a file, an empty folder, or with `recursive` a folder
  // with everything in it. Only below the boundary and through no link on
  // the way; a link as `path` itself, or met inside it, is removed as a
  // link or left. True when nothing is left at `path` (also when nothing
  // was there).
  bool Remove(const base::FilePath& path, bool recursive) const;

  // Renames `from` to `to` without replacing anything, both below the
  // boundary and reached through no link (`from` may be one: it is renamed
  // itself or not at all). ERROR_SUCCESS or the Windows error;
  // kStoppedOnLink for a link on the way, ERROR_ACCESS_DENIED
  // for a path outside.
  DWORD Rename(const base::FilePath& from, const base::FilePath& to) const;

  // The same for one entry of the folder it lies in, wherever that is: its
  // last component is never followed. For entries of the run's own making.
  static bool RemoveEntry(const base::FilePath& path, bool recursive);
  static DWORD RenameEntry(const base::FilePath& from, const base::FilePath& to);

 private:
  // Check's walk; `real` receives where the path lies when it is inside.
  Verdict Locate(const base::FilePath& path, LastComponent last, base::FilePath* real) const;

  std::vector<base::FilePath> folders_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_UTILS_FOLDER_BOUNDARY_H_
