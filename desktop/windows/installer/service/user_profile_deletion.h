#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_USER_PROFILE_DELETION_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_USER_PROFILE_DELETION_H_

#include <vector>

#include "base/files/file_path.h"

class Installation;

// The removal of the current user's profile of an installation, the
// profile folder and its local-data counterpart, that an uninstall asked
// to delete it.
//
// The folder comes from the installation's preferences, which anyone who
// can write the installation folder can rewrite, so only the places the
// installer itself keeps a profile in are taken on their word: the
// single-profile folder inside the installation, and the user's folders
// for this build's stream in the roaming and local application data. Any
// other recorded folder (one a "profile-folder" switch chose) is removed
// only when no account but SYSTEM, the Administrators and, for a run
// without administrator rights, the current user can change the
// installation folder and its preferences; otherwise it is refused and
// logged. Every removal checks each component below the folder it must lie
// in, and removes a link met on the way as a link or leaves it, never what
// it leads to. Folders IsSafeProfileFolderToDelete refuses always stay.
class UserProfileDeletion {
 public:
  // Decides what goes while the preferences of `installation` (and who can
  // change them) are still there to judge.
  explicit UserProfileDeletion(Installation* installation);
  UserProfileDeletion(const UserProfileDeletion&) = delete;
  UserProfileDeletion& operator=(const UserProfileDeletion&) = delete;
  ~UserProfileDeletion();

  // Removes what was decided.
  void Run() const;

 private:
  struct Folder {
    base::FilePath path;
    // The folder `path` must lie below.
    base::FilePath boundary;
  };
  std::vector<Folder> folders_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_USER_PROFILE_DELETION_H_
