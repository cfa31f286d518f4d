#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_STEP_KIND_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_STEP_KIND_H_

#include <list>
#include <string>

#include "base/files/file_path.h"
#include "desktop/windows/installer/utils/service_utils.h"

// Every step the step lists are made of.
enum class StepKind {
  kVerifyDownloadableResources,
  kVerifyPackageContents,
  kCopyPackageFile,
  kDeleteFile,
  kMoveFile,
  kCopyLauncher,
  kInstallTrackingData,
  kCopyPrefDefaultOverrides,
  kInstallHelper,
  kSetupRegistry,
  kCleanRegistry,
  kRegisterProtocolHandlers,
  kSetupFileAndProtocolHandlers,
  kInstallShortcuts,
  kRemoveShortcuts,
  kUpdateShortcuts,
  kWriteInstallerPrefs,
  kInstallComponents,
  kWriteInstallationStatus,
  kUpdateInstallationStatus,
  kMoveOldStatus,
  kUninstallComponents,
  kFinalize,
  kRemoveOldFiles,
  kRemoveOldRootFiles,
  kUninstallFinalize,
  kUninstallCleanup,
  kRemoveMinimalInstallFile,
};

// The package's lists of relative paths (UTF-8), each entry already checked
// to name a place inside the folder it is joined to.
struct PackageFileLists {
  std::list<std::string> standard;
  std::list<std::string> root;
  std::list<std::string> extra;
};

// What a step is given besides the context; each kind reads its own field.
struct StepArguments {
  // Copy and move: the list entry.
  std::string relative_path;
  // Delete: the file.
  base::FilePath path;
  // Verify package contents. Owned by the scheduler, which outlives the step.
  const PackageFileLists* lists = nullptr;
  // Setup registry, which overwrites it. Owned by the caller of ScheduleSteps.
  std::wstring* app_id = nullptr;
  // Clean registry: the machine of the existing launcher.exe.
  PeMachineKind launcher_machine = PE_MACHINE_UNKNOWN;
};

// The name reported for the step ("copy_file:a\\b.dll", "setup_registry").
std::string GetStepName(StepKind kind, const StepArguments& arguments);

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_STEP_KIND_H_
