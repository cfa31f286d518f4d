#include "desktop/windows/installer/steps/file_and_status_step_factory.h"

#include "base/logging.h"
#include "desktop/windows/installer/steps/copy_file_step.h"
#include "desktop/windows/installer/steps/delete_file_step.h"
#include "desktop/windows/installer/steps/delete_minimal_install_file_step.h"
#include "desktop/windows/installer/steps/install_components_step.h"
#include "desktop/windows/installer/steps/install_helper_step.h"
#include "desktop/windows/installer/steps/move_file_step.h"
#include "desktop/windows/installer/steps/move_old_status_step.h"
#include "desktop/windows/installer/steps/uninstall_components_step.h"
#include "desktop/windows/installer/steps/verify_downloadable_resources_step.h"
#include "desktop/windows/installer/steps/verify_package_contents_step.h"
#include "desktop/windows/installer/steps/write_installation_status_step.h"
#include "desktop/windows/installer/steps/write_installer_prefs_step.h"

std::unique_ptr<InstallerStep> CreateFileOrStatusStep(StepKind kind,
                                                      const StepArguments& arguments,
                                                      InstallerStepContext* context) {
  switch (kind) {
    case StepKind::kVerifyDownloadableResources:
      return std::make_unique<VerifyDownloadableResourcesStep>(context);
    case StepKind::kVerifyPackageContents:
      DCHECK(arguments.lists);
      return std::make_unique<VerifyPackageContentsStep>(*arguments.lists, context);
    case StepKind::kCopyPackageFile:
      return std::make_unique<CopyPackageFileStep>(arguments.relative_path, context);
    case StepKind::kDeleteFile:
      return std::make_unique<DeleteFileStep>(arguments.path, context);
    case StepKind::kMoveFile:
      return std::make_unique<MoveFileStep>(arguments.relative_path, context);
    case StepKind::kCopyLauncher:
      return std::make_unique<CopyLauncherStep>(context);
    case StepKind::kCopyPrefDefaultOverrides:
      return std::make_unique<CopyPrefDefaultOverridesStep>(context);
    case StepKind::kInstallHelper:
      return std::make_unique<InstallHelperStep>(context);
    case StepKind::kRemoveMinimalInstallFile:
      return std::make_unique<DeleteMinimalInstallFileStep>(context);
    case StepKind::kWriteInstallerPrefs:
      return std::make_unique<WriteInstallerPrefsStep>(context);
    case StepKind::kInstallComponents:
      return std::make_unique<InstallComponentsStep>(context);
    case StepKind::kUninstallComponents:
      return std::make_unique<UninstallComponentsStep>(context);
    case StepKind::kMoveOldStatus:
      return std::make_unique<MoveOldStatusStep>(context);
    case StepKind::kWriteInstallationStatus:
      return std::make_unique<WriteInstallationStatusStep>(context);
    case StepKind::kUpdateInstallationStatus:
      return std::make_unique<UpdateInstallationStatusStep>(context);
    default:
      return nullptr;
  }
}
