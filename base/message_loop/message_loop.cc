#include "base/message_loop/message_loop.h"

#include <algorithm>
#include <utility>

#include "base/logging.h"
#include "base/message_loop/message_pump_default.h"
#include "base/threading/thread_task_runner_handle.h"

namespace base {

namespace {

thread_local MessageLoop* g_current_loop = nullptr;

std::unique_ptr<MessagePump> CreatePump(MessageLoop::Type type) {
  switch (type) {
    case MessageLoop::TYPE_UI:
      return std::make_unique<MessagePumpForUI>();
    case MessageLoop::TYPE_IO:
      return std::make_unique<MessagePumpForIO>();
    case MessageLoop::TYPE_DEFAULT:
      break;
  }
  return std::make_unique<MessagePumpDefault>();
}

}  // namespace

// Posts into a MessageLoop for as long as it lives; afterwards every post
// fails and the task is destroyed.
class MessageLoopTaskRunner : public SingleThreadTaskRunner {
 public:
  MessageLoopTaskRunner(MessageLoop* loop) : loop_(loop), thread_id_(GetCurrentThreadId()) {}

  bool PostDelayedTask(const Location& from_here, OnceClosure task, TimeDelta delay) override {
    return Post(from_here, std::move(task), delay, true);
  }
  bool PostNonNestableDelayedTask(const Location& from_here, OnceClosure task,
                                  TimeDelta delay) override {
    return Post(from_here, std::move(task), delay, false);
  }
  bool RunsTasksInCurrentSequence() const override { return GetCurrentThreadId() == thread_id_; }

  void Detach() {
    AutoLock lock(lock_);
    loop_ = nullptr;
  }

 private:
  ~MessageLoopTaskRunner() override = default;

  bool Post(const Location& from_here, OnceClosure task, TimeDelta delay, bool nestable) {
    if (!task) {
      LOG(ERROR) << "Posting a null task from " << from_here.ToString();
      return false;
    }
    {
      AutoLock lock(lock_);
      if (loop_) {
        loop_->AddToIncomingQueue(from_here, std::move(task), delay, nestable);
        return true;
      }
    }
    // The task (and whatever it owns) dies here, outside the lock.
    VLOG(1) << "Task from " << from_here.ToString() << " dropped: its thread's loop has ended";
    return false;
  }

  // Held while posting, so that the loop cannot go away under a poster.
  Lock lock_;
  MessageLoop* loop_;
  const DWORD thread_id_;
};

MessageLoop::MessageLoop(Type type) : MessageLoop(type, CreatePump(type)) {}

MessageLoop::MessageLoop(Type type, std::unique_ptr<MessagePump> pump)
    : type_(type), pump_(std::move(pump)) {
  if (g_current_loop)
    LOG(FATAL) << "A thread can have only one MessageLoop";
  g_current_loop = this;
  task_runner_ = MakeRefCounted<MessageLoopTaskRunner>(this);
  thread_task_runner_handle_ = std::make_unique<ThreadTaskRunnerHandle>(task_runner_);
  RunLoop::RegisterDelegateForCurrentThread(this);
}

MessageLoop::~MessageLoop() {
  // Destroying tasks may post others (a destructor posting clean-up); clean
  // up a few rounds, then refuse new tasks and clean up the last ones.
  for (int i = 0; i < 100; ++i) {
    DeletePendingTasks();
    ReloadWorkQueue();
    if (work_queue_.empty() && delayed_work_queue_.empty() &&
        deferred_non_nestable_work_queue_.empty())
      break;
  }
  // From here on every post fails in the task runner.
  static_cast<MessageLoopTaskRunner*>(task_runner_.get())->Detach();
  ReloadWorkQueue();
  DeletePendingTasks();

  thread_task_runner_handle_.reset();
  g_current_loop = nullptr;
  // The pump dies before the RunLoop::Delegate base unregisters.
  pump_.reset();
}

MessageLoop* MessageLoop::current() {
  return g_current_loop;
}

const scoped_refptr<SingleThreadTaskRunner>& MessageLoop::task_runner() const {
  return task_runner_;
}

void MessageLoop::SetNestableTasksAllowed(bool allowed) {
  if (allowed && !task_execution_allowed_)
    pump_->ScheduleWork();  // Wakes a native loop so that the tasks start.
  task_execution_allowed_ = allowed;
}

void MessageLoop::Run(bool application_tasks_allowed) {
  // Tasks run in a nested run only when it allows them; the previous state
  // comes back when the run ends.
  const bool outer_task_execution_allowed = task_execution_allowed_;
  if (application_tasks_allowed)
    task_execution_allowed_ = true;

  // Only a UI loop has Windows messages to hand to a dispatcher.
  MessageDispatcher* dispatcher = RunLoop::GetCurrentDispatcher();
  auto* win_pump = type_ == TYPE_UI ? dynamic_cast<MessagePumpWin*>(pump_.get()) : nullptr;
  if (dispatcher && win_pump)
    win_pump->RunWithDispatcher(this, dispatcher);
  else
    pump_->Run(this);

  task_execution_allowed_ = outer_task_execution_allowed;
}

void MessageLoop::Quit() {
  pump_->Quit();
}

void MessageLoop::EnsureWorkScheduled() {
  pump_->ScheduleWork();
}

bool MessageLoop::IsIdleForTesting() {
  ReloadWorkQueue();
  if (!work_queue_.empty())
    return false;
  return delayed_work_queue_.empty() ||
         delayed_work_queue_.front().delayed_run_time > TimeTicks::Now();
}

void MessageLoop::AddToIncomingQueue(const Location& from_here, OnceClosure task, TimeDelta delay,
                                     bool nestable) {
  PendingTask pending;
  pending.task = std::move(task);
  pending.posted_from = from_here;
  if (delay > TimeDelta())
    pending.delayed_run_time = TimeTicks::Now() + delay;
  pending.nestable = nestable;

  AutoLock lock(incoming_lock_);
  pending.sequence_num = next_sequence_num_++;
  const bool was_empty = incoming_queue_.empty();
  incoming_queue_.push_back(std::move(pending));
  // The poster holds the task runner's lock, so the pump outlives this call.
  if (was_empty)
    pump_->ScheduleWork();
}

void MessageLoop::ReloadWorkQueue() {
  if (!work_queue_.empty())
    return;
  AutoLock lock(incoming_lock_);
  work_queue_.swap(incoming_queue_);
}

bool MessageLoop::DoWork() {
  if (!task_execution_allowed_)
    return false;
  for (;;) {
    ReloadWorkQueue();
    if (work_queue_.empty())
      return false;
    PendingTask pending = std::move(work_queue_.front());
    work_queue_.pop_front();
    if (pending.task.IsCancelled())
      continue;  // Its target is gone.
    if (!pending.delayed_run_time.is_null()) {
      PushDelayedTask(std::move(pending));
      continue;
    }
    if (DeferOrRunPendingTask(std::move(pending)))
      return true;
  }
}

void MessageLoop::PushDelayedTask(PendingTask pending) {
  const bool new_first = delayed_work_queue_.empty() || delayed_work_queue_.front() < pending;
  const TimeTicks run_time = pending.delayed_run_time;
  delayed_work_queue_.push_back(std::move(pending));
  std::push_heap(delayed_work_queue_.begin(), delayed_work_queue_.end());
  if (new_first)
    pump_->ScheduleDelayedWork(run_time);
}

PendingTask MessageLoop::PopDelayedTask() {
  std::pop_heap(delayed_work_queue_.begin(), delayed_work_queue_.end());
  PendingTask pending = std::move(delayed_work_queue_.back());
  delayed_work_queue_.pop_back();
  return pending;
}

bool MessageLoop::DoDelayedWork(TimeTicks* next_delayed_work_time) {
  if (!task_execution_allowed_) {
    *next_delayed_work_time = TimeTicks();
    return false;
  }
  while (!delayed_work_queue_.empty() && delayed_work_queue_.front().task.IsCancelled())
    PopDelayedTask();
  if (delayed_work_queue_.empty()) {
    *next_delayed_work_time = TimeTicks();
    return false;
  }
  const TimeTicks next_run_time = delayed_work_queue_.front().delayed_run_time;
  if (next_run_time > recent_time_) {
    recent_time_ = TimeTicks::Now();
    if (next_run_time > recent_time_) {
      *next_delayed_work_time = next_run_time;
      return false;
    }
  }
  PendingTask pending = PopDelayedTask();
  *next_delayed_work_time =
      delayed_work_queue_.empty() ? TimeTicks() : delayed_work_queue_.front().delayed_run_time;
  return DeferOrRunPendingTask(std::move(pending));
}

bool MessageLoop::DoIdleWork() {
  if (ProcessNextDelayedNonNestableTask())
    return true;
  if (ShouldQuitWhenIdle())
    pump_->Quit();
  return false;
}

bool MessageLoop::DeferOrRunPendingTask(PendingTask pending_task) {
  if (pending_task.nestable || !IsNested()) {
    RunTask(&pending_task);
    return true;
  }
  deferred_non_nestable_work_queue_.push_back(std::move(pending_task));
  return false;
}

void MessageLoop::RunTask(PendingTask* pending_task) {
  // A nested run inside the task runs no tasks unless it allows them.
  task_execution_allowed_ = false;
  std::move(pending_task->task).Run();
  task_execution_allowed_ = true;
}

bool MessageLoop::ProcessNextDelayedNonNestableTask() {
  if (IsNested())
    return false;
  while (!deferred_non_nestable_work_queue_.empty()) {
    PendingTask pending = std::move(deferred_non_nestable_work_queue_.front());
    deferred_non_nestable_work_queue_.pop_front();
    if (pending.task.IsCancelled())
      continue;
    RunTask(&pending);
    return true;
  }
  return false;
}

void MessageLoop::DeletePendingTasks() {
  // Moved out first: a task's destructor may post (and so touch the queues).
  std::deque<PendingTask> work = std::move(work_queue_);
  work_queue_.clear();
  std::deque<PendingTask> deferred = std::move(deferred_non_nestable_work_queue_);
  deferred_non_nestable_work_queue_.clear();
  std::vector<PendingTask> delayed = std::move(delayed_work_queue_);
  delayed_work_queue_.clear();
}

MessageLoopForUI* MessageLoopForUI::current() {
  MessageLoop* loop = MessageLoop::current();
  return loop && loop->IsType(TYPE_UI) ? static_cast<MessageLoopForUI*>(loop) : nullptr;
}

MessageLoopForIO* MessageLoopForIO::current() {
  MessageLoop* loop = MessageLoop::current();
  return loop && loop->IsType(TYPE_IO) ? static_cast<MessageLoopForIO*>(loop) : nullptr;
}

}  // namespace base
