#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_XML_INSTALLATION_STATUS_READER_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_XML_INSTALLATION_STATUS_READER_H_

#include <memory>
#include <string>

#include "desktop/windows/installer/service/installation_status_reader.h"

class XmlDomCursor;

// Reads the legacy "installation_status.xml" that older installers wrote.
// The elements must come in their fixed order; the first deviation ends the
// reading with its own message. Initialises COM on the calling thread for
// the duration of Read when it is not yet initialised.
class XmlInstallationStatusReader : public InstallationStatusReader {
 public:
  XmlInstallationStatusReader();
  ~XmlInstallationStatusReader() override;

  void Read(std::unique_ptr<InstallationStatus>* status,
            const std::string& text,
            InstallationStatusSource kind) override;
  const std::string& GetErrorMessage() const override;

 private:
  // Each returns false with |error_message_| set.
  bool ReadDocument(XmlDomCursor* cursor, InstallationStatus* status);
  bool ReadRootAttributes(XmlDomCursor* cursor, InstallationStatus* status);
  bool ReadPath(XmlDomCursor* cursor, InstallationStatus* status);
  bool ReadRegistry(XmlDomCursor* cursor, InstallationStatus* status);
  bool ReadShortcut(XmlDomCursor* cursor, InstallationStatus* status);
  bool ReadComponents(XmlDomCursor* cursor, InstallationStatus* status);
  bool Fail(const char* message);

  std::string error_message_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_XML_INSTALLATION_STATUS_READER_H_
