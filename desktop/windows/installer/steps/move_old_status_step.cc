#include "desktop/windows/installer/steps/move_old_status_step.h"

#include <ctime>
#include <memory>
#include <string>

#include "base/files/file_util.h"
#include "base/logging.h"
#include "desktop/windows/installer/service/installation.h"
#include "desktop/windows/installer/service/installation_status_keys.h"
#include "desktop/windows/installer/service/transactions/create_folder_operation.h"
#include "desktop/windows/installer/service/transactions/move_file_operation.h"
#include "desktop/windows/installer/service/transactions/transaction.h"

MoveOldStatusStep::MoveOldStatusStep(InstallerStepContext* context)
    : InstallerStep("move_old_status", context) {}

MoveOldStatusStep::~MoveOldStatusStep() = default;

StepResult MoveOldStatusStep::Run(int /*attempt*/) {
  LOG(INFO) << "Preserving previous installer status.";
  const base::FilePath& base_folder = GetContext()->GetBaseInstallFolder();
  base::FilePath status = base_folder.Append(kInstallationStatusFileName);
  if (!base::PathExists(status))
    status = base_folder.Append(kLegacyStatusFileName);
  if (!base::PathExists(status)) {
    LOG(WARNING) << "No previous status file found.";
    return StepResult(STEP_OK);
  }

  Transaction* transaction = GetContext()->GetTransaction();
  const base::FilePath old_status = base_folder.Append(kOldStatusFolderName);
  if (!base::DirectoryExists(old_status)) {
    VLOG(1) << "Creating folder for old status files.";
    if (!transaction->Execute(std::make_unique<CreateFolderOperation>(old_status), nullptr))
      return StepResult(STEP_OK);
  }
  const base::FilePath target = old_status.Append(
      status.BaseName().value() + L"." +
      std::to_wstring(static_cast<long long>(std::time(nullptr))));
  VLOG(1) << "Moving old status file.";
  transaction->Execute(std::make_unique<MoveFileOperation>(status, target), nullptr);
  return StepResult(STEP_OK);
}
