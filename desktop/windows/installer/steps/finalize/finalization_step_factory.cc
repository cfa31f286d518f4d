#include "desktop/windows/installer/steps/finalize/finalization_step_factory.h"

#include "desktop/windows/installer/steps/finalize/finalize_step.h"
#include "desktop/windows/installer/steps/finalize/remove_old_files_step.h"
#include "desktop/windows/installer/steps/finalize/remove_old_root_files_step.h"
#include "desktop/windows/installer/steps/finalize/uninstall_cleanup_step.h"
#include "desktop/windows/installer/steps/finalize/uninstall_finalize_step.h"

std::unique_ptr<InstallerStep> CreateFinalizationStep(StepKind kind,
                                                      InstallerStepContext* context) {
  switch (kind) {
    case StepKind::kFinalize:
      return std::make_unique<FinalizeStep>(context);
    case StepKind::kRemoveOldFiles:
      return std::make_unique<RemoveOldFilesStep>(context);
    case StepKind::kRemoveOldRootFiles:
      return std::make_unique<RemoveOldRootFilesStep>(context);
    case StepKind::kUninstallFinalize:
      return std::make_unique<UninstallFinalizeStep>(context);
    case StepKind::kUninstallCleanup:
      return std::make_unique<UninstallCleanupStep>(context);
    default:
      return nullptr;
  }
}
