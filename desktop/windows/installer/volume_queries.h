#ifndef DESKTOP_WINDOWS_INSTALLER_VOLUME_QUERIES_H_
#define DESKTOP_WINDOWS_INSTALLER_VOLUME_QUERIES_H_

#include <windows.h>

#include <cstdint>

namespace base {
class FilePath;
}

// What the folder checks ask the system about volumes and the temporary
// folder. Replaceable so that full disks and odd drives can be played.
class VolumeQueries {
 public:
  virtual ~VolumeQueries() = default;

  // GetDriveTypeW of a root such as "C:\".
  virtual UINT GetDriveType(const base::FilePath& root) = 0;
  // Bytes the user may still write on the volume of `path`; -1 when
  // unknown.
  virtual int64_t GetFreeDiskSpace(const base::FilePath& path) = 0;
  virtual bool GetTempFolder(base::FilePath* path) = 0;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_VOLUME_QUERIES_H_
