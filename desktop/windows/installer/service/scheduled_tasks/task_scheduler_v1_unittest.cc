#include "desktop/windows/installer/service/scheduled_tasks/task_scheduler_v1.h"

#include <windows.h>
#include <mstask.h>

#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/strings/stringprintf.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/scoped_com_initializer.h"
#include "desktop/windows/installer/utils/product_info.h"
#include "gtest/gtest.h"

using Microsoft::WRL::ComPtr;

namespace {

// Runs against Wine's real Task Scheduler 1.0; names carry the process id
// so that parallel test shards never meet.
class TaskSchedulerV1Test : public testing::Test {
 protected:
  TaskSchedulerV1Test()
      : product_(base::StringPrintf("TarvoTest%lu", GetCurrentProcessId())),
        product_info_(R"({"product_name": ")" + product_ + R"("})") {}

  void SetUp() override {
    ASSERT_TRUE(temp_.CreateUniqueTempDir());
    program_ = temp_.GetPath().Append(L"launcher.exe");
    ASSERT_TRUE(base::WriteFile(program_, "MZ"));
    ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_CTaskScheduler, nullptr, CLSCTX_INPROC_SERVER,
                                           IID_PPV_ARGS(&raw_))));
  }

  ScheduledTaskInfo MakeInfo(const std::wstring& name, const base::FilePath& program) {
    base::CommandLine command_line(program);
    command_line.AppendSwitch("scheduledautoupdate");
    ScheduledTaskInfo info(command_line);
    info.name = name;
    info.description = L"Autoupdate";
    info.execution_time_limit = 3600;
    info.trigger_kind = TASK_TRIGGER_KIND_DAILY;
    info.logon_trigger = true;
    return info;
  }

  ComPtr<ITask> OpenRaw(const std::wstring& own_name) {
    ComPtr<IUnknown> unknown;
    ComPtr<ITask> task;
    if (FAILED(raw_->Activate(MakeScheduledTaskName(own_name).c_str(), IID_ITask, &unknown)) ||
        FAILED(unknown.As(&task))) {
      return nullptr;
    }
    return task;
  }

  base::win::ScopedCOMInitializer com_;
  std::string product_;
  ScopedProductInfoForTesting product_info_;
  base::ScopedTempDir temp_;
  base::FilePath program_;
  ComPtr<ITaskScheduler> raw_;
};

TEST_F(TaskSchedulerV1Test, CreateChangeAndDeleteRoundTrip) {
  TaskSchedulerV1 scheduler;
  ASSERT_TRUE(scheduler.Initialize());
  ASSERT_EQ(TaskCreation::kCreated, scheduler.CreateTask(MakeInfo(L"Autoupdate a", program_)));
  // Creating it again replaces it rather than failing.
  ASSERT_EQ(TaskCreation::kCreated, scheduler.CreateTask(MakeInfo(L"Autoupdate a", program_)));

  wchar_t windows[MAX_PATH];
  ASSERT_GT(GetWindowsDirectoryW(windows, MAX_PATH), 0u);
  const base::FilePath job_file = base::FilePath(windows).Append(L"Tasks").Append(
      MakeScheduledTaskName(L"Autoupdate a") + L".job");
  EXPECT_TRUE(base::PathExists(job_file));

  ComPtr<ITask> task = OpenRaw(L"Autoupdate a");
  ASSERT_TRUE(task);
  WORD triggers = 0;
  ASSERT_TRUE(SUCCEEDED(task->GetTriggerCount(&triggers)));
  EXPECT_EQ(2, triggers);
  ComPtr<ITaskTrigger> trigger;
  TASK_TRIGGER data = {};
  data.cbTriggerSize = sizeof(data);
  ASSERT_TRUE(SUCCEEDED(task->GetTrigger(0, &trigger)));
  ASSERT_TRUE(SUCCEEDED(trigger->GetTrigger(&data)));
  EXPECT_EQ(TASK_TIME_TRIGGER_DAILY, data.TriggerType);
  EXPECT_EQ(1, data.Type.Daily.DaysInterval);
  DWORD max_run_time = 0;
  ASSERT_TRUE(SUCCEEDED(task->GetMaxRunTime(&max_run_time)));
  EXPECT_EQ(3600u * 1000u, max_run_time);
  EXPECT_EQ(ScheduledTaskState::kReady, scheduler.GetTaskState(L"Autoupdate a"));
  EXPECT_TRUE(scheduler.GetLastRunTime(L"Autoupdate a").is_null());

  scheduler.UpdateTaskInterval(L"Autoupdate a", 3);
  task = OpenRaw(L"Autoupdate a");
  ASSERT_TRUE(SUCCEEDED(task->GetTrigger(0, &trigger)));
  ASSERT_TRUE(SUCCEEDED(trigger->GetTrigger(&data)));
  EXPECT_EQ(3, data.Type.Daily.DaysInterval);

  // Disabling is saved, so that a fresh look at the work item sees it.
  scheduler.SetTaskEnabled(L"Autoupdate a", /*enabled=*/false);
  TaskSchedulerV1 other;
  ASSERT_TRUE(other.Initialize());
  EXPECT_EQ(ScheduledTaskState::kDisabled, other.GetTaskState(L"Autoupdate a"));
  scheduler.SetTaskEnabled(L"Autoupdate a", /*enabled=*/true);
  EXPECT_EQ(ScheduledTaskState::kReady, other.GetTaskState(L"Autoupdate a"));

  // Wine keeps the job file open while a work item object lives, and its
  // scheduler service reads changed job files for a moment: a deletion may
  // meet a sharing violation, so it is asked for again a bounded number of
  // times.
  task.Reset();
  trigger.Reset();
  for (int i = 0; i < 50 && scheduler.GetTaskState(L"Autoupdate a") !=
                                ScheduledTaskState::kCannotOpen; ++i) {
    scheduler.DeleteTask(L"Autoupdate a");
    if (scheduler.GetTaskState(L"Autoupdate a") != ScheduledTaskState::kCannotOpen)
      Sleep(100);
  }
  EXPECT_EQ(ScheduledTaskState::kCannotOpen, scheduler.GetTaskState(L"Autoupdate a"));
  EXPECT_FALSE(base::PathExists(job_file));
}

// The work item holds its limit in milliseconds in 32 bits: a limit past
// about 49.7 days keeps the longest finite time rather than wrapping round
// to a few hours; 0 stays "no limit".
TEST_F(TaskSchedulerV1Test, LongRunTimeLimitsDoNotWrapRound) {
  TaskSchedulerV1 scheduler;
  ASSERT_TRUE(scheduler.Initialize());
  const struct {
    uint32_t seconds;
    DWORD milliseconds;
  } cases[] = {
      {0, INFINITE},
      {4294967, 4294967000u},
      {50 * 24 * 3600, INFINITE - 1},
      {0xFFFFFFFFu, INFINITE - 1},
  };
  for (const auto& c : cases) {
    ScheduledTaskInfo info = MakeInfo(L"Autoupdate limit", program_);
    info.execution_time_limit = c.seconds;
    ASSERT_EQ(TaskCreation::kCreated, scheduler.CreateTask(info)) << c.seconds;
    ComPtr<ITask> task = OpenRaw(L"Autoupdate limit");
    ASSERT_TRUE(task);
    DWORD max_run_time = 0;
    ASSERT_TRUE(SUCCEEDED(task->GetMaxRunTime(&max_run_time)));
    EXPECT_EQ(c.milliseconds, max_run_time) << c.seconds;
  }
  for (int i = 0; i < 50 && scheduler.GetTaskState(L"Autoupdate limit") !=
                                ScheduledTaskState::kCannotOpen; ++i) {
    scheduler.DeleteTask(L"Autoupdate limit");
    Sleep(50);
  }
}

TEST_F(TaskSchedulerV1Test, StaleSweepKeepsForeignAndLiveTasks) {
  TaskSchedulerV1 scheduler;
  ASSERT_TRUE(scheduler.Initialize());
  const base::FilePath gone = temp_.GetPath().Append(L"gone.exe");
  ASSERT_EQ(TaskCreation::kCreated, scheduler.CreateTask(MakeInfo(L"Autoupdate stale", gone)));
  ASSERT_EQ(TaskCreation::kCreated, scheduler.CreateTask(MakeInfo(L"Autoupdate live", program_)));
  ASSERT_EQ(TaskCreation::kCreated, scheduler.CreateTask(MakeInfo(L"Autoupdate off", gone)));
  scheduler.SetTaskEnabled(L"Autoupdate off", /*enabled=*/false);
  // Another vendor's task with a missing program: not ours to delete.
  const std::wstring foreign = base::UTF8ToWide(product_) + L"Other task";
  {
    ComPtr<IUnknown> unknown;
    ComPtr<ITask> task;
    ASSERT_TRUE(SUCCEEDED(raw_->NewWorkItem(foreign.c_str(), CLSID_CTask, IID_ITask, &unknown)));
    ASSERT_TRUE(SUCCEEDED(unknown.As(&task)));
    ASSERT_TRUE(SUCCEEDED(task->SetApplicationName(gone.value().c_str())));
    ComPtr<IPersistFile> persist;
    ASSERT_TRUE(SUCCEEDED(task.As(&persist)));
    ASSERT_TRUE(SUCCEEDED(persist->Save(nullptr, TRUE)));
  }

  // Bounded repeats for the same reason as the deletion above.
  for (int i = 0; i < 50; ++i) {
    scheduler.DeleteStaleTasks();
    if (scheduler.GetTaskState(L"Autoupdate stale") == ScheduledTaskState::kCannotOpen)
      break;
    Sleep(100);
  }
  EXPECT_EQ(ScheduledTaskState::kCannotOpen, scheduler.GetTaskState(L"Autoupdate stale"));
  EXPECT_NE(ScheduledTaskState::kCannotOpen, scheduler.GetTaskState(L"Autoupdate live"));
  EXPECT_EQ(ScheduledTaskState::kDisabled, scheduler.GetTaskState(L"Autoupdate off"));
  ComPtr<IUnknown> unknown;
  EXPECT_TRUE(SUCCEEDED(raw_->Activate(foreign.c_str(), IID_ITask, &unknown)));

  scheduler.DeleteTask(L"Autoupdate live");
  scheduler.DeleteTask(L"Autoupdate off");
  raw_->Delete(foreign.c_str());
}

}  // namespace
