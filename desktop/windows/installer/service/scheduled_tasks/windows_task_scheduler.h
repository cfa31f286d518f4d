#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_SCHEDULED_TASKS_WINDOWS_TASK_SCHEDULER_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_SCHEDULED_TASKS_WINDOWS_TASK_SCHEDULER_H_

#include <memory>
#include <string>
#include <vector>

#include "base/time/time.h"
#include "desktop/windows/installer/service/scheduled_tasks/scheduled_task_info.h"

enum class ScheduledTaskState {
  kCannotOpen = 0,
  kDisabled = 1,
  kUnknown = 2,
  kReady = 3,
  kRunning = 4,
  kWillNotRunAgain = 5,
};

enum class TaskCreation {
  kCreated,
  // The system's Task Scheduler does not implement what the task needs
  // (E_NOTIMPL): no task of that kind can be made here.
  kUnsupported,
  kFailed,
};

// The Windows Task Scheduler, as far as the installer uses it. Every name
// is the task's own part; each operation builds the full name itself. COM
// must be initialised on the calling thread; the object stays on it. Every
// COM failure is tolerated: false, nothing, a state or the null time.
class WindowsTaskScheduler {
 public:
  virtual ~WindowsTaskScheduler() = default;

  // Must be called first; false when the scheduler cannot be reached.
  virtual bool Initialize() = 0;
  // Replaces a task of the same name.
  virtual TaskCreation CreateTask(const ScheduledTaskInfo& info) = 0;
  // Deletes this product's enabled tasks whose program no longer exists.
  virtual void DeleteStaleTasks() = 0;
  virtual void DeleteTask(const std::wstring& name) = 0;
  // Sets the day interval of the task's first daily trigger.
  virtual void UpdateTaskInterval(const std::wstring& name, int days) = 0;
  virtual void SetTaskEnabled(const std::wstring& name, bool enabled) = 0;
  virtual bool RunTask(const std::wstring& name, const std::vector<std::wstring>& arguments) = 0;
  virtual ScheduledTaskState GetTaskState(const std::wstring& name) = 0;
  // The null time when the task has not run or cannot be read.
  virtual base::Time GetLastRunTime(const std::wstring& name) = 0;
};

// The product name, " scheduled " and the task's own name.
std::wstring MakeScheduledTaskName(const std::wstring& name);

// Whether a task name (as listed by the scheduler, with or without a
// leading "\") was made by MakeScheduledTaskName, ignoring case. The stale
// sweep touches nothing else, never another vendor's task.
bool IsOwnScheduledTaskName(const std::wstring& task_name);

// A Task Scheduler 2.0 implementation on Vista and later, else 1.0;
// uninitialised. Replaceable for tests.
using WindowsTaskSchedulerFactory = std::unique_ptr<WindowsTaskScheduler> (*)();
std::unique_ptr<WindowsTaskScheduler> CreateWindowsTaskScheduler();
void SetWindowsTaskSchedulerFactoryForTesting(WindowsTaskSchedulerFactory factory);

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_SCHEDULED_TASKS_WINDOWS_TASK_SCHEDULER_H_
