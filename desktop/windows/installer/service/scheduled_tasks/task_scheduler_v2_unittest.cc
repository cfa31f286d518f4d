#include "desktop/windows/installer/service/scheduled_tasks/task_scheduler_v2.h"

#include <windows.h>
#include <taskschd.h>

#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "desktop/windows/installer/service/scheduled_tasks/test_support/fake_task_service_v2.h"
#include "desktop/windows/installer/utils/product_info.h"
#include "desktop/windows/installer/utils/service_utils.h"
#include "desktop/windows/installer/utils/test_support/fake_security_util.h"
#include "gtest/gtest.h"

namespace {

FakeTaskServiceV2::World* g_world = nullptr;

std::unique_ptr<TaskServiceV2> MakeFakeService() {
  return std::make_unique<FakeTaskServiceV2>(g_world);
}

class TaskSchedulerV2Test : public testing::Test {
 protected:
  TaskSchedulerV2Test()
      : product_info_(R"({"product_name": "Tarvo", "scheduled_autoupdate_delay_min": 7})"),
        security_(&fake_security_) {
    g_world = &world_;
    SetTaskServiceV2FactoryForTesting(&MakeFakeService);
    fake_security_.SetUser(/*elevated=*/false, /*can_elevate=*/false);
    EXPECT_TRUE(GetUserSamName(&user_));
  }
  ~TaskSchedulerV2Test() override {
    SetTaskServiceV2FactoryForTesting(nullptr);
    g_world = nullptr;
  }

  ScheduledTaskInfo MakeInfo(ScheduledTaskTriggerKind kind, bool logon, uint32_t all_users) {
    ScheduledTaskInfo info(base::CommandLine::FromString(
        L"\"C:\\Apps\\Tarvo\\launcher.exe\" --scheduledautoupdate $(Arg0)"));
    info.name = L"Autoupdate 1234";
    info.description = L"Keeps it fresh";
    info.all_users = all_users;
    info.execution_time_limit = 3600;
    info.trigger_kind = kind;
    info.logon_trigger = logon;
    info.only_with_network = true;
    return info;
  }

  ScopedProductInfoForTesting product_info_;
  FakeSecurityUtil fake_security_;
  ScopedSecurityUtilForTesting security_;
  FakeTaskServiceV2::World world_;
  std::wstring user_;
};

TEST_F(TaskSchedulerV2Test, CurrentUserDailyWithLogonTrigger) {
  TaskSchedulerV2 scheduler;
  ASSERT_TRUE(scheduler.Initialize());
  ASSERT_EQ(TaskCreation::kCreated,
            scheduler.CreateTask(MakeInfo(TASK_TRIGGER_KIND_DAILY, /*logon=*/true, 0)));
  const std::wstring full = L"Tarvo scheduled Autoupdate 1234";
  std::vector<std::wstring> expected = {
      L"delete " + full,
      L"info " + user_ + L" | Keeps it fresh",
      L"settings PT3600S network",
      L"daily Daily run 1",
      L"logon Logon run PT7M " + user_,
      L"exec C:\\Apps\\Tarvo\\launcher.exe | --scheduledautoupdate $(Arg0)",
      L"register " + full + L" as " + user_ + L" interactive",
  };
  EXPECT_EQ(expected, world_.log);
  // Both triggers start at the same local time, without a zone suffix.
  ASSERT_EQ(2u, world_.last_boundaries.size());
  EXPECT_EQ(world_.last_boundaries[0], world_.last_boundaries[1]);
  EXPECT_EQ(19u, world_.last_boundaries[0].size());
  EXPECT_EQ(L'T', world_.last_boundaries[0][10]);
}

TEST_F(TaskSchedulerV2Test, AllUsersRunsAsSystemWithBootTriggerAndSddl) {
  fake_security_.SetUser(/*elevated=*/true, /*can_elevate=*/true);
  TaskSchedulerV2 scheduler;
  ASSERT_TRUE(scheduler.Initialize());
  ScheduledTaskInfo info = MakeInfo(TASK_TRIGGER_KIND_DAILY, /*logon=*/true, 1);
  info.execution_time_limit = 0;
  ASSERT_EQ(TaskCreation::kCreated, scheduler.CreateTask(info));
  const std::wstring full = L"Tarvo scheduled Autoupdate 1234";
  std::vector<std::wstring> expected = {
      L"delete " + full,
      L"info " + user_ + L" | Keeps it fresh",
      L"settings PT0S network",
      L"daily Daily run 1",
      L"boot Logon run PT7M",
      L"exec C:\\Apps\\Tarvo\\launcher.exe | --scheduledautoupdate $(Arg0)",
      L"highest",
      L"register " + full + L" as SYSTEM service",
      L"sddl " + full + L" D:(A;;GRGX;;;AU)",
  };
  EXPECT_EQ(expected, world_.log);
}

TEST_F(TaskSchedulerV2Test, NoTimeTriggerAndRunOnce) {
  TaskSchedulerV2 scheduler;
  ASSERT_TRUE(scheduler.Initialize());
  ASSERT_EQ(TaskCreation::kCreated,
            scheduler.CreateTask(MakeInfo(TASK_TRIGGER_KIND_NONE, /*logon=*/false, 0)));
  for (const std::wstring& line : world_.log) {
    EXPECT_NE(0u, line.rfind(L"daily", 0));
    EXPECT_NE(0u, line.rfind(L"logon", 0));
    EXPECT_NE(0u, line.rfind(L"boot", 0));
  }
  world_.log.clear();

  // A task that runs once ignores the logon flag, expires at once and is
  // deleted again after registering.
  ASSERT_EQ(TaskCreation::kCreated,
            scheduler.CreateTask(MakeInfo(TASK_TRIGGER_RUN_ONCE, /*logon=*/true, 0)));
  const std::wstring full = L"Tarvo scheduled Autoupdate 1234";
  ASSERT_EQ(7u, world_.log.size());
  EXPECT_EQ(L"settings PT3600S network expire PT0S", world_.log[2]);
  EXPECT_EQ(L"registration Run once", world_.log[3]);
  EXPECT_EQ(L"delete " + full, world_.log.back());
}

TEST_F(TaskSchedulerV2Test, FailuresStopTheCreation) {
  TaskSchedulerV2 scheduler;
  ASSERT_TRUE(scheduler.Initialize());
  world_.definition_fail_prefix = L"logon";
  const ScheduledTaskInfo daily = MakeInfo(TASK_TRIGGER_KIND_DAILY, /*logon=*/true, 0);
  EXPECT_EQ(TaskCreation::kFailed, scheduler.CreateTask(daily));
  EXPECT_EQ(0u, world_.log.back().rfind(L"logon", 0));
  // What the system's Task Scheduler does not implement (as under Wine)
  // is told apart from a failure.
  world_.definition_fail_result = E_NOTIMPL;
  EXPECT_EQ(TaskCreation::kUnsupported, scheduler.CreateTask(daily));

  world_.definition_fail_prefix.clear();
  world_.register_result = E_ACCESSDENIED;
  const ScheduledTaskInfo all_users = MakeInfo(TASK_TRIGGER_KIND_DAILY, /*logon=*/true, 1);
  EXPECT_EQ(TaskCreation::kFailed, scheduler.CreateTask(all_users));

  // A security descriptor the service refuses does not fail the creation.
  world_.register_result = S_OK;
  world_.sddl_result = E_NOTIMPL;
  EXPECT_EQ(TaskCreation::kCreated, scheduler.CreateTask(all_users));

  world_.connect_result = false;
  TaskSchedulerV2 unconnected;
  EXPECT_FALSE(unconnected.Initialize());
}

TEST_F(TaskSchedulerV2Test, StaleSweepTouchesOnlyOwnTasksWithMissingPrograms) {
  base::ScopedTempDir dir;
  ASSERT_TRUE(dir.CreateUniqueTempDir());
  const base::FilePath present = dir.GetPath().Append(L"launcher.exe");
  ASSERT_TRUE(base::WriteFile(present, "x", 1));
  const std::wstring missing = dir.GetPath().Append(L"gone.exe").value();
  world_.tasks = {
      {L"Tarvo scheduled Autoupdate 1", true, 1, missing},
      {L"TARVO SCHEDULED Autoupdate 2", true, 1, missing},
      {L"Tarvo scheduled Autoupdate 3", true, 1, present.value()},
      {L"Tarvo scheduled Autoupdate 4", false, 1, missing},
      {L"Tarvo scheduled Autoupdate 5", true, 2, missing},
      {L"Tarvo scheduled Autoupdate 6", true, 1, L""},
      {L"Other scheduled Autoupdate 7", true, 1, missing},
      {L" scheduled Autoupdate 8", true, 1, missing},
      {L"Tarvo", true, 1, missing},
  };
  TaskSchedulerV2 scheduler;
  ASSERT_TRUE(scheduler.Initialize());
  scheduler.DeleteStaleTasks();
  std::vector<std::wstring> expected = {L"delete Tarvo scheduled Autoupdate 1",
                                        L"delete TARVO SCHEDULED Autoupdate 2"};
  EXPECT_EQ(expected, world_.log);
}

TEST(TaskSchedulerV2StateTest, BoundaryHasNoZone) {
  base::Time::Exploded local = {2026, 3, 0, 7, 4, 5, 9, 0};
  EXPECT_EQ(L"2026-03-07T04:05:09", FormatTaskBoundary(local));
}

TEST(ScheduledTaskNameTest, NamesStartWithTheProductName) {
  ScopedProductInfoForTesting info(R"({"product_name": "Tarvo"})");
  EXPECT_EQ(L"Tarvo scheduled Autoupdate x", MakeScheduledTaskName(L"Autoupdate x"));
  EXPECT_TRUE(IsOwnScheduledTaskName(L"\\tarvo scheduled Autoupdate x"));
  EXPECT_TRUE(IsOwnScheduledTaskName(L"Tarvo scheduled "));
  EXPECT_FALSE(IsOwnScheduledTaskName(L"Tarvo scheduled"));
  EXPECT_FALSE(IsOwnScheduledTaskName(L"GoogleUpdateTaskMachineCore"));
  EXPECT_FALSE(IsOwnScheduledTaskName(L" scheduled Autoupdate x"));
}

}  // namespace
