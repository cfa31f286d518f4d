#ifndef BASE_SYNCHRONIZATION_CONDITION_VARIABLE_H_
#define BASE_SYNCHRONIZATION_CONDITION_VARIABLE_H_

#include <windows.h>

#include "base/synchronization/lock.h"
#include "base/time/time.h"

namespace base {

// Waits on a Lock-protected condition. Wakeups can be spurious: wait in a loop
// that re-checks the condition.
class ConditionVariable {
 public:
  explicit ConditionVariable(Lock* user_lock) : lock_(user_lock) {}
  ConditionVariable(const ConditionVariable&) = delete;
  ConditionVariable& operator=(const ConditionVariable&) = delete;

  // The lock must be held; it is released during the wait and held again
  // on return.
  void Wait();
  void TimedWait(TimeDelta max_time);
  void Signal();
  void Broadcast();

 private:
  Lock* lock_;
  CONDITION_VARIABLE cv_ = CONDITION_VARIABLE_INIT;
};

}  // namespace base

#endif  // BASE_SYNCHRONIZATION_CONDITION_VARIABLE_H_
