#ifndef BASE_TASK_RUNNER_UTIL_H_
#define BASE_TASK_RUNNER_UTIL_H_

#include <memory>
#include <utility>

#include "base/bind.h"
#include "base/callback.h"
#include "base/task_runner.h"

namespace base {

// Runs |task| on |task_runner| and gives its result to |reply| on the calling
// sequence.
template <typename TaskReturnType, typename ReplyArgType>
bool PostTaskAndReplyWithResult(TaskRunner* task_runner, const Location& from_here,
                                OnceCallback<TaskReturnType()> task,
                                OnceCallback<void(ReplyArgType)> reply) {
  auto result = std::make_unique<TaskReturnType>();
  TaskReturnType* result_ptr = result.get();
  return task_runner->PostTaskAndReply(
      from_here,
      BindOnce([](OnceCallback<TaskReturnType()> task,
                  TaskReturnType* out) { *out = std::move(task).Run(); },
               std::move(task), result_ptr),
      BindOnce([](OnceCallback<void(ReplyArgType)> reply,
                  std::unique_ptr<TaskReturnType> result) { std::move(reply).Run(std::move(*result)); },
               std::move(reply), std::move(result)));
}

}  // namespace base

#endif  // BASE_TASK_RUNNER_UTIL_H_
