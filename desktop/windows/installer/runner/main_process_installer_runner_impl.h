#ifndef DESKTOP_WINDOWS_INSTALLER_RUNNER_MAIN_PROCESS_INSTALLER_RUNNER_IMPL_H_
#define DESKTOP_WINDOWS_INSTALLER_RUNNER_MAIN_PROCESS_INSTALLER_RUNNER_IMPL_H_

#include <string>

#include "base/command_line.h"
#include "base/memory/weak_ptr.h"
#include "base/observer_list.h"
#include "base/process/process.h"
#include "base/time/time.h"
#include "base/win/object_watcher.h"
#include "base/win/scoped_handle.h"
#include "desktop/windows/installer/ipc/installer_observer.h"
#include "desktop/windows/installer/ipc/ipc_receiver.h"
#include "desktop/windows/installer/runner/main_process_installer_runner.h"

class Settings;

// Takes the installer mutex of the installation folder, opens the mailslot,
// creates the interrupted and package-ready events and launches this
// executable as the backend, which it watches. Received messages become
// notifications of its observers; the backend's end becomes
// OnBackendProcessTerminated, after every message it sent. Lives on the UI
// thread.
class MainProcessInstallerRunnerImpl : public MainProcessInstallerRunner,
                                       public base::win::ObjectWatcher::Delegate,
                                       public IPCReceiver::Delegate {
 public:
  // How long the end of the backend waits for its last messages when the
  // mailslot cannot say that it has delivered them.
  static constexpr base::TimeDelta kLastMessagesLimit = base::TimeDelta::FromSeconds(5);

  MainProcessInstallerRunnerImpl();
  ~MainProcessInstallerRunnerImpl() override;
  MainProcessInstallerRunnerImpl(const MainProcessInstallerRunnerImpl&) = delete;
  MainProcessInstallerRunnerImpl& operator=(const MainProcessInstallerRunnerImpl&) = delete;

  // MainProcessInstallerRunner.
  InstallerResult Run(SettingsImpl* settings) override;
  void SetPackagePaths(const base::FilePath& package_folder,
                       const base::FilePath& assistant_folder) override;
  void Stop() override;
  void OnPackageReady() override;
  void AddObserver(InstallerObserver* observer) override;
  void RemoveObserver(InstallerObserver* observer) override;

  // The same for any settings (tests).
  InstallerResult RunWithSettings(Settings* settings);

  // base::win::ObjectWatcher::Delegate: the backend ended.
  void OnObjectSignaled(HANDLE object) override;
  // IPCReceiver::Delegate.
  void OnMailslotMessage(const base::Pickle& message) override;

  // "Global\Tarvo/Installer/" + the folder with "/" for "\".
  static std::wstring GetMutexName(const base::FilePath& folder);
  static std::wstring GetMailslotName(const base::FilePath& folder);

  // How the installer mutex is made (CreateMutexW unless replaced): an
  // elevated holder's refusal cannot be produced where every process is
  // elevated. Null restores the default.
  using CreateMutexFunction = HANDLE(WINAPI*)(LPSECURITY_ATTRIBUTES, BOOL, LPCWSTR);
  static void SetCreateMutexForTesting(CreateMutexFunction function);

 private:
  InstallerResult AcquireMutex(const base::FilePath& folder);
  InstallerResult CreateEvents(const base::FilePath& folder, base::CommandLine* command_line);
  InstallerResult LaunchBackend(base::CommandLine* command_line);
  void DeliverBackendEnd(InstallerResult result);

  IPCReceiver receiver_;
  base::FilePath assistant_folder_;
  base::FilePath package_folder_;
  base::Process backend_;
  base::win::ScopedHandle mutex_;
  base::win::ObjectWatcher backend_watcher_;
  base::win::ScopedHandle package_ready_event_;
  base::win::ScopedHandle interrupted_event_;
  Settings* settings_ = nullptr;
  bool package_ready_ = false;
  bool launched_ = false;
  // The backend ended; its end is reported once its messages are in.
  bool end_pending_ = false;
  base::ObserverList<InstallerObserver> observers_;
  base::WeakPtrFactory<MainProcessInstallerRunnerImpl> weak_factory_{this};
};

#endif  // DESKTOP_WINDOWS_INSTALLER_RUNNER_MAIN_PROCESS_INSTALLER_RUNNER_IMPL_H_
