#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_INSTALLATION_STATUS_LOADER_IMPL_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_INSTALLATION_STATUS_LOADER_IMPL_H_

#include <memory>
#include <string>

#include "desktop/windows/installer/service/installation_status_loader.h"
#include "desktop/windows/installer/service/installation_status_source.h"

namespace base {
class FilePath;
}

// The standard loader: status file, legacy file, "old_status" copies, then
// the process-wide ExistingInstallationReader.
class InstallationStatusLoaderImpl : public InstallationStatusLoader {
 public:
  void Load(std::unique_ptr<InstallationStatus>* status,
            const base::FilePath& folder,
            bool recovery,
            std::string* description,
            std::string* text) override;
};

namespace status_loader_internal {

enum StatusFileResult {
  STATUS_FILE_READ = 0,
  STATUS_FILE_UNUSABLE = 1,
  STATUS_FILE_ABSENT = 2,
};

// Reads the status file of `kind` ("installation_status.json" for the JSON
// kinds, ".xml" for the XML ones) in `folder`. For an unusable file
// `description` says why and `text` receives its raw contents.
StatusFileResult ReadStatusFile(InstallationStatusSource kind,
                                const base::FilePath& folder,
                                std::unique_ptr<InstallationStatus>* status,
                                std::string* description,
                                std::string* text);

// The newest status copy in `folder`'s "old_status" subfolder and its kind;
// false when there is none.
bool FindOldStatusFile(const base::FilePath& folder,
                       base::FilePath* file,
                       InstallationStatusSource* kind);

}  // namespace status_loader_internal

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_INSTALLATION_STATUS_LOADER_IMPL_H_
