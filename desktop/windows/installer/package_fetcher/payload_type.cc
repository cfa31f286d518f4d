#include "desktop/windows/installer/package_fetcher/payload_type.h"

std::string PayloadTypeToString(PayloadType type) {
  switch (type) {
    case PAYLOAD_TYPE_NONE:
      return "none";
    case PAYLOAD_TYPE_TRACKING_DATA:
      return "tracking_data";
    case PAYLOAD_TYPE_EXTERNAL_TRACKING_DATA:
      return "external_tracking_data";
    case PAYLOAD_TYPE_FULL_PACKAGE:
      return "full_package";
    case PAYLOAD_TYPE_CORRUPTED:
      return "corrupted";
  }
  return std::string();
}
