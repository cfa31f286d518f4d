#ifndef BASE_TASK_SCHEDULER_TASK_SCHEDULER_H_
#define BASE_TASK_SCHEDULER_TASK_SCHEDULER_H_

#include <memory>
#include <string>

#include "base/callback.h"
#include "base/location.h"
#include "base/memory/ref_counted.h"
#include "base/sequenced_task_runner.h"
#include "base/single_thread_task_runner.h"
#include "base/task_runner.h"
#include "base/task_scheduler/scheduler_worker_pool_params.h"
#include "base/task_scheduler/task_traits.h"
#include "base/time/time.h"

namespace base {

// Runs tasks on pools of worker threads chosen by their traits: background
// or foreground priority, each with a pool for tasks that may block.
// One instance per process, reached through GetInstance().
class TaskScheduler {
 public:
  struct InitParams {
    InitParams(const SchedulerWorkerPoolParams& background,
               const SchedulerWorkerPoolParams& background_blocking,
               const SchedulerWorkerPoolParams& foreground,
               const SchedulerWorkerPoolParams& foreground_blocking)
        : background_worker_pool_params(background),
          background_blocking_worker_pool_params(background_blocking),
          foreground_worker_pool_params(foreground),
          foreground_blocking_worker_pool_params(foreground_blocking) {}

    SchedulerWorkerPoolParams background_worker_pool_params;
    SchedulerWorkerPoolParams background_blocking_worker_pool_params;
    SchedulerWorkerPoolParams foreground_worker_pool_params;
    SchedulerWorkerPoolParams foreground_blocking_worker_pool_params;
    // The foreground-blocking pool's threads live in a COM single-threaded
    // apartment.
    bool foreground_blocking_com_sta = true;
  };

  virtual ~TaskScheduler() = default;

  // Tasks posted before Start wait for it.
  virtual void Start(const InitParams& init_params) = 0;

  virtual bool PostDelayedTaskWithTraits(const Location& from_here, const TaskTraits& traits,
                                         OnceClosure task, TimeDelta delay) = 0;
  virtual scoped_refptr<TaskRunner> CreateTaskRunnerWithTraits(const TaskTraits& traits) = 0;
  virtual scoped_refptr<SequencedTaskRunner> CreateSequencedTaskRunnerWithTraits(
      const TaskTraits& traits) = 0;
  // Tasks of runners with the same traits share one dedicated thread.
  virtual scoped_refptr<SingleThreadTaskRunner> CreateSingleThreadTaskRunnerWithTraits(
      const TaskTraits& traits) = 0;
  // Like the above, on a thread in a COM single-threaded apartment.
  virtual scoped_refptr<SingleThreadTaskRunner> CreateCOMSTATaskRunnerWithTraits(
      const TaskTraits& traits) = 0;

  // Waits for the BLOCK_SHUTDOWN tasks and the SKIP_ON_SHUTDOWN tasks that
  // already started; every other task is dropped from then on, and so are
  // later posts (except BLOCK_SHUTDOWN tasks posted while waiting).
  virtual void Shutdown() = 0;
  // As Shutdown, but waits at most `limit`: a task that never ends must not
  // keep the process from ending. False when tasks were still running; they
  // are left to end by themselves.
  virtual bool ShutdownWithin(TimeDelta limit) = 0;
  // Waits until no task is queued or running (delayed tasks not yet due do
  // not count).
  virtual void FlushForTesting() = 0;
  // Ends every thread; nothing runs afterwards.
  virtual void JoinForTesting() = 0;

  // Creates the process's scheduler (not started). |name| prefixes thread
  // names.
  static void Create(const std::string& name);
  // Replaces the instance (deleting the previous one); null clears it.
  static void SetInstance(std::unique_ptr<TaskScheduler> task_scheduler);
  static TaskScheduler* GetInstance();
};

}  // namespace base

#endif  // BASE_TASK_SCHEDULER_TASK_SCHEDULER_H_
