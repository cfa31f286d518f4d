#include "desktop/windows/installer/utils/installer_result.h"

namespace {
constexpr uint32_t kExitCodeOffset = 100;
}  // namespace

uint32_t RunInstallerExitCode(uint32_t result) {
  return result == RESULT_SUCCESS ? 0 : result + kExitCodeOffset;
}

uint32_t RunInstallerExitCodeIdentity(uint32_t value) {
  return value;
}

InstallerResult ExitCodeValueToInstallerResult(DWORD exit_code) {
  static constexpr InstallerResult kLowCodes[] = {RESULT_SUCCESS, RESULT_CHILD_EXIT_CODE_1,
                                                  RESULT_CHILD_EXIT_CODE_2};
  if (exit_code < 3)
    return kLowCodes[exit_code];
  if (exit_code >= kExitCodeOffset && exit_code < kExitCodeOffset + RESULT_COUNT)
    return static_cast<InstallerResult>(exit_code - kExitCodeOffset);
  // Includes STILL_ACTIVE (259): the child has not ended.
  return RESULT_CHILD_UNKNOWN_EXIT;
}

InstallerResult ExitCodeToInstallerResult(HANDLE process) {
  DWORD exit_code = 0;
  if (!GetExitCodeProcess(process, &exit_code))
    return RESULT_CHILD_UNKNOWN_EXIT;
  return ExitCodeValueToInstallerResult(exit_code);
}

bool IsInstallerResultSuccess(uint32_t result) {
  return result == RESULT_SUCCESS;
}

bool IsInstallerResultReportable(uint32_t result) {
  return result != RESULT_CHILD_EXIT_CODE_1 && result != RESULT_CHILD_UNKNOWN_EXIT;
}
