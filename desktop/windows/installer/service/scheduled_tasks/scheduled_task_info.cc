#include "desktop/windows/installer/service/scheduled_tasks/scheduled_task_info.h"

ScheduledTaskInfo::ScheduledTaskInfo(const base::CommandLine& command_line)
    : command_line(command_line) {}
