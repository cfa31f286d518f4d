#ifndef BASE_TASK_SCHEDULER_TASK_SCHEDULER_IMPL_H_
#define BASE_TASK_SCHEDULER_TASK_SCHEDULER_IMPL_H_

#include <memory>
#include <string>

#include "base/synchronization/lock.h"
#include "base/task_scheduler/scheduler_worker_pool.h"
#include "base/task_scheduler/task_scheduler.h"
#include "base/task_scheduler/task_tracker.h"
#include "base/threading/thread.h"

namespace base {
namespace internal {

class TaskSchedulerImpl : public TaskScheduler {
 public:
  explicit TaskSchedulerImpl(const std::string& name);
  // Joins every thread.
  ~TaskSchedulerImpl() override;

  void Start(const InitParams& init_params) override;
  bool PostDelayedTaskWithTraits(const Location& from_here, const TaskTraits& traits,
                                 OnceClosure task, TimeDelta delay) override;
  scoped_refptr<TaskRunner> CreateTaskRunnerWithTraits(const TaskTraits& traits) override;
  scoped_refptr<SequencedTaskRunner> CreateSequencedTaskRunnerWithTraits(
      const TaskTraits& traits) override;
  scoped_refptr<SingleThreadTaskRunner> CreateSingleThreadTaskRunnerWithTraits(
      const TaskTraits& traits) override;
  scoped_refptr<SingleThreadTaskRunner> CreateCOMSTATaskRunnerWithTraits(
      const TaskTraits& traits) override;
  void Shutdown() override;
  bool ShutdownWithin(TimeDelta limit) override;
  void FlushForTesting() override;
  void JoinForTesting() override;

  // Posts |task| (to run in |sequence| of |pool|) now or after |delay|.
  // False when the task was dropped.
  bool PostTaskToPool(Task task, TimeDelta delay, SchedulerWorkerPool* pool,
                      scoped_refptr<Sequence> sequence);
  SchedulerWorkerPool* GetPoolForTraits(const TaskTraits& traits);

 private:
  enum { kBackground, kBackgroundBlocking, kForeground, kForegroundBlocking, kNumPools };
  static int PoolIndexForTraits(const TaskTraits& traits);
  scoped_refptr<SingleThreadTaskRunner> CreateSingleThreadTaskRunner(const TaskTraits& traits,
                                                                     bool com_sta);

  const std::string name_;
  TaskTracker task_tracker_;
  // Holds delayed tasks until they are due.
  Thread service_thread_;
  std::unique_ptr<SchedulerWorkerPool> pools_[kNumPools];
  Lock single_thread_lock_;
  // Dedicated one-thread pools for single-thread runners: [pool][com_sta].
  std::unique_ptr<SchedulerWorkerPool> single_thread_pools_[kNumPools][2];
  bool joined_ = false;
};

}  // namespace internal
}  // namespace base

#endif  // BASE_TASK_SCHEDULER_TASK_SCHEDULER_IMPL_H_
