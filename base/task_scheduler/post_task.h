#ifndef BASE_TASK_SCHEDULER_POST_TASK_H_
#define BASE_TASK_SCHEDULER_POST_TASK_H_

#include "base/callback.h"
#include "base/location.h"
#include "base/memory/ref_counted.h"
#include "base/sequenced_task_runner.h"
#include "base/single_thread_task_runner.h"
#include "base/task_runner.h"
#include "base/task_runner_util.h"
#include "base/task_scheduler/task_traits.h"
#include "base/time/time.h"

namespace base {

// Posting to the process's TaskScheduler. Without one (never created, or
// after it was shut down) the task is dropped with a log line and false is
// returned; the runners made then drop everything too.

bool PostTask(const Location& from_here, OnceClosure task);
bool PostDelayedTask(const Location& from_here, OnceClosure task, TimeDelta delay);
bool PostTaskAndReply(const Location& from_here, OnceClosure task, OnceClosure reply);
bool PostTaskWithTraits(const Location& from_here, const TaskTraits& traits, OnceClosure task);
bool PostDelayedTaskWithTraits(const Location& from_here, const TaskTraits& traits,
                               OnceClosure task, TimeDelta delay);
// |reply| runs on the calling sequence after |task|.
bool PostTaskWithTraitsAndReply(const Location& from_here, const TaskTraits& traits,
                                OnceClosure task, OnceClosure reply);

template <typename TaskReturnType, typename ReplyArgType>
bool PostTaskWithTraitsAndReplyWithResult(const Location& from_here, const TaskTraits& traits,
                                          OnceCallback<TaskReturnType()> task,
                                          OnceCallback<void(ReplyArgType)> reply);

scoped_refptr<TaskRunner> CreateTaskRunnerWithTraits(const TaskTraits& traits);
scoped_refptr<SequencedTaskRunner> CreateSequencedTaskRunnerWithTraits(const TaskTraits& traits);
scoped_refptr<SingleThreadTaskRunner> CreateSingleThreadTaskRunnerWithTraits(
    const TaskTraits& traits);
scoped_refptr<SingleThreadTaskRunner> CreateCOMSTATaskRunnerWithTraits(const TaskTraits& traits);

template <typename TaskReturnType, typename ReplyArgType>
bool PostTaskWithTraitsAndReplyWithResult(const Location& from_here, const TaskTraits& traits,
                                          OnceCallback<TaskReturnType()> task,
                                          OnceCallback<void(ReplyArgType)> reply) {
  return PostTaskAndReplyWithResult(CreateTaskRunnerWithTraits(traits).get(), from_here,
                                    std::move(task), std::move(reply));
}

}  // namespace base

#endif  // BASE_TASK_SCHEDULER_POST_TASK_H_
