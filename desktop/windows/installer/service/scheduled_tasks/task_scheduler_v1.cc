#include "desktop/windows/installer/service/scheduled_tasks/task_scheduler_v1.h"

#include <aclapi.h>
#include <objidl.h>

#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/win/scoped_co_mem.h"
#include "desktop/windows/installer/utils/service_utils.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr WORD kTriggerSize = 48;

// The work item's run-time limit in milliseconds: none for 0; a limit too
// long for the 32-bit field (about 49.7 days) keeps the longest finite one
// instead of wrapping round to a few hours.
DWORD MaxRunTimeMs(uint32_t seconds) {
  if (seconds == 0)
    return INFINITE;
  const uint64_t ms = uint64_t{seconds} * 1000;
  return ms < INFINITE ? static_cast<DWORD>(ms) : INFINITE - 1;
}

// Authenticated users may read and run the saved job file.
void GrantAuthenticatedUsersReadExecute(const std::wstring& job_file) {
  SID_IDENTIFIER_AUTHORITY nt_authority = SECURITY_NT_AUTHORITY;
  PSID authenticated_users = nullptr;
  if (!AllocateAndInitializeSid(&nt_authority, 1, SECURITY_AUTHENTICATED_USER_RID, 0, 0, 0, 0, 0,
                                0, 0, &authenticated_users)) {
    return;
  }
  PACL old_dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetNamedSecurityInfoW(job_file.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                            nullptr, &old_dacl, nullptr, &descriptor) == ERROR_SUCCESS) {
    EXPLICIT_ACCESSW access = {};
    access.grfAccessPermissions = GENERIC_READ | GENERIC_EXECUTE;
    access.grfAccessMode = GRANT_ACCESS;
    access.grfInheritance = NO_INHERITANCE;
    access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    access.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
    access.Trustee.ptstrName = static_cast<LPWSTR>(authenticated_users);
    PACL new_dacl = nullptr;
    if (SetEntriesInAclW(1, &access, old_dacl, &new_dacl) == ERROR_SUCCESS) {
      SetNamedSecurityInfoW(const_cast<LPWSTR>(job_file.c_str()), SE_FILE_OBJECT,
                            DACL_SECURITY_INFORMATION, nullptr, nullptr, new_dacl, nullptr);
      LocalFree(new_dacl);
    }
    LocalFree(descriptor);
  }
  FreeSid(authenticated_users);
}

bool Save(ITask* task) {
  ComPtr<IPersistFile> persist;
  return SUCCEEDED(task->QueryInterface(IID_PPV_ARGS(&persist))) &&
         SUCCEEDED(persist->Save(nullptr, TRUE));
}

// The disabled status, or the disabled flag where the status does not
// follow it (Wine's does not).
bool IsDisabled(ITask* task) {
  HRESULT status = S_OK;
  DWORD flags = 0;
  return (SUCCEEDED(task->GetStatus(&status)) && status == SCHED_S_TASK_DISABLED) ||
         (SUCCEEDED(task->GetFlags(&flags)) && (flags & TASK_FLAG_DISABLED));
}

}  // namespace

ScheduledTaskState MapTaskStatusV1(HRESULT status) {
  switch (status) {
    case SCHED_S_TASK_DISABLED:
      return ScheduledTaskState::kDisabled;
    case SCHED_S_TASK_READY:
    case SCHED_S_TASK_HAS_NOT_RUN:
      return ScheduledTaskState::kReady;
    case SCHED_S_TASK_RUNNING:
      return ScheduledTaskState::kRunning;
    case SCHED_S_TASK_NO_MORE_RUNS:
    case SCHED_S_TASK_NOT_SCHEDULED:
    case SCHED_S_TASK_NO_VALID_TRIGGERS:
      return ScheduledTaskState::kWillNotRunAgain;
    default:
      return ScheduledTaskState::kUnknown;
  }
}

TaskSchedulerV1::TaskSchedulerV1() = default;
TaskSchedulerV1::~TaskSchedulerV1() = default;

bool TaskSchedulerV1::Initialize() {
  return SUCCEEDED(CoCreateInstance(CLSID_CTaskScheduler, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_PPV_ARGS(&scheduler_)));
}

ComPtr<ITask> TaskSchedulerV1::Open(const std::wstring& full_name) {
  ComPtr<IUnknown> unknown;
  ComPtr<ITask> task;
  if (FAILED(scheduler_->Activate(full_name.c_str(), IID_ITask, &unknown)) ||
      FAILED(unknown.As(&task))) {
    return nullptr;
  }
  return task;
}

TaskCreation TaskSchedulerV1::CreateTask(const ScheduledTaskInfo& info) {
  DCHECK(scheduler_);
  std::wstring user;
  if (!GetUserSamName(&user))
    return TaskCreation::kFailed;
  const std::wstring full_name = MakeScheduledTaskName(info.name);
  scheduler_->Delete(full_name.c_str());

  ComPtr<IUnknown> unknown;
  ComPtr<ITask> task;
  if (FAILED(scheduler_->NewWorkItem(full_name.c_str(), CLSID_CTask, IID_ITask, &unknown)) ||
      FAILED(unknown.As(&task))) {
    return TaskCreation::kFailed;
  }
  if (!SetUpWorkItem(task.Get(), info, user) || !AddTriggers(task.Get(), info) ||
      !Save(task.Get())) {
    return TaskCreation::kFailed;
  }
  if (info.all_users && info.trigger_kind != TASK_TRIGGER_RUN_ONCE) {
    ComPtr<IPersistFile> persist;
    base::win::ScopedCoMem<wchar_t> job_file;
    if (SUCCEEDED(task.As(&persist)) && SUCCEEDED(persist->GetCurFile(&job_file)) && job_file)
      GrantAuthenticatedUsersReadExecute(job_file.get());
  }
  if (info.trigger_kind == TASK_TRIGGER_RUN_ONCE)
    task->Run();
  return TaskCreation::kCreated;
}

bool TaskSchedulerV1::SetUpWorkItem(ITask* task, const ScheduledTaskInfo& info,
                                    const std::wstring& user) {
  const std::wstring account = info.all_users ? std::wstring() : user;
  DWORD flags = TASK_FLAG_RUN_ONLY_IF_LOGGED_ON;
  if (info.trigger_kind == TASK_TRIGGER_RUN_ONCE)
    flags |= TASK_FLAG_DELETE_WHEN_DONE;
  const DWORD max_run_time = MaxRunTimeMs(info.execution_time_limit);
  return SUCCEEDED(task->SetAccountInformation(account.c_str(), nullptr)) &&
         SUCCEEDED(task->SetApplicationName(info.command_line.GetProgram().value().c_str())) &&
         SUCCEEDED(task->SetComment(info.description.c_str())) &&
         SUCCEEDED(task->SetCreator(user.c_str())) && SUCCEEDED(task->SetFlags(flags)) &&
         SUCCEEDED(task->SetMaxRunTime(max_run_time)) &&
         SUCCEEDED(task->SetParameters(info.command_line.GetArgumentsString().c_str()));
}

bool TaskSchedulerV1::AddTriggers(ITask* task, const ScheduledTaskInfo& info) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  TASK_TRIGGER trigger = {};
  trigger.cbTriggerSize = kTriggerSize;
  trigger.wBeginYear = now.wYear;
  trigger.wBeginMonth = now.wMonth;
  trigger.wBeginDay = now.wDay;
  trigger.wStartHour = now.wHour;
  trigger.wStartMinute = now.wMinute;
  WORD index = 0;
  ComPtr<ITaskTrigger> time_trigger;
  if (info.trigger_kind != TASK_TRIGGER_KIND_NONE) {
    if (info.trigger_kind == TASK_TRIGGER_KIND_DAILY) {
      trigger.TriggerType = TASK_TIME_TRIGGER_DAILY;
      trigger.Type.Daily.DaysInterval = 1;
    } else {
      trigger.TriggerType = TASK_TIME_TRIGGER_ONCE;
    }
    if (FAILED(task->CreateTrigger(&index, &time_trigger)) ||
        FAILED(time_trigger->SetTrigger(&trigger))) {
      return false;
    }
  }
  if (info.logon_trigger && info.trigger_kind != TASK_TRIGGER_RUN_ONCE) {
    TASK_TRIGGER logon = trigger;
    logon.TriggerType = TASK_EVENT_TRIGGER_AT_LOGON;
    logon.Type = {};
    ComPtr<ITaskTrigger> logon_trigger;
    if (FAILED(task->CreateTrigger(&index, &logon_trigger)) ||
        FAILED(logon_trigger->SetTrigger(&logon))) {
      return false;
    }
  }
  return true;
}

void TaskSchedulerV1::DeleteStaleTasks() {
  DCHECK(scheduler_);
  ComPtr<IEnumWorkItems> items;
  if (FAILED(scheduler_->Enum(&items)))
    return;
  std::vector<std::wstring> stale;
  LPWSTR* names = nullptr;
  ULONG fetched = 0;
  while (SUCCEEDED(items->Next(1, &names, &fetched)) && fetched == 1) {
    std::wstring name = names[0];
    CoTaskMemFree(names[0]);
    CoTaskMemFree(names);
    names = nullptr;
    // The enumeration lists job file names.
    if (name.size() > 4 && _wcsicmp(name.c_str() + name.size() - 4, L".job") == 0)
      name.resize(name.size() - 4);
    if (!IsOwnScheduledTaskName(name))
      continue;
    ComPtr<ITask> task = Open(name);
    if (!task)
      continue;
    if (IsDisabled(task.Get()))
      continue;
    base::win::ScopedCoMem<wchar_t> application;
    if (FAILED(task->GetApplicationName(&application)) || !application ||
        base::PathExists(base::FilePath(application.get()))) {
      continue;
    }
    stale.push_back(name);
  }
  // Deleted after the walk, so the enumeration never sees its own changes.
  for (const std::wstring& name : stale)
    scheduler_->Delete(name.c_str());
}

void TaskSchedulerV1::DeleteTask(const std::wstring& name) {
  DCHECK(scheduler_);
  scheduler_->Delete(MakeScheduledTaskName(name).c_str());
}

void TaskSchedulerV1::UpdateTaskInterval(const std::wstring& name, int days) {
  DCHECK(scheduler_);
  ComPtr<ITask> task = Open(MakeScheduledTaskName(name));
  WORD count = 0;
  if (!task || FAILED(task->GetTriggerCount(&count)))
    return;
  for (WORD i = 0; i < count; ++i) {
    ComPtr<ITaskTrigger> trigger;
    TASK_TRIGGER data = {};
    data.cbTriggerSize = kTriggerSize;
    if (FAILED(task->GetTrigger(i, &trigger)) || FAILED(trigger->GetTrigger(&data)) ||
        data.TriggerType != TASK_TIME_TRIGGER_DAILY) {
      continue;
    }
    if (data.Type.Daily.DaysInterval == days)
      return;
    data.Type.Daily.DaysInterval = static_cast<WORD>(days);
    if (SUCCEEDED(trigger->SetTrigger(&data)))
      Save(task.Get());
    return;
  }
}

void TaskSchedulerV1::SetTaskEnabled(const std::wstring& name, bool enabled) {
  DCHECK(scheduler_);
  ComPtr<ITask> task = Open(MakeScheduledTaskName(name));
  DWORD flags = 0;
  if (!task || FAILED(task->GetFlags(&flags)))
    return;
  flags = enabled ? (flags & ~TASK_FLAG_DISABLED) : (flags | TASK_FLAG_DISABLED);
  // Saved like every other change, or the change would be lost with the
  // work item.
  if (SUCCEEDED(task->SetFlags(flags)))
    Save(task.Get());
}

bool TaskSchedulerV1::RunTask(const std::wstring& name,
                              const std::vector<std::wstring>& /*arguments*/) {
  DCHECK(scheduler_);
  ComPtr<ITask> task = Open(MakeScheduledTaskName(name));
  return task && SUCCEEDED(task->Run());
}

ScheduledTaskState TaskSchedulerV1::GetTaskState(const std::wstring& name) {
  DCHECK(scheduler_);
  ComPtr<ITask> task = Open(MakeScheduledTaskName(name));
  if (!task)
    return ScheduledTaskState::kCannotOpen;
  if (IsDisabled(task.Get()))
    return ScheduledTaskState::kDisabled;
  HRESULT status = S_OK;
  if (FAILED(task->GetStatus(&status)))
    return ScheduledTaskState::kUnknown;
  return MapTaskStatusV1(status);
}

base::Time TaskSchedulerV1::GetLastRunTime(const std::wstring& name) {
  DCHECK(scheduler_);
  ComPtr<ITask> task = Open(MakeScheduledTaskName(name));
  SYSTEMTIME run = {};
  // S_FALSE: the task has not run.
  if (!task || task->GetMostRecentRunTime(&run) != S_OK)
    return base::Time();
  base::Time::Exploded local = {run.wYear, run.wMonth,  run.wDayOfWeek, run.wDay,
                                run.wHour, run.wMinute, run.wSecond,    run.wMilliseconds};
  base::Time time;
  if (!base::Time::FromLocalExploded(local, &time))
    return base::Time();
  return time;
}
