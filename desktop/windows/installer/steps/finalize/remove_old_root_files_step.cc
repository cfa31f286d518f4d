#include "desktop/windows/installer/steps/finalize/remove_old_root_files_step.h"

#include <memory>
#include <vector>

#include "base/files/file_util.h"
#include "base/logging.h"
#include "desktop/windows/installer/service/installation_status.h"
#include "desktop/windows/installer/service/transactions/delete_file_operation.h"
#include "desktop/windows/installer/service/transactions/transaction.h"
#include "desktop/windows/installer/utils/relative_path.h"

namespace {

bool ContainsIgnoreCase(const std::vector<base::FilePath>& files, const base::FilePath& file) {
  for (const base::FilePath& candidate : files) {
    if (base::FilePath::CompareEqualIgnoreCase(candidate.value(), file.value()))
      return true;
  }
  return false;
}

}  // namespace

RemoveOldRootFilesStep::RemoveOldRootFilesStep(InstallerStepContext* context)
    : InstallerStep("remove_old_root_files", context) {}

RemoveOldRootFilesStep::~RemoveOldRootFilesStep() = default;

StepResult RemoveOldRootFilesStep::Run(int /*attempt*/) {
  LOG(INFO) << "Removing old files from installation root";
  const InstallationStatus* existing = GetExistingInstallation();
  if (!existing)
    return StepResult(STEP_OK);
  const base::FilePath& root = GetContext()->GetBaseInstallFolder();
  const InstallationStatus* fresh = GetInstallationStatus();
  for (const base::FilePath& file : existing->root_files) {
    // A root file this installation put there again is the fresh copy; a
    // record naming what lies outside the root is not followed.
    if ((fresh && ContainsIgnoreCase(fresh->root_files, file)) ||
        !IsSafeRelativePath(file.value())) {
      continue;
    }
    const base::FilePath path = root.Append(file);
    if (!base::PathExists(path))
      continue;
    GetContext()->GetTransaction()->Execute(
        std::make_unique<DeleteFileOperation>(path, /*check_in_use=*/true,
                                              /*remove_empty_parents=*/false),
        nullptr);
  }
  return StepResult(STEP_OK);
}
