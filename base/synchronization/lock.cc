#include "base/synchronization/lock.h"

#include <stdio.h>
#include <stdlib.h>

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
  if (owner_.load(std::memory_order_relaxed) != GetCurrentThreadId()) {
    fprintf(stderr, "Lock::AssertAcquired: the lock is not held by this thread\n");
    fflush(stderr);
    abort();
  }
}

}  // namespace base
