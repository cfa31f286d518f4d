#include <windows.h>
#include <oleauto.h>
#include <taskschd.h>
#include <wrl/client.h>

#include "base/win/scoped_bstr.h"
#include "desktop/windows/installer/service/scheduled_tasks/missing_task_triggers.h"
#include "desktop/windows/installer/service/scheduled_tasks/task_service_v2.h"

using Microsoft::WRL::ComPtr;

namespace {

VARIANT EmptyVariant() {
  VARIANT variant;
  VariantInit(&variant);
  return variant;
}

VARIANT StringVariant(const std::wstring& text) {
  VARIANT variant;
  VariantInit(&variant);
  variant.vt = VT_BSTR;
  variant.bstrVal = SysAllocString(text.c_str());
  return variant;
}

class TaskDefinitionV2Impl : public TaskDefinitionV2 {
 public:
  explicit TaskDefinitionV2Impl(ComPtr<ITaskDefinition> definition)
      : definition_(std::move(definition)) {}

  ITaskDefinition* get() { return definition_.Get(); }

  HRESULT last_error() const override { return last_error_; }

  bool SetRegistrationInfo(const std::wstring& author, const std::wstring& description) override {
    ComPtr<IRegistrationInfo> info;
    return Ok(definition_->get_RegistrationInfo(&info)) &&
           Ok(info->put_Author(base::win::ScopedBstr(author))) &&
           Ok(info->put_Description(base::win::ScopedBstr(description)));
  }

  bool SetSettings(const Settings& settings) override {
    ComPtr<ITaskSettings> task_settings;
    if (!Ok(definition_->get_Settings(&task_settings)))
      return false;
    if (!Ok(task_settings->put_ExecutionTimeLimit(
            base::win::ScopedBstr(settings.execution_time_limit))) ||
        !Ok(task_settings->put_MultipleInstances(TASK_INSTANCES_IGNORE_NEW)) ||
        !Ok(task_settings->put_RunOnlyIfNetworkAvailable(
            settings.only_with_network ? VARIANT_TRUE : VARIANT_FALSE)) ||
        !Ok(task_settings->put_StopIfGoingOnBatteries(VARIANT_FALSE)) ||
        !Ok(task_settings->put_DisallowStartIfOnBatteries(VARIANT_FALSE)) ||
        !Ok(task_settings->put_StartWhenAvailable(VARIANT_TRUE))) {
      return false;
    }
    return settings.delete_expired_task_after.empty() ||
           Ok(task_settings->put_DeleteExpiredTaskAfter(
               base::win::ScopedBstr(settings.delete_expired_task_after)));
  }

  bool AddDailyTrigger(const std::wstring& id, const std::wstring& start_boundary,
                       short days_interval) override {
    ComPtr<IDailyTrigger> daily;
    return CreateTrigger(TASK_TRIGGER_DAILY, id, daily.ReleaseAndGetAddressOf()) &&
           Ok(daily->put_StartBoundary(base::win::ScopedBstr(start_boundary))) &&
           Ok(daily->put_DaysInterval(days_interval));
  }

  bool AddRegistrationTrigger(const std::wstring& id, const std::wstring& end_boundary) override {
    ComPtr<TarvoRegistrationTrigger> trigger;
    return CreateTrigger(TASK_TRIGGER_REGISTRATION, id, trigger.ReleaseAndGetAddressOf()) &&
           Ok(trigger->put_EndBoundary(base::win::ScopedBstr(end_boundary)));
  }

  bool AddBootTrigger(const std::wstring& id, const std::wstring& start_boundary,
                      const std::wstring& delay) override {
    ComPtr<TarvoBootTrigger> trigger;
    return CreateTrigger(TASK_TRIGGER_BOOT, id, trigger.ReleaseAndGetAddressOf()) &&
           Ok(trigger->put_StartBoundary(base::win::ScopedBstr(start_boundary))) &&
           Ok(trigger->put_Delay(base::win::ScopedBstr(delay)));
  }

  bool AddLogonTrigger(const std::wstring& id, const std::wstring& start_boundary,
                       const std::wstring& delay, const std::wstring& user) override {
    ComPtr<TarvoLogonTrigger> trigger;
    return CreateTrigger(TASK_TRIGGER_LOGON, id, trigger.ReleaseAndGetAddressOf()) &&
           Ok(trigger->put_StartBoundary(base::win::ScopedBstr(start_boundary))) &&
           Ok(trigger->put_Delay(base::win::ScopedBstr(delay))) &&
           Ok(trigger->put_UserId(base::win::ScopedBstr(user)));
  }

  bool AddExecAction(const std::wstring& path, const std::wstring& arguments) override {
    ComPtr<IActionCollection> actions;
    ComPtr<IAction> action;
    ComPtr<IExecAction> exec;
    return Ok(definition_->get_Actions(&actions)) &&
           Ok(actions->Create(TASK_ACTION_EXEC, &action)) &&
           Ok(action.As(&exec)) &&
           Ok(exec->put_Path(base::win::ScopedBstr(path))) &&
           Ok(exec->put_Arguments(base::win::ScopedBstr(arguments)));
  }

  bool SetRunLevelHighest() override {
    ComPtr<IPrincipal> principal;
    return Ok(definition_->get_Principal(&principal)) &&
           Ok(principal->put_RunLevel(TASK_RUNLEVEL_HIGHEST));
  }

 private:
  template <typename T>
  bool CreateTrigger(TASK_TRIGGER_TYPE2 type, const std::wstring& id, T** typed) {
    ComPtr<ITriggerCollection> triggers;
    ComPtr<ITrigger> trigger;
    return Ok(definition_->get_Triggers(&triggers)) &&
           Ok(triggers->Create(type, &trigger)) &&
           Ok(trigger->put_Id(base::win::ScopedBstr(id))) &&
           Ok(trigger->QueryInterface(__uuidof(T), reinterpret_cast<void**>(typed)));
  }

  // Keeps what a failing call answered.
  bool Ok(HRESULT hr) {
    if (FAILED(hr))
      last_error_ = hr;
    return SUCCEEDED(hr);
  }

  ComPtr<ITaskDefinition> definition_;
  HRESULT last_error_ = S_OK;
};

class TaskServiceV2Impl : public TaskServiceV2 {
 public:
  bool Connect() override {
    ComPtr<ITaskService> service;
    if (FAILED(CoCreateInstance(CLSID_TaskScheduler, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&service)))) {
      return false;
    }
    if (FAILED(service->Connect(EmptyVariant(), EmptyVariant(), EmptyVariant(), EmptyVariant())))
      return false;
    ComPtr<ITaskFolder> root;
    if (FAILED(service->GetFolder(base::win::ScopedBstr(L"\\"), &root)))
      return false;
    service_ = std::move(service);
    root_ = std::move(root);
    return true;
  }

  std::unique_ptr<TaskDefinitionV2> NewDefinition() override {
    ComPtr<ITaskDefinition> definition;
    if (FAILED(service_->NewTask(0, &definition)))
      return nullptr;
    return std::make_unique<TaskDefinitionV2Impl>(std::move(definition));
  }

  HRESULT Register(const std::wstring& full_name, TaskDefinitionV2* definition,
                   const std::wstring& user, LogonType logon_type) override {
    ComPtr<IRegisteredTask> registered;
    VARIANT user_variant = StringVariant(user);
    VARIANT sddl = StringVariant(std::wstring());
    HRESULT hr = root_->RegisterTaskDefinition(
        base::win::ScopedBstr(full_name), static_cast<TaskDefinitionV2Impl*>(definition)->get(),
        TASK_CREATE_OR_UPDATE, user_variant, EmptyVariant(),
        logon_type == LogonType::kServiceAccount ? TASK_LOGON_SERVICE_ACCOUNT
                                                 : TASK_LOGON_INTERACTIVE_TOKEN,
        sddl, &registered);
    VariantClear(&user_variant);
    VariantClear(&sddl);
    return hr;
  }

  HRESULT SetSecurityDescriptor(const std::wstring& full_name, const std::wstring& sddl) override {
    ComPtr<IRegisteredTask> task;
    HRESULT hr = root_->GetTask(base::win::ScopedBstr(full_name), &task);
    if (FAILED(hr))
      return hr;
    return task->SetSecurityDescriptor(base::win::ScopedBstr(sddl), 0);
  }

  bool DeleteTask(const std::wstring& full_name) override {
    return SUCCEEDED(root_->DeleteTask(base::win::ScopedBstr(full_name), 0));
  }

  std::vector<TaskSummary> ListTasks() override {
    std::vector<TaskSummary> result;
    ComPtr<IRegisteredTaskCollection> tasks;
    LONG count = 0;
    if (FAILED(root_->GetTasks(0, &tasks)) || FAILED(tasks->get_Count(&count)))
      return result;
    for (LONG i = 1; i <= count; ++i) {
      VARIANT index;
      VariantInit(&index);
      index.vt = VT_I4;
      index.lVal = i;
      ComPtr<IRegisteredTask> task;
      if (FAILED(tasks->get_Item(index, &task)))
        continue;
      result.push_back(Summarize(task.Get()));
    }
    return result;
  }

  void UpdateDailyInterval(const std::wstring& full_name, short days) override {
    ComPtr<IRegisteredTask> task;
    ComPtr<ITaskDefinition> definition;
    ComPtr<ITriggerCollection> triggers;
    LONG count = 0;
    if (FAILED(root_->GetTask(base::win::ScopedBstr(full_name), &task)) ||
        FAILED(task->get_Definition(&definition)) ||
        FAILED(definition->get_Triggers(&triggers)) || FAILED(triggers->get_Count(&count))) {
      return;
    }
    for (LONG i = 1; i <= count; ++i) {
      ComPtr<ITrigger> trigger;
      ComPtr<IDailyTrigger> daily;
      if (FAILED(triggers->get_Item(i, &trigger)) || FAILED(trigger.As(&daily)))
        continue;
      short current = 0;
      if (FAILED(daily->get_DaysInterval(&current)) || current == days)
        return;
      if (FAILED(daily->put_DaysInterval(days)))
        return;
      ComPtr<IRegisteredTask> updated;
      VARIANT sddl = StringVariant(std::wstring());
      root_->RegisterTaskDefinition(base::win::ScopedBstr(full_name), definition.Get(),
                                    TASK_UPDATE, EmptyVariant(), EmptyVariant(),
                                    TASK_LOGON_NONE, sddl, &updated);
      VariantClear(&sddl);
      return;
    }
  }

  bool SetEnabled(const std::wstring& full_name, bool enabled) override {
    ComPtr<IRegisteredTask> task;
    return SUCCEEDED(root_->GetTask(base::win::ScopedBstr(full_name), &task)) &&
           SUCCEEDED(task->put_Enabled(enabled ? VARIANT_TRUE : VARIANT_FALSE));
  }

  bool Run(const std::wstring& full_name, const std::vector<std::wstring>& arguments) override {
    ComPtr<IRegisteredTask> task;
    if (FAILED(root_->GetTask(base::win::ScopedBstr(full_name), &task)))
      return false;
    VARIANT parameters;
    VariantInit(&parameters);
    if (!arguments.empty()) {
      SAFEARRAY* array = SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(arguments.size()));
      if (!array)
        return false;
      for (LONG i = 0; i < static_cast<LONG>(arguments.size()); ++i) {
        base::win::ScopedBstr value(arguments[i]);
        SafeArrayPutElement(array, &i, value.Get());  // Copies the string.
      }
      parameters.vt = VT_ARRAY | VT_BSTR;
      parameters.parray = array;
    }
    ComPtr<IRunningTask> running;
    HRESULT hr = task->Run(parameters, &running);
    VariantClear(&parameters);
    return SUCCEEDED(hr);
  }

  bool GetState(const std::wstring& full_name, int* state) override {
    ComPtr<IRegisteredTask> task;
    if (FAILED(root_->GetTask(base::win::ScopedBstr(full_name), &task)))
      return false;
    TASK_STATE value = TASK_STATE_UNKNOWN;
    *state = SUCCEEDED(task->get_State(&value)) ? static_cast<int>(value) : -1;
    return true;
  }

  bool GetLastRunTime(const std::wstring& full_name, double* date) override {
    ComPtr<IRegisteredTask> task;
    DATE value = 0;
    if (FAILED(root_->GetTask(base::win::ScopedBstr(full_name), &task)) ||
        FAILED(task->get_LastRunTime(&value))) {
      return false;
    }
    *date = value;
    return true;
  }

 private:
  static TaskSummary Summarize(IRegisteredTask* task) {
    TaskSummary summary;
    base::win::ScopedBstr name;
    VARIANT_BOOL enabled = VARIANT_FALSE;
    if (SUCCEEDED(task->get_Name(name.Receive())) && name.Get())
      summary.name = name.Get();
    summary.enabled = SUCCEEDED(task->get_Enabled(&enabled)) && enabled == VARIANT_TRUE;
    ComPtr<ITaskDefinition> definition;
    ComPtr<IActionCollection> actions;
    LONG count = 0;
    if (FAILED(task->get_Definition(&definition)) || FAILED(definition->get_Actions(&actions)) ||
        FAILED(actions->get_Count(&count))) {
      return summary;
    }
    summary.action_count = count;
    ComPtr<IAction> action;
    ComPtr<IExecAction> exec;
    base::win::ScopedBstr path;
    if (count >= 1 && SUCCEEDED(actions->get_Item(1, &action)) && SUCCEEDED(action.As(&exec)) &&
        SUCCEEDED(exec->get_Path(path.Receive())) && path.Get()) {
      summary.exec_path = path.Get();
    }
    return summary;
  }

  ComPtr<ITaskService> service_;
  ComPtr<ITaskFolder> root_;
};

TaskServiceV2Factory g_factory_for_testing = nullptr;

}  // namespace

std::unique_ptr<TaskServiceV2> CreateTaskServiceV2() {
  if (g_factory_for_testing)
    return g_factory_for_testing();
  return std::make_unique<TaskServiceV2Impl>();
}

void SetTaskServiceV2FactoryForTesting(TaskServiceV2Factory factory) {
  g_factory_for_testing = factory;
}
