#ifndef DESKTOP_WINDOWS_INSTALLER_CONTROLLER_SILENT_INSTALLER_CONTROLLER_H_
#define DESKTOP_WINDOWS_INSTALLER_CONTROLLER_SILENT_INSTALLER_CONTROLLER_H_

#include <cstdint>
#include <string>
#include <vector>

#include "base/memory/weak_ptr.h"
#include "base/time/time.h"
#include "desktop/windows/installer/controller/installer_controller.h"

// Runs an installation without any window (switch "silent"): adjusts what
// would need elevation, starts the backend as soon as the settings are
// complete, and ends when the backend ends. Every wait is bounded: the
// settings must be complete within kSettingsLimit, a fetch that brings no
// new bytes for kFetchStallLimit (or the test switch's limit) fails the run
// (the downloader alone would retry an unreachable service for an hour, and
// the backend waits for the package meanwhile), and the run ends
// kTerminateDelay after the backend process did.
class SilentInstallerController : public InstallerController {
 public:
  static constexpr base::TimeDelta kSettingsLimit = base::TimeDelta::FromMinutes(2);
  static constexpr base::TimeDelta kTerminateDelay = base::TimeDelta::FromSeconds(1);
  static constexpr base::TimeDelta kFetchStallLimit = base::TimeDelta::FromMinutes(10);

  SilentInstallerController(MainProcessInstallerRunner* runner, SettingsImpl* settings);
  ~SilentInstallerController() override;

  void set_settings_limit_for_testing(base::TimeDelta limit) { settings_limit_ = limit; }
  void set_fetch_stall_limit_for_testing(base::TimeDelta limit) { fetch_stall_limit_ = limit; }

  // InstallerControllerInterface:
  void RunUICallbackAndPostReply(UICallback callback,
                                 base::scoped_refptr<base::SingleThreadTaskRunner> reply_runner,
                                 Reply reply) override;
  InstallerResult Start(PayloadManager* payload_manager,
                        const base::FilePath& download_folder,
                        base::OnceClosure quit) override;

  // PackageFetcherDelegate:
  void OnPackageFetcherStatusChanged(uint32_t status) override;
  void OnPackageFetcherError(uint32_t kind,
                             std::string message,
                             std::vector<FetchStatistics> fetch_details) override;
  void SetTotalProgress(uint32_t bytes) override;
  void SetCurrentProgress(uint32_t bytes) override;
  void NotifyStalled() override;

  // InstallerObserver:
  void OnInstallerError(InstallerResult code,
                        const std::wstring& message,
                        const std::string& detail) override;
  void OnInstallerSucceeded() override;
  void OnBackendProcessTerminated(InstallerResult code) override;

  // SettingsObserver:
  void OnPathChanged() override;

 private:
  // Switches to what needs no elevation; true when a new path
  // notification follows.
  bool AdjustForNoElevation();
  void RunBackend();
  void SendControllerLaunched(PayloadManager* payload_manager);
  void OnSettingsLimit();
  // The watch over a fetch under way: armed when one starts, fed by every
  // status and progress report, ended by the package or a final error.
  void WatchFetch();
  void NoteFetchActivity();
  void CheckFetchProgress();
  // A fetch that will not bring the package: the run ends with its error.
  void FailFetch(uint32_t kind, std::string message, std::vector<FetchStatistics> fetch_details);
  void TerminateAfterBackendEnd();

  bool tracking_data_from_package_ = false;
  bool backend_started_ = false;
  bool observing_runner_ = false;
  base::TimeDelta settings_limit_ = kSettingsLimit;
  base::TimeDelta fetch_stall_limit_ = kFetchStallLimit;
  bool watching_fetch_ = false;
  base::TimeTicks last_fetch_activity_;
  base::WeakPtrFactory<SilentInstallerController> weak_factory_{this};
};

#endif  // DESKTOP_WINDOWS_INSTALLER_CONTROLLER_SILENT_INSTALLER_CONTROLLER_H_
