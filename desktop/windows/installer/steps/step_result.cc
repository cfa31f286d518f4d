#include "desktop/windows/installer/steps/step_result.h"

#include <utility>

StepResult::StepResult(StepStatus status) : status(status), code(RESULT_GENERAL_FAILURE) {}

StepResult::StepResult(StepStatus status, InstallerResult code, std::wstring message,
                       std::string detail)
    : status(status), code(code), message(std::move(message)), detail(std::move(detail)) {}
