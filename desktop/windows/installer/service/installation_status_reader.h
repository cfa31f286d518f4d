#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_INSTALLATION_STATUS_READER_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_INSTALLATION_STATUS_READER_H_

#include <memory>
#include <string>

#include "desktop/windows/installer/service/installation_status.h"
#include "desktop/windows/installer/service/installation_status_source.h"

// Parses the text of a status file into an InstallationStatus.
//
// The reader is permissive about paths: it keeps whatever the file names
// (absolute, "..", devices). Code that writes or deletes with them must check
// each one first.
class InstallationStatusReader {
 public:
  virtual ~InstallationStatusReader() = default;

  // On success |status| receives a new record whose source is |kind|; on
  // failure it is reset and GetErrorMessage() says why. Never throws.
  virtual void Read(std::unique_ptr<InstallationStatus>* status,
                    const std::string& text,
                    InstallationStatusSource kind) = 0;

  // The reason of the last failed Read; empty when none failed.
  virtual const std::string& GetErrorMessage() const = 0;
};

// A fresh reader for one file: JSON for the primary and recovered JSON
// kinds, XML for the two legacy XML kinds, null for every other kind.
std::unique_ptr<InstallationStatusReader> CreateInstallationStatusReader(
    InstallationStatusSource kind);

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_INSTALLATION_STATUS_READER_H_
