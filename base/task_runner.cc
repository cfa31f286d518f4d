#include "base/task_runner.h"

#include <memory>
#include <utility>

#include "base/bind.h"
#include "base/logging.h"
#include "base/sequenced_task_runner.h"
#include "base/threading/sequenced_task_runner_handle.h"

namespace base {

namespace {

// Carries the reply to the origin sequence.
class PostTaskAndReplyRelay {
 public:
  PostTaskAndReplyRelay(const Location& from_here, OnceClosure task, OnceClosure reply,
                        scoped_refptr<SequencedTaskRunner> origin)
      : from_here_(from_here),
        task_(std::move(task)),
        reply_(std::move(reply)),
        origin_(std::move(origin)) {}

  static void RunTaskAndPostReply(std::unique_ptr<PostTaskAndReplyRelay> relay) {
    std::move(relay->task_).Run();
    scoped_refptr<SequencedTaskRunner> origin = relay->origin_;
    const Location from_here = relay->from_here_;
    origin->PostTask(from_here, BindOnce(&PostTaskAndReplyRelay::RunReply, std::move(relay)));
  }

 private:
  static void RunReply(std::unique_ptr<PostTaskAndReplyRelay> relay) {
    std::move(relay->reply_).Run();
  }

  const Location from_here_;
  OnceClosure task_;
  OnceClosure reply_;
  scoped_refptr<SequencedTaskRunner> origin_;
};

}  // namespace

bool TaskRunner::PostTask(const Location& from_here, OnceClosure task) {
  return PostDelayedTask(from_here, std::move(task), TimeDelta());
}

bool TaskRunner::PostTaskAndReply(const Location& from_here, OnceClosure task, OnceClosure reply) {
  if (!task || !reply) {
    LOG(ERROR) << "PostTaskAndReply without a task or reply from " << from_here.ToString();
    return false;
  }
  if (!SequencedTaskRunnerHandle::IsSet()) {
    LOG(ERROR) << "PostTaskAndReply from a thread without a task runner, from "
               << from_here.ToString();
    return false;
  }
  auto relay = std::make_unique<PostTaskAndReplyRelay>(from_here, std::move(task), std::move(reply),
                                                       SequencedTaskRunnerHandle::Get());
  return PostTask(from_here,
                  BindOnce(&PostTaskAndReplyRelay::RunTaskAndPostReply, std::move(relay)));
}

bool SequencedTaskRunner::DeleteOrReleaseSoonInternal(const Location& from_here,
                                                      void (*deleter)(const void*),
                                                      const void* object) {
  return PostNonNestableTask(from_here, BindOnce(deleter, object));
}

}  // namespace base
