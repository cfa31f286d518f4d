#ifndef DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PACKAGE_FETCHER_PARTS_H_
#define DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PACKAGE_FETCHER_PARTS_H_

#include <string>

#include "base/files/file_path.h"

class PayloadManager;

// The file work of the package fetcher. Failures are left in the thread's
// error record, one reason per line.
class PackageFetcherParts {
 public:
  virtual ~PackageFetcherParts() = default;

  // True at once for a full package carried in the payload; else the
  // package must not be older than the installer and of its stream.
  virtual bool CheckMainComponentVersion(const base::FilePath& package_file,
                                         PayloadManager* payload_manager) = 0;
  // <folder>\<name>_installer.exe must not be older than the installer.
  virtual bool CheckAdditionalFileVersion(const base::FilePath& folder,
                                          const std::string& name) = 0;
  // Writes <folder>\server_tracking_data when `data` is not empty.
  virtual void WriteServerTrackingData(const base::FilePath& folder, const std::string& data) = 0;
  // Renames folder `from` to `to`, which must not exist yet.
  virtual bool MovePreparedPackage(const base::FilePath& from, const base::FilePath& to) = 0;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PACKAGE_FETCHER_PARTS_H_
