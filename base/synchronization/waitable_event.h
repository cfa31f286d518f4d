#ifndef BASE_SYNCHRONIZATION_WAITABLE_EVENT_H_
#define BASE_SYNCHRONIZATION_WAITABLE_EVENT_H_

#include <windows.h>

#include <cstddef>

#include "base/time/time.h"

namespace base {

// A Windows event object.
class WaitableEvent {
 public:
  enum class ResetPolicy { MANUAL, AUTOMATIC };
  enum class InitialState { SIGNALED, NOT_SIGNALED };

  WaitableEvent(ResetPolicy reset_policy = ResetPolicy::MANUAL,
                InitialState initial_state = InitialState::NOT_SIGNALED);
  // Takes ownership of an existing event handle.
  explicit WaitableEvent(HANDLE event_handle);
  ~WaitableEvent();
  WaitableEvent(const WaitableEvent&) = delete;
  WaitableEvent& operator=(const WaitableEvent&) = delete;

  void Signal();
  void Reset();
  // An automatic-reset event that is signaled becomes unsignaled by this call.
  bool IsSignaled();
  void Wait();
  // True when signaled within the time; never returns false before the full
  // time has passed. A zero or negative time only polls.
  bool TimedWait(TimeDelta wait_delta);

  // Index of the first signaled event among |count|; waits without limit.
  static size_t WaitMany(WaitableEvent** events, size_t count);

  HANDLE handle() const { return handle_; }

 private:
  HANDLE handle_;
};

}  // namespace base

#endif  // BASE_SYNCHRONIZATION_WAITABLE_EVENT_H_
