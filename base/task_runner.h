#ifndef BASE_TASK_RUNNER_H_
#define BASE_TASK_RUNNER_H_

#include "base/callback.h"
#include "base/location.h"
#include "base/memory/ref_counted.h"
#include "base/time/time.h"

namespace base {

// Somewhere tasks can be posted to. Posting returns false when the task will
// never run (for example the target thread has ended); the task is then
// destroyed. Thread-safe.
class TaskRunner : public RefCountedThreadSafe<TaskRunner> {
 public:
  bool PostTask(const Location& from_here, OnceClosure task);
  // Runs the task no earlier than |delay| from now.
  virtual bool PostDelayedTask(const Location& from_here, OnceClosure task, TimeDelta delay) = 0;
  virtual bool RunsTasksInCurrentSequence() const = 0;

  // Runs |task| here, then |reply| on the sequence that called this, which
  // must have a SequencedTaskRunnerHandle. When |task| cannot be posted or
  // the caller's sequence has ended, |reply| does not run.
  bool PostTaskAndReply(const Location& from_here, OnceClosure task, OnceClosure reply);

 protected:
  friend class RefCountedThreadSafe<TaskRunner>;
  TaskRunner() = default;
  virtual ~TaskRunner() = default;
};

}  // namespace base

#endif  // BASE_TASK_RUNNER_H_
