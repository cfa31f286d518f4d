#include "desktop/windows/installer/service/user_profile_deletion.h"

#include <algorithm>
#include <string>
#include <vector>

#include "base/base_paths.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/path_service.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/service/installation.h"
#include "desktop/windows/installer/utils/folder_boundary.h"
#include "desktop/windows/installer/utils/object_writers.h"
#include "desktop/windows/installer/utils/security_util.h"

namespace {

// A place the installer keeps a profile in, and the folder it lies below.
struct OwnProfileFolder {
  base::FilePath folder;
  base::FilePath boundary;
};

bool SameFolder(const base::FilePath& a, const base::FilePath& b) {
  return base::FilePath::CompareEqualIgnoreCase(
      a.NormalizePathSeparators().StripTrailingSeparators().value(),
      b.NormalizePathSeparators().StripTrailingSeparators().value());
}

// The user's folders for this build's stream in the roaming application
// data and its local counterpart.
std::vector<OwnProfileFolder> GetOwnProfileFolders(const Installation& installation) {
  std::vector<OwnProfileFolder> folders;
  base::FilePath profile;
  base::FilePath roaming;
  if (!installation.GetDefaultProfilePath(&profile) ||
      !base::PathService::Get(base::DIR_APP_DATA, &roaming)) {
    return folders;
  }
  folders.push_back({profile, roaming});
  base::FilePath local;
  base::FilePath relative;
  if (base::PathService::Get(base::DIR_LOCAL_APP_DATA, &local) &&
      roaming.AppendRelativePath(profile, &relative)) {
    folders.push_back({local.Append(relative), local});
  }
  return folders;
}

// Whether those who can change the installation folder and its preferences
// could remove any folder this run can: then a folder they recorded is as
// good as the run's own choice.
bool IsRecordFromThisRunsPeers(const base::FilePath& installation_folder) {
  SecurityUtil* security = GetSecurityUtil();
  switch (GetFolderAndRecordWriters(security, installation_folder,
                                    {installation_folder.Append(kInstallerPrefsFileName)})) {
    case ObjectWriters::kAdministrators:
      return true;
    case ObjectWriters::kCurrentUser:
      return !security->IsUserAdmin(/*consider_linked_token=*/false);
    case ObjectWriters::kOthers:
      return false;
  }
  return false;
}

// The root of the drive or share `folder` lies on: every component below it
// is checked on the way. Empty for any other form.
base::FilePath GetRootOf(const base::FilePath& folder) {
  const std::vector<std::wstring> parts = folder.NormalizePathSeparators().GetComponents();
  if (parts.size() >= 2 && parts[0].size() == 2 && parts[0][1] == L':' && parts[1] == L"\\")
    return base::FilePath(parts[0] + L"\\");
  if (parts.size() >= 3 && parts[0] == L"\\\\")
    return base::FilePath(L"\\\\" + parts[1] + L"\\" + parts[2]);
  return base::FilePath();
}

// The folder `profile_folder` must lie below, or empty when it is not to be
// removed.
base::FilePath GetBoundaryFor(Installation* installation, const base::FilePath& profile_folder) {
  // Placed by the installer itself inside the installation.
  if (installation->IsSingleProfile())
    return installation->GetFolder();
  for (const OwnProfileFolder& own : GetOwnProfileFolders(*installation)) {
    if (SameFolder(own.folder, profile_folder))
      return own.boundary;
  }
  if (!IsRecordFromThisRunsPeers(installation->GetFolder())) {
    LOG(ERROR) << "Refusing to delete profile folder "
               << base::WideToUTF8(profile_folder.value())
               << ": it is not where the installer keeps profiles, and accounts"
                  " with fewer rights can change the record naming it";
    return base::FilePath();
  }
  return GetRootOf(profile_folder);
}

}  // namespace

UserProfileDeletion::UserProfileDeletion(Installation* installation) {
  // Only this user's profile: the parent folder holds every user's.
  base::FilePath profile;
  if (!installation->GetProfilePath(&profile))
    return;
  base::FilePath local;
  installation->GetLocalDataPath(profile, &local);
  std::vector<base::FilePath> paths = {profile};
  if (!local.empty() && !SameFolder(local, profile))
    paths.push_back(local);
  for (const base::FilePath& path : paths) {
    if (!installation->IsSafeProfileFolderToDelete(path)) {
      LOG(ERROR) << "Refusing to delete profile folder " << base::WideToUTF8(path.value());
      continue;
    }
    const base::FilePath boundary = GetBoundaryFor(installation, path);
    if (!boundary.empty())
      folders_.push_back({path, boundary});
  }
}

UserProfileDeletion::~UserProfileDeletion() = default;

void UserProfileDeletion::Run() const {
  LOG(INFO) << "Deleting user profile.";
  for (const Folder& folder : folders_) {
    if (!FolderBoundary(folder.boundary).Remove(folder.path, /*recursive=*/true)) {
      LOG(WARNING) << "Could not remove all of profile folder "
                   << base::WideToUTF8(folder.path.value());
    }
  }
}
