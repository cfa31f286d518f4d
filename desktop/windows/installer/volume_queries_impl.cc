#include "desktop/windows/installer/volume_queries_impl.h"

#include "base/base_paths.h"
#include "base/files/file_path.h"
#include "base/path_service.h"

UINT VolumeQueriesImpl::GetDriveType(const base::FilePath& root) {
  return ::GetDriveTypeW(root.value().c_str());
}

int64_t VolumeQueriesImpl::GetFreeDiskSpace(const base::FilePath& path) {
  ULARGE_INTEGER available;
  if (!::GetDiskFreeSpaceExW(path.value().c_str(), &available, nullptr, nullptr))
    return -1;
  return static_cast<int64_t>(available.QuadPart);
}

bool VolumeQueriesImpl::GetTempFolder(base::FilePath* path) {
  return base::PathService::Get(base::DIR_TEMP, path);
}
