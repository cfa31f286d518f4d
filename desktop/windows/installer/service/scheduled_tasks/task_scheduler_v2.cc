#include "desktop/windows/installer/service/scheduled_tasks/task_scheduler_v2.h"

#include <windows.h>
#include <oleauto.h>
#include <taskschd.h>

#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/strings/stringprintf.h"
#include "desktop/windows/installer/utils/product_info.h"
#include "desktop/windows/installer/utils/security_util.h"
#include "desktop/windows/installer/utils/service_utils.h"

namespace {

constexpr wchar_t kDailyTriggerId[] = L"Daily run";
constexpr wchar_t kRunOnceTriggerId[] = L"Run once";
constexpr wchar_t kLogonTriggerId[] = L"Logon run";
constexpr wchar_t kSystemUser[] = L"SYSTEM";
// Authenticated users may read and run the all-users task.
constexpr wchar_t kAllUsersTaskSddl[] = L"D:(A;;GRGX;;;AU)";
constexpr int kRunOnceStartDelaySeconds = 30;

std::wstring CurrentBoundary(base::TimeDelta offset) {
  base::Time::Exploded local;
  (base::Time::Now() + offset).LocalExplode(&local);
  return FormatTaskBoundary(local);
}

}  // namespace

ScheduledTaskState MapTaskStateV2(int state) {
  switch (state) {
    case TASK_STATE_DISABLED:
      return ScheduledTaskState::kDisabled;
    case TASK_STATE_QUEUED:
    case TASK_STATE_READY:
      return ScheduledTaskState::kReady;
    case TASK_STATE_RUNNING:
      return ScheduledTaskState::kRunning;
    default:
      return ScheduledTaskState::kUnknown;
  }
}

std::wstring FormatTaskBoundary(const base::Time::Exploded& local) {
  return base::StringPrintf(L"%02d-%02d-%02dT%02d:%02d:%02d", local.year, local.month,
                            local.day_of_month, local.hour, local.minute, local.second);
}

TaskSchedulerV2::TaskSchedulerV2() = default;
TaskSchedulerV2::~TaskSchedulerV2() = default;

bool TaskSchedulerV2::Initialize() {
  std::unique_ptr<TaskServiceV2> service = CreateTaskServiceV2();
  if (!service || !service->Connect())
    return false;
  service_ = std::move(service);
  return true;
}

TaskCreation TaskSchedulerV2::CreateTask(const ScheduledTaskInfo& info) {
  DCHECK(service_);
  std::wstring user;
  if (!GetUserSamName(&user))
    return TaskCreation::kFailed;
  const std::wstring full_name = MakeScheduledTaskName(info.name);
  service_->DeleteTask(full_name);

  std::unique_ptr<TaskDefinitionV2> definition = service_->NewDefinition();
  if (!definition)
    return TaskCreation::kFailed;
  if (!BuildDefinition(info, user, definition.get())) {
    const HRESULT hr = definition->last_error();
    VLOG(1) << "Failed building the task definition: " << base::StringPrintf("0x%08lX", hr);
    return hr == E_NOTIMPL ? TaskCreation::kUnsupported : TaskCreation::kFailed;
  }

  const bool all_users = info.all_users != 0;
  HRESULT hr = service_->Register(
      full_name, definition.get(), all_users ? kSystemUser : user,
      all_users ? TaskServiceV2::LogonType::kServiceAccount
                : TaskServiceV2::LogonType::kInteractiveToken);
  if (FAILED(hr)) {
    LOG(ERROR) << "Failed task registration: " << base::StringPrintf("0x%08lX", hr);
    return hr == E_NOTIMPL ? TaskCreation::kUnsupported : TaskCreation::kFailed;
  }
  if (all_users) {
    hr = service_->SetSecurityDescriptor(full_name, kAllUsersTaskSddl);
    if (FAILED(hr))
      LOG(ERROR) << "Failed setting SDDL: " << base::StringPrintf("0x%08lX", hr);
  }
  if (info.trigger_kind == TASK_TRIGGER_RUN_ONCE)
    DeleteTask(info.name);
  return TaskCreation::kCreated;
}

bool TaskSchedulerV2::BuildDefinition(const ScheduledTaskInfo& info, const std::wstring& user,
                                      TaskDefinitionV2* definition) {
  if (!definition->SetRegistrationInfo(user, info.description))
    return false;
  TaskDefinitionV2::Settings settings;
  settings.execution_time_limit = base::StringPrintf(L"PT%uS", info.execution_time_limit);
  settings.only_with_network = info.only_with_network;
  if (info.trigger_kind == TASK_TRIGGER_RUN_ONCE)
    settings.delete_expired_task_after = L"PT0S";
  if (!definition->SetSettings(settings))
    return false;
  if (!AddTriggers(info, user, definition))
    return false;
  if (!definition->AddExecAction(info.command_line.GetProgram().value(),
                                 info.command_line.GetArgumentsString())) {
    return false;
  }
  if (GetSecurityUtil()->IsUserAdmin(/*consider_linked_token=*/false) &&
      !definition->SetRunLevelHighest()) {
    return false;
  }
  return true;
}

bool TaskSchedulerV2::AddTriggers(const ScheduledTaskInfo& info, const std::wstring& user,
                                  TaskDefinitionV2* definition) {
  const bool run_once = info.trigger_kind == TASK_TRIGGER_RUN_ONCE;
  const std::wstring boundary = CurrentBoundary(
      base::TimeDelta::FromSeconds(run_once ? kRunOnceStartDelaySeconds : 0));
  if (info.trigger_kind == TASK_TRIGGER_KIND_DAILY &&
      !definition->AddDailyTrigger(kDailyTriggerId, boundary, 1)) {
    return false;
  }
  if (run_once && !definition->AddRegistrationTrigger(kRunOnceTriggerId, boundary))
    return false;
  if (!info.logon_trigger || run_once)
    return true;
  const std::wstring delay =
      base::StringPrintf(L"PT%dM", ProductInfo::GetScheduledAutoupdateDelayMin());
  if (info.all_users)
    return definition->AddBootTrigger(kLogonTriggerId, boundary, delay);
  return definition->AddLogonTrigger(kLogonTriggerId, boundary, delay, user);
}

void TaskSchedulerV2::DeleteStaleTasks() {
  DCHECK(service_);
  for (const TaskServiceV2::TaskSummary& task : service_->ListTasks()) {
    if (!IsOwnScheduledTaskName(task.name) || !task.enabled || task.action_count != 1 ||
        task.exec_path.empty()) {
      continue;
    }
    if (base::PathExists(base::FilePath(task.exec_path)))
      continue;
    service_->DeleteTask(task.name);
  }
}

void TaskSchedulerV2::DeleteTask(const std::wstring& name) {
  DCHECK(service_);
  service_->DeleteTask(MakeScheduledTaskName(name));
}

void TaskSchedulerV2::UpdateTaskInterval(const std::wstring& name, int days) {
  DCHECK(service_);
  service_->UpdateDailyInterval(MakeScheduledTaskName(name), static_cast<short>(days));
}

void TaskSchedulerV2::SetTaskEnabled(const std::wstring& name, bool enabled) {
  DCHECK(service_);
  service_->SetEnabled(MakeScheduledTaskName(name), enabled);
}

bool TaskSchedulerV2::RunTask(const std::wstring& name,
                              const std::vector<std::wstring>& arguments) {
  DCHECK(service_);
  return service_->Run(MakeScheduledTaskName(name), arguments);
}

ScheduledTaskState TaskSchedulerV2::GetTaskState(const std::wstring& name) {
  DCHECK(service_);
  int state = -1;
  if (!service_->GetState(MakeScheduledTaskName(name), &state))
    return ScheduledTaskState::kCannotOpen;
  return MapTaskStateV2(state);
}

base::Time TaskSchedulerV2::GetLastRunTime(const std::wstring& name) {
  DCHECK(service_);
  double date = 0;
  if (!service_->GetLastRunTime(MakeScheduledTaskName(name), &date))
    return base::Time();
  SYSTEMTIME system_time;
  if (!VariantTimeToSystemTime(date, &system_time))
    return base::Time();
  base::Time::Exploded local = {system_time.wYear,   system_time.wMonth,
                                system_time.wDayOfWeek, system_time.wDay,
                                system_time.wHour,   system_time.wMinute,
                                system_time.wSecond, system_time.wMilliseconds};
  base::Time time;
  if (!base::Time::FromLocalExploded(local, &time))
    return base::Time();
  return time;
}
