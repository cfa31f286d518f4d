#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_SCHEDULED_TASKS_TASK_SCHEDULER_V2_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_SCHEDULED_TASKS_TASK_SCHEDULER_V2_H_

#include <memory>
#include <string>
#include <vector>

#include "desktop/windows/installer/service/scheduled_tasks/task_service_v2.h"
#include "desktop/windows/installer/service/scheduled_tasks/windows_task_scheduler.h"

// Task Scheduler 2.0 (Vista and later): builds the task definition over
// the TaskServiceV2 seam.
class TaskSchedulerV2 : public WindowsTaskScheduler {
 public:
  TaskSchedulerV2();
  ~TaskSchedulerV2() override;

  bool Initialize() override;
  TaskCreation CreateTask(const ScheduledTaskInfo& info) override;
  void DeleteStaleTasks() override;
  void DeleteTask(const std::wstring& name) override;
  void UpdateTaskInterval(const std::wstring& name, int days) override;
  void SetTaskEnabled(const std::wstring& name, bool enabled) override;
  bool RunTask(const std::wstring& name, const std::vector<std::wstring>& arguments) override;
  ScheduledTaskState GetTaskState(const std::wstring& name) override;
  base::Time GetLastRunTime(const std::wstring& name) override;

 private:
  bool BuildDefinition(const ScheduledTaskInfo& info, const std::wstring& user,
                       TaskDefinitionV2* definition);
  bool AddTriggers(const ScheduledTaskInfo& info, const std::wstring& user,
                   TaskDefinitionV2* definition);

  std::unique_ptr<TaskServiceV2> service_;
};

// A TASK_STATE (or -1, unreadable) as a ScheduledTaskState.
ScheduledTaskState MapTaskStateV2(int state);

// "%02d-%02d-%02dT%02d:%02d:%02d" of a local time, no zone suffix.
std::wstring FormatTaskBoundary(const base::Time::Exploded& local);

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_SCHEDULED_TASKS_TASK_SCHEDULER_V2_H_
