#ifndef BASE_TASK_SCHEDULER_SCHEDULER_WORKER_POOL_H_
#define BASE_TASK_SCHEDULER_SCHEDULER_WORKER_POOL_H_

#include <windows.h>

#include <deque>
#include <string>
#include <vector>

#include "base/memory/ref_counted.h"
#include "base/synchronization/condition_variable.h"
#include "base/synchronization/lock.h"
#include "base/task_scheduler/sequence.h"
#include "base/task_scheduler/task_tracker.h"
#include "base/time/time.h"

namespace base {
namespace internal {

// Worker threads that run queued sequences, higher priority first. Threads
// are made when work arrives (up to the maximum) and end after being idle
// for the reclaim time.
class SchedulerWorkerPool {
 public:
  SchedulerWorkerPool(const std::string& name, TaskTracker* task_tracker);
  // Joins the threads.
  ~SchedulerWorkerPool();
  SchedulerWorkerPool(const SchedulerWorkerPool&) = delete;
  SchedulerWorkerPool& operator=(const SchedulerWorkerPool&) = delete;

  // Until Start, queued work waits. With |com_sta| every thread of the pool
  // lives in a COM single-threaded apartment.
  void Start(int max_threads, TimeDelta reclaim_time, bool com_sta);

  // Queues the task (already accepted by the tracker) in its sequence.
  void PostTaskWithSequence(Task task, scoped_refptr<Sequence> sequence);
  bool RunsTasksOnCurrentThread() const;
  // The sequence whose task runs on the current thread, if any.
  static const Sequence* CurrentSequence();

  // Lets the threads finish their queue and end; waits for them.
  void JoinForTesting();
  // Like JoinForTesting without waiting; the threads keep using this object
  // until they end, so it must then be leaked.
  void RequestJoinAndLeak();

 private:
  static DWORD WINAPI WorkerMain(void* param);
  void RunWorker();
  void EnqueueSequence(scoped_refptr<Sequence> sequence);
  // Under lock_: wakes an idle thread or makes a new one.
  void WakeUpOneWorkerLockRequired();
  scoped_refptr<Sequence> PopSequenceLockRequired();
  bool HasWorkLockRequired() const;

  const std::string name_;
  TaskTracker* const task_tracker_;

  mutable Lock lock_;
  ConditionVariable cv_;
  std::deque<scoped_refptr<Sequence>> queues_[3];  // By TaskPriority.
  int max_threads_ = 0;
  bool com_sta_ = false;
  TimeDelta reclaim_time_ = TimeDelta::Max();
  int num_threads_ = 0;
  int num_idle_ = 0;
  int pending_wakeups_ = 0;
  int next_thread_index_ = 0;
  bool join_requested_ = false;
  std::vector<HANDLE> threads_;
};

}  // namespace internal
}  // namespace base

#endif  // BASE_TASK_SCHEDULER_SCHEDULER_WORKER_POOL_H_
