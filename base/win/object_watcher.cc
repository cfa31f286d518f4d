#include "base/win/object_watcher.h"

#include "base/bind.h"
#include "base/logging.h"
#include "base/threading/sequenced_task_runner_handle.h"

namespace base {
namespace win {

ObjectWatcher::ObjectWatcher() = default;

ObjectWatcher::~ObjectWatcher() {
  StopWatching();
}

bool ObjectWatcher::StartWatchingOnce(HANDLE object, Delegate* delegate) {
  return StartWatchingInternal(object, delegate, true);
}

bool ObjectWatcher::StartWatchingMultipleTimes(HANDLE object, Delegate* delegate) {
  return StartWatchingInternal(object, delegate, false);
}

bool ObjectWatcher::StartWatchingInternal(HANDLE object, Delegate* delegate,
                                          bool execute_only_once) {
  if (wait_object_) {
    LOG(ERROR) << "ObjectWatcher is already watching";
    return false;
  }
  if (!object || object == INVALID_HANDLE_VALUE || !delegate) {
    LOG(ERROR) << "ObjectWatcher needs a handle and a delegate";
    return false;
  }
  if (!SequencedTaskRunnerHandle::IsSet()) {
    LOG(ERROR) << "ObjectWatcher needs a task runner on the calling thread";
    return false;
  }

  task_runner_ = SequencedTaskRunnerHandle::Get();
  run_once_ = execute_only_once;
  object_ = object;
  callback_ = BindRepeating(&ObjectWatcher::Signal, weak_factory_.GetWeakPtr(), delegate);

  // The wait thread only posts; the delegate runs on our sequence.
  ULONG flags = WT_EXECUTEINWAITTHREAD;
  if (run_once_)
    flags |= WT_EXECUTEONLYONCE;
  if (!RegisterWaitForSingleObject(&wait_object_, object, &ObjectWatcher::DoneWaiting, this,
                                   INFINITE, flags)) {
    PLOG(ERROR) << "RegisterWaitForSingleObject failed";
    wait_object_ = nullptr;
    Reset();
    return false;
  }
  return true;
}

bool ObjectWatcher::StopWatching() {
  if (!wait_object_)
    return false;
  // Waits until a callback running on the wait thread has finished, so that
  // none touches this object afterwards.
  if (!UnregisterWaitEx(wait_object_, INVALID_HANDLE_VALUE))
    PLOG(ERROR) << "UnregisterWaitEx failed";
  wait_object_ = nullptr;
  Reset();
  return true;
}

void ObjectWatcher::Reset() {
  // Drops signals already posted but not yet delivered.
  weak_factory_.InvalidateWeakPtrs();
  callback_.Reset();
  task_runner_ = nullptr;
  object_ = nullptr;
}

// static
void CALLBACK ObjectWatcher::DoneWaiting(void* param, BOOLEAN timed_out) {
  if (timed_out)
    return;
  auto* that = static_cast<ObjectWatcher*>(param);
  that->task_runner_->PostTask(FROM_HERE, that->callback_);
}

void ObjectWatcher::Signal(Delegate* delegate) {
  // The delegate may delete us or start a new watch: finish with our state
  // first.
  HANDLE object = object_;
  if (run_once_)
    StopWatching();
  delegate->OnObjectSignaled(object);
}

}  // namespace win
}  // namespace base
