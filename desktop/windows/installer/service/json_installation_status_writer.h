#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_JSON_INSTALLATION_STATUS_WRITER_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_JSON_INSTALLATION_STATUS_WRITER_H_

#include <memory>
#include <string>

#include "base/files/file_path.h"
#include "base/values.h"
#include "desktop/windows/installer/service/installation_status.h"

// The record as the dictionary written to "installation_status.json".
// Component names are literal keys (a name with "." stays one key); wide
// texts that are not valid UTF-16 are written with U+FFFD in their place.
std::unique_ptr<base::DictionaryValue> InstallationStatusToDictionary(
    const InstallationStatus& status);

// The compact JSON text of the record; empty when it cannot be serialised.
std::string SerializeInstallationStatus(const InstallationStatus& status);

// Writes the record to |file|. The text goes to a temporary file in the same
// folder first and then replaces |file| in one rename, so a failure (false)
// leaves any earlier |file| as it was.
bool WriteInstallationStatusAsJson(const InstallationStatus& status, const base::FilePath& file);

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_JSON_INSTALLATION_STATUS_WRITER_H_
