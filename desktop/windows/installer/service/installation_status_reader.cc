#include "desktop/windows/installer/service/installation_status_reader.h"

#include "desktop/windows/installer/service/json_installation_status_reader.h"
#include "desktop/windows/installer/service/xml_installation_status_reader.h"

std::unique_ptr<InstallationStatusReader> CreateInstallationStatusReader(
    InstallationStatusSource kind) {
  switch (kind) {
    case INSTALLATION_STATUS_SOURCE_PRIMARY:
    case INSTALLATION_STATUS_SOURCE_RECOVERED_FROM_OLD_FILES:
      return std::make_unique<JsonInstallationStatusReader>();
    case INSTALLATION_STATUS_SOURCE_LEGACY_XML:
    case INSTALLATION_STATUS_SOURCE_LEGACY_XML_RECOVERED_FROM_OLD_FILES:
      return std::make_unique<XmlInstallationStatusReader>();
    default:
      return nullptr;
  }
}
