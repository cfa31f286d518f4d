#include "base/run_loop.h"

#include <utility>

#include "base/bind.h"
#include "base/logging.h"
#include "base/threading/thread_task_runner_handle.h"

namespace base {

namespace {
thread_local RunLoop::Delegate* g_current_delegate = nullptr;
}  // namespace

RunLoop::Delegate::Delegate() = default;

RunLoop::Delegate::~Delegate() {
  if (g_current_delegate == this)
    g_current_delegate = nullptr;
}

bool RunLoop::Delegate::ShouldQuitWhenIdle() const {
  return !active_run_loops_.empty() && active_run_loops_.back()->quit_when_idle_received_;
}

void RunLoop::RegisterDelegateForCurrentThread(Delegate* delegate) {
  if (g_current_delegate && g_current_delegate != delegate)
    LOG(ERROR) << "This thread already has a run-loop delegate; replacing it";
  g_current_delegate = delegate;
}

RunLoop::RunLoop(Type type) : RunLoop(nullptr, type) {}

RunLoop::RunLoop(MessageDispatcher* dispatcher, Type type)
    : delegate_(g_current_delegate),
      dispatcher_(dispatcher),
      type_(type),
      origin_task_runner_(ThreadTaskRunnerHandle::Get()),
      weak_this_(weak_factory_.GetWeakPtr()) {
  if (!delegate_)
    LOG(ERROR) << "A RunLoop on a thread without a message loop will not run";
}

RunLoop::~RunLoop() {
  if (running_)
    LOG(ERROR) << "A RunLoop destroyed while running";
}

void RunLoop::Run() {
  if (!BeforeRun())
    return;
  // A nested run executes application tasks only when its type says so.
  const bool application_tasks_allowed =
      delegate_->active_run_loops_.size() == 1 || type_ == Type::kNestableTasksAllowed;
  delegate_->Run(application_tasks_allowed);
  AfterRun();
}

void RunLoop::RunUntilIdle() {
  quit_when_idle_received_ = true;
  Run();
}

void RunLoop::Quit() {
  if (origin_task_runner_ && !origin_task_runner_->RunsTasksInCurrentSequence()) {
    origin_task_runner_->PostTask(FROM_HERE, BindOnce(&RunLoop::Quit, weak_this_));
    return;
  }
  quit_called_ = true;
  if (running_ && delegate_->active_run_loops_.back() == this)
    delegate_->Quit();
}

void RunLoop::QuitWhenIdle() {
  if (origin_task_runner_ && !origin_task_runner_->RunsTasksInCurrentSequence()) {
    origin_task_runner_->PostTask(FROM_HERE, BindOnce(&RunLoop::QuitWhenIdle, weak_this_));
    return;
  }
  quit_when_idle_received_ = true;
  // The loop may be asleep with nothing to do; let it notice.
  if (running_)
    delegate_->EnsureWorkScheduled();
}

void RunLoop::QuitFromAnyThread(scoped_refptr<SingleThreadTaskRunner> origin,
                                WeakPtr<RunLoop> run_loop, bool when_idle) {
  void (RunLoop::*method)() = when_idle ? &RunLoop::QuitWhenIdle : &RunLoop::Quit;
  if (origin && !origin->RunsTasksInCurrentSequence()) {
    // The weak pointer may only be looked at on the loop's own thread.
    origin->PostTask(FROM_HERE, BindOnce(method, std::move(run_loop)));
    return;
  }
  if (RunLoop* loop = run_loop.get())
    (loop->*method)();
}

RepeatingClosure RunLoop::QuitClosure() {
  return BindRepeating(&RunLoop::QuitFromAnyThread, origin_task_runner_, weak_this_, false);
}

RepeatingClosure RunLoop::QuitWhenIdleClosure() {
  return BindRepeating(&RunLoop::QuitFromAnyThread, origin_task_runner_, weak_this_, true);
}

bool RunLoop::BeforeRun() {
  if (!delegate_)
    return false;
  if (run_called_) {
    LOG(ERROR) << "RunLoop::Run called twice";
    return false;
  }
  run_called_ = true;
  if (quit_called_)
    return false;
  delegate_->active_run_loops_.push_back(this);
  running_ = true;
  return true;
}

void RunLoop::AfterRun() {
  running_ = false;
  delegate_->active_run_loops_.pop_back();
  // An enclosing run that was quit while this one ran ends now.
  if (!delegate_->active_run_loops_.empty() && delegate_->active_run_loops_.back()->quit_called_)
    delegate_->Quit();
}

bool RunLoop::IsRunningOnCurrentThread() {
  return g_current_delegate && !g_current_delegate->active_run_loops_.empty();
}

bool RunLoop::IsNestedOnCurrentThread() {
  return g_current_delegate && g_current_delegate->active_run_loops_.size() > 1;
}

MessageDispatcher* RunLoop::GetCurrentDispatcher() {
  if (!g_current_delegate || g_current_delegate->active_run_loops_.empty())
    return nullptr;
  return g_current_delegate->active_run_loops_.back()->dispatcher_;
}

}  // namespace base
