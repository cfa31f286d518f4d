#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_INSTALLATION_STATUS_LOADER_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_INSTALLATION_STATUS_LOADER_H_

#include <memory>
#include <string>

#include "base/callback.h"

namespace base {
class FilePath;
}
class InstallationStatus;

// Finds out what an earlier installation put into a folder: its
// "installation_status.json", else the legacy "installation_status.xml",
// else (with recovery) the newest copy an upgrade moved to "old_status",
// else a record rebuilt from the registry and the files on disk.
class InstallationStatusLoader {
 public:
  virtual ~InstallationStatusLoader() = default;

  // `status` receives the record, or null when no source gave one. A status
  // file that exists but cannot be used is not an error: `description` says
  // what is wrong with it and `text` receives its raw contents, and the
  // other sources are still tried. Both out strings are required.
  virtual void Load(std::unique_ptr<InstallationStatus>* status,
                    const base::FilePath& folder,
                    bool recovery,
                    std::string* description,
                    std::string* text) = 0;
};

// Makes the standard loader.
std::unique_ptr<InstallationStatusLoader> CreateInstallationStatusLoader();

// How the installer makes a loader when it needs one (tests hand in fakes).
using InstallationStatusLoaderFactory =
    base::RepeatingCallback<std::unique_ptr<InstallationStatusLoader>()>;
// A factory whose loaders are CreateInstallationStatusLoader's.
InstallationStatusLoaderFactory GetDefaultInstallationStatusLoaderFactory();

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_INSTALLATION_STATUS_LOADER_H_
