#include "base/task_scheduler/task_scheduler.h"

#include <utility>

#include "base/task_scheduler/task_scheduler_impl.h"

namespace base {

namespace {

// Deliberately leaked at exit: worker threads may still run then.
TaskScheduler* g_task_scheduler = nullptr;

}  // namespace

void TaskScheduler::Create(const std::string& name) {
  SetInstance(std::make_unique<internal::TaskSchedulerImpl>(name));
}

void TaskScheduler::SetInstance(std::unique_ptr<TaskScheduler> task_scheduler) {
  delete g_task_scheduler;
  g_task_scheduler = task_scheduler.release();
}

TaskScheduler* TaskScheduler::GetInstance() {
  return g_task_scheduler;
}

}  // namespace base
