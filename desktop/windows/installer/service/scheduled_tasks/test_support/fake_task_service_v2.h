#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_SCHEDULED_TASKS_TEST_SUPPORT_FAKE_TASK_SERVICE_V2_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_SCHEDULED_TASKS_TEST_SUPPORT_FAKE_TASK_SERVICE_V2_H_

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "desktop/windows/installer/service/scheduled_tasks/task_service_v2.h"
#include "desktop/windows/installer/service/scheduled_tasks/test_support/fake_task_definition_v2.h"

// Logs every call into the world the test keeps.
class FakeTaskServiceV2 : public TaskServiceV2 {
 public:
  // The state the test inspects; it outlives every service the factory makes.
  struct World {
    std::vector<std::wstring> log;
    std::vector<TaskSummary> tasks;
    std::wstring definition_fail_prefix;
    HRESULT definition_fail_result = E_FAIL;
    HRESULT register_result = S_OK;
    HRESULT sddl_result = S_OK;
    bool connect_result = true;
    std::vector<std::wstring> last_boundaries;
  };

  explicit FakeTaskServiceV2(World* world) : world_(world) {}

  bool Connect() override { return world_->connect_result; }
  std::unique_ptr<TaskDefinitionV2> NewDefinition() override {
    auto definition = std::make_unique<FakeTaskDefinitionV2>(&world_->log);
    definition->fail_prefix = world_->definition_fail_prefix;
    definition->fail_result = world_->definition_fail_result;
    last_ = definition.get();
    return definition;
  }
  HRESULT Register(const std::wstring& full_name, TaskDefinitionV2* /*definition*/,
                   const std::wstring& user, LogonType logon_type) override {
    world_->last_boundaries = last_ ? last_->boundaries : std::vector<std::wstring>();
    world_->log.push_back(L"register " + full_name + L" as " + user +
                          (logon_type == LogonType::kServiceAccount ? L" service" : L" interactive"));
    return world_->register_result;
  }
  HRESULT SetSecurityDescriptor(const std::wstring& full_name, const std::wstring& sddl) override {
    world_->log.push_back(L"sddl " + full_name + L" " + sddl);
    return world_->sddl_result;
  }
  bool DeleteTask(const std::wstring& full_name) override {
    world_->log.push_back(L"delete " + full_name);
    return true;
  }
  std::vector<TaskSummary> ListTasks() override { return world_->tasks; }
  void UpdateDailyInterval(const std::wstring& full_name, short days) override {
    world_->log.push_back(L"interval " + full_name + L" " + std::to_wstring(days));
  }
  bool SetEnabled(const std::wstring& full_name, bool enabled) override {
    world_->log.push_back(L"enable " + full_name + (enabled ? L" 1" : L" 0"));
    return true;
  }
  bool Run(const std::wstring& full_name, const std::vector<std::wstring>& arguments) override {
    world_->log.push_back(L"run " + full_name + L" " + std::to_wstring(arguments.size()));
    return true;
  }
  bool GetState(const std::wstring& /*full_name*/, int* state) override {
    *state = 3;
    return true;
  }
  bool GetLastRunTime(const std::wstring& /*full_name*/, double* /*date*/) override {
    return false;
  }

 private:
  World* const world_;
  FakeTaskDefinitionV2* last_ = nullptr;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_SCHEDULED_TASKS_TEST_SUPPORT_FAKE_TASK_SERVICE_V2_H_
