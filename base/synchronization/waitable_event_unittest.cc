#include "base/synchronization/waitable_event.h"

#include <thread>

#include "base/synchronization/condition_variable.h"
#include "base/synchronization/lock.h"
#include "gtest/gtest.h"

namespace base {
namespace {

TEST(WaitableEventTest, TimedWaitNeverReturnsEarly) {
  WaitableEvent event;
  for (int ms : {1, 15, 40}) {
    TimeTicks start = TimeTicks::Now();
    EXPECT_FALSE(event.TimedWait(TimeDelta::FromMilliseconds(ms)));
    EXPECT_GE(TimeTicks::Now() - start, TimeDelta::FromMilliseconds(ms));
  }
}

TEST(WaitableEventTest, NegativeTimeOnlyPolls) {
  WaitableEvent event(WaitableEvent::ResetPolicy::MANUAL, WaitableEvent::InitialState::SIGNALED);
  EXPECT_TRUE(event.TimedWait(TimeDelta::FromMilliseconds(-5)));
  event.Reset();
  EXPECT_FALSE(event.TimedWait(TimeDelta::FromMilliseconds(-5)));
}

TEST(WaitableEventTest, AutomaticResetReleasesOneWaitOnly) {
  WaitableEvent event(WaitableEvent::ResetPolicy::AUTOMATIC,
                      WaitableEvent::InitialState::NOT_SIGNALED);
  event.Signal();
  EXPECT_TRUE(event.IsSignaled());   // Consumes the signal.
  EXPECT_FALSE(event.IsSignaled());
}

TEST(WaitableEventTest, WaitManyReportsTheSignaledOne) {
  WaitableEvent a, b;
  WaitableEvent* events[] = {&a, &b};
  std::thread signaler([&] { b.Signal(); });
  EXPECT_EQ(1u, WaitableEvent::WaitMany(events, 2));
  signaler.join();
}

TEST(LockTest, TryFailsWhileAnotherThreadHoldsIt) {
  Lock lock;
  lock.Acquire();
  bool acquired = true;
  std::thread other([&] { acquired = lock.Try(); });
  other.join();
  EXPECT_FALSE(acquired);
  lock.Release();
  EXPECT_TRUE(lock.Try());
  lock.AssertAcquired();
  lock.Release();
}

TEST(LockTest, AutoUnlockLetsAnotherThreadInAndTakesTheLockBack) {
  Lock lock;
  AutoLock hold(lock);
  auto try_elsewhere = [&lock] {
    bool acquired = false;
    std::thread other([&] {
      acquired = lock.Try();
      if (acquired)
        lock.Release();
    });
    other.join();
    return acquired;
  };
  {
    AutoUnlock unlock(lock);
    EXPECT_TRUE(try_elsewhere());
  }
  lock.AssertAcquired();
  EXPECT_FALSE(try_elsewhere());
}

TEST(ConditionVariableTest, WaitReturnsHoldingTheLock) {
  Lock lock;
  ConditionVariable cv(&lock);
  bool ready = false;
  std::thread setter([&] {
    AutoLock hold(lock);
    ready = true;
    cv.Signal();
  });
  {
    AutoLock hold(lock);
    TimeTicks deadline = TimeTicks::Now() + TimeDelta::FromSeconds(10);
    while (!ready && TimeTicks::Now() < deadline)
      cv.TimedWait(TimeDelta::FromMilliseconds(100));
    lock.AssertAcquired();  // Held again after the wait.
    EXPECT_TRUE(ready);
  }
  setter.join();
}

}  // namespace
}  // namespace base
