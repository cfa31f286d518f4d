#ifndef DESKTOP_WINDOWS_INSTALLER_SETTINGS_STANDALONE_DRIVES_H_
#define DESKTOP_WINDOWS_INSTALLER_SETTINGS_STANDALONE_DRIVES_H_

#include <windows.h>

#include <vector>

#include "base/files/file_path.h"

// A logical drive a standalone copy could go to.
struct StandaloneDrive {
  base::FilePath root;  // "E:\"
  UINT type = DRIVE_UNKNOWN;  // GetDriveTypeW
};

// The logical drives with a medium present, A to Z. Under Wine the medium
// check fails for every drive, so the list is empty there.
std::vector<StandaloneDrive> ListDrivesWithMedia();

// Makes ListDrivesWithMedia answer `drives` for the object's lifetime.
class ScopedStandaloneDrivesForTesting {
 public:
  explicit ScopedStandaloneDrivesForTesting(std::vector<StandaloneDrive> drives);
  ~ScopedStandaloneDrivesForTesting();
  ScopedStandaloneDrivesForTesting(const ScopedStandaloneDrivesForTesting&) = delete;
  ScopedStandaloneDrivesForTesting& operator=(const ScopedStandaloneDrivesForTesting&) = delete;

 private:
  const std::vector<StandaloneDrive>* previous_;
  std::vector<StandaloneDrive> drives_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SETTINGS_STANDALONE_DRIVES_H_
