#ifndef DESKTOP_WINDOWS_INSTALLER_VOLUME_QUERIES_IMPL_H_
#define DESKTOP_WINDOWS_INSTALLER_VOLUME_QUERIES_IMPL_H_

#include "desktop/windows/installer/volume_queries.h"

// The system's answers.
class VolumeQueriesImpl : public VolumeQueries {
 public:
  UINT GetDriveType(const base::FilePath& root) override;
  int64_t GetFreeDiskSpace(const base::FilePath& path) override;
  bool GetTempFolder(base::FilePath* path) override;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_VOLUME_QUERIES_IMPL_H_
