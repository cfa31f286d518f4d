#ifndef DESKTOP_WINDOWS_INSTALLER_UTILS_PRIVATE_FOLDER_H_
#define DESKTOP_WINDOWS_INSTALLER_UTILS_PRIVATE_FOLDER_H_

#include <string>

#include "base/files/file_path.h"

// Work folders of one installer run in a folder others may write (the
// temporary folder, or a shared one given with "temp-folder"). Such a
// folder is made new by this run, never taken over from whoever made one
// under the same name first, and carries an access list of its own that
// no inherited entry widens: only this user, the system and the
// administrators (an elevated installer of another account reads it) may
// enter it.

// 16 hexadecimal digits from the system's random generator: a name part
// nobody can guess ahead.
std::wstring RandomNameToken();

// The access list of a private folder, as SDDL: protected (nothing
// inherited from the parent), full access for the current user, the system
// and the administrators, inherited by everything below. Empty when the
// user's identity cannot be read.
std::wstring GetPrivateFolderSddl();

// Makes `folder` as a new private folder; false when anything is already
// there under that name (nothing of it is touched then) or it cannot be
// made. A missing parent is made first, with the parent's usual rights.
bool CreateNewPrivateFolder(const base::FilePath& folder);

// Makes a new private folder at `first_choice`, or, while that name is
// taken, at `first_choice` followed by "_" and a random token; `made` is
// the folder made. False when none could be made.
bool CreateFreshPrivateFolder(const base::FilePath& first_choice, base::FilePath* made);

// Renames folder `from` to `to`, which must not exist yet: never merged
// into, never replaced, never copied across volumes.
bool RenameFolderToNewPath(const base::FilePath& from, const base::FilePath& to);

#endif  // DESKTOP_WINDOWS_INSTALLER_UTILS_PRIVATE_FOLDER_H_
