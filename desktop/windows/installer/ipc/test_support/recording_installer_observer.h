#ifndef DESKTOP_WINDOWS_INSTALLER_IPC_TEST_SUPPORT_RECORDING_INSTALLER_OBSERVER_H_
#define DESKTOP_WINDOWS_INSTALLER_IPC_TEST_SUPPORT_RECORDING_INSTALLER_OBSERVER_H_

#include <functional>
#include <string>
#include <vector>

#include "desktop/windows/installer/ipc/installer_observer.h"

// Writes each notification as one line ("total_steps 25", "error 6 text
// detail"), so tests compare whole sequences.
class RecordingInstallerObserver : public InstallerObserver {
 public:
  RecordingInstallerObserver();
  ~RecordingInstallerObserver() override;

  const std::vector<std::string>& calls() const { return calls_; }
  void clear_calls() { calls_.clear(); }
  // The calls one a line, for a failure's message.
  std::string CallsText() const;
  const std::wstring& last_error_message() const { return last_error_message_; }
  // Runs after each recorded call.
  void set_on_call(std::function<void(const std::string&)> on_call) { on_call_ = on_call; }

  void OnNotify() override;
  void OnStartingNewMainProcess(bool earlier_version) override;
  void OnEnteringPhase(int phase) override;
  void OnReturnedToPreviousMainProcess() override;
  void OnTotalSteps(int total) override;
  void OnStepStarting(const std::string& step_name) override;
  void OnStepFinished(const std::string& step_name, int attempt, int completed) override;
  void OnImportantEvent(const std::string& event_name) override;
  void OnInstallerError(InstallerResult code, const std::wstring& message,
                        const std::string& detail) override;
  void OnInstallerSucceeded() override;
  // "backend_terminated <code>".
  void OnBackendProcessTerminated(InstallerResult code) override;

 private:
  void Record(const std::string& call);

  std::vector<std::string> calls_;
  std::wstring last_error_message_;
  std::function<void(const std::string&)> on_call_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_IPC_TEST_SUPPORT_RECORDING_INSTALLER_OBSERVER_H_
