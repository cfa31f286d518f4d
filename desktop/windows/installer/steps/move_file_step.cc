#include "desktop/windows/installer/steps/move_file_step.h"

#include <memory>

#include "base/logging.h"
#include "desktop/windows/installer/service/installation_status.h"
#include "desktop/windows/installer/service/transactions/move_file_operation.h"
#include "desktop/windows/installer/service/transactions/transaction.h"
#include "desktop/windows/installer/steps/recorded_files.h"
#include "desktop/windows/installer/steps/step_names.h"

MoveFileStep::MoveFileStep(const std::string& relative_path, InstallerStepContext* context)
    : InstallerStep(kMoveFileStepName, context),
      relative_path_(base::FilePath::FromUTF8Unsafe(relative_path)) {}

MoveFileStep::~MoveFileStep() = default;

StepResult MoveFileStep::Run(int /*attempt*/) {
  VLOG(1) << "Moving root file " << relative_path_;
  const base::FilePath& root = GetContext()->GetSettingsInstallFolder();
  std::string error;
  if (!GetContext()->GetTransaction()->Execute(
          std::make_unique<MoveFileOperation>(GetInstallFolder().Append(relative_path_),
                                              root.Append(relative_path_)),
          &error)) {
    return StepResult(STEP_RETRY_THEN_FAIL, RESULT_FILE_COPY_FAILED, root.value(),
                      "Failed moving " + relative_path_.AsUTF8Unsafe() + " to " +
                          root.AsUTF8Unsafe() + " because of error: " + error);
  }
  RecordFileOnce(&GetInstallationStatus()->root_files, relative_path_);
  return StepResult(STEP_OK);
}
