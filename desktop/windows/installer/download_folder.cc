#include "desktop/windows/installer/download_folder.h"

#include <windows.h>

#include "base/command_line.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "desktop/windows/installer/installer_usage.h"
#include "desktop/windows/installer/utils/installer_result.h"
#include "desktop/windows/installer/utils/installer_switches.h"
#include "desktop/windows/installer/work_directory.h"

InstallerResult ChooseDownloadFolder(const base::CommandLine& command_line,
                                     const base::FilePath& own_executable,
                                     base::FilePath* folder) {
  DCHECK(folder);
  if (command_line.HasSwitch(switches::kTempFolder)) {
    VLOG(1) << "Using download folder from command line";
    // The folder given may be shared: the run makes a private folder of
    // its own there rather than take over one another account made.
    *folder = command_line.GetSwitchValuePath(switches::kTempFolder);
    if (!CanRunProgramInDirectory(GetInstallerName(), base::FilePath(), folder,
                                  ExistingWorkFolder::kMakeOwnBeside)) {
      LOG(ERROR) << "Could not create temporary installer folder";
      return RESULT_TEMP_FOLDER_FAILED;
    }
  } else if (!FindUsableWorkDirectory(GetInstallerName(), own_executable, folder)) {
    LOG(ERROR) << "Could not obtain temporary installer folder";
    return RESULT_TEMP_FOLDER_FAILED;
  }
  LOG(INFO) << "Installer download folder: " << *folder;
  return RESULT_SUCCESS;
}

void RemoveDownloadFolderIfEmpty(const base::FilePath& folder) {
  if (!folder.empty())
    RemoveDirectoryW(folder.value().c_str());
}
