#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_SCHEDULED_TASKS_TASK_SCHEDULER_V1_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_SCHEDULED_TASKS_TASK_SCHEDULER_V1_H_

#include <windows.h>
#include <mstask.h>
#include <wrl/client.h>

#include <string>
#include <vector>

#include "desktop/windows/installer/service/scheduled_tasks/windows_task_scheduler.h"

// MinGW-w64's mstask.h gives these no __uuidof.
__CRT_UUID_DECL(ITaskScheduler, 0x148bd527, 0xa2ab, 0x11ce, 0xb1, 0x1f, 0x00, 0xaa, 0x00, 0x53,
                0x05, 0x03)
__CRT_UUID_DECL(ITask, 0x148bd524, 0xa2ab, 0x11ce, 0xb1, 0x1f, 0x00, 0xaa, 0x00, 0x53, 0x05, 0x03)

// Task Scheduler 1.0 (before Vista): work items saved as ".job" files.
class TaskSchedulerV1 : public WindowsTaskScheduler {
 public:
  TaskSchedulerV1();
  ~TaskSchedulerV1() override;

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
  Microsoft::WRL::ComPtr<ITask> Open(const std::wstring& full_name);
  bool SetUpWorkItem(ITask* task, const ScheduledTaskInfo& info, const std::wstring& user);
  bool AddTriggers(ITask* task, const ScheduledTaskInfo& info);

  Microsoft::WRL::ComPtr<ITaskScheduler> scheduler_;
};

// A work item's status HRESULT as a ScheduledTaskState.
ScheduledTaskState MapTaskStatusV1(HRESULT status);

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_SCHEDULED_TASKS_TASK_SCHEDULER_V1_H_
