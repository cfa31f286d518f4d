#ifndef DESKTOP_WINDOWS_INSTALLER_CONTROLLER_INSTALLER_CONTROLLER_H_
#define DESKTOP_WINDOWS_INSTALLER_CONTROLLER_INSTALLER_CONTROLLER_H_

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "base/callback.h"
#include "base/files/file_path.h"
#include "base/memory/weak_ptr.h"
#include "base/time/time.h"
#include "desktop/windows/installer/avro_stats/fetch_statistics.h"
#include "desktop/windows/installer/controller/installer_controller_interface.h"
#include "desktop/windows/installer/ipc/installer_observer.h"
#include "desktop/windows/installer/package_fetcher/package_fetcher_delegate.h"
#include "desktop/windows/installer/settings/settings_observer.h"
#include "desktop/windows/installer/utils/installer_result.h"

class MainProcessInstallerRunner;
class PackageFetcher;
class PrefDefaultOverridesFetcher;
class SettingsImpl;

// What the silent and interactive controllers share: the package fetcher
// (or, inside an unpacked package, only the preference-overrides fetcher),
// the tracking-data actions before the backend may use the package, the
// installation's progress turned into statistics, the result code, and the
// end of the run. Lives on the UI thread.
class InstallerController : public InstallerControllerInterface,
                            public PackageFetcherDelegate,
                            public InstallerObserver,
                            public SettingsObserver {
 public:
  // After Terminate, the statistics flush gets this long before the run
  // loop is quit anyway.
  static constexpr base::TimeDelta kFlushLimit = base::TimeDelta::FromSeconds(30);

  InstallerController(SettingsImpl* settings, MainProcessInstallerRunner* runner);
  ~InstallerController() override;
  InstallerController(const InstallerController&) = delete;
  InstallerController& operator=(const InstallerController&) = delete;

  // InstallerControllerInterface:
  InstallerResult Start(PayloadManager* payload_manager,
                        const base::FilePath& download_folder,
                        base::OnceClosure quit) override;
  void OnTrackingDataActionsDone() override;

  // PackageFetcherDelegate:
  void OnPackageFetcherError(uint32_t kind,
                             std::string message,
                             std::vector<FetchStatistics> fetch_details) override;

  // InstallerObserver:
  void OnStepStarting(const std::string& step_name) override;
  void OnStepFinished(const std::string& step_name, int attempt, int completed) override;
  void OnInstallerError(InstallerResult code,
                        const std::wstring& message,
                        const std::string& detail) override;
  void OnInstallerSucceeded() override;
  void OnBackendProcessTerminated(InstallerResult code) override;

  // SettingsObserver:
  void OnFlagChanged() override;
  void OnLanguageChanged() override;
  void OnPathChanged() override;

  // The scale ids of the monitors (the DPI scale table's), whose
  // resource packs a minimal package leaves out. Call before Start.
  void SetMonitorScaleIds(std::set<int> ids) { monitor_scale_ids_ = std::move(ids); }
  // What a minimal package needs fetched beside it: the language's pack and
  // the monitors' scale packs.
  std::vector<std::string> GetNeededDownloadableResources() const;

  // Read by the entry point once the run loop has ended; 20 (the operation
  // never finished) until something sets it.
  InstallerResult result() const { return result_; }
  const std::string& error_detail() const { return error_detail_; }
  bool terminated() const { return terminated_; }
  void set_flush_limit_for_testing(base::TimeDelta limit) { flush_limit_ = limit; }

 protected:
  // Stops the fetcher and the runner, sends the last statistics and quits
  // the run loop once they are flushed (or kFlushLimit has passed). Once.
  void Terminate();
  void RunTrackingDataActions();
  // Operation 5: fetches what the installation lacks. Starts the fetch at
  // most once; with no installation to repair the run fails at once.
  void FixDownloadableResources();
  // The folder details are there and no newer request is pending.
  bool SettingsComplete() const;
  // The runner's Run with the settings. When the backend cannot be
  // launched, the error reported (the error record's; never a success: the
  // launch's own code then) goes to OnInstallerError, and false is
  // returned.
  bool RunBackendProcess();

  SettingsImpl* settings() const { return settings_; }
  MainProcessInstallerRunner* runner() const { return runner_; }
  PackageFetcher* fetcher() const { return fetcher_.get(); }
  const std::string& tracking_text() const { return tracking_text_; }
  bool fetch_started() const { return fetch_started_; }
  void set_fetch_started() { fetch_started_ = true; }

 private:
  void CreateFetcher(PayloadManager* payload_manager, const base::FilePath& download_folder);
  void SendFinalStatistics();
  void Quit();

  SettingsImpl* const settings_;
  std::string tracking_text_;
  std::string error_detail_;
  std::vector<FetchStatistics> fetch_records_;
  std::set<int> monitor_scale_ids_;
  bool without_fetcher_ = false;
  bool terminated_ = false;
  bool fetch_started_ = false;
  base::TimeDelta flush_limit_ = kFlushLimit;
  base::OnceClosure quit_;
  std::unique_ptr<PackageFetcher> fetcher_;
  MainProcessInstallerRunner* const runner_;
  std::unique_ptr<PrefDefaultOverridesFetcher> overrides_fetcher_;
  InstallerResult result_ = RESULT_NOT_FINISHED;
  base::WeakPtrFactory<InstallerController> weak_factory_{this};
};

#endif  // DESKTOP_WINDOWS_INSTALLER_CONTROLLER_INSTALLER_CONTROLLER_H_
