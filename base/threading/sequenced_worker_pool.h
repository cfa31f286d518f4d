#ifndef BASE_THREADING_SEQUENCED_WORKER_POOL_H_
#define BASE_THREADING_SEQUENCED_WORKER_POOL_H_

#include <map>
#include <memory>
#include <string>

#include "base/callback.h"
#include "base/location.h"
#include "base/memory/ref_counted.h"
#include "base/sequenced_task_runner.h"
#include "base/synchronization/lock.h"
#include "base/task_runner.h"
#include "base/task_scheduler/task_traits.h"
#include "base/time/time.h"

namespace base {

namespace internal {
class Sequence;
class SchedulerWorkerPool;
class TaskTracker;
}  // namespace internal

class Thread;

// A pool of up to |max_threads| worker threads of its own. Tasks posted with
// the same sequence token run one at a time in order; other tasks run in
// parallel. Shut it down before the last reference goes away.
class SequencedWorkerPool : public TaskRunner {
 public:
  enum WorkerShutdown {
    CONTINUE_ON_SHUTDOWN,
    SKIP_ON_SHUTDOWN,
    // The default for immediate tasks. Delayed tasks are always skipped.
    BLOCK_SHUTDOWN,
  };

  class SequenceToken {
   public:
    SequenceToken() = default;
    bool Equals(const SequenceToken& other) const { return id_ == other.id_; }
    bool IsValid() const { return id_ != 0; }

   private:
    friend class SequencedWorkerPool;
    friend class SequencedWorkerPoolTaskRunner;
    explicit SequenceToken(int id) : id_(id) {}
    int id_ = 0;
  };

  SequencedWorkerPool(size_t max_threads, const std::string& thread_name_prefix,
                      TaskPriority task_priority = TaskPriority::USER_VISIBLE);

  SequenceToken GetSequenceToken();
  // The same name gives the same token.
  SequenceToken GetNamedSequenceToken(const std::string& name);

  scoped_refptr<SequencedTaskRunner> GetSequencedTaskRunner(SequenceToken token);
  scoped_refptr<SequencedTaskRunner> GetSequencedTaskRunnerWithShutdownBehavior(
      SequenceToken token, WorkerShutdown shutdown_behavior);
  scoped_refptr<TaskRunner> GetTaskRunnerWithShutdownBehavior(WorkerShutdown shutdown_behavior);

  bool PostWorkerTask(const Location& from_here, OnceClosure task);
  bool PostWorkerTaskWithShutdownBehavior(const Location& from_here, OnceClosure task,
                                          WorkerShutdown shutdown_behavior);
  bool PostSequencedWorkerTask(SequenceToken token, const Location& from_here, OnceClosure task);
  bool PostNamedSequencedWorkerTask(const std::string& token_name, const Location& from_here,
                                    OnceClosure task);
  bool PostDelayedSequencedWorkerTask(SequenceToken token, const Location& from_here,
                                      OnceClosure task, TimeDelta delay);
  bool PostSequencedWorkerTaskWithShutdownBehavior(SequenceToken token, const Location& from_here,
                                                   OnceClosure task,
                                                   WorkerShutdown shutdown_behavior);

  // TaskRunner: a parallel task (delayed ones skipped at shutdown).
  bool PostDelayedTask(const Location& from_here, OnceClosure task, TimeDelta delay) override;
  // True on any of the pool's threads.
  bool RunsTasksInCurrentSequence() const override;
  bool IsRunningSequenceOnCurrentThread(SequenceToken token) const;

  // Waits until nothing is queued or running.
  void FlushForTesting();
  // Waits for the BLOCK_SHUTDOWN tasks and the running SKIP_ON_SHUTDOWN ones;
  // the rest is dropped, and every later post fails except up to
  // |max_new_blocking_tasks_after_shutdown| BLOCK_SHUTDOWN tasks posted
  // while waiting.
  void Shutdown(int max_new_blocking_tasks_after_shutdown = 0);
  bool IsShutdownInProgress();

 protected:
  // Ends the threads (without waiting when the last reference is dropped on
  // one of them).
  ~SequencedWorkerPool() override;

 private:
  friend class SequencedWorkerPoolTaskRunner;
  bool PostTaskWithToken(int token_id, const Location& from_here, OnceClosure task,
                         WorkerShutdown shutdown_behavior, TimeDelta delay,
                         scoped_refptr<SequencedTaskRunner> runner);
  scoped_refptr<internal::Sequence> GetSequence(int token_id);

  const std::string thread_name_prefix_;
  const TaskPriority task_priority_;
  std::unique_ptr<internal::TaskTracker> task_tracker_;
  std::unique_ptr<internal::SchedulerWorkerPool> worker_pool_;

  mutable Lock lock_;
  int last_token_id_ = 0;
  std::map<std::string, int> named_tokens_;
  std::map<int, scoped_refptr<internal::Sequence>> sequences_;
  // Holds delayed tasks until they are due; made on first use.
  std::unique_ptr<Thread> delay_thread_;
};

}  // namespace base

#endif  // BASE_THREADING_SEQUENCED_WORKER_POOL_H_
