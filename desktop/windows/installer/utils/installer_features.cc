#include "desktop/windows/installer/utils/installer_features.h"

#include <iterator>

#include "base/features/feature_registry.h"
#include "base/win/windows_version.h"
#include "desktop/windows/installer/utils/product_info.h"

namespace {

constexpr FeatureStreamMasks kStreamMasks[] = {
    {"TRV", 1, 0x7, 0x7}, {"TRV", 2, 0x6, 0x6}, {"TRV", 3, 0x4, 0x4}, {"TRV", 4, 0x4, 0x4},
    {"KVD", 1, 0x8, 0x8}, {"KVD", 2, 0x8, 0x8}, {"KVD", 3, 0x8, 0x8}, {"KVD", 4, 0x8, 0x8},
};

constexpr InstallerFeature kInstallerFeatures[] = {
    {kInstallerExperimentTest, 0x0, 0xFFFF, "", "", kFeatureMayBeOnByDefault},
    {kInstallerUseMinimalPackage, 0x0, 0xFFFF, "", "", kFeatureMayBeOnByDefault},
    {kInstallerPrefDefaultOverridesSupport, 0x7, 0xFFFF, "", "", kFeatureMayBeOnByDefault},
    {kInstallerHideFromProgramAndFeatures, 0x8, 0x0, "", "", kFeatureMayBeOnByDefault},
    {kInstallerSupportX64Download, 0x7, 0xFFFF, "", "", kFeatureMayBeOnByDefault},
    {kInstallerHandleProprietaryUris, 0x0, 0x7, "", "", kFeatureMayBeOnByDefault},
};

// The browser's features that the installer looks up by name; the rest of
// the browser's table is of no use to the installer.
constexpr InstallerFeature kBrowserFeatures[] = {
    {kVemoLibrary, 0x0, 0x7, "", "", kFeatureMayBeOnByDefault},
    {kHandleProprietaryUris, 0x0, 0x7, "", "", kFeatureMayBeOnByDefault},
    {kKeepCustomPartnerContentFileInProfile, 0xF, 0x0, "", "", kFeatureMayBeOnByDefault},
};

}  // namespace

int FindStreamRow(const std::string& product_code, int stream_id) {
  for (size_t i = 0; i < std::size(kStreamMasks); ++i) {
    if (product_code == kStreamMasks[i].product_code && stream_id == kStreamMasks[i].stream_id)
      return static_cast<int>(i);
  }
  return -1;
}

StreamMasks GetStreamMasks() {
  int row = FindStreamRow(product_info::GetProductCode(), kStreamId);
  if (row < 0)
    return StreamMasks();
  return {kStreamMasks[row].availability_mask, kStreamMasks[row].overridable_mask};
}

const InstallerFeature* GetInstallerFeatureTable(size_t* count) {
  *count = std::size(kInstallerFeatures);
  return kInstallerFeatures;
}

bool IsFeatureAvailableForStream(const InstallerFeature& row) {
  return (row.stream_availability_mask & GetStreamMasks().availability) != 0;
}

bool IsFeatureDefaultOnForStream(const InstallerFeature& row) {
  return (row.overridable_stream_mask & GetStreamMasks().overridable) != 0;
}

void RegisterInstallerFeatures(features::FeatureRegistry* registry) {
  StreamMasks masks = GetStreamMasks();
  for (const InstallerFeature& row : kInstallerFeatures) {
    registry->RegisterFeature(row.name, (row.stream_availability_mask & masks.availability) != 0,
                              (row.overridable_stream_mask & masks.overridable) != 0);
  }
}

const InstallerFeature* FindBrowserFeature(const std::string& name) {
  const InstallerFeature* found = nullptr;
  for (const InstallerFeature& row : kBrowserFeatures) {
    if (!found && name == row.name)
      found = &row;
  }
  return found;
}

bool ShouldHandleProprietaryUris() {
  if (base::win::GetVersion() < base::win::VERSION_WIN10_RS2)
    return false;
  return features::IsFeatureEnabled(kHandleProprietaryUris);
}
