#include "desktop/windows/installer/steps/step_kind.h"

#include "desktop/windows/installer/steps/step_names.h"

std::string GetStepName(StepKind kind, const StepArguments& arguments) {
  switch (kind) {
    case StepKind::kVerifyDownloadableResources:
      return "verify_downloadable_resources";
    case StepKind::kVerifyPackageContents:
      return "verify_package_contents";
    case StepKind::kCopyPackageFile:
      return GetCopyFileStepName(arguments.relative_path);
    case StepKind::kDeleteFile:
      return "delete_file_step";
    case StepKind::kMoveFile:
      return kMoveFileStepName;
    case StepKind::kCopyLauncher:
      return GetCopyFileStepName("launcher.exe");
    case StepKind::kInstallTrackingData:
      return "install_tracking_data";
    case StepKind::kCopyPrefDefaultOverrides:
      return GetCopyFileStepName("pref_default_overrides");
    case StepKind::kInstallHelper:
      return "install_helper";
    case StepKind::kSetupRegistry:
      return "setup_registry";
    case StepKind::kCleanRegistry:
      return "clean_registry";
    case StepKind::kRegisterProtocolHandlers:
      return "register_protocol_handlers";
    case StepKind::kSetupFileAndProtocolHandlers:
      return "setup_file_and_protocol_handlers";
    case StepKind::kInstallShortcuts:
      return "install_shortcuts";
    case StepKind::kRemoveShortcuts:
      return "remove_shortcuts";
    case StepKind::kUpdateShortcuts:
      return "update_shortcuts";
    case StepKind::kWriteInstallerPrefs:
      return "write_installer_prefs";
    case StepKind::kInstallComponents:
      return "install_components";
    case StepKind::kWriteInstallationStatus:
      return "write_installation_status";
    case StepKind::kUpdateInstallationStatus:
      return "update_installation_status";
    case StepKind::kMoveOldStatus:
      return "move_old_status";
    case StepKind::kUninstallComponents:
      return "uninstall_components";
    case StepKind::kFinalize:
      return "finalize";
    case StepKind::kRemoveOldFiles:
      return "remove_old_files";
    case StepKind::kRemoveOldRootFiles:
      return "remove_old_root_files";
    case StepKind::kUninstallFinalize:
      return "uninstall_finalize";
    case StepKind::kUninstallCleanup:
      return "uninstall_cleanup";
    case StepKind::kRemoveMinimalInstallFile:
      return "remove_minimal_install_file";
  }
  return std::string();
}
