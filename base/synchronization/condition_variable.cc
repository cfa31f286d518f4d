#include "base/synchronization/condition_variable.h"

namespace base {

void ConditionVariable::Wait() {
  TimedWait(TimeDelta::Max());
}

void ConditionVariable::TimedWait(TimeDelta max_time) {
  lock_->owner_.store(0, std::memory_order_relaxed);
  SleepConditionVariableSRW(&cv_, &lock_->native_, max_time.InMillisecondsForWait(), 0);
  lock_->owner_.store(GetCurrentThreadId(), std::memory_order_relaxed);
}

void ConditionVariable::Signal() {
  WakeConditionVariable(&cv_);
}

void ConditionVariable::Broadcast() {
  WakeAllConditionVariable(&cv_);
}

}  // namespace base
