#include "desktop/windows/installer/settings/settings_validation.h"

#include <string>
#include <vector>

#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/service/installation_folder_details.h"
#include "desktop/windows/installer/settings/settings.h"
#include "desktop/windows/installer/utils/installer_error_record.h"
#include "desktop/windows/installer/utils/installer_result.h"
#include "desktop/windows/installer/utils/installer_utils.h"

namespace {

std::wstring DiskSpaceMessage(const InstallationFolderDetails& details) {
  std::vector<InstallerUtils::VolumeSpace> volumes;
  for (const VolumeSpaceShortage& shortage : details.GetVolumesWithoutEnoughSpace())
    volumes.emplace_back(shortage.volume_root.value(), shortage.required_mib);
  return InstallerUtils::GetDiskSpaceMessage(volumes);
}

}  // namespace

bool ValidateInstallationSettings(const Settings& settings) {
  if (settings.GetOperation() != INSTALL_OPERATION_UNKNOWN)
    return true;
  const std::string detail = "Attempting to start installation with invalid settings";
  switch (settings.GetFolderProblem()) {
    case FOLDER_PROBLEM_INVALID_PATH:
      return SetInstallerError(RESULT_INVALID_PATH, detail + "\nThe path is invalid",
                               std::wstring());
    case FOLDER_PROBLEM_NOTHING_TO_UNINSTALL:
      return SetInstallerError(RESULT_UNINSTALL_FAILED, detail + "\nInstallation does not exist",
                               std::wstring());
    case FOLDER_PROBLEM_NOT_ENOUGH_SPACE: {
      const std::wstring message = DiskSpaceMessage(*settings.GetFolderDetails());
      return SetInstallerError(RESULT_NOT_ENOUGH_DISK_SPACE,
                               detail + "\nNot enough disk space: " + base::WideToUTF8(message),
                               message);
    }
    case FOLDER_PROBLEM_NONE:
      break;
  }
  // No operation and no problem (the folder's details are still awaited):
  // still a refusal, which must not read as success.
  return SetInstallerError(RESULT_GENERAL_FAILURE, detail + "\nNo operation decided",
                           std::wstring());
}
