#ifndef DESKTOP_WINDOWS_INSTALLER_RUNNER_MAIN_PROCESS_INSTALLER_RUNNER_IMPL_H_
#define DESKTOP_WINDOWS_INSTALLER_RUNNER_MAIN_PROCESS_INSTALLER_RUNNER_IMPL_H_

#include <cstdint>
#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/memory/weak_ptr.h"
#include "base/observer_list.h"
#include "base/process/process.h"
#include "base/time/time.h"
#include "base/win/object_watcher.h"
#include "base/win/scoped_handle.h"
#include "desktop/windows/installer/ipc/installer_message.h"
#include "desktop/windows/installer/ipc/installer_message_reader.h"
#include "desktop/windows/installer/ipc/installer_observer.h"
#include "desktop/windows/installer/ipc/ipc_receiver.h"
#include "desktop/windows/installer/runner/main_process_installer_runner.h"
#include "desktop/windows/installer/runner/run_event.h"
#include "desktop/windows/installer/utils/run_secret.h"

class Settings;

// Takes the installer mutex of the installation folder, opens the mailslot,
// creates the interrupted and package-ready events (all open only to the
// user, SYSTEM and the Administrators) and launches this executable as the
// backend, handing it a new secret, and watches it. Received messages that
// carry the secret become notifications of its observers. The backend it
// launched is of this version and always carries it: a message without it
// is read only while an installer process that the backend announced (with
// the secret) as one of an earlier version runs, which writes none. Others
// are dropped and counted. A success counts only when the launched backend
// reports its own and then ends with 0, within kSuccessEndLimit; an end
// with 0 without it is result 20. The backend's end becomes
// OnBackendProcessTerminated, after every message it sent. Lives on the UI
// thread.
class MainProcessInstallerRunnerImpl : public MainProcessInstallerRunner,
                                       public base::win::ObjectWatcher::Delegate,
                                       public IPCReceiver::Delegate {
 public:
  // How long the end of the backend waits for its last messages when the
  // mailslot cannot say that it has delivered them.
  static constexpr base::TimeDelta kLastMessagesLimit = base::TimeDelta::FromSeconds(5);
  // How long a backend that reported success may take to end: it commits
  // and, when it handed over, waits for the installer it started.
  static constexpr base::TimeDelta kSuccessEndLimit = base::TimeDelta::FromMinutes(2);

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


  // The system calls of Run whose failures a test cannot bring about (an
  // elevated holder's refusal of the mutex, where every process is
  // elevated; a handle that cannot be duplicated or watched). The defaults
  // are the real calls.
  static bool WatchOnce(base::win::ObjectWatcher* watcher, HANDLE object,
                        base::win::ObjectWatcher::Delegate* delegate);
  struct SystemCalls {
    HANDLE(WINAPI* create_mutex)(LPSECURITY_ATTRIBUTES, BOOL, LPCWSTR) = &CreateMutexW;
    BOOL(WINAPI* duplicate_handle)(HANDLE, HANDLE, HANDLE, LPHANDLE, DWORD, BOOL, DWORD) =
        &DuplicateHandle;
    bool (*watch)(base::win::ObjectWatcher*, HANDLE, base::win::ObjectWatcher::Delegate*) =
        &WatchOnce;
  };
  static void SetSystemCallsForTesting(const SystemCalls& calls);
  void set_success_end_limit_for_testing(base::TimeDelta limit) { success_end_limit_ = limit; }
  // The secret of the backend launched last (tests play its messages).
  const RunSecret& secret_for_testing() const { return secret_; }

 private:
  // The installer mutex under today's name and under the folder's
  // spelling; 0 when both are held.
  InstallerResult AcquireMutex(const base::FilePath& folder);
  InstallerResult AcquireNamedMutex(const std::wstring& name, base::win::ScopedHandle* mutex);
  void ReleaseMutexes();
  InstallerResult ConnectMailslot(const base::FilePath& folder);
  InstallerResult CreateEvents(const base::FilePath& folder, base::CommandLine* command_line);
  InstallerResult LaunchBackend(base::CommandLine* command_line);
  void DeliverBackendEnd(InstallerResult result);
  // The backend reported success: it counts once the backend ends with 0.
  void OnSuccessReported();
  void NoteStartedProcesses(const InstallerMessage& message);
  void OnSuccessEndOverdue();
  void CloseEvents();

  IPCReceiver receiver_;
  base::FilePath assistant_folder_;
  base::FilePath package_folder_;
  base::Process backend_;
  base::win::ScopedHandle mutex_;
  // Under the name of the folder as spelt, when that is another name.
  base::win::ScopedHandle spelt_mutex_;
  base::win::ObjectWatcher backend_watcher_;
  RunEvent package_ready_event_;
  RunEvent interrupted_event_;
  Settings* settings_ = nullptr;
  bool package_ready_ = false;
  bool launched_ = false;
  // Stopped while the backend ran: the events go when it has ended.
  bool close_events_at_end_ = false;
  // The backend ended; its end is reported once its messages are in.
  bool end_pending_ = false;
  // Handed to the backend launched last; a message that carries a secret
  // must carry this one.
  RunSecret secret_;
  uint64_t messages_without_secret_ = 0;
  // The backend launched last reported success.
  bool success_reported_ = false;
  // An installer process the backend started (its elevated copy, the
  // package's installer), from the message that announced it to the one
  // that says it ended.
  struct StartedProcess {
    // Announced with the run's secret, by the run's own backends; else by a
    // process of an earlier version (or one within its time).
    bool announced_with_secret = false;
    // Of an earlier version: its messages come without the secret.
    bool earlier_version = false;
    // It reported its success or failure.
    bool reported = false;
  };
  std::vector<StartedProcess> started_processes_;
  // One ended without such a report: the run cannot succeed.
  bool started_process_unfinished_ = false;
  base::TimeDelta success_end_limit_ = kSuccessEndLimit;
  base::ObserverList<InstallerObserver> observers_;
  base::WeakPtrFactory<MainProcessInstallerRunnerImpl> weak_factory_{this};
};

#endif  // DESKTOP_WINDOWS_INSTALLER_RUNNER_MAIN_PROCESS_INSTALLER_RUNNER_IMPL_H_
