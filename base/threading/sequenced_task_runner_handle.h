#ifndef BASE_THREADING_SEQUENCED_TASK_RUNNER_HANDLE_H_
#define BASE_THREADING_SEQUENCED_TASK_RUNNER_HANDLE_H_

#include "base/memory/ref_counted.h"
#include "base/sequenced_task_runner.h"

namespace base {

// The task runner of the sequence the current task runs in: set by message
// loops (through ThreadTaskRunnerHandle) and by the task scheduler's workers.
class SequencedTaskRunnerHandle {
 public:
  // Null when the current code runs in no sequence; check IsSet() first.
  static scoped_refptr<SequencedTaskRunner> Get();
  static bool IsSet();

  explicit SequencedTaskRunnerHandle(scoped_refptr<SequencedTaskRunner> task_runner);
  ~SequencedTaskRunnerHandle();
  SequencedTaskRunnerHandle(const SequencedTaskRunnerHandle&) = delete;
  SequencedTaskRunnerHandle& operator=(const SequencedTaskRunnerHandle&) = delete;

 private:
  scoped_refptr<SequencedTaskRunner> task_runner_;
  SequencedTaskRunnerHandle* previous_;
};

}  // namespace base

#endif  // BASE_THREADING_SEQUENCED_TASK_RUNNER_HANDLE_H_
