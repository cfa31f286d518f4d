#ifndef DESKTOP_WINDOWS_INSTALLER_RUNNER_MAIN_PROCESS_INSTALLER_RUNNER_H_
#define DESKTOP_WINDOWS_INSTALLER_RUNNER_MAIN_PROCESS_INSTALLER_RUNNER_H_

#include <cstdint>

#include "base/files/file_path.h"
#include "desktop/windows/installer/utils/installer_result.h"

class InstallerObserver;
class SettingsImpl;

// The UI or silent process's side of an installation: launches the backend
// and reports what it does to the observers.
class MainProcessInstallerRunner {
 public:
  virtual ~MainProcessInstallerRunner() = default;

  // RESULT_SUCCESS means the backend runs.
  virtual InstallerResult Run(SettingsImpl* settings) = 0;
  virtual void SetPackagePaths(const base::FilePath& package_folder,
                               const base::FilePath& assistant_folder) = 0;
  // Interrupts a running backend and lets go of everything.
  virtual void Stop() = 0;
  virtual void OnPackageReady() = 0;
  virtual void AddObserver(InstallerObserver* observer) = 0;
  virtual void RemoveObserver(InstallerObserver* observer) = 0;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_RUNNER_MAIN_PROCESS_INSTALLER_RUNNER_H_
