#ifndef BASE_THREADING_THREAD_TASK_RUNNER_HANDLE_H_
#define BASE_THREADING_THREAD_TASK_RUNNER_HANDLE_H_

#include "base/memory/ref_counted.h"
#include "base/single_thread_task_runner.h"
#include "base/threading/sequenced_task_runner_handle.h"

namespace base {

// Makes a task runner the current thread's for the handle's lifetime (a
// message loop installs one).
class ThreadTaskRunnerHandle {
 public:
  // Null when the thread has none; check IsSet() first.
  static scoped_refptr<SingleThreadTaskRunner> Get();
  static bool IsSet();

  explicit ThreadTaskRunnerHandle(scoped_refptr<SingleThreadTaskRunner> task_runner);
  ~ThreadTaskRunnerHandle();
  ThreadTaskRunnerHandle(const ThreadTaskRunnerHandle&) = delete;
  ThreadTaskRunnerHandle& operator=(const ThreadTaskRunnerHandle&) = delete;

 private:
  scoped_refptr<SingleThreadTaskRunner> task_runner_;
  SequencedTaskRunnerHandle sequenced_handle_;
  ThreadTaskRunnerHandle* previous_;
};

}  // namespace base

#endif  // BASE_THREADING_THREAD_TASK_RUNNER_HANDLE_H_
