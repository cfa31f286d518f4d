#ifndef DESKTOP_WINDOWS_INSTALLER_IPC_INSTALLER_OBSERVER_H_
#define DESKTOP_WINDOWS_INSTALLER_IPC_INSTALLER_OBSERVER_H_

#include <string>

#include "desktop/windows/installer/utils/installer_result.h"

// The progress of one installation. The backend's Installer produces these;
// the backend runner sends them over the mailslot and the UI side turns
// each received message back into the same call. Every slot does nothing by
// default, so an observer overrides only what it needs.
class InstallerObserver {
 public:
  virtual ~InstallerObserver() = default;

  // Once per run, right after the installation folder was created.
  virtual void OnNotify() {}
  // The backend starts another installer process and waits for it;
  // `earlier_version`: one of an earlier version (or of one that cannot be
  // told), whose messages come without the run's secret.
  virtual void OnStartingNewMainProcess(bool /*earlier_version*/) {}
  // A phase index of the progress calculator.
  virtual void OnEnteringPhase(int /*phase*/) {}
  // The process announced by OnStartingNewMainProcess has ended.
  virtual void OnReturnedToPreviousMainProcess() {}
  // The number of units (steps, or files to unpack) that follow.
  virtual void OnTotalSteps(int /*total*/) {}
  // Once per step, not per retry. Names are UTF-8.
  virtual void OnStepStarting(const std::string& /*step_name*/) {}
  // `attempt` is the 0-based run that ended the step, `completed` the units
  // done so far in this phase.
  virtual void OnStepFinished(const std::string& /*step_name*/, int /*attempt*/,
                              int /*completed*/) {}
  virtual void OnImportantEvent(const std::string& /*event_name*/) {}
  virtual void OnInstallerError(InstallerResult /*code*/, const std::wstring& /*message*/,
                                const std::string& /*detail*/) {}
  virtual void OnInstallerSucceeded() {}
  // Backend only: the run loop may end. Never sent.
  virtual void OnProcessTerminating() {}
  // UI side only: the backend process ended with `code`. Never sent.
  virtual void OnBackendProcessTerminated(InstallerResult /*code*/) {}
};

#endif  // DESKTOP_WINDOWS_INSTALLER_IPC_INSTALLER_OBSERVER_H_
