#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_INSTALL_FOLDER_PROBLEM_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_INSTALL_FOLDER_PROBLEM_H_

#include <cstdint>

// Why an installation folder cannot be used. The folder details find the
// first two; the settings add the third.
enum InstallFolderProblem : uint32_t {
  FOLDER_PROBLEM_NONE = 0,
  FOLDER_PROBLEM_INVALID_PATH = 1,
  FOLDER_PROBLEM_NOT_ENOUGH_SPACE = 2,
  // An uninstall was asked for a folder that holds no installation.
  FOLDER_PROBLEM_NOTHING_TO_UNINSTALL = 3,
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_INSTALL_FOLDER_PROBLEM_H_
