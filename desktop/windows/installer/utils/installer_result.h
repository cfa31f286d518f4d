#ifndef DESKTOP_WINDOWS_INSTALLER_UTILS_INSTALLER_RESULT_H_
#define DESKTOP_WINDOWS_INSTALLER_UTILS_INSTALLER_RESULT_H_

#include <windows.h>

#include <cstdint>

// How an installer process ends. The value travels between the installer's
// processes as a plain number and becomes the exit code (result + 100).
enum InstallerResult : uint32_t {
  RESULT_SUCCESS = 0,
  RESULT_GENERAL_FAILURE = 1,
  RESULT_UNINSTALL_FAILED = 2,
  RESULT_INVALID_PATH = 3,
  RESULT_NOT_ENOUGH_DISK_SPACE = 4,
  RESULT_INVALID_AUTOUPDATE_OPERATION = 5,
  RESULT_FOLDER_CREATION_FAILED = 6,
  RESULT_INSUFFICIENT_PRIVILEGES = 7,
  RESULT_ELEVATION_FAILED = 8,
  RESULT_PRODUCT_IN_USE = 9,
  RESULT_FILE_COPY_FAILED = 10,
  RESULT_MUTEX_CREATION_FAILED = 11,
  RESULT_DUPLICATE_INSTALLATION = 12,
  RESULT_CHILD_EXIT_CODE_1 = 13,
  RESULT_CHILD_EXIT_CODE_2 = 14,
  RESULT_CHILD_UNKNOWN_EXIT = 15,
  RESULT_TEMP_FOLDER_FAILED = 16,
  RESULT_INITIAL_PROCESS_FAILED = 17,
  RESULT_CORRUPTED_PAYLOAD = 18,
  RESULT_PACKAGE_FETCHER_FAILED = 19,
  RESULT_NOT_FINISHED = 20,
  RESULT_MISSING_INITIAL_PROCESS = 21,
  RESULT_UI_ALREADY_RUNNING = 22,
  RESULT_BAD_INITIAL_PID = 23,
  RESULT_BAD_INITIAL_PROCESS_HANDLE = 24,
  RESULT_COUNT = 25,
};

// 0 stays 0; any other result n becomes the exit code n + 100.
uint32_t RunInstallerExitCode(uint32_t result);

// The exit code of the modes that always succeed (print modes, crash
// reporter, help, folder-permission helper).
uint32_t RunInstallerExitCodeIdentity(uint32_t value);

// The result of a finished child installer process, from its exit code.
InstallerResult ExitCodeToInstallerResult(HANDLE process);

// The mapping itself, for an exit code already read.
InstallerResult ExitCodeValueToInstallerResult(DWORD exit_code);

bool IsInstallerResultSuccess(uint32_t result);

// Results 13 and 15 only say that a child ended badly; a controller keeps an
// earlier, better result instead.
bool IsInstallerResultReportable(uint32_t result);

#endif  // DESKTOP_WINDOWS_INSTALLER_UTILS_INSTALLER_RESULT_H_
