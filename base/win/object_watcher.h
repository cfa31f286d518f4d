#ifndef BASE_WIN_OBJECT_WATCHER_H_
#define BASE_WIN_OBJECT_WATCHER_H_

#include <windows.h>

#include "base/callback.h"
#include "base/memory/ref_counted.h"
#include "base/memory/weak_ptr.h"
#include "base/sequenced_task_runner.h"

namespace base {
namespace win {

// Watches a waitable handle (process, event, ...) without blocking: when it
// is signaled, the delegate is called on the sequence that started the
// watch. Use it on that sequence only.
class ObjectWatcher {
 public:
  class Delegate {
   public:
    virtual ~Delegate() = default;
    virtual void OnObjectSignaled(HANDLE object) = 0;
  };

  ObjectWatcher();
  // Stops watching; no callback comes afterwards.
  ~ObjectWatcher();
  ObjectWatcher(const ObjectWatcher&) = delete;
  ObjectWatcher& operator=(const ObjectWatcher&) = delete;

  // Calls the delegate once, at the first signal. False when already
  // watching, when the current sequence has no task runner, or when the
  // system refuses the wait. The handle must stay open while watched.
  bool StartWatchingOnce(HANDLE object, Delegate* delegate);
  // Calls the delegate at every signal until StopWatching (a signaled
  // manual-reset event keeps calling it).
  bool StartWatchingMultipleTimes(HANDLE object, Delegate* delegate);

  // True when a watch was stopped. Callbacks already on their way are
  // cancelled.
  bool StopWatching();
  bool IsWatching() const { return wait_object_ != nullptr; }
  HANDLE GetWatchedObject() const { return object_; }

 private:
  static void CALLBACK DoneWaiting(void* param, BOOLEAN timed_out);
  bool StartWatchingInternal(HANDLE object, Delegate* delegate, bool execute_only_once);
  void Signal(Delegate* delegate);
  void Reset();

  // Read by the system's wait thread while a wait is registered.
  RepeatingClosure callback_;
  scoped_refptr<SequencedTaskRunner> task_runner_;
  HANDLE object_ = nullptr;
  HANDLE wait_object_ = nullptr;
  bool run_once_ = true;
  WeakPtrFactory<ObjectWatcher> weak_factory_{this};
};

}  // namespace win
}  // namespace base

#endif  // BASE_WIN_OBJECT_WATCHER_H_
