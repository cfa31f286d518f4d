#ifndef BASE_TASK_SCHEDULER_SEQUENCE_H_
#define BASE_TASK_SCHEDULER_SEQUENCE_H_

#include <deque>

#include "base/callback.h"
#include "base/location.h"
#include "base/memory/ref_counted.h"
#include "base/sequenced_task_runner.h"
#include "base/single_thread_task_runner.h"
#include "base/synchronization/lock.h"
#include "base/task_scheduler/task_traits.h"

namespace base {
namespace internal {

// A task accepted by the scheduler.
struct Task {
  OnceClosure task;
  Location posted_from;
  TaskTraits traits;
  // The runner that the task sees as its sequence's or thread's (may be null).
  scoped_refptr<SequencedTaskRunner> sequenced_task_runner;
  scoped_refptr<SingleThreadTaskRunner> single_thread_task_runner;
};

// Tasks that run one at a time, in order. A worker takes the front task and
// keeps its slot until the task ran, so that posts meanwhile do not make
// the sequence runnable twice.
class Sequence : public RefCountedThreadSafe<Sequence> {
 public:
  explicit Sequence(TaskPriority priority) : priority_(priority) {}

  // True when the sequence was empty: the caller must then queue it.
  bool PushTask(Task task);
  Task TakeTask();
  // Drops the slot of the task just run; true when more tasks are waiting.
  bool Pop();
  TaskPriority priority() const { return priority_; }

 private:
  friend class RefCountedThreadSafe<Sequence>;
  ~Sequence() = default;

  const TaskPriority priority_;
  Lock lock_;
  std::deque<Task> queue_;
};

}  // namespace internal
}  // namespace base

#endif  // BASE_TASK_SCHEDULER_SEQUENCE_H_
