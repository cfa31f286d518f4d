#ifndef DESKTOP_WINDOWS_INSTALLER_DOWNLOAD_FOLDER_H_
#define DESKTOP_WINDOWS_INSTALLER_DOWNLOAD_FOLDER_H_

#include <cstdint>

#include "desktop/windows/installer/utils/installer_result.h"

namespace base {
class CommandLine;
class FilePath;
}  // namespace base

// Chooses the folder the package is downloaded into: the `temp-folder`
// switch's path joined with the installer name, or the first usable work
// folder. Returns 0, or result 16 when no folder can be had; `folder` is the
// path tried either way, so that it can be removed afterwards.
InstallerResult ChooseDownloadFolder(const base::CommandLine& command_line,
                                     const base::FilePath& own_executable,
                                     base::FilePath* folder);

// Removes the download folder only when it is empty: a folder that still
// holds files is somebody's and stays.
void RemoveDownloadFolderIfEmpty(const base::FilePath& folder);

#endif  // DESKTOP_WINDOWS_INSTALLER_DOWNLOAD_FOLDER_H_
