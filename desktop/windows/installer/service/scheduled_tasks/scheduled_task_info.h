#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_SCHEDULED_TASKS_SCHEDULED_TASK_INFO_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_SCHEDULED_TASKS_SCHEDULED_TASK_INFO_H_

#include <cstdint>
#include <string>

#include "base/command_line.h"

enum ScheduledTaskTriggerKind : uint32_t {
  TASK_TRIGGER_RUN_ONCE = 0,
  TASK_TRIGGER_KIND_DAILY = 1,
  TASK_TRIGGER_KIND_NONE = 2,
};

// What a task to create looks like. The constructor leaves the strings
// empty, the numbers 0 (so kind "run once") and both flags false.
struct ScheduledTaskInfo {
  explicit ScheduledTaskInfo(const base::CommandLine& command_line);

  base::CommandLine command_line;
  // The task's own part of its name (see MakeScheduledTaskName).
  std::wstring name;
  std::wstring description;
  // 1: under the system account for all users; 0: the current user.
  uint32_t all_users = 0;
  // Seconds; 0 means no limit.
  uint32_t execution_time_limit = 0;
  ScheduledTaskTriggerKind trigger_kind = TASK_TRIGGER_RUN_ONCE;
  // Also start at logon (current user) or at boot (all users); ignored for
  // a task that runs once.
  bool logon_trigger = false;
  // Task Scheduler 2.0 only.
  bool only_with_network = false;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_SCHEDULED_TASKS_SCHEDULED_TASK_INFO_H_
