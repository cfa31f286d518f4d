#include "base/task_scheduler/sequence.h"

#include <utility>

namespace base {
namespace internal {

bool Sequence::PushTask(Task task) {
  AutoLock lock(lock_);
  queue_.push_back(std::move(task));
  return queue_.size() == 1;
}

Task Sequence::TakeTask() {
  AutoLock lock(lock_);
  Task task = std::move(queue_.front());
  return task;
}

bool Sequence::Pop() {
  Task finished;
  AutoLock lock(lock_);
  // The moved-from slot dies outside the lock with |finished|.
  finished = std::move(queue_.front());
  queue_.pop_front();
  return !queue_.empty();
}

}  // namespace internal
}  // namespace base
