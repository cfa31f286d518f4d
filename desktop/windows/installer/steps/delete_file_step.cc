#include "desktop/windows/installer/steps/delete_file_step.h"

#include <memory>

#include "base/logging.h"
#include "desktop/windows/installer/service/transactions/delete_file_operation.h"
#include "desktop/windows/installer/service/transactions/transaction.h"

DeleteFileStep::DeleteFileStep(const base::FilePath& path, InstallerStepContext* context)
    : InstallerStep("delete_file_step", context), path_(path) {}

DeleteFileStep::~DeleteFileStep() = default;

StepResult DeleteFileStep::Run(int /*attempt*/) {
  LOG(INFO) << "Deleting file " << path_;
  if (!GetContext()->GetTransaction()->Execute(
          std::make_unique<DeleteFileOperation>(path_, /*check_in_use=*/false,
                                                /*remove_empty_parents=*/false),
          nullptr)) {
    return StepResult(STEP_RETRY_THEN_FAIL, RESULT_GENERAL_FAILURE, std::wstring(),
                      "Cannot delete file " + path_.AsUTF8Unsafe());
  }
  return StepResult(STEP_OK);
}
