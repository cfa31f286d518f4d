#include "base/synchronization/condition_variable.h"

namespace base {

void ConditionVariable::Wait() {
  TimedWait(TimeDelta::Max());
}

void ConditionVariable::TimedWait(TimeDelta max_time) {
  DWORD timeout = INFINITE;
  if (!max_time.is_max()) {
    int64_t ms = max_time.InMillisecondsRoundedUp();
    timeout = ms <= 0 ? 0 : ms >= INFINITE ? INFINITE - 1 : static_cast<DWORD>(ms);
  }
  lock_->owner_.store(0, std::memory_order_relaxed);
  SleepConditionVariableSRW(&cv_, &lock_->native_, timeout, 0);
  lock_->owner_.store(GetCurrentThreadId(), std::memory_order_relaxed);
}

void ConditionVariable::Signal() {
  WakeConditionVariable(&cv_);
}

void ConditionVariable::Broadcast() {
  WakeAllConditionVariable(&cv_);
}

}  // namespace base
