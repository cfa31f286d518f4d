#include "desktop/windows/installer/controller/test_support/recording_main_process_runner.h"

#include <algorithm>

RecordingMainProcessRunner::RecordingMainProcessRunner() = default;
RecordingMainProcessRunner::~RecordingMainProcessRunner() = default;

InstallerResult RecordingMainProcessRunner::Run(SettingsImpl* settings) {
  ++run_count;
  run_settings = settings;
  return run_result;
}

void RecordingMainProcessRunner::SetPackagePaths(const base::FilePath& package,
                                                 const base::FilePath& assistant) {
  package_folder = package;
  assistant_folder = assistant;
}

void RecordingMainProcessRunner::Stop() {
  ++stop_count;
}

void RecordingMainProcessRunner::OnPackageReady() {
  ++package_ready_count;
}

void RecordingMainProcessRunner::AddObserver(InstallerObserver* observer) {
  observers_.push_back(observer);
}

void RecordingMainProcessRunner::RemoveObserver(InstallerObserver* observer) {
  observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}
