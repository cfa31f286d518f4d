#ifndef DESKTOP_WINDOWS_INSTALLER_RUNNER_BACKEND_PROCESS_INSTALLER_RUNNER_IMPL_H_
#define DESKTOP_WINDOWS_INSTALLER_RUNNER_BACKEND_PROCESS_INSTALLER_RUNNER_IMPL_H_

#include <memory>

#include "base/run_loop.h"
#include "base/win/object_watcher.h"
#include "base/win/scoped_handle.h"
#include "desktop/windows/installer/ipc/installer_message_forwarder.h"
#include "desktop/windows/installer/ipc/installer_observer.h"
#include "desktop/windows/installer/ipc/ipc_sender.h"
#include "desktop/windows/installer/runner/installer_runner.h"
#include "desktop/windows/installer/settings/settings_observer.h"
#include "desktop/windows/installer/utils/run_secret.h"

namespace base {
class CommandLine;
}

class Installer;
class InstallerStepScheduler;
class PayloadManager;
class Settings;

// The backend role: watches the process that started it, waits until the
// settings are complete, runs the Installer and sends every notification
// over the mailslot, with the run's secret it was handed, until the
// installation has ended or the starter has.
class BackendProcessInstallerRunnerImpl : public InstallerRunner,
                                          public SettingsObserver,
                                          public InstallerObserver,
                                          public base::win::ObjectWatcher::Delegate {
 public:
  // `command_line` is the backend's own (the session's); it and `payload`,
  // the running installer's payload read at start-up (null: none), outlive
  // the runner. The run's secret is taken from the command line here.
  BackendProcessInstallerRunnerImpl(const base::CommandLine& command_line,
                                    const PayloadManager* payload);
  // For tests: the Installer runs `scheduler`'s steps.
  BackendProcessInstallerRunnerImpl(const base::CommandLine& command_line,
                                    std::unique_ptr<InstallerStepScheduler> scheduler,
                                    const PayloadManager* payload = nullptr);
  ~BackendProcessInstallerRunnerImpl() override;
  BackendProcessInstallerRunnerImpl(const BackendProcessInstallerRunnerImpl&) = delete;
  BackendProcessInstallerRunnerImpl& operator=(const BackendProcessInstallerRunnerImpl&) = delete;

  // InstallerRunner: the Installer's state (20 when it never ended).
  InstallerResult Run(SettingsImpl* settings) override;
  // The same for any settings (tests).
  InstallerResult RunWithSettings(Settings* settings);

  // SettingsObserver.
  void OnFlagChanged() override {}
  void OnLanguageChanged() override {}
  void OnPathChanged() override;

  // InstallerObserver: the end of the run.
  void OnInstallerError(InstallerResult code, const std::wstring& message,
                        const std::string& detail) override;
  void OnInstallerSucceeded() override;
  void OnProcessTerminating() override;

  // base::win::ObjectWatcher::Delegate: the starter ended.
  void OnObjectSignaled(HANDLE object) override;

 private:
  // The starter's handle from the command line; 0 or an InstallerResult.
  InstallerResult OpenInitialProcess(bool* watch);
  void StartInstallation();
  void ConnectMailslot();

  const base::CommandLine& command_line_;
  base::RunLoop run_loop_;
  base::win::ScopedHandle initial_process_;
  base::win::ObjectWatcher initial_process_watcher_;
  IPCSender sender_;
  const RunSecret secret_;
  // Sends what the Installer reports; registered before this runner.
  InstallerMessageForwarder forwarder_;
  std::unique_ptr<Installer> installer_;
  Settings* settings_ = nullptr;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_RUNNER_BACKEND_PROCESS_INSTALLER_RUNNER_IMPL_H_
