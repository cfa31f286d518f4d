#ifndef DESKTOP_WINDOWS_INSTALLER_CONTROLLER_TEST_SUPPORT_RECORDING_MAIN_PROCESS_RUNNER_H_
#define DESKTOP_WINDOWS_INSTALLER_CONTROLLER_TEST_SUPPORT_RECORDING_MAIN_PROCESS_RUNNER_H_

#include <cstdint>
#include <vector>

#include "base/files/file_path.h"
#include "desktop/windows/installer/runner/main_process_installer_runner.h"
#include "desktop/windows/installer/utils/installer_result.h"

class InstallerObserver;

// A main-process runner that launches nothing: it records what the
// controller asks and answers Run with `run_result`. A test plays the
// backend through Notify().
class RecordingMainProcessRunner : public MainProcessInstallerRunner {
 public:
  RecordingMainProcessRunner();
  ~RecordingMainProcessRunner() override;

  InstallerResult Run(SettingsImpl* settings) override;
  void SetPackagePaths(const base::FilePath& package_folder,
                       const base::FilePath& assistant_folder) override;
  void Stop() override;
  void OnPackageReady() override;
  void AddObserver(InstallerObserver* observer) override;
  void RemoveObserver(InstallerObserver* observer) override;

  // Calls `notification` on every observer, as the mailslot would.
  template <typename Notification>
  void Notify(Notification notification) {
    for (InstallerObserver* observer : std::vector<InstallerObserver*>(observers_))
      notification(observer);
  }

  InstallerResult run_result = RESULT_SUCCESS;
  int run_count = 0;
  int stop_count = 0;
  int package_ready_count = 0;
  SettingsImpl* run_settings = nullptr;
  base::FilePath package_folder;
  base::FilePath assistant_folder;
  const std::vector<InstallerObserver*>& observers() const { return observers_; }

 private:
  std::vector<InstallerObserver*> observers_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_CONTROLLER_TEST_SUPPORT_RECORDING_MAIN_PROCESS_RUNNER_H_
