#include "desktop/windows/installer/ipc/test_support/recording_installer_observer.h"

#include "base/strings/utf_string_conversions.h"

RecordingInstallerObserver::RecordingInstallerObserver() = default;
RecordingInstallerObserver::~RecordingInstallerObserver() = default;

std::string RecordingInstallerObserver::CallsText() const {
  std::string text;
  for (const std::string& call : calls_)
    text += call + "\n";
  return text;
}

void RecordingInstallerObserver::Record(const std::string& call) {
  calls_.push_back(call);
  if (on_call_)
    on_call_(call);
}

void RecordingInstallerObserver::OnNotify() {
  Record("notify");
}
void RecordingInstallerObserver::OnStartingNewMainProcess(bool earlier_version) {
  Record("starting_new_main_process " + std::to_string(earlier_version));
}
void RecordingInstallerObserver::OnEnteringPhase(int phase) {
  Record("entering_phase " + std::to_string(phase));
}
void RecordingInstallerObserver::OnReturnedToPreviousMainProcess() {
  Record("returned_to_previous_main_process");
}
void RecordingInstallerObserver::OnTotalSteps(int total) {
  Record("total_steps " + std::to_string(total));
}
void RecordingInstallerObserver::OnStepStarting(const std::string& step_name) {
  Record("step_starting " + step_name);
}
void RecordingInstallerObserver::OnStepFinished(const std::string& step_name, int attempt,
                                                int completed) {
  Record("step_finished " + step_name + " " + std::to_string(attempt) + " " +
         std::to_string(completed));
}
void RecordingInstallerObserver::OnImportantEvent(const std::string& event_name) {
  Record("important_event " + event_name);
}
void RecordingInstallerObserver::OnInstallerError(InstallerResult code,
                                                  const std::wstring& message,
                                                  const std::string& detail) {
  last_error_message_ = message;
  Record("error " + std::to_string(code) + " " + base::WideToUTF8(message) + " " + detail);
}
void RecordingInstallerObserver::OnInstallerSucceeded() {
  Record("succeeded");
}

void RecordingInstallerObserver::OnBackendProcessTerminated(InstallerResult code) {
  Record("backend_terminated " + std::to_string(code));
}
