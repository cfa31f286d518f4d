#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_JSON_INSTALLATION_STATUS_READER_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_JSON_INSTALLATION_STATUS_READER_H_

#include <memory>
#include <string>

#include "desktop/windows/installer/service/installation_status_reader.h"

// Reads "installation_status.json" as written by
// WriteInstallationStatusAsJson.
class JsonInstallationStatusReader : public InstallationStatusReader {
 public:
  JsonInstallationStatusReader();
  ~JsonInstallationStatusReader() override;

  void Read(std::unique_ptr<InstallationStatus>* status,
            const std::string& text,
            InstallationStatusSource kind) override;
  const std::string& GetErrorMessage() const override;

 private:
  std::string error_message_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_JSON_INSTALLATION_STATUS_READER_H_
