#include "base/synchronization/lock.h"

#include "base/logging.h"

namespace base {

void Lock::Acquire() {
  AcquireSRWLockExclusive(&native_);
  owner_.store(GetCurrentThreadId(), std::memory_order_relaxed);
}

void Lock::Release() {
  owner_.store(0, std::memory_order_relaxed);
  ReleaseSRWLockExclusive(&native_);
}

bool Lock::Try() {
  if (!TryAcquireSRWLockExclusive(&native_))
    return false;
  owner_.store(GetCurrentThreadId(), std::memory_order_relaxed);
  return true;
}

void Lock::AssertAcquired() const {
  CHECK(owner_.load(std::memory_order_relaxed) == GetCurrentThreadId())
      << "the lock is not held by this thread";
}

}  // namespace base
