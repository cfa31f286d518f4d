#ifndef DESKTOP_WINDOWS_INSTALLER_UTILS_INSTALLER_FEATURES_H_
#define DESKTOP_WINDOWS_INSTALLER_UTILS_INSTALLER_FEATURES_H_

#include <cstddef>
#include <cstdint>
#include <string>

namespace features {
class FeatureRegistry;
}

// Which features a product code and release stream may have on, and which
// of them an experiment may override.
struct FeatureStreamMasks {
  const char* product_code;
  int stream_id;  // 1 Nightly, 2 Developer, 3 Next, 4 Stable.
  uint32_t availability_mask;
  uint32_t overridable_mask;
};

struct StreamMasks {
  uint32_t availability = 0;
  uint32_t overridable = 0;
};

// One row of a feature table.
struct InstallerFeature {
  const char* name;
  uint32_t stream_availability_mask;
  uint32_t overridable_stream_mask;
  const char* title;
  const char* description;
  uint32_t flags;
};

inline constexpr uint32_t kFeatureMayBeOnByDefault = 1u << 1;

inline constexpr char kInstallerExperimentTest[] = "installer-experiment-test";
inline constexpr char kInstallerUseMinimalPackage[] = "installer-use-minimal-package";
inline constexpr char kInstallerPrefDefaultOverridesSupport[] =
    "installer-pref-default-overrides-support";
inline constexpr char kInstallerHideFromProgramAndFeatures[] =
    "installer-hide-from-program-and-features";
inline constexpr char kInstallerSupportX64Download[] = "installer-support-x64-download";
inline constexpr char kInstallerHandleProprietaryUris[] = "installer-handle-proprietary-uris";
// Browser features the installer asks about.
inline constexpr char kVemoLibrary[] = "vemo-library";
inline constexpr char kHandleProprietaryUris[] = "handle-proprietary-uris";
inline constexpr char kKeepCustomPartnerContentFileInProfile[] =
    "keep-custom-partner-content-file-in-profile";

// Index of the row for {product code, stream id}, or -1.
int FindStreamRow(const std::string& product_code, int stream_id);
// The masks of this build's product code and stream; both 0 without a row.
StreamMasks GetStreamMasks();

const InstallerFeature* GetInstallerFeatureTable(size_t* count);
bool IsFeatureAvailableForStream(const InstallerFeature& row);
bool IsFeatureDefaultOnForStream(const InstallerFeature& row);
// Registers the installer's own features with this build's defaults.
void RegisterInstallerFeatures(features::FeatureRegistry* registry);

// The browser's own feature with that name, or nullptr.
const InstallerFeature* FindBrowserFeature(const std::string& name);

// False before Windows 10 version 1703.
bool ShouldHandleProprietaryUris();

#endif  // DESKTOP_WINDOWS_INSTALLER_UTILS_INSTALLER_FEATURES_H_
