#include "base/task_scheduler/task_scheduler.h"

#include <objbase.h>

#include <atomic>
#include <memory>
#include <vector>

#include "base/bind.h"
#include "base/message_loop/message_loop.h"
#include "base/run_loop.h"
#include "base/synchronization/lock.h"
#include "base/synchronization/waitable_event.h"
#include "base/task_scheduler/post_task.h"
#include "base/threading/sequenced_task_runner_handle.h"
#include "base/threading/platform_thread.h"
#include "base/threading/thread.h"
#include "base/threading/thread_task_runner_handle.h"
#include "gtest/gtest.h"

namespace base {
namespace {

const TimeDelta kWait = TimeDelta::FromSeconds(10);

struct DestroyFlag {
  explicit DestroyFlag(bool* flag) : flag(flag) {}
  ~DestroyFlag() { *flag = true; }
  bool* flag;
};

class TaskSchedulerTest : public testing::Test {
 protected:
  void SetUp() override {
    TaskScheduler::Create("test");
    const SchedulerWorkerPoolParams one(1, TimeDelta::FromSeconds(30));
    TaskScheduler::GetInstance()->Start({one, one, one, one});
  }
  void TearDown() override {
    if (TaskScheduler::GetInstance())
      TaskScheduler::GetInstance()->JoinForTesting();
    TaskScheduler::SetInstance(nullptr);
  }
};

TEST_F(TaskSchedulerTest, PostAfterShutdownIsDroppedAndDestroyed) {
  TaskScheduler::GetInstance()->Shutdown();
  bool destroyed = false;
  bool ran = false;
  EXPECT_FALSE(PostTaskWithTraits(
      FROM_HERE, TaskTraits(TaskShutdownBehavior::BLOCK_SHUTDOWN),
      BindOnce([](bool* ran, DestroyFlag*) { *ran = true; }, &ran, Owned(new DestroyFlag(&destroyed)))));
  EXPECT_TRUE(destroyed);
  auto runner = CreateSequencedTaskRunnerWithTraits(TaskTraits(MayBlock()));
  EXPECT_FALSE(runner->PostTask(FROM_HERE, DoNothing()));
  EXPECT_FALSE(PostDelayedTask(FROM_HERE, DoNothing(), TimeDelta::FromMilliseconds(5)));
  TaskScheduler::GetInstance()->FlushForTesting();
  EXPECT_FALSE(ran);
}

TEST_F(TaskSchedulerTest, ShutdownRunsBlockingTasksAndSkipsTheRest) {
  // One thread per pool: a gate holds the pool while the others queue.
  WaitableEvent gate_entered, gate;
  std::atomic<int> blocking_ran{0};
  std::atomic<int> skipped_ran{0};
  const TaskTraits fg;
  PostTaskWithTraits(FROM_HERE, fg, BindOnce(
                                        [](WaitableEvent* entered, WaitableEvent* gate) {
                                          entered->Signal();
                                          gate->Wait();
                                        },
                                        &gate_entered, &gate));
  ASSERT_TRUE(gate_entered.TimedWait(kWait));
  for (int i = 0; i < 3; ++i) {
    PostTaskWithTraits(FROM_HERE, TaskTraits(TaskShutdownBehavior::BLOCK_SHUTDOWN),
                       BindOnce([](std::atomic<int>* n) { ++*n; }, &blocking_ran));
    PostTaskWithTraits(FROM_HERE, TaskTraits(TaskShutdownBehavior::SKIP_ON_SHUTDOWN),
                       BindOnce([](std::atomic<int>* n) { ++*n; }, &skipped_ran));
    PostTaskWithTraits(FROM_HERE, TaskTraits(TaskShutdownBehavior::CONTINUE_ON_SHUTDOWN),
                       BindOnce([](std::atomic<int>* n) { ++*n; }, &skipped_ran));
  }
  // A delayed BLOCK_SHUTDOWN task must not hold shutdown for its delay.
  PostDelayedTaskWithTraits(FROM_HERE, TaskTraits(TaskShutdownBehavior::BLOCK_SHUTDOWN),
                            BindOnce([](std::atomic<int>* n) { ++*n; }, &skipped_ran),
                            TimeDelta::FromSeconds(30));
  Thread releaser("releaser");
  ASSERT_TRUE(releaser.Start());
  releaser.task_runner()->PostTask(FROM_HERE, BindOnce(
                                                  [](WaitableEvent* gate) {
                                                    Sleep(50);
                                                    gate->Signal();
                                                  },
                                                  &gate));
  const TimeTicks start = TimeTicks::Now();
  TaskScheduler::GetInstance()->Shutdown();
  EXPECT_EQ(3, blocking_ran.load());
  EXPECT_LT(TimeTicks::Now() - start, TimeDelta::FromSeconds(10));
  TaskScheduler::GetInstance()->FlushForTesting();
  EXPECT_EQ(0, skipped_ran.load());
}

// A running task that does not end (a check stuck on a dead drive) holds a
// plain shutdown for ever; a bounded one gives up on it, refuses later
// posts all the same, and the task may still end by itself.
TEST_F(TaskSchedulerTest, BoundedShutdownLeavesAStuckTaskBehind) {
  WaitableEvent entered, release, left;
  PostTaskWithTraits(FROM_HERE, TaskTraits(MayBlock()),
                     BindOnce(
                         [](WaitableEvent* entered, WaitableEvent* release, WaitableEvent* left) {
                           entered->Signal();
                           release->Wait();
                           left->Signal();
                         },
                         &entered, &release, &left));
  ASSERT_TRUE(entered.TimedWait(kWait));
  EXPECT_FALSE(TaskScheduler::GetInstance()->ShutdownWithin(TimeDelta::FromMilliseconds(50)));
  EXPECT_FALSE(PostTaskWithTraits(FROM_HERE, TaskTraits(TaskShutdownBehavior::BLOCK_SHUTDOWN),
                                  DoNothing()));
  release.Signal();
  EXPECT_TRUE(left.TimedWait(kWait));
}

// With nothing running, the bounded shutdown is the plain one.
TEST_F(TaskSchedulerTest, BoundedShutdownRunsBlockingTasks) {
  WaitableEvent gate_entered, gate;
  std::atomic<int> blocking_ran{0};
  PostTaskWithTraits(FROM_HERE, TaskTraits(), BindOnce(
                                                  [](WaitableEvent* entered, WaitableEvent* gate) {
                                                    entered->Signal();
                                                    gate->Wait();
                                                  },
                                                  &gate_entered, &gate));
  ASSERT_TRUE(gate_entered.TimedWait(kWait));
  PostTaskWithTraits(FROM_HERE, TaskTraits(TaskShutdownBehavior::BLOCK_SHUTDOWN),
                     BindOnce([](std::atomic<int>* n) { ++*n; }, &blocking_ran));
  gate.Signal();
  EXPECT_TRUE(TaskScheduler::GetInstance()->ShutdownWithin(kWait));
  EXPECT_EQ(1, blocking_ran.load());
}

TEST_F(TaskSchedulerTest, ForegroundBlockingPoolIsSingleThreadedApartment) {
  HRESULT blocking_sta = E_FAIL, blocking_mta = E_FAIL, plain = E_FAIL;
  auto probe = [](HRESULT* sta, HRESULT* mta) {
    *sta = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (SUCCEEDED(*sta))
      CoUninitialize();
    if (mta) {
      *mta = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
      if (SUCCEEDED(*mta))
        CoUninitialize();
    }
  };
  PostTaskWithTraits(FROM_HERE, TaskTraits(MayBlock()), BindOnce(probe, &blocking_sta, &blocking_mta));
  PostTaskWithTraits(FROM_HERE, TaskTraits(), BindOnce(probe, &plain, nullptr));
  TaskScheduler::GetInstance()->FlushForTesting();
  EXPECT_EQ(S_FALSE, blocking_sta);                 // Already in an STA.
  EXPECT_EQ(RPC_E_CHANGED_MODE, blocking_mta);
  EXPECT_EQ(S_OK, plain);                           // No COM on that pool.
}

TEST_F(TaskSchedulerTest, SequencedRunnerKeepsOrderAndKnowsItsSequence) {
  auto runner = CreateSequencedTaskRunnerWithTraits(TaskTraits(TaskPriority::BACKGROUND));
  std::vector<int> order;
  std::atomic<int> in_sequence{0};
  for (int i = 0; i < 20; ++i) {
    runner->PostTask(FROM_HERE, BindOnce(
                                    [](std::vector<int>* order, int i, std::atomic<int>* ok,
                                       SequencedTaskRunner* runner) {
                                      order->push_back(i);
                                      if (runner->RunsTasksInCurrentSequence() &&
                                          SequencedTaskRunnerHandle::Get().get() == runner)
                                        ++*ok;
                                    },
                                    &order, i, &in_sequence, Unretained(runner.get())));
  }
  TaskScheduler::GetInstance()->FlushForTesting();
  ASSERT_EQ(20u, order.size());
  for (int i = 0; i < 20; ++i)
    EXPECT_EQ(i, order[i]);
  EXPECT_EQ(20, in_sequence.load());
  EXPECT_FALSE(runner->RunsTasksInCurrentSequence());
}

TEST_F(TaskSchedulerTest, HigherPriorityRunsFirstInABusyPool) {
  WaitableEvent entered, gate;
  PostTaskWithTraits(FROM_HERE, TaskTraits(TaskPriority::USER_VISIBLE),
                     BindOnce(
                         [](WaitableEvent* entered, WaitableEvent* gate) {
                           entered->Signal();
                           gate->Wait();
                         },
                         &entered, &gate));
  ASSERT_TRUE(entered.TimedWait(kWait));
  Lock lock;
  std::vector<int> order;
  auto record = [](Lock* lock, std::vector<int>* order, int v) {
    AutoLock hold(*lock);
    order->push_back(v);
  };
  PostTaskWithTraits(FROM_HERE, TaskTraits(TaskPriority::USER_VISIBLE), BindOnce(record, &lock, &order, 1));
  PostTaskWithTraits(FROM_HERE, TaskTraits(TaskPriority::USER_BLOCKING), BindOnce(record, &lock, &order, 2));
  gate.Signal();
  TaskScheduler::GetInstance()->FlushForTesting();
  EXPECT_EQ((std::vector<int>{2, 1}), order);
}

TEST_F(TaskSchedulerTest, SingleThreadRunnerStaysOnOneThreadWithAHandle) {
  auto runner = CreateSingleThreadTaskRunnerWithTraits(TaskTraits());
  Lock lock;
  std::vector<DWORD> threads;
  std::atomic<int> handle_ok{0};
  for (int i = 0; i < 5; ++i) {
    runner->PostTask(FROM_HERE, BindOnce(
                                    [](Lock* lock, std::vector<DWORD>* threads, std::atomic<int>* ok,
                                       SingleThreadTaskRunner* runner) {
                                      AutoLock hold(*lock);
                                      threads->push_back(GetCurrentThreadId());
                                      if (ThreadTaskRunnerHandle::Get().get() == runner &&
                                          runner->BelongsToCurrentThread())
                                        ++*ok;
                                    },
                                    &lock, &threads, &handle_ok, Unretained(runner.get())));
  }
  TaskScheduler::GetInstance()->FlushForTesting();
  ASSERT_EQ(5u, threads.size());
  for (DWORD id : threads)
    EXPECT_EQ(threads[0], id);
  EXPECT_EQ(5, handle_ok.load());
}

TEST_F(TaskSchedulerTest, ReplyComesBackToTheMessageLoopAndDelayIsHonoured) {
  MessageLoop loop;
  RunLoop run_loop;
  DWORD task_thread = 0, reply_thread = 0;
  const TimeTicks start = TimeTicks::Now();
  TimeTicks delayed_ran;
  PostDelayedTaskWithTraits(FROM_HERE, TaskTraits(),
                            BindOnce([](TimeTicks* t) { *t = TimeTicks::Now(); }, &delayed_ran),
                            TimeDelta::FromMilliseconds(40));
  PostTaskWithTraitsAndReply(
      FROM_HERE, TaskTraits(MayBlock()),
      BindOnce([](DWORD* id) { *id = GetCurrentThreadId(); }, &task_thread),
      BindOnce(
          [](DWORD* id, RunLoop* run_loop) {
            *id = GetCurrentThreadId();
            run_loop->Quit();
          },
          &reply_thread, &run_loop));
  run_loop.Run();
  EXPECT_NE(0u, task_thread);
  EXPECT_NE(GetCurrentThreadId(), task_thread);
  EXPECT_EQ(GetCurrentThreadId(), reply_thread);
  PlatformThread::Sleep(TimeDelta::FromMilliseconds(60));
  TaskScheduler::GetInstance()->FlushForTesting();
  ASSERT_FALSE(delayed_ran.is_null());
  EXPECT_GE(delayed_ran - start, TimeDelta::FromMilliseconds(40));
}

TEST(TaskSchedulerAbsentTest, PostingWithoutASchedulerIsSafe) {
  ASSERT_EQ(nullptr, TaskScheduler::GetInstance());
  bool destroyed = false;
  EXPECT_FALSE(PostTask(FROM_HERE, BindOnce([](DestroyFlag*) {}, Owned(new DestroyFlag(&destroyed)))));
  EXPECT_TRUE(destroyed);
  MessageLoop loop;
  EXPECT_FALSE(PostTaskWithTraitsAndReply(FROM_HERE, TaskTraits(), DoNothing(), DoNothing()));
  EXPECT_FALSE(CreateSequencedTaskRunnerWithTraits(TaskTraits())->PostTask(FROM_HERE, DoNothing()));
  EXPECT_FALSE(CreateCOMSTATaskRunnerWithTraits(TaskTraits())->PostTask(FROM_HERE, DoNothing()));
}

}  // namespace
}  // namespace base
