#include "base/task_scheduler/task_scheduler_impl.h"

#include <type_traits>
#include <utility>

#include "base/bind.h"
#include "base/logging.h"

namespace base {
namespace internal {

namespace {

const char* const kPoolNames[] = {"Background", "BackgroundBlocking", "Foreground",
                                  "ForegroundBlocking"};

// Each task is its own sequence.
class SchedulerParallelTaskRunner : public TaskRunner {
 public:
  SchedulerParallelTaskRunner(TaskSchedulerImpl* scheduler, const TaskTraits& traits)
      : scheduler_(scheduler), traits_(traits), pool_(scheduler->GetPoolForTraits(traits)) {}

  bool PostDelayedTask(const Location& from_here, OnceClosure task, TimeDelta delay) override {
    Task t{std::move(task), from_here, traits_, nullptr, nullptr};
    return scheduler_->PostTaskToPool(std::move(t), delay, pool_,
                                      MakeRefCounted<Sequence>(traits_.priority()));
  }
  bool RunsTasksInCurrentSequence() const override { return pool_->RunsTasksOnCurrentThread(); }

 private:
  ~SchedulerParallelTaskRunner() override = default;
  TaskSchedulerImpl* const scheduler_;
  const TaskTraits traits_;
  SchedulerWorkerPool* const pool_;
};

// Runs its tasks one at a time, in order, on |pool|. As a
// SingleThreadTaskRunner it is given a pool of exactly one thread.
template <typename RunnerType>
class SchedulerSequenceTaskRunner : public RunnerType {
 public:
  static constexpr bool kSingleThread = std::is_same_v<RunnerType, SingleThreadTaskRunner>;

  SchedulerSequenceTaskRunner(TaskSchedulerImpl* scheduler, const TaskTraits& traits,
                              SchedulerWorkerPool* pool)
      : scheduler_(scheduler),
        traits_(traits),
        pool_(pool),
        sequence_(MakeRefCounted<Sequence>(traits.priority())) {}

  bool PostDelayedTask(const Location& from_here, OnceClosure task, TimeDelta delay) override {
    return scheduler_->PostTaskToPool(MakeTask(from_here, std::move(task)), delay, pool_,
                                      sequence_);
  }
  bool PostNonNestableDelayedTask(const Location& from_here, OnceClosure task,
                                  TimeDelta delay) override {
    return PostDelayedTask(from_here, std::move(task), delay);
  }
  bool RunsTasksInCurrentSequence() const override {
    if constexpr (kSingleThread)
      return pool_->RunsTasksOnCurrentThread();
    else
      return SchedulerWorkerPool::CurrentSequence() == sequence_.get();
  }

 private:
  ~SchedulerSequenceTaskRunner() override = default;

  // The task sees this runner as its sequence's or its thread's.
  Task MakeTask(const Location& from_here, OnceClosure task) {
    if constexpr (kSingleThread)
      return Task{std::move(task), from_here, traits_, nullptr, this};
    else
      return Task{std::move(task), from_here, traits_, this, nullptr};
  }

  TaskSchedulerImpl* const scheduler_;
  const TaskTraits traits_;
  SchedulerWorkerPool* const pool_;
  const scoped_refptr<Sequence> sequence_;
};

using SchedulerSequencedTaskRunner = SchedulerSequenceTaskRunner<SequencedTaskRunner>;
using SchedulerSingleThreadTaskRunner = SchedulerSequenceTaskRunner<SingleThreadTaskRunner>;

}  // namespace

TaskSchedulerImpl::TaskSchedulerImpl(const std::string& name)
    : name_(name), service_thread_(name + "ServiceThread") {
  for (int i = 0; i < kNumPools; ++i) {
    pools_[i] = std::make_unique<SchedulerWorkerPool>(name + kPoolNames[i], &task_tracker_);
  }
  if (!service_thread_.Start())
    LOG(ERROR) << "The task scheduler's service thread did not start; delayed tasks are dropped";
}

TaskSchedulerImpl::~TaskSchedulerImpl() {
  JoinForTesting();
}

void TaskSchedulerImpl::Start(const InitParams& init_params) {
  const SchedulerWorkerPoolParams* params[kNumPools] = {
      &init_params.background_worker_pool_params,
      &init_params.background_blocking_worker_pool_params,
      &init_params.foreground_worker_pool_params,
      &init_params.foreground_blocking_worker_pool_params};
  for (int i = 0; i < kNumPools; ++i) {
    pools_[i]->Start(params[i]->max_threads(), params[i]->suggested_reclaim_time(),
                     i == kForegroundBlocking && init_params.foreground_blocking_com_sta);
  }
}

int TaskSchedulerImpl::PoolIndexForTraits(const TaskTraits& traits) {
  const bool blocking = traits.may_block() || traits.with_base_sync_primitives();
  if (traits.priority() == TaskPriority::BACKGROUND)
    return blocking ? kBackgroundBlocking : kBackground;
  return blocking ? kForegroundBlocking : kForeground;
}

SchedulerWorkerPool* TaskSchedulerImpl::GetPoolForTraits(const TaskTraits& traits) {
  return pools_[PoolIndexForTraits(traits)].get();
}

bool TaskSchedulerImpl::PostTaskToPool(Task task, TimeDelta delay, SchedulerWorkerPool* pool,
                                       scoped_refptr<Sequence> sequence) {
  if (!task.task) {
    LOG(ERROR) << "Posting a null task from " << task.posted_from.ToString();
    return false;
  }
  if (delay > TimeDelta()) {
    if (!task_tracker_.CanPostDelayedTask()) {
      VLOG(1) << "Task from " << task.posted_from.ToString() << " dropped after shutdown";
      return false;
    }
    // A delayed task never blocks shutdown.
    if (task.traits.shutdown_behavior() == TaskShutdownBehavior::BLOCK_SHUTDOWN) {
      task.traits = TaskTraits(task.traits.priority(), TaskShutdownBehavior::SKIP_ON_SHUTDOWN);
    }
    auto forward = [](TaskSchedulerImpl* scheduler, SchedulerWorkerPool* pool,
                      scoped_refptr<Sequence> sequence, std::unique_ptr<Task> task) {
      scheduler->PostTaskToPool(std::move(*task), TimeDelta(), pool, std::move(sequence));
    };
    return service_thread_.task_runner()->PostDelayedTask(
        task.posted_from,
        BindOnce(forward, Unretained(this), Unretained(pool), std::move(sequence),
                 std::make_unique<Task>(std::move(task))),
        delay);
  }
  if (!task_tracker_.WillPostTask(task.traits.shutdown_behavior())) {
    VLOG(1) << "Task from " << task.posted_from.ToString() << " dropped at shutdown";
    return false;
  }
  pool->PostTaskWithSequence(std::move(task), std::move(sequence));
  return true;
}

bool TaskSchedulerImpl::PostDelayedTaskWithTraits(const Location& from_here,
                                                  const TaskTraits& traits, OnceClosure task,
                                                  TimeDelta delay) {
  Task t{std::move(task), from_here, traits, nullptr, nullptr};
  return PostTaskToPool(std::move(t), delay, GetPoolForTraits(traits),
                        MakeRefCounted<Sequence>(traits.priority()));
}

scoped_refptr<TaskRunner> TaskSchedulerImpl::CreateTaskRunnerWithTraits(const TaskTraits& traits) {
  return MakeRefCounted<SchedulerParallelTaskRunner>(this, traits);
}

scoped_refptr<SequencedTaskRunner> TaskSchedulerImpl::CreateSequencedTaskRunnerWithTraits(
    const TaskTraits& traits) {
  return MakeRefCounted<SchedulerSequencedTaskRunner>(this, traits, GetPoolForTraits(traits));
}

scoped_refptr<SingleThreadTaskRunner> TaskSchedulerImpl::CreateSingleThreadTaskRunner(
    const TaskTraits& traits, bool com_sta) {
  const int index = PoolIndexForTraits(traits);
  SchedulerWorkerPool* pool;
  {
    AutoLock lock(single_thread_lock_);
    auto& slot = single_thread_pools_[index][com_sta ? 1 : 0];
    if (!slot) {
      slot = std::make_unique<SchedulerWorkerPool>(
          name_ + (com_sta ? "COMSTA" : "SingleThread") + kPoolNames[index], &task_tracker_);
      // One thread that is never reclaimed: the runner's thread stays the same.
      slot->Start(1, TimeDelta::Max(), com_sta);
    }
    pool = slot.get();
  }
  return MakeRefCounted<SchedulerSingleThreadTaskRunner>(this, traits, pool);
}

scoped_refptr<SingleThreadTaskRunner> TaskSchedulerImpl::CreateSingleThreadTaskRunnerWithTraits(
    const TaskTraits& traits) {
  return CreateSingleThreadTaskRunner(traits, false);
}

scoped_refptr<SingleThreadTaskRunner> TaskSchedulerImpl::CreateCOMSTATaskRunnerWithTraits(
    const TaskTraits& traits) {
  return CreateSingleThreadTaskRunner(traits, true);
}

void TaskSchedulerImpl::Shutdown() {
  task_tracker_.Shutdown();
}

bool TaskSchedulerImpl::ShutdownWithin(TimeDelta limit) {
  return task_tracker_.ShutdownWithin(limit);
}

void TaskSchedulerImpl::FlushForTesting() {
  task_tracker_.FlushForTesting();
}

void TaskSchedulerImpl::JoinForTesting() {
  if (joined_)
    return;
  joined_ = true;
  // Delayed tasks first, so that none is forwarded to a joined pool.
  service_thread_.Stop();
  for (auto& pool : pools_)
    pool->JoinForTesting();
  AutoLock lock(single_thread_lock_);
  for (auto& per_pool : single_thread_pools_) {
    for (auto& pool : per_pool) {
      if (pool)
        pool->JoinForTesting();
    }
  }
}

}  // namespace internal
}  // namespace base
