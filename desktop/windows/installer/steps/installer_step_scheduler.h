#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_INSTALLER_STEP_SCHEDULER_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_INSTALLER_STEP_SCHEDULER_H_

#include <string>

#include "base/memory/ref_counted.h"
#include "base/single_thread_task_runner.h"

class InstallerStepContext;

// Builds the ordered step list of the settings' operation and runs it, one
// step at a time, as tasks on the backend's main thread, retrying a step
// that asks for it.
class InstallerStepScheduler {
 public:
  class Observer {
   public:
    virtual ~Observer() = default;
    // Once per step, not per retry.
    virtual void OnStepStarting(const std::string& name) = 0;
    // `attempt` of the run that ended the step; `completed` counts this one.
    virtual void OnStepFinished(const std::string& name, int attempt, int completed) = 0;
    // True when every step is done; false after a final failure, whose
    // texts are in the thread's error record.
    virtual void OnAllStepsDone(bool success) = 0;
  };

  virtual ~InstallerStepScheduler() = default;

  // `app_id` is overwritten by the registry step with the uninstall key
  // path (what the rule host gives for "{Uninstall}"); it must outlive the
  // scheduler. `total` receives the number of steps plus one (untouched for
  // the protocol-handler registration). False, with lines appended to the
  // error record, when a package list cannot be read.
  virtual bool ScheduleSteps(InstallerStepContext* context, std::wstring* app_id,
                             int* total) = 0;
  virtual void Start(base::scoped_refptr<base::SingleThreadTaskRunner> task_runner,
                     Observer* observer) = 0;
  // No step and no pending retry runs after this, and the observer hears
  // nothing more. Call it before rolling back.
  virtual void Cancel() = 0;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_INSTALLER_STEP_SCHEDULER_H_
