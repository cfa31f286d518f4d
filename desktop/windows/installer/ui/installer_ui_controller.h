#ifndef DESKTOP_WINDOWS_INSTALLER_UI_INSTALLER_UI_CONTROLLER_H_
#define DESKTOP_WINDOWS_INSTALLER_UI_INSTALLER_UI_CONTROLLER_H_

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/callback.h"
#include "base/files/file_path.h"
#include "base/memory/weak_ptr.h"
#include "base/time/time.h"
#include "base/win/windows_version.h"
#include "desktop/windows/installer/controller/installer_controller.h"
#include "desktop/windows/installer/ui/installer_window.h"
#include "desktop/windows/installer/utils/installer_result.h"

class InstallerUiLock;
class ProgressCalculator;

// The interactive installer's controller: one UI per session, the window,
// the package fetcher, the user's buttons, the backend launch, localised
// error pages and the end of the run. UI thread only; the fetcher reaches
// it through RunUICallbackAndPostReply.
class InstallerUIController : public InstallerWindowObserver, public InstallerController {
 public:
  // A failed backend's error page waits this long, so that an ERROR message
  // still on its way wins over the generic text.
  static constexpr base::TimeDelta kPendingErrorDelay = base::TimeDelta::FromMilliseconds(100);
  // Closing the window while the backend works ends the run once the
  // backend has rolled back and ended, or after this long (result 1: what
  // the backend leaves is unknown).
  static constexpr base::TimeDelta kStopLimit = base::TimeDelta::FromMinutes(2);

  InstallerUIController(MainProcessInstallerRunner* runner,
                        std::unique_ptr<ProgressCalculator> progress_calculator,
                        SettingsImpl* settings);
  ~InstallerUIController() override;

  // The message id shown for an installer result (0: none).
  static uint32_t MessageIdForResult(uint32_t code);

  // The lock file's folder; the temporary folder unless set (tests).
  void set_lock_folder_for_testing(const base::FilePath& folder) { lock_folder_ = folder; }
  void set_pending_error_delay_for_testing(base::TimeDelta delay) { pending_error_delay_ = delay; }
  void set_stop_limit_for_testing(base::TimeDelta limit) { stop_limit_ = limit; }

  // InstallerControllerInterface:
  void RunUICallbackAndPostReply(UICallback callback,
                                 base::scoped_refptr<base::SingleThreadTaskRunner> reply_runner,
                                 Reply reply) override;
  InstallerResult Start(PayloadManager* payload_manager,
                        const base::FilePath& download_folder,
                        base::OnceClosure quit) override;
  void OnTrackingDataActionsDone() override;

  // InstallerWindowObserver:
  void OnAcceptClicked() override;
  void OnWindowClosed() override;
  void OnRetryClicked() override;
  void OnFullPackageRequested() override;

  // PackageFetcherDelegate:
  void OnPackageFetcherStatusChanged(uint32_t status) override;
  void OnPackageFetcherError(uint32_t kind,
                             std::string message,
                             std::vector<FetchStatistics> fetch_details) override;
  void SetTotalProgress(uint32_t bytes) override;
  void SetCurrentProgress(uint32_t bytes) override;
  void NotifyStalled() override;

  // InstallerObserver:
  void OnEnteringPhase(int phase) override;
  void OnInstallerError(InstallerResult code,
                        const std::wstring& message,
                        const std::string& detail) override;
  void OnBackendProcessTerminated(InstallerResult code) override;

  // SettingsObserver:
  void OnPathChanged() override;

 protected:
  // The window; a test supplies its own.
  virtual std::unique_ptr<InstallerWindow> CreateInstallerWindow();
  // Opens `file` with the shell verb "open" (environment variables
  // expanded); false when the shell refused.
  virtual bool ShellOpen(const std::wstring& file, const std::wstring& parameters);
  // Whether Internet Explorer is installed where the shell would look.
  virtual bool InternetExplorerExists();
  // Brings the UI of thread `thread_id` to the front.
  virtual void RaiseOtherUi(DWORD thread_id);
  // The string of a message id in the chosen language.
  virtual std::wstring GetString(uint32_t id);
  // The system as the installer sees it; tests play other systems.
  virtual base::win::Version GetWindowsVersion();
  virtual bool ProcessorSupportsSse2();

  int phase() const { return phase_; }
  bool backend_running() const { return backend_running_; }

 private:
  struct PendingError {
    uint32_t id;
    std::wstring replacement;
    std::string detail;
  };

  // The thread id of the UI that owns the session's lock (0: none).
  DWORD AcquireUiLock();
  void Initialize();
  void EnterPhase(int phase);
  // The message of an installer error in this operation.
  uint32_t MessageIdForError(InstallerResult code);
  void ReportError(uint32_t id, const std::wstring& replacement, const std::string& detail);
  void HandlePendingError();
  bool OfferCurrentUserInstall();
  void RunBackend();
  std::wstring GetStringWithReplacement(uint32_t id, const std::wstring& replacement);
  void OpenFullPackage(const std::wstring& url);
  void SendControllerLaunched(PayloadManager* payload_manager);
  // Interrupts the backend and finishes once it has ended (or kStopLimit
  // has passed).
  void StopBackendAndFinish();
  void OnStopLimitReached();
  void Finish();
  void DestroyUi();
  void ObserveSettings(bool observe);

  std::unique_ptr<ProgressCalculator> progress_calculator_;
  // Run(true) runs the stored fetcher request; Run(false) cancels it.
  base::OnceCallback<void(bool)> pending_fetcher_request_;
  bool backend_running_ = false;
  // The backend process launched by Accept has not ended yet.
  bool backend_alive_ = false;
  // The user cancelled; the run ends when the backend has.
  bool stopping_ = false;
  int phase_ = 0;
  bool restart_fetching_ = false;
  bool error_shown_before_ = false;
  bool accept_pending_ = false;
  bool initial_settings_sent_ = false;
  bool package_will_be_downloaded_ = false;
  bool observing_settings_ = false;
  bool observing_runner_ = false;
  std::unique_ptr<PendingError> pending_error_;
  base::FilePath lock_folder_;
  base::TimeDelta pending_error_delay_ = kPendingErrorDelay;
  base::TimeDelta stop_limit_ = kStopLimit;
  std::unique_ptr<InstallerUiLock> ui_lock_;
  std::unique_ptr<InstallerWindow> window_;
  base::WeakPtrFactory<InstallerUIController> weak_factory_{this};
};

#endif  // DESKTOP_WINDOWS_INSTALLER_UI_INSTALLER_UI_CONTROLLER_H_
