#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_SCHEDULED_TASKS_TASK_DEFINITION_V2_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_SCHEDULED_TASKS_TASK_DEFINITION_V2_H_

#include <windows.h>

#include <string>

// A new Task Scheduler 2.0 task definition, one call a method, so that what
// it holds is decided (and tested) above it. Every method answers false
// when the call fails; last_error() then tells why.
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
  // What the last failing call answered; S_OK while none failed.
  virtual HRESULT last_error() const = 0;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_SCHEDULED_TASKS_TASK_DEFINITION_V2_H_
