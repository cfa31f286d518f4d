#ifndef DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PAYLOAD_MANAGER_H_
#define DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PAYLOAD_MANAGER_H_

#include <string>
#include <string_view>

#include "base/files/file_path.h"
#include "desktop/windows/installer/package_fetcher/payload_type.h"

// The payload appended to the installer executable, found once at start-up
// and served to the controllers and the package fetcher.
class PayloadManager {
 public:
  virtual ~PayloadManager() = default;

  virtual PayloadType GetPayloadType() const = 0;
  // Empty for "none" and "corrupted"; the external tracking data once set.
  virtual std::string GetPayload() const = 0;
  // Writes the payload to `path`, replacing it; false for "none" and
  // "corrupted" or when not every byte was written (nothing is left then).
  virtual bool WritePayloadToFile(const base::FilePath& path) const = 0;
  // Tracking data obtained another way; the type becomes
  // "external_tracking_data".
  virtual void SetExternalTrackingData(const std::string& data) = 0;
  // The bytes of a "full_package" payload where they lie, for comparing a
  // package with; empty for every other type.
  virtual std::string_view GetFullPackage() const { return std::string_view(); }
};

#endif  // DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PAYLOAD_MANAGER_H_
