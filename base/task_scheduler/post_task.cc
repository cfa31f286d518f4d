#include "base/task_scheduler/post_task.h"

#include <utility>

#include "base/logging.h"
#include "base/task_scheduler/task_scheduler.h"

namespace base {

namespace {

// Stands in for the scheduler's runners when there is no scheduler.
class DroppingTaskRunner : public SingleThreadTaskRunner {
 public:
  bool PostDelayedTask(const Location& from_here, OnceClosure, TimeDelta) override {
    LOG(WARNING) << "No task scheduler: task from " << from_here.ToString() << " dropped";
    return false;
  }
  bool PostNonNestableDelayedTask(const Location& from_here, OnceClosure task,
                                  TimeDelta delay) override {
    return PostDelayedTask(from_here, std::move(task), delay);
  }
  bool RunsTasksInCurrentSequence() const override { return false; }

 private:
  ~DroppingTaskRunner() override = default;
};

TaskScheduler* GetSchedulerOrLog(const Location& from_here) {
  TaskScheduler* scheduler = TaskScheduler::GetInstance();
  if (!scheduler)
    LOG(WARNING) << "No task scheduler: task from " << from_here.ToString() << " dropped";
  return scheduler;
}

}  // namespace

bool PostTask(const Location& from_here, OnceClosure task) {
  return PostDelayedTaskWithTraits(from_here, TaskTraits(), std::move(task), TimeDelta());
}

bool PostDelayedTask(const Location& from_here, OnceClosure task, TimeDelta delay) {
  return PostDelayedTaskWithTraits(from_here, TaskTraits(), std::move(task), delay);
}

bool PostTaskAndReply(const Location& from_here, OnceClosure task, OnceClosure reply) {
  return PostTaskWithTraitsAndReply(from_here, TaskTraits(), std::move(task), std::move(reply));
}

bool PostTaskWithTraits(const Location& from_here, const TaskTraits& traits, OnceClosure task) {
  return PostDelayedTaskWithTraits(from_here, traits, std::move(task), TimeDelta());
}

bool PostDelayedTaskWithTraits(const Location& from_here, const TaskTraits& traits,
                               OnceClosure task, TimeDelta delay) {
  TaskScheduler* scheduler = GetSchedulerOrLog(from_here);
  if (!scheduler)
    return false;
  return scheduler->PostDelayedTaskWithTraits(from_here, traits, std::move(task), delay);
}

bool PostTaskWithTraitsAndReply(const Location& from_here, const TaskTraits& traits,
                                OnceClosure task, OnceClosure reply) {
  return CreateTaskRunnerWithTraits(traits)->PostTaskAndReply(from_here, std::move(task),
                                                              std::move(reply));
}

scoped_refptr<TaskRunner> CreateTaskRunnerWithTraits(const TaskTraits& traits) {
  if (TaskScheduler* scheduler = TaskScheduler::GetInstance())
    return scheduler->CreateTaskRunnerWithTraits(traits);
  return MakeRefCounted<DroppingTaskRunner>();
}

scoped_refptr<SequencedTaskRunner> CreateSequencedTaskRunnerWithTraits(const TaskTraits& traits) {
  if (TaskScheduler* scheduler = TaskScheduler::GetInstance())
    return scheduler->CreateSequencedTaskRunnerWithTraits(traits);
  return MakeRefCounted<DroppingTaskRunner>();
}

scoped_refptr<SingleThreadTaskRunner> CreateSingleThreadTaskRunnerWithTraits(
    const TaskTraits& traits) {
  if (TaskScheduler* scheduler = TaskScheduler::GetInstance())
    return scheduler->CreateSingleThreadTaskRunnerWithTraits(traits);
  return MakeRefCounted<DroppingTaskRunner>();
}

scoped_refptr<SingleThreadTaskRunner> CreateCOMSTATaskRunnerWithTraits(const TaskTraits& traits) {
  if (TaskScheduler* scheduler = TaskScheduler::GetInstance())
    return scheduler->CreateCOMSTATaskRunnerWithTraits(traits);
  return MakeRefCounted<DroppingTaskRunner>();
}

}  // namespace base
