#include "desktop/windows/installer/steps/delete_minimal_install_file_step.h"

#include <memory>

#include "base/logging.h"
#include "desktop/windows/installer/checksum_checker/downloadable_resources.h"
#include "desktop/windows/installer/service/transactions/delete_file_operation.h"
#include "desktop/windows/installer/service/transactions/transaction.h"

DeleteMinimalInstallFileStep::DeleteMinimalInstallFileStep(InstallerStepContext* context)
    : InstallerStep("remove_minimal_install_file", context) {}

DeleteMinimalInstallFileStep::~DeleteMinimalInstallFileStep() = default;

StepResult DeleteMinimalInstallFileStep::Run(int /*attempt*/) {
  LOG(INFO) << "Removing minimal install file.";
  const base::FilePath folder = GetInstallFolder();
  if (!FindMissingDownloadableResources(folder).empty())
    return StepResult(STEP_OK);
  GetContext()->GetTransaction()->Execute(
      std::make_unique<DeleteFileOperation>(folder.Append(L"minimal_install"),
                                            /*check_in_use=*/false,
                                            /*remove_empty_parents=*/false),
      nullptr);
  return StepResult(STEP_OK);
}
