#include "base/threading/sequenced_worker_pool.h"

#include <utility>

#include "base/bind.h"
#include "base/logging.h"
#include "base/task_scheduler/scheduler_worker_pool.h"
#include "base/task_scheduler/sequence.h"
#include "base/task_scheduler/task_tracker.h"
#include "base/threading/thread.h"

namespace base {

namespace {

TaskShutdownBehavior ToTaskShutdownBehavior(SequencedWorkerPool::WorkerShutdown behavior) {
  switch (behavior) {
    case SequencedWorkerPool::CONTINUE_ON_SHUTDOWN:
      return TaskShutdownBehavior::CONTINUE_ON_SHUTDOWN;
    case SequencedWorkerPool::SKIP_ON_SHUTDOWN:
      return TaskShutdownBehavior::SKIP_ON_SHUTDOWN;
    case SequencedWorkerPool::BLOCK_SHUTDOWN:
      break;
  }
  return TaskShutdownBehavior::BLOCK_SHUTDOWN;
}

constexpr int kUnsequenced = 0;

}  // namespace

// Posts into one sequence (or, without a token, in parallel) of the pool.
class SequencedWorkerPoolTaskRunner : public SequencedTaskRunner {
 public:
  SequencedWorkerPoolTaskRunner(scoped_refptr<SequencedWorkerPool> pool, int token_id,
                                SequencedWorkerPool::WorkerShutdown behavior)
      : pool_(std::move(pool)), token_id_(token_id), behavior_(behavior) {}

  bool PostDelayedTask(const Location& from_here, OnceClosure task, TimeDelta delay) override {
    return pool_->PostTaskWithToken(token_id_, from_here, std::move(task), behavior_, delay,
                                    token_id_ == kUnsequenced ? nullptr : this);
  }
  bool PostNonNestableDelayedTask(const Location& from_here, OnceClosure task,
                                  TimeDelta delay) override {
    return PostDelayedTask(from_here, std::move(task), delay);
  }
  bool RunsTasksInCurrentSequence() const override {
    if (token_id_ == kUnsequenced)
      return pool_->RunsTasksInCurrentSequence();
    SequencedWorkerPool::SequenceToken token(token_id_);
    return pool_->IsRunningSequenceOnCurrentThread(token);
  }

 private:
  ~SequencedWorkerPoolTaskRunner() override = default;
  const scoped_refptr<SequencedWorkerPool> pool_;
  const int token_id_;
  const SequencedWorkerPool::WorkerShutdown behavior_;
};

SequencedWorkerPool::SequencedWorkerPool(size_t max_threads,
                                         const std::string& thread_name_prefix,
                                         TaskPriority task_priority)
    : thread_name_prefix_(thread_name_prefix),
      task_priority_(task_priority),
      task_tracker_(std::make_unique<internal::TaskTracker>()),
      worker_pool_(std::make_unique<internal::SchedulerWorkerPool>(thread_name_prefix + "Worker",
                                                                   task_tracker_.get())) {
  worker_pool_->Start(static_cast<int>(max_threads), TimeDelta::FromSeconds(30), false);
}

SequencedWorkerPool::~SequencedWorkerPool() {
  if (!task_tracker_->IsShutdownComplete())
    LOG(WARNING) << "SequencedWorkerPool " << thread_name_prefix_ << " destroyed without Shutdown";
  task_tracker_->Shutdown();
  if (delay_thread_)
    delay_thread_->Stop();
  if (worker_pool_->RunsTasksOnCurrentThread()) {
    // Cannot wait for ourselves: let the threads end on their own and keep
    // what they use alive.
    worker_pool_->RequestJoinAndLeak();
    worker_pool_.release();
    task_tracker_.release();
    return;
  }
  worker_pool_->JoinForTesting();
}

SequencedWorkerPool::SequenceToken SequencedWorkerPool::GetSequenceToken() {
  AutoLock lock(lock_);
  return SequenceToken(++last_token_id_);
}

SequencedWorkerPool::SequenceToken SequencedWorkerPool::GetNamedSequenceToken(
    const std::string& name) {
  AutoLock lock(lock_);
  auto it = named_tokens_.find(name);
  if (it != named_tokens_.end())
    return SequenceToken(it->second);
  const int id = ++last_token_id_;
  named_tokens_.emplace(name, id);
  return SequenceToken(id);
}

scoped_refptr<SequencedTaskRunner> SequencedWorkerPool::GetSequencedTaskRunner(
    SequenceToken token) {
  return GetSequencedTaskRunnerWithShutdownBehavior(token, BLOCK_SHUTDOWN);
}

scoped_refptr<SequencedTaskRunner> SequencedWorkerPool::GetSequencedTaskRunnerWithShutdownBehavior(
    SequenceToken token, WorkerShutdown shutdown_behavior) {
  return MakeRefCounted<SequencedWorkerPoolTaskRunner>(this, token.id_, shutdown_behavior);
}

scoped_refptr<TaskRunner> SequencedWorkerPool::GetTaskRunnerWithShutdownBehavior(
    WorkerShutdown shutdown_behavior) {
  return MakeRefCounted<SequencedWorkerPoolTaskRunner>(this, kUnsequenced, shutdown_behavior);
}

bool SequencedWorkerPool::PostWorkerTask(const Location& from_here, OnceClosure task) {
  return PostTaskWithToken(kUnsequenced, from_here, std::move(task), BLOCK_SHUTDOWN, TimeDelta(),
                           nullptr);
}

bool SequencedWorkerPool::PostWorkerTaskWithShutdownBehavior(const Location& from_here,
                                                             OnceClosure task,
                                                             WorkerShutdown shutdown_behavior) {
  return PostTaskWithToken(kUnsequenced, from_here, std::move(task), shutdown_behavior,
                           TimeDelta(), nullptr);
}

bool SequencedWorkerPool::PostSequencedWorkerTask(SequenceToken token, const Location& from_here,
                                                  OnceClosure task) {
  return PostTaskWithToken(token.id_, from_here, std::move(task), BLOCK_SHUTDOWN, TimeDelta(),
                           nullptr);
}

bool SequencedWorkerPool::PostNamedSequencedWorkerTask(const std::string& token_name,
                                                       const Location& from_here,
                                                       OnceClosure task) {
  return PostSequencedWorkerTask(GetNamedSequenceToken(token_name), from_here, std::move(task));
}

bool SequencedWorkerPool::PostDelayedSequencedWorkerTask(SequenceToken token,
                                                         const Location& from_here,
                                                         OnceClosure task, TimeDelta delay) {
  return PostTaskWithToken(token.id_, from_here, std::move(task), SKIP_ON_SHUTDOWN, delay, nullptr);
}

bool SequencedWorkerPool::PostSequencedWorkerTaskWithShutdownBehavior(
    SequenceToken token, const Location& from_here, OnceClosure task,
    WorkerShutdown shutdown_behavior) {
  return PostTaskWithToken(token.id_, from_here, std::move(task), shutdown_behavior, TimeDelta(),
                           nullptr);
}

bool SequencedWorkerPool::PostDelayedTask(const Location& from_here, OnceClosure task,
                                          TimeDelta delay) {
  return PostTaskWithToken(kUnsequenced, from_here, std::move(task),
                           delay > TimeDelta() ? SKIP_ON_SHUTDOWN : BLOCK_SHUTDOWN, delay, nullptr);
}

bool SequencedWorkerPool::RunsTasksInCurrentSequence() const {
  return worker_pool_->RunsTasksOnCurrentThread();
}

bool SequencedWorkerPool::IsRunningSequenceOnCurrentThread(SequenceToken token) const {
  if (!token.IsValid() || !worker_pool_->RunsTasksOnCurrentThread())
    return false;
  AutoLock lock(lock_);
  auto it = sequences_.find(token.id_);
  return it != sequences_.end() &&
         internal::SchedulerWorkerPool::CurrentSequence() == it->second.get();
}

scoped_refptr<internal::Sequence> SequencedWorkerPool::GetSequence(int token_id) {
  if (token_id == kUnsequenced)
    return MakeRefCounted<internal::Sequence>(task_priority_);
  AutoLock lock(lock_);
  scoped_refptr<internal::Sequence>& sequence = sequences_[token_id];
  if (!sequence)
    sequence = MakeRefCounted<internal::Sequence>(task_priority_);
  return sequence;
}

bool SequencedWorkerPool::PostTaskWithToken(int token_id, const Location& from_here,
                                            OnceClosure task, WorkerShutdown shutdown_behavior,
                                            TimeDelta delay,
                                            scoped_refptr<SequencedTaskRunner> runner) {
  if (!task) {
    LOG(ERROR) << "Posting a null task from " << from_here.ToString();
    return false;
  }
  if (delay > TimeDelta()) {
    scoped_refptr<SingleThreadTaskRunner> delay_runner;
    {
      AutoLock lock(lock_);
      if (task_tracker_->IsShutdownInProgress())
        return false;
      if (!delay_thread_) {
        delay_thread_ = std::make_unique<Thread>(thread_name_prefix_ + "Delay");
        if (!delay_thread_->Start()) {
          delay_thread_.reset();
          return false;
        }
      }
      delay_runner = delay_thread_->task_runner();
    }
    // A delayed task never blocks shutdown. The pool is not kept alive by
    // the wait: the delay thread ends before the pool goes away.
    return delay_runner->PostDelayedTask(
        from_here,
        BindOnce(
            [](SequencedWorkerPool* pool, int token_id, const Location& from_here,
               OnceClosure task, scoped_refptr<SequencedTaskRunner> runner) {
              pool->PostTaskWithToken(token_id, from_here, std::move(task), SKIP_ON_SHUTDOWN,
                                      TimeDelta(), std::move(runner));
            },
            Unretained(this), token_id, from_here, std::move(task), std::move(runner)),
        delay);
  }

  const TaskShutdownBehavior behavior = ToTaskShutdownBehavior(shutdown_behavior);
  if (!task_tracker_->WillPostTask(behavior)) {
    VLOG(1) << "Task from " << from_here.ToString() << " dropped: the pool is shutting down";
    return false;
  }
  internal::Task t{std::move(task), from_here, TaskTraits(task_priority_, behavior),
                   std::move(runner), nullptr};
  worker_pool_->PostTaskWithSequence(std::move(t), GetSequence(token_id));
  return true;
}

void SequencedWorkerPool::FlushForTesting() {
  task_tracker_->FlushForTesting();
}

void SequencedWorkerPool::Shutdown(int max_new_blocking_tasks_after_shutdown) {
  task_tracker_->SetMaxBlockingPostsDuringShutdown(max_new_blocking_tasks_after_shutdown);
  task_tracker_->Shutdown();
  // Delayed tasks would be skipped now anyway; dropping them also releases
  // the references to this pool that their runners hold.
  std::unique_ptr<Thread> delay_thread;
  {
    AutoLock lock(lock_);
    delay_thread = std::move(delay_thread_);
  }
  if (delay_thread)
    delay_thread->Stop();
}

bool SequencedWorkerPool::IsShutdownInProgress() {
  return task_tracker_->IsShutdownInProgress();
}

}  // namespace base
