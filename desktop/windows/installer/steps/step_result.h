#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_STEP_RESULT_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_STEP_RESULT_H_

#include <cstdint>
#include <string>

#include "desktop/windows/installer/utils/installer_result.h"

// The verdict of one run of a step.
enum StepStatus : uint32_t {
  // Done; go on with the next step.
  STEP_OK = 0,
  // Failed; the operation fails at once.
  STEP_FAILED = 1,
  // May be retried; when the retries are used up the operation fails.
  STEP_RETRY_THEN_FAIL = 2,
  // May be retried; when the retries are used up the step counts as done.
  STEP_RETRY_THEN_IGNORE = 3,
};

// The outcome of one run of a step. The code and texts are read only when
// the result finally counts as a failure.
struct StepResult {
  // Code 1 (general failure) and empty texts.
  explicit StepResult(StepStatus status);
  StepResult(StepStatus status, InstallerResult code, std::wstring message, std::string detail);

  StepStatus status;
  InstallerResult code;
  // For the user; for file copy and move failures a path.
  std::wstring message;
  // For the log, UTF-8.
  std::string detail;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_STEP_RESULT_H_
