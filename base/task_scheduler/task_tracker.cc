#include "base/task_scheduler/task_tracker.h"

#include <memory>
#include <optional>
#include <utility>

#include "base/logging.h"
#include "base/threading/sequenced_task_runner_handle.h"
#include "base/threading/thread_task_runner_handle.h"

namespace base {
namespace internal {

TaskTracker::TaskTracker() : cv_(&lock_) {}
TaskTracker::~TaskTracker() = default;

bool TaskTracker::WillPostTask(TaskShutdownBehavior behavior) {
  AutoLock lock(lock_);
  if (state_ == State::kShutDown)
    return false;
  if (state_ == State::kShuttingDown) {
    if (behavior != TaskShutdownBehavior::BLOCK_SHUTDOWN || blocking_posts_left_during_shutdown_ == 0)
      return false;
    if (blocking_posts_left_during_shutdown_ > 0)
      --blocking_posts_left_during_shutdown_;
  }
  if (behavior == TaskShutdownBehavior::BLOCK_SHUTDOWN)
    ++num_blocking_shutdown_;
  ++num_pending_;
  return true;
}

bool TaskTracker::CanPostDelayedTask() const {
  AutoLock lock(lock_);
  return state_ == State::kRunning;
}

void TaskTracker::RunOrSkipTask(Task task) {
  const TaskShutdownBehavior behavior = task.traits.shutdown_behavior();
  bool run = false;
  {
    AutoLock lock(lock_);
    if (behavior == TaskShutdownBehavior::BLOCK_SHUTDOWN) {
      run = true;
    } else if (state_ == State::kRunning) {
      run = true;
      if (behavior == TaskShutdownBehavior::SKIP_ON_SHUTDOWN)
        ++num_blocking_shutdown_;
    }
  }

  if (run) {
    std::optional<ThreadTaskRunnerHandle> thread_handle;
    std::optional<SequencedTaskRunnerHandle> sequenced_handle;
    if (task.single_thread_task_runner)
      thread_handle.emplace(task.single_thread_task_runner);
    else if (task.sequenced_task_runner)
      sequenced_handle.emplace(task.sequenced_task_runner);
    std::move(task.task).Run();
  } else {
    VLOG(1) << "Task from " << task.posted_from.ToString() << " skipped at shutdown";
  }
  task.task.Reset();  // Whatever the task owned dies before it counts as done.

  AutoLock lock(lock_);
  if (run && behavior != TaskShutdownBehavior::CONTINUE_ON_SHUTDOWN)
    --num_blocking_shutdown_;
  --num_pending_;
  cv_.Broadcast();
}

void TaskTracker::Shutdown() {
  ShutdownWithin(TimeDelta::Max());
}

bool TaskTracker::ShutdownWithin(TimeDelta limit) {
  AutoLock lock(lock_);
  if (state_ != State::kRunning)
    return true;
  state_ = State::kShuttingDown;
  const bool bounded = !limit.is_max();
  const TimeTicks deadline = bounded ? TimeTicks::Now() + limit : TimeTicks();
  while (num_blocking_shutdown_ > 0) {
    if (!bounded) {
      cv_.Wait();
      continue;
    }
    const TimeDelta left = deadline - TimeTicks::Now();
    if (left <= TimeDelta())
      break;
    cv_.TimedWait(left);
  }
  // Later posts are refused either way; what still runs is left to end (or
  // to end with the process).
  state_ = State::kShutDown;
  return num_blocking_shutdown_ == 0;
}

void TaskTracker::SetMaxBlockingPostsDuringShutdown(int max_posts) {
  AutoLock lock(lock_);
  blocking_posts_left_during_shutdown_ = max_posts;
}

bool TaskTracker::IsShutdownInProgress() const {
  AutoLock lock(lock_);
  return state_ != State::kRunning;
}

bool TaskTracker::IsShutdownComplete() const {
  AutoLock lock(lock_);
  return state_ == State::kShutDown;
}

void TaskTracker::FlushForTesting() {
  AutoLock lock(lock_);
  while (num_pending_ > 0)
    cv_.Wait();
}

}  // namespace internal
}  // namespace base
