#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_INSTALLER_STEP_CONTEXT_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_INSTALLER_STEP_CONTEXT_H_

#include <string>

#include "base/callback.h"
#include "base/files/file_path.h"
#include "base/process/process_handle.h"

namespace base {
class CommandLine;
}

class InstallationFolderDetails;
class InstallationStatus;
class RegistryRuleHost;
class Settings;
class Transaction;

// What a step may ask of the running installation. The Installer
// implements it; it outlives every step.
class InstallerStepContext {
 public:
  virtual Settings* GetSettings() = 0;
  // Every change goes through it, so that a later failure rolls it back.
  virtual Transaction* GetTransaction() = 0;
  // The record of the installation already in the folder, or null.
  virtual const InstallationStatus* GetExistingInstallation() = 0;
  // The versioned folder that receives the package files: the base
  // install folder joined with the install subfolder.
  virtual base::FilePath GetInstallFolder() = 0;
  virtual base::FilePath GetPackageFolder() = 0;
  // The same as GetInstallFolder.
  virtual base::FilePath GetTargetFolder() = 0;
  // The installation folder of the folder details, without subfolder.
  virtual const base::FilePath& GetBaseInstallFolder() = 0;
  // The settings' folder: the root with launcher.exe and the root files.
  virtual const base::FilePath& GetSettingsInstallFolder() = 0;
  // The record this run fills.
  virtual InstallationStatus* GetInstallationStatus() = 0;
  virtual const InstallationFolderDetails* GetFolderDetails() = 0;
  virtual base::ProcessId GetParentPid() = 0;
  virtual RegistryRuleHost* GetRuleHost() = 0;
  virtual bool HasFinishedEvent() = 0;
  // Between these two, registry values written by rules are recorded in
  // the new installation status.
  virtual void StartRegistryRecording() = 0;
  virtual void StopRegistryRecording() = 0;
  // Passes a named event (UTF-8) on to the UI process.
  virtual void ReportImportantEvent(const std::string& name) = 0;
  virtual bool HasExistingInstallation() = 0;
  // "minimal_install" exists in the install folder, or the operation
  // fixes downloadable resources.
  virtual bool IsMinimalInstall() = 0;
  // This backend runs from the prepared versioned folder.
  virtual bool IsRunningFromInstallFolder() = 0;
  virtual bool HasPackageDir() = 0;
  // The backend's own command line, for the switches the settings do not
  // hold.
  virtual const base::CommandLine& GetCommandLine() = 0;
  // Runs `action` once the uninstall's work is final (committed), after
  // its last step, in the order given; never when it fails or is killed
  // before. For what no journal can undo.
  virtual void RunWhenFinal(base::OnceClosure action) = 0;
  virtual ~InstallerStepContext() = default;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_INSTALLER_STEP_CONTEXT_H_
