#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_SCHEDULED_TASKS_TASK_SERVICE_V2_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_SCHEDULED_TASKS_TASK_SERVICE_V2_H_

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

// The Task Scheduler 2.0 calls under TaskSchedulerV2, one call a method,
// so that what a task definition holds is decided (and tested) above them.
// Every method answers false or the failing HRESULT when the call fails.
class TaskDefinitionV2 {
 public:
  struct Settings {
    // "PT<n>S".
    std::wstring execution_time_limit;
    bool only_with_network = false;
    // Set for a task that runs once: delete it this long after it expired.
    std::wstring delete_expired_task_after;
  };

  virtual ~TaskDefinitionV2() = default;

  virtual bool SetRegistrationInfo(const std::wstring& author, const std::wstring& description) = 0;
  // Also: ignore new instances, run on batteries, start when available.
  virtual bool SetSettings(const Settings& settings) = 0;
  virtual bool AddDailyTrigger(const std::wstring& id, const std::wstring& start_boundary,
                               short days_interval) = 0;
  virtual bool AddRegistrationTrigger(const std::wstring& id,
                                      const std::wstring& end_boundary) = 0;
  virtual bool AddBootTrigger(const std::wstring& id, const std::wstring& start_boundary,
                              const std::wstring& delay) = 0;
  virtual bool AddLogonTrigger(const std::wstring& id, const std::wstring& start_boundary,
                               const std::wstring& delay, const std::wstring& user) = 0;
  virtual bool AddExecAction(const std::wstring& path, const std::wstring& arguments) = 0;
  virtual bool SetRunLevelHighest() = 0;
};

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
