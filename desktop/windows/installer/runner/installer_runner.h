#ifndef DESKTOP_WINDOWS_INSTALLER_RUNNER_INSTALLER_RUNNER_H_
#define DESKTOP_WINDOWS_INSTALLER_RUNNER_INSTALLER_RUNNER_H_

#include <cstdint>

#include "desktop/windows/installer/utils/installer_result.h"

class SettingsImpl;

// Runs the backend's side of an installation to its end.
class InstallerRunner {
 public:
  virtual ~InstallerRunner() = default;
  virtual InstallerResult Run(SettingsImpl* settings) = 0;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_RUNNER_INSTALLER_RUNNER_H_
