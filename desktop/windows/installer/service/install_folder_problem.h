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

// What makes a path invalid, as the user is told it.
enum InvalidFolderReason : uint32_t {
  // Not a well-formed absolute path (characters, names, length).
  INVALID_FOLDER_SYNTAX = 0,
  // A file has the folder's name.
  INVALID_FOLDER_IS_FILE = 1,
  // No drive there, or one that cannot be written (a CD-ROM).
  INVALID_FOLDER_DRIVE = 2,
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_INSTALL_FOLDER_PROBLEM_H_
