#include "desktop/windows/installer/service/installation_status_source.h"

std::string InstallationStatusSourceToString(InstallationStatusSource source) {
  switch (source) {
    case INSTALLATION_STATUS_SOURCE_INVALID:
      return "invalid";
    case INSTALLATION_STATUS_SOURCE_GENERATED:
      return "generated";
    case INSTALLATION_STATUS_SOURCE_PRIMARY:
      return "primary";
    case INSTALLATION_STATUS_SOURCE_LEGACY_XML:
      return "legacy_xml";
    case INSTALLATION_STATUS_SOURCE_RECOVERED_FROM_OLD_FILES:
      return "recovered_from_old_files";
    case INSTALLATION_STATUS_SOURCE_LEGACY_XML_RECOVERED_FROM_OLD_FILES:
      return "legacy_xml_recovered_from_old_files";
    case INSTALLATION_STATUS_SOURCE_STRING:
      return "string";
    case INSTALLATION_STATUS_SOURCE_FULLY_RECOVERED:
      return "fully_recovered";
  }
  return std::string();
}
