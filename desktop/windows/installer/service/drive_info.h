#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_DRIVE_INFO_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_DRIVE_INFO_H_

#include <windows.h>

#include "base/files/file_path.h"

// <windows.h> maps GetDriveType to GetDriveTypeW; ours is a member and
// keeps its own name wherever this header is seen.
#ifdef GetDriveType
#undef GetDriveType
#endif

// One logical drive, by letter.
class DriveInfo {
 public:
  explicit DriveInfo(wchar_t letter);
  DriveInfo(const DriveInfo&) = delete;
  DriveInfo& operator=(const DriveInfo&) = delete;
  virtual ~DriveInfo();

  // Whether the drive holds a medium: the volume opens and answers the
  // medium check (a medium that was just changed counts as present).
  virtual bool IsMediaPresent() const;
  // The GetDriveTypeW code (DRIVE_FIXED, DRIVE_CDROM, ...).
  virtual UINT GetDriveType() const;
  // "X:\".
  virtual base::FilePath GetRootPath() const;

  wchar_t letter() const { return letter_; }

 private:
  wchar_t letter_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_DRIVE_INFO_H_
