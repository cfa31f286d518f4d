#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_SCHEDULED_TASKS_TEST_SUPPORT_FAKE_TASK_DEFINITION_V2_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_SCHEDULED_TASKS_TEST_SUPPORT_FAKE_TASK_DEFINITION_V2_H_

#include <windows.h>

#include <string>
#include <vector>

#include "desktop/windows/installer/service/scheduled_tasks/task_definition_v2.h"

// Records every call as one line of text, in order, into a log the test
// keeps, so that tests compare what the definition received.
class FakeTaskDefinitionV2 : public TaskDefinitionV2 {
 public:
  explicit FakeTaskDefinitionV2(std::vector<std::wstring>* log) : log_(log) {}

  bool SetRegistrationInfo(const std::wstring& author, const std::wstring& description) override {
    return Add(L"info " + author + L" | " + description);
  }
  bool SetSettings(const Settings& settings) override {
    return Add(L"settings " + settings.execution_time_limit +
               (settings.only_with_network ? L" network" : L" any") +
               (settings.delete_expired_task_after.empty()
                    ? L""
                    : L" expire " + settings.delete_expired_task_after));
  }
  bool AddDailyTrigger(const std::wstring& id, const std::wstring& start_boundary,
                       short days_interval) override {
    boundaries.push_back(start_boundary);
    return Add(L"daily " + id + L" " + std::to_wstring(days_interval));
  }
  bool AddRegistrationTrigger(const std::wstring& id, const std::wstring& end_boundary) override {
    boundaries.push_back(end_boundary);
    return Add(L"registration " + id);
  }
  bool AddBootTrigger(const std::wstring& id, const std::wstring& start_boundary,
                      const std::wstring& delay) override {
    boundaries.push_back(start_boundary);
    return Add(L"boot " + id + L" " + delay);
  }
  bool AddLogonTrigger(const std::wstring& id, const std::wstring& start_boundary,
                       const std::wstring& delay, const std::wstring& user) override {
    boundaries.push_back(start_boundary);
    return Add(L"logon " + id + L" " + delay + L" " + user);
  }
  bool AddExecAction(const std::wstring& path, const std::wstring& arguments) override {
    return Add(L"exec " + path + L" | " + arguments);
  }
  bool SetRunLevelHighest() override { return Add(L"highest"); }
  HRESULT last_error() const override { return last_error_; }

  std::vector<std::wstring> boundaries;
  // A call whose log line starts with this fails with `fail_result`.
  std::wstring fail_prefix;
  HRESULT fail_result = E_FAIL;

 private:
  bool Add(const std::wstring& line) {
    log_->push_back(line);
    if (fail_prefix.empty() || line.rfind(fail_prefix, 0) != 0)
      return true;
    last_error_ = fail_result;
    return false;
  }

  HRESULT last_error_ = S_OK;

  std::vector<std::wstring>* const log_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_SCHEDULED_TASKS_TEST_SUPPORT_FAKE_TASK_DEFINITION_V2_H_
