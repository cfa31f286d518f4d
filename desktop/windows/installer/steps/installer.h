#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_INSTALLER_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_INSTALLER_H_

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/files/file_path.h"
#include "base/memory/ref_counted.h"
#include "base/memory/weak_ptr.h"
#include "base/observer_list.h"
#include "base/process/process.h"
#include "base/single_thread_task_runner.h"
#include "base/win/object_watcher.h"
#include "base/win/scoped_handle.h"
#include "desktop/windows/installer/ipc/installer_observer.h"
#include "desktop/windows/installer/service/installation_journal.h"
#include "desktop/windows/installer/service/shell_shortcut_files.h"
#include "desktop/windows/installer/service/installation_status.h"
#include "desktop/windows/installer/service/installation_status_loader.h"
#include "desktop/windows/installer/service/transactions/registry_rule.h"
#include "desktop/windows/installer/service/transactions/transaction.h"
#include "desktop/windows/installer/steps/installer_step_context.h"
#include "desktop/windows/installer/steps/installer_step_scheduler.h"
#include "desktop/windows/installer/steps/package_preparer.h"
#include "desktop/windows/installer/utils/folder_boundary.h"
#include "desktop/windows/installer/utils/installer_result.h"
#include "desktop/windows/installer/utils/run_secret.h"

namespace features {
class FeatureReader;
}

class PackageVerifier;

// Carries out one operation in the backend process: checks rights (and
// elevates or borrows folder permissions), waits for the package, prepares
// it and hands over to the installer found in the versioned folder, or runs
// the operation's steps. Every outcome reaches the observers; every change
// goes through one transaction, rolled back on failure and committed when
// the Installer goes. Lives on the backend's main thread.
class Installer : public base::win::ObjectWatcher::Delegate,
                  public InstallerStepContext,
                  public RegistryRuleHost,
                  public InstallerStepScheduler::Observer,
                  public PackagePreparer::Delegate {
 public:
  // `command_line` is the backend's own; the Installer keeps a copy, which
  // also carries the install subfolder once this run has chosen it. Only a
  // package `package_verifier` accepts is unpacked.
  Installer(const base::CommandLine& command_line,
            std::unique_ptr<InstallerStepScheduler> scheduler,
            InstallationStatusLoaderFactory status_loader_factory,
            std::unique_ptr<PackageVerifier> package_verifier);
  ~Installer() override;
  Installer(const Installer&) = delete;
  Installer& operator=(const Installer&) = delete;

  void AddObserver(InstallerObserver* observer);
  void RemoveObserver(InstallerObserver* observer);

  // Once, with settings whose folder details are complete; posts Run.
  void Start(Settings* settings);
  // The run's secret, handed on to the installer processes this one starts
  // (its elevated copy, the packaged installer). Empty: none is handed on.
  void set_run_secret(const RunSecret& secret) { run_secret_ = secret; }

  // 20 (not finished) until the operation ends, then its InstallerResult.
  InstallerResult state() const { return state_; }
  bool running() const { return running_; }

  // Elevation and hand-over.
  bool CanElevate();
  bool RunElevated();
  bool GetFolderPermissionsElevated(const base::FilePath& folder, bool permanent);
  bool RunInstallerFromPackage(bool post_elevated);
  void RunPostElevationTasks();
  void FinalizeInstallation();
  // Gives the Administrators group full access to a kernel object.
  static bool FixEventACL(HANDLE handle);

  // base::win::ObjectWatcher::Delegate.
  void OnObjectSignaled(HANDLE object) override;

  // InstallerStepContext.
  Settings* GetSettings() override;
  Transaction* GetTransaction() override;
  const InstallationStatus* GetExistingInstallation() override;
  base::FilePath GetInstallFolder() override;
  base::FilePath GetPackageFolder() override;
  base::FilePath GetTargetFolder() override;
  const base::FilePath& GetBaseInstallFolder() override;
  const base::FilePath& GetSettingsInstallFolder() override;
  InstallationStatus* GetInstallationStatus() override;
  const InstallationFolderDetails* GetFolderDetails() override;
  base::ProcessId GetParentPid() override;
  RegistryRuleHost* GetRuleHost() override;
  bool HasFinishedEvent() override;
  void StartRegistryRecording() override;
  void StopRegistryRecording() override;
  void ReportImportantEvent(const std::string& name) override;
  bool HasExistingInstallation() override;
  bool IsMinimalInstall() override;
  bool IsRunningFromInstallFolder() override;
  bool HasPackageDir() override;
  void RunWhenFinal(base::OnceClosure action) override;
  const base::CommandLine& GetCommandLine() override;

  // RegistryRuleHost.
  std::wstring GetValue(const std::wstring& name) override;
  std::vector<StatusRegistryKey>* GetRegistryRecord(HKEY root) override;

  // InstallerStepScheduler::Observer.
  void OnStepStarting(const std::string& name) override;
  void OnStepFinished(const std::string& name, int attempt, int completed) override;
  void OnAllStepsDone(bool success) override;

  // PackagePreparer::Delegate.
  void OnFilesToUnpackCounted(size_t count) override;
  void OnUnpackProgressChanged(const std::string& name, size_t count) override;

  // The launcher's wait in FinalizeInstallation: it is not ours to wait for
  // without end.
  static constexpr DWORD kBrowserLaunchWaitMs = 60 * 1000;

 private:
  void Run();
  // The parts of Run, each true when the flow goes on.
  bool CheckPreconditions();
  bool WatchInterruptedEvent();
  bool CreateFolderEarly(const base::FilePath& folder, bool admin, bool* has_write);
  // Makes `folder` through the transaction; fails the run with `failure`
  // when it cannot.
  bool CreateFolder(const base::FilePath& folder, InstallerResult failure);
  void SaveLastInstallPath();
  // Elevates or borrows rights when needed; false when the flow is over.
  bool ObtainRights(const base::FilePath& folder, bool admin, bool access);
  void ContinueWithFolder(const base::FilePath& folder);
  // An earlier uninstall's clean-up of `folder` has ended before this run
  // touches the folder; false when the flow is over.
  bool WaitForEarlierCleanup(const base::FilePath& folder);
  // What runs killed in `folder` left is put right before this one works;
  // from then on no file operation of the run reaches through a link in it.
  void RecoverInterruptedWork(const base::FilePath& folder);
  // The shortcut files outside the folder that this run's journal, and
  // that of a run it puts right, may name.
  ShellShortcutFiles GetOwnShortcutFiles();
  // From here on the next run can undo this one's changes should it be
  // killed, and knows the versioned folders the run makes and replaces for
  // its installer's.
  void StartJournal(const base::FilePath& folder,
                    InstallationJournal::Role role = InstallationJournal::Role::kRun);
  // Makes the work final; after a success, what earlier runs left goes.
  void CommitWork();
  void DropJournal();
  void PrepareAndHandOver(bool post_elevated);
  void FillStatus(const base::FilePath& folder);
  bool HandleSubfolder(const base::FilePath& folder);
  void ApplyInstallationExperiments(const base::FilePath& folder);
  // Logs when the test experiment is on here but not in the folder's
  // installation, or the reverse.
  void LogTestExperimentChange();
  void ScheduleAndStartSteps(bool report_total);
  void WaitForPackage(bool post_elevated);
  void ReportElevatedRun(bool success);
  // The uninstall's steps succeeded: its work is made final, and then its
  // clean-up batch file starts.
  void FinishUninstall();

  void Fail(InstallerResult code, const std::string& detail, const std::wstring& message);
  void OnFailed();
  void OnSucceeded();
  void Cancel();
  // Sets the finished event (the helper takes its grant back), then ends
  // this process's work on the installation.
  void Finish();
  void ReleaseFolderGrant();
  void EndWork();

  // Uninstall and repair work in the subfolder the existing record names,
  // the other operations in the one their command line names.
  bool UsesRecordedSubfolder();
  base::FilePath GetInstallSubfolder();
  bool HasOwnSwitch(const char* name) const;
  // RunElevated's two halves: the elevated copy started and waited for,
  // its result taken over; then its status read back and the user's part
  // handed over or run here.
  bool RunElevatedCopy();
  bool TakeOverElevatedRun();
  // The command lines of the started installer processes.
  base::CommandLine MakeElevatedCommandLine(const base::FilePath& exe);
  base::CommandLine MakeHelperCommandLine(const base::FilePath& exe, const base::FilePath& folder,
                                          bool permanent);
  bool WaitForGrant(HANDLE helper, HANDLE grant_done);
  // Starts an installer process (plain) that inherits the run's secret.
  base::Process LaunchWithRunSecret(base::CommandLine* command_line, DWORD* error);
  void LaunchComponentInstallers();
  void UpdateProfile(const base::FilePath& profile);
  void UpdatePartnerContent(const base::FilePath& profile, bool* flag_updated);
  void LaunchBrowser();

  base::CommandLine command_line_;
  RunSecret run_secret_;
  std::unique_ptr<InstallerStepScheduler> scheduler_;
  InstallationStatusLoaderFactory status_loader_factory_;
  base::scoped_refptr<base::SingleThreadTaskRunner> task_runner_;
  // The installation folder, once known, which transaction_'s file
  // operations reach through no link.
  std::unique_ptr<FolderBoundary> folder_boundary_;
  Transaction transaction_;
  // The record of transaction_ in the installation folder, while this
  // process runs the steps; the folder it is in.
  std::unique_ptr<InstallationJournal> journal_;
  base::FilePath journal_folder_;
  // The run's class of accounts, whose records it keeps and trusts.
  ObjectWriters journal_writers_ = ObjectWriters::kCurrentUser;
  // The operations transaction_ held when the journal began.
  size_t operations_before_journal_ = 0;
  // The versioned folder of the installation the run replaces, once its
  // journal began: the commit removes it when no status names it anymore.
  base::FilePath replaced_subfolder_;
  base::ObserverList<InstallerObserver> observers_;
  InstallationStatus status_;
  std::wstring app_id_;
  bool running_ = false;
  InstallerResult state_;
  bool registry_recording_ = false;
  base::win::ScopedHandle finished_event_;
  base::ProcessId parent_pid_ = 0;
  base::win::ScopedHandle package_ready_event_;
  base::win::ScopedHandle interrupted_event_;
  base::win::ObjectWatcher package_watcher_;
  base::win::ObjectWatcher interrupted_watcher_;
  Settings* settings_ = nullptr;
  bool post_elevated_wait_ = false;
  std::unique_ptr<PackagePreparer> package_preparer_;
  // What runs once the uninstall is final (RunWhenFinal).
  std::vector<base::OnceClosure> final_actions_;
  // The experiment readers of an upgrade live as long as the registry
  // may ask them.
  std::vector<std::unique_ptr<features::FeatureReader>> experiment_readers_;
  // Folders the context hands out by reference.
  base::FilePath base_install_folder_;
  base::FilePath settings_install_folder_;
  base::WeakPtrFactory<Installer> weak_factory_{this};
};

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_INSTALLER_H_
