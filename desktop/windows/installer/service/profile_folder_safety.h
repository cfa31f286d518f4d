#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_PROFILE_FOLDER_SAFETY_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_PROFILE_FOLDER_SAFETY_H_

#include <vector>

#include "base/files/file_path.h"

// A profile path comes from free text in a preferences file; removing a
// wrong one must never take the user's or the system's folders with it.

// Folders no profile removal may reach.
struct ProtectedFolders {
  // Refused themselves and with every folder above them.
  std::vector<base::FilePath> with_ancestors;
  // Refused themselves, above them, and everything inside them.
  std::vector<base::FilePath> with_ancestors_and_contents;
};

// The user's home, the folder holding every user's home, the user's
// desktop, documents and downloads, the roaming, local and common
// application-data roots, Program Files (both views and their common
// files), `installation_folder` (when not empty), and, with its contents,
// Windows. Folders the system cannot name are left out.
ProtectedFolders GetProtectedFolders(const base::FilePath& installation_folder);

// Whether `folder` may be deleted as a whole: an absolute, valid path that
// is not a drive or share root, names no ".." or device, and is none of
// `protected_folders` (compared ignoring case, with short names expanded
// where the folder exists).
bool IsSafeFolderToDelete(const base::FilePath& folder, const ProtectedFolders& protected_folders);

// IsSafeFolderToDelete against GetProtectedFolders(installation_folder).
bool IsSafeProfileFolderToDelete(const base::FilePath& folder,
                                 const base::FilePath& installation_folder);

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_PROFILE_FOLDER_SAFETY_H_
