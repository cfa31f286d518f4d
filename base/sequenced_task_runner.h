#ifndef BASE_SEQUENCED_TASK_RUNNER_H_
#define BASE_SEQUENCED_TASK_RUNNER_H_

#include <memory>

#include "base/task_runner.h"

namespace base {

// A task runner whose tasks run one at a time in posting order (delayed tasks
// by due time, ties in posting order).
class SequencedTaskRunner : public TaskRunner {
 public:
  // A non-nestable task never runs inside a nested run loop; it waits for
  // the outer one.
  bool PostNonNestableTask(const Location& from_here, OnceClosure task) {
    return PostNonNestableDelayedTask(from_here, std::move(task), TimeDelta());
  }
  virtual bool PostNonNestableDelayedTask(const Location& from_here, OnceClosure task,
                                          TimeDelta delay) = 0;

  // Deletes the object on this sequence, later.
  template <typename T>
  bool DeleteSoon(const Location& from_here, const T* object) {
    return DeleteOrReleaseSoonInternal(from_here, &DeleteHelper<T>, object);
  }
  template <typename T>
  bool DeleteSoon(const Location& from_here, std::unique_ptr<T> object) {
    return DeleteSoon(from_here, object.release());
  }

 protected:
  ~SequencedTaskRunner() override = default;

 private:
  template <typename T>
  static void DeleteHelper(const void* object) {
    delete static_cast<const T*>(object);
  }
  bool DeleteOrReleaseSoonInternal(const Location& from_here, void (*deleter)(const void*),
                                   const void* object);
};

}  // namespace base

#endif  // BASE_SEQUENCED_TASK_RUNNER_H_
