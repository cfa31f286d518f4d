#include "base/threading/sequenced_worker_pool.h"

#include <atomic>
#include <thread>
#include <vector>

#include "base/bind.h"
#include "base/synchronization/lock.h"
#include "base/synchronization/waitable_event.h"
#include "gtest/gtest.h"

namespace base {
namespace {

const TimeDelta kWait = TimeDelta::FromSeconds(10);

TEST(SequencedWorkerPoolTest, NamedSequenceRunsInOrderOneAtATime) {
  auto pool = MakeRefCounted<SequencedWorkerPool>(2, "Pool");
  std::atomic<int> in_flight{0};
  std::atomic<bool> overlapped{false};
  std::vector<int> order;
  std::atomic<int> knew_sequence{0};
  auto runner = pool->GetSequencedTaskRunner(pool->GetNamedSequenceToken("file"));
  for (int i = 0; i < 20; ++i) {
    auto step = [](std::atomic<int>* in_flight, std::atomic<bool>* overlapped,
                   std::vector<int>* order, int i, std::atomic<int>* knew,
                   SequencedTaskRunner* runner) {
      if (++*in_flight > 1)
        *overlapped = true;
      if (runner->RunsTasksInCurrentSequence())
        ++*knew;
      Sleep(1);
      order->push_back(i);
      --*in_flight;
    };
    // Every other task through the name instead of the runner: same sequence.
    if (i % 2) {
      runner->PostTask(FROM_HERE, BindOnce(step, &in_flight, &overlapped, &order, i, &knew_sequence,
                                           Unretained(runner.get())));
    } else {
      pool->PostNamedSequencedWorkerTask(
          "file", FROM_HERE,
          BindOnce(step, &in_flight, &overlapped, &order, i, &knew_sequence, Unretained(runner.get())));
    }
  }
  pool->FlushForTesting();
  EXPECT_FALSE(overlapped);
  ASSERT_EQ(20u, order.size());
  for (int i = 0; i < 20; ++i)
    EXPECT_EQ(i, order[i]);
  EXPECT_EQ(20, knew_sequence.load());
  EXPECT_TRUE(pool->GetNamedSequenceToken("file").Equals(pool->GetNamedSequenceToken("file")));
  EXPECT_FALSE(pool->GetSequenceToken().Equals(pool->GetSequenceToken()));
  pool->Shutdown();
}

TEST(SequencedWorkerPoolTest, DifferentSequencesUseBothThreads) {
  auto pool = MakeRefCounted<SequencedWorkerPool>(2, "Pool");
  WaitableEvent a_started, b_started;
  bool a_saw_b = false, b_saw_a = false;
  // Each waits for the other: only two threads at once make both finish.
  pool->PostSequencedWorkerTask(pool->GetSequenceToken(), FROM_HERE,
                                BindOnce(
                                    [](WaitableEvent* mine, WaitableEvent* other, bool* saw) {
                                      mine->Signal();
                                      *saw = other->TimedWait(kWait);
                                    },
                                    &a_started, &b_started, &a_saw_b));
  pool->PostSequencedWorkerTask(pool->GetSequenceToken(), FROM_HERE,
                                BindOnce(
                                    [](WaitableEvent* mine, WaitableEvent* other, bool* saw) {
                                      mine->Signal();
                                      *saw = other->TimedWait(kWait);
                                    },
                                    &b_started, &a_started, &b_saw_a));
  pool->FlushForTesting();
  EXPECT_TRUE(a_saw_b);
  EXPECT_TRUE(b_saw_a);
  pool->Shutdown();
}

TEST(SequencedWorkerPoolTest, ShutdownRunsBlockingTasksAndLimitsNewOnes) {
  auto pool = MakeRefCounted<SequencedWorkerPool>(1, "Pool");
  WaitableEvent entered, gate;
  std::atomic<int> ran{0};
  std::atomic<int> follow_ups_accepted{0};
  pool->PostWorkerTask(FROM_HERE, BindOnce(
                                      [](WaitableEvent* entered, WaitableEvent* gate) {
                                        entered->Signal();
                                        gate->Wait();
                                      },
                                      &entered, &gate));
  ASSERT_TRUE(entered.TimedWait(kWait));
  auto token = pool->GetSequenceToken();
  // Queued behind the gate; each posts two follow-ups while shutdown waits.
  for (int i = 0; i < 2; ++i) {
    pool->PostSequencedWorkerTask(
        token, FROM_HERE,
        BindOnce(
            [](SequencedWorkerPool* pool, std::atomic<int>* ran, std::atomic<int>* accepted) {
              ++*ran;
              for (int j = 0; j < 2; ++j) {
                if (pool->PostWorkerTask(FROM_HERE, BindOnce([](std::atomic<int>* r) { ++*r; }, ran)))
                  ++*accepted;
              }
            },
            Unretained(pool.get()), &ran, &follow_ups_accepted));
  }
  pool->PostWorkerTaskWithShutdownBehavior(FROM_HERE,
                                           BindOnce([](std::atomic<int>* r) { *r += 100; }, &ran),
                                           SequencedWorkerPool::SKIP_ON_SHUTDOWN);
  std::thread release([&gate] {
    Sleep(50);
    gate.Signal();
  });
  pool->Shutdown(3);
  release.join();
  EXPECT_TRUE(pool->IsShutdownInProgress());
  EXPECT_EQ(3, follow_ups_accepted.load());
  EXPECT_EQ(2 + 3, ran.load());  // The skipped task never ran.
  EXPECT_FALSE(pool->PostWorkerTask(FROM_HERE, DoNothing()));
}

TEST(SequencedWorkerPoolTest, DelayedTaskIsNotEarlyAndShutdownDropsPendingOnes) {
  auto pool = MakeRefCounted<SequencedWorkerPool>(1, "Pool");
  WaitableEvent ran;
  const TimeTicks start = TimeTicks::Now();
  TimeTicks ran_at;
  auto runner = pool->GetSequencedTaskRunner(pool->GetSequenceToken());
  runner->PostDelayedTask(FROM_HERE, BindOnce(
                                         [](TimeTicks* at, WaitableEvent* ran) {
                                           *at = TimeTicks::Now();
                                           ran->Signal();
                                         },
                                         &ran_at, &ran),
                          TimeDelta::FromMilliseconds(40));
  bool late_ran = false;
  runner->PostDelayedTask(FROM_HERE, BindOnce([](bool* r) { *r = true; }, &late_ran),
                          TimeDelta::FromSeconds(30));
  ASSERT_TRUE(ran.TimedWait(kWait));
  EXPECT_GE(ran_at - start, TimeDelta::FromMilliseconds(40));
  pool->Shutdown();  // Must not wait 30 s for the second one.
  EXPECT_LT(TimeTicks::Now() - start, TimeDelta::FromSeconds(10));
  EXPECT_FALSE(late_ran);
  EXPECT_FALSE(runner->PostDelayedTask(FROM_HERE, DoNothing(), TimeDelta::FromMilliseconds(1)));
}

}  // namespace
}  // namespace base
