#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_SCHEDULED_TASKS_TASK_SERVICE_V2_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_SCHEDULED_TASKS_TASK_SERVICE_V2_H_

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "desktop/windows/installer/service/scheduled_tasks/task_definition_v2.h"

// The Task Scheduler 2.0 service under TaskSchedulerV2, one call a method,
// so that what a task holds is decided (and tested) above it. Every method
// answers false or the failing HRESULT when the call fails.
class TaskServiceV2 {
 public:
  enum class LogonType { kServiceAccount, kInteractiveToken };

  // One task of the root folder, as the stale sweep sees it.
  struct TaskSummary {
    std::wstring name;
    bool enabled = false;
    int action_count = 0;
    // Empty unless the first action runs a program.
    std::wstring exec_path;
  };

  virtual ~TaskServiceV2() = default;

  // Connects to the local service as the current user and opens "\".
  virtual bool Connect() = 0;
  virtual std::unique_ptr<TaskDefinitionV2> NewDefinition() = 0;
  // Creates or updates; no password, an empty security descriptor.
  virtual HRESULT Register(const std::wstring& full_name, TaskDefinitionV2* definition,
                           const std::wstring& user, LogonType logon_type) = 0;
  virtual HRESULT SetSecurityDescriptor(const std::wstring& full_name,
                                        const std::wstring& sddl) = 0;
  virtual bool DeleteTask(const std::wstring& full_name) = 0;
  // Hidden tasks are left out.
  virtual std::vector<TaskSummary> ListTasks() = 0;
  // At the first daily trigger: when its interval differs, set it and
  // register the definition again.
  virtual void UpdateDailyInterval(const std::wstring& full_name, short days) = 0;
  virtual bool SetEnabled(const std::wstring& full_name, bool enabled) = 0;
  virtual bool Run(const std::wstring& full_name, const std::vector<std::wstring>& arguments) = 0;
  // False when the task cannot be opened; `*state` is a TASK_STATE, or -1
  // when the task opened but its state could not be read.
  virtual bool GetState(const std::wstring& full_name, int* state) = 0;
  // An automation date (local time).
  virtual bool GetLastRunTime(const std::wstring& full_name, double* date) = 0;
};

// The real service; replaceable for tests.
using TaskServiceV2Factory = std::unique_ptr<TaskServiceV2> (*)();
std::unique_ptr<TaskServiceV2> CreateTaskServiceV2();
void SetTaskServiceV2FactoryForTesting(TaskServiceV2Factory factory);

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_SCHEDULED_TASKS_TASK_SERVICE_V2_H_
