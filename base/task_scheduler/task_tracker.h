#ifndef BASE_TASK_SCHEDULER_TASK_TRACKER_H_
#define BASE_TASK_SCHEDULER_TASK_TRACKER_H_

#include "base/synchronization/condition_variable.h"
#include "base/synchronization/lock.h"
#include "base/task_scheduler/sequence.h"
#include "base/task_scheduler/task_traits.h"
#include "base/time/time.h"

namespace base {
namespace internal {

// Decides which tasks may be posted and run around shutdown, and counts what
// shutdown and flushes wait for.
class TaskTracker {
 public:
  TaskTracker();
  ~TaskTracker();

  // Limits the BLOCK_SHUTDOWN tasks accepted once shutdown started (by
  // default any number).
  void SetMaxBlockingPostsDuringShutdown(int max_posts);
  TaskTracker(const TaskTracker&) = delete;
  TaskTracker& operator=(const TaskTracker&) = delete;

  // False when the task must be dropped. An accepted immediate task must end
  // in RunOrSkipTask.
  bool WillPostTask(TaskShutdownBehavior behavior);
  // Checks only whether a delayed task may still be posted.
  bool CanPostDelayedTask() const;
  // Runs the task, or destroys it when shutdown says so. Sets the sequence
  // and thread handles for the task.
  void RunOrSkipTask(Task task);

  void Shutdown();
  // As Shutdown, but waits at most `limit`; false when tasks still ran then.
  bool ShutdownWithin(TimeDelta limit);
  bool IsShutdownInProgress() const;
  bool IsShutdownComplete() const;
  void FlushForTesting();

 private:
  enum class State { kRunning, kShuttingDown, kShutDown };

  mutable Lock lock_;
  ConditionVariable cv_;
  State state_ = State::kRunning;
  // BLOCK_SHUTDOWN tasks not yet run plus SKIP_ON_SHUTDOWN tasks running.
  int num_blocking_shutdown_ = 0;
  // Accepted immediate tasks not yet run or skipped.
  int num_pending_ = 0;
  // -1: no limit.
  int blocking_posts_left_during_shutdown_ = -1;
};

}  // namespace internal
}  // namespace base

#endif  // BASE_TASK_SCHEDULER_TASK_TRACKER_H_
