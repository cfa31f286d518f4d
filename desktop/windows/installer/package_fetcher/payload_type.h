#ifndef DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PAYLOAD_TYPE_H_
#define DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PAYLOAD_TYPE_H_

#include <cstdint>
#include <string>

// What is appended to the installer executable.
enum PayloadType : uint32_t {
  // Nothing, or a payload that must not be used.
  PAYLOAD_TYPE_NONE = 0,
  // A payload that is not a 7z archive.
  PAYLOAD_TYPE_TRACKING_DATA = 1,
  // Tracking data set later through SetExternalTrackingData.
  PAYLOAD_TYPE_EXTERNAL_TRACKING_DATA = 2,
  // A 7z archive covered by the signature, or in an unsigned file.
  PAYLOAD_TYPE_FULL_PACKAGE = 3,
  // The executable's headers cannot be read.
  PAYLOAD_TYPE_CORRUPTED = 4,
};

// "none", "tracking_data", "external_tracking_data", "full_package",
// "corrupted"; empty for other values.
std::string PayloadTypeToString(PayloadType type);

#endif  // DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PAYLOAD_TYPE_H_
