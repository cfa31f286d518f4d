#ifndef DESKTOP_WINDOWS_INSTALLER_CONTROLLER_INSTALLER_CONTROLLER_INTERFACE_H_
#define DESKTOP_WINDOWS_INSTALLER_CONTROLLER_INSTALLER_CONTROLLER_INTERFACE_H_

#include <cstdint>

#include "base/callback.h"
#include "base/files/file_path.h"
#include "desktop/windows/installer/utils/installer_result.h"
#include "desktop/windows/installer/wininet/ui_callback_runner.h"

class PayloadManager;

// What the entry point and the package fetcher ask of a controller: run a
// callback on the UI thread (UICallbackRunner), start the run, and hear
// that the tracking-data actions are done.
class InstallerControllerInterface : public UICallbackRunner {
 public:
  ~InstallerControllerInterface() override = default;

  // `payload_manager` is null for an installer that runs from an unpacked
  // package. Returns an InstallerResult: 0 means the run loop must run
  // until `quit` is called; anything else ends the run at once.
  virtual InstallerResult Start(PayloadManager* payload_manager,
                                const base::FilePath& download_folder,
                                base::OnceClosure quit) = 0;
  virtual void OnTrackingDataActionsDone() = 0;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_CONTROLLER_INSTALLER_CONTROLLER_INTERFACE_H_
