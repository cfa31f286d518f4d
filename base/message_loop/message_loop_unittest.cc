#include "base/message_loop/message_loop.h"

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "base/bind.h"
#include "base/memory/weak_ptr.h"
#include "base/run_loop.h"
#include "base/threading/thread.h"
#include "base/threading/thread_task_runner_handle.h"
#include "gtest/gtest.h"

namespace base {
namespace {

void Record(std::vector<std::string>* log, const char* what) {
  log->push_back(what);
}

class MessageLoopTypeTest : public testing::TestWithParam<MessageLoop::Type> {};

INSTANTIATE_TEST_SUITE_P(AllTypes, MessageLoopTypeTest,
                         testing::Values(MessageLoop::TYPE_DEFAULT, MessageLoop::TYPE_UI,
                                         MessageLoop::TYPE_IO));

// Notes the task and that it did not run before the earliest moment its
// due time can have.
void RecordNotBefore(std::vector<std::string>* log, const char* what, TimeTicks earliest_due) {
  EXPECT_GE(TimeTicks::Now(), earliest_due) << what << " ran early";
  log->push_back(what);
}

TEST_P(MessageLoopTypeTest, DelayedTasksRunByDueTimeThenPostingOrderAndNeverEarly) {
  MessageLoop loop(GetParam());
  auto runner = loop.task_runner();
  const TimeDelta kEarly = TimeDelta::FromMilliseconds(20);
  const TimeDelta kLate = TimeDelta::FromMilliseconds(80);
  // A busy machine may stall this thread between two posts long enough to
  // turn the due times around, or make the delayed tasks due before the
  // immediate ones ran; such a round says nothing about the order and is
  // repeated. Never-early is checked in every round.
  bool order_checked = false;
  for (int round = 0; round < 25 && !order_checked; ++round) {
    std::vector<std::string> log;
    RunLoop run_loop;
    TimeTicks latest_early_due;
    TimeTicks earliest_late_due;
    TimeTicks immediate_done;
    auto post = [&](const char* what, TimeDelta delay) {
      const TimeTicks earliest = TimeTicks::Now() + delay;
      runner->PostDelayedTask(FROM_HERE, BindOnce(&RecordNotBefore, &log, what, earliest), delay);
      return earliest;
    };
    earliest_late_due = post("late", kLate);
    post("early1", kEarly);
    post("early2", kEarly);
    latest_early_due = TimeTicks::Now() + kEarly;
    runner->PostTask(FROM_HERE, BindOnce(&Record, &log, "now1"));
    runner->PostTask(FROM_HERE, BindOnce(
                                    [](std::vector<std::string>* log, TimeTicks* done) {
                                      log->push_back("now2");
                                      *done = TimeTicks::Now();
                                    },
                                    &log, &immediate_done));
    // Due with "late" at the soonest, and posted after it.
    const TimeTicks earliest_quit = TimeTicks::Now() + kLate;
    runner->PostDelayedTask(FROM_HERE, BindOnce(
                                           [](RunLoop* run_loop, TimeTicks earliest) {
                                             EXPECT_GE(TimeTicks::Now(), earliest);
                                             run_loop->Quit();
                                           },
                                           &run_loop, earliest_quit),
                            kLate);
    run_loop.Run();
    if (latest_early_due >= earliest_late_due || immediate_done >= earliest_late_due - kLate + kEarly)
      continue;
    EXPECT_EQ((std::vector<std::string>{"now1", "now2", "early1", "early2", "late"}), log);
    order_checked = true;
  }
  EXPECT_TRUE(order_checked) << "the machine never let the tasks be posted in time";
}

TEST_P(MessageLoopTypeTest, NestedRunLoopRunsTasksOnlyWhenAllowed) {
  MessageLoop loop(GetParam());
  std::vector<std::string> log;
  auto runner = loop.task_runner();
  RunLoop outer;
  runner->PostTask(FROM_HERE, BindOnce(
                                  [](std::vector<std::string>* log, RunLoop* outer) {
                                    RunLoop nested(RunLoop::Type::kNestableTasksAllowed);
                                    auto r = ThreadTaskRunnerHandle::Get();
                                    r->PostTask(FROM_HERE, BindOnce(&Record, log, "in nested"));
                                    r->PostTask(FROM_HERE, nested.QuitClosure());
                                    r->PostTask(FROM_HERE, BindOnce(&Record, log, "after nested"));
                                    nested.Run();
                                    log->push_back("nested returned");
                                    outer->QuitWhenIdle();
                                  },
                                  &log, &outer));
  outer.Run();
  EXPECT_EQ((std::vector<std::string>{"in nested", "nested returned", "after nested"}), log);
}

TEST_P(MessageLoopTypeTest, QuitOfOuterWhileNestedRunsEndsOuterAfterNested) {
  MessageLoop loop(GetParam());
  std::vector<std::string> log;
  RunLoop outer;
  loop.task_runner()->PostTask(
      FROM_HERE, BindOnce(
                     [](std::vector<std::string>* log, RunLoop* outer) {
                       RunLoop nested(RunLoop::Type::kNestableTasksAllowed);
                       auto r = ThreadTaskRunnerHandle::Get();
                       r->PostTask(FROM_HERE, BindOnce(&RunLoop::Quit, Unretained(outer)));
                       r->PostTask(FROM_HERE, BindOnce(&Record, log, "nested still runs"));
                       r->PostTask(FROM_HERE, nested.QuitClosure());
                       nested.Run();
                       log->push_back("nested returned");
                       r->PostTask(FROM_HERE, BindOnce(&Record, log, "never"));
                     },
                     &log, &outer));
  outer.Run();
  EXPECT_EQ((std::vector<std::string>{"nested still runs", "nested returned"}), log);
}

TEST_P(MessageLoopTypeTest, NonNestableTaskWaitsForTheOuterRun) {
  MessageLoop loop(GetParam());
  std::vector<std::string> log;
  RunLoop outer;
  loop.task_runner()->PostTask(
      FROM_HERE, BindOnce(
                     [](std::vector<std::string>* log) {
                       RunLoop nested(RunLoop::Type::kNestableTasksAllowed);
                       auto r = ThreadTaskRunnerHandle::Get();
                       r->PostNonNestableTask(FROM_HERE, BindOnce(&Record, log, "non-nestable"));
                       r->PostTask(FROM_HERE, BindOnce(&Record, log, "nestable"));
                       r->PostTask(FROM_HERE, nested.QuitWhenIdleClosure());
                       nested.Run();
                       log->push_back("nested returned");
                     },
                     &log));
  outer.RunUntilIdle();
  EXPECT_EQ((std::vector<std::string>{"nestable", "nested returned", "non-nestable"}), log);
}

TEST_P(MessageLoopTypeTest, QuitClosureFromAnotherThread) {
  MessageLoop loop(GetParam());
  RunLoop run_loop;
  RepeatingClosure quit = run_loop.QuitClosure();
  std::thread other([quit] {
    Sleep(30);
    quit.Run();
  });
  run_loop.Run();  // Hangs (and the watchdog fails the test) if the quit is lost.
  other.join();
}

TEST_P(MessageLoopTypeTest, QuitBeforeRunAndQuitClosureAfterTheRunLoopDied) {
  MessageLoop loop(GetParam());
  RunLoop first;
  first.Quit();
  first.Run();  // Returns at once.
  RepeatingClosure stale;
  {
    RunLoop gone;
    stale = gone.QuitClosure();
  }
  stale.Run();  // Harmless.
  std::thread other([stale] { stale.Run(); });
  other.join();
  RunLoop().RunUntilIdle();  // Runs the posted no-op quit.
}

TEST_P(MessageLoopTypeTest, RunUntilIdleLeavesFutureDelayedTasks) {
  MessageLoop loop(GetParam());
  int ran = 0;
  loop.task_runner()->PostTask(FROM_HERE, BindOnce([](int* ran) { ++*ran; }, &ran));
  loop.task_runner()->PostDelayedTask(FROM_HERE, BindOnce([](int* ran) { *ran += 10; }, &ran),
                                      TimeDelta::FromSeconds(30));
  RunLoop().RunUntilIdle();
  EXPECT_EQ(1, ran);
  EXPECT_TRUE(loop.IsIdleForTesting());
}

class Target {
 public:
  explicit Target(int* hits) : hits_(hits) {}
  void Hit() { ++*hits_; }

  WeakPtrFactory<Target> weak_factory{this};

 private:
  int* const hits_;
};

TEST_P(MessageLoopTypeTest, TaskOfDeadWeakTargetIsDropped) {
  MessageLoop loop(GetParam());
  int hits = 0;
  auto target = std::make_unique<Target>(&hits);
  auto runner = loop.task_runner();
  RunLoop run_loop;
  Target* raw = target.get();
  runner->PostTask(FROM_HERE, BindOnce(&Target::Hit, target->weak_factory.GetWeakPtr()));
  runner->PostTask(FROM_HERE, BindOnce([](Target* t) { t->Hit(); }, raw));
  runner->PostTask(FROM_HERE, BindOnce(&Target::Hit, target->weak_factory.GetWeakPtr()));
  // Leaves a delayed and an immediate task of the target queued, then
  // destroys it. The quit shares the delayed task's delay and is posted
  // after it, so it comes after it whatever the machine's speed.
  runner->PostTask(FROM_HERE, BindOnce(
                                  [](std::unique_ptr<Target>* t, int* hits, RunLoop* run_loop) {
                                    EXPECT_EQ(3, *hits);
                                    auto r = ThreadTaskRunnerHandle::Get();
                                    const TimeDelta delay = TimeDelta::FromMilliseconds(10);
                                    r->PostDelayedTask(
                                        FROM_HERE,
                                        BindOnce(&Target::Hit, (*t)->weak_factory.GetWeakPtr()),
                                        delay);
                                    r->PostDelayedTask(FROM_HERE, run_loop->QuitClosure(), delay);
                                    t->reset();
                                  },
                                  &target, &hits, &run_loop));
  runner->PostTask(FROM_HERE, BindOnce(&Target::Hit, raw->weak_factory.GetWeakPtr()));
  run_loop.Run();  // Would use freed memory if a dropped task still ran.
  EXPECT_FALSE(target);
  EXPECT_EQ(3, hits);
}

int64_t ThreadCpuMilliseconds() {
  FILETIME creation, exit, kernel, user;
  GetThreadTimes(GetCurrentThread(), &creation, &exit, &kernel, &user);
  auto ms = [](const FILETIME& ft) {
    return ((static_cast<int64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime) / 10000;
  };
  return ms(kernel) + ms(user);
}

TEST_P(MessageLoopTypeTest, WaitingForADelayedTaskDoesNotSpin) {
  MessageLoop loop(GetParam());
  RunLoop run_loop;
  loop.task_runner()->PostDelayedTask(FROM_HERE, run_loop.QuitClosure(),
                                      TimeDelta::FromMilliseconds(400));
  const int64_t cpu_before = ThreadCpuMilliseconds();
  run_loop.Run();
  EXPECT_LT(ThreadCpuMilliseconds() - cpu_before, 150);
}

TEST(MessageLoopTest, PostingAfterTheLoopDiedFailsAndDestroysTheTask) {
  scoped_refptr<SingleThreadTaskRunner> runner;
  bool destroyed_unrun = false;
  struct Flag {
    explicit Flag(bool* f) : f(f) {}
    ~Flag() { *f = true; }
    bool* f;
  };
  {
    MessageLoop loop;
    runner = loop.task_runner();
    EXPECT_TRUE(runner->BelongsToCurrentThread());
    // Pending at destruction: destroyed without running.
    runner->PostTask(FROM_HERE, BindOnce([](Flag*) { ADD_FAILURE(); }, Owned(new Flag(&destroyed_unrun))));
  }
  EXPECT_TRUE(destroyed_unrun);
  bool destroyed = false;
  EXPECT_FALSE(runner->PostTask(FROM_HERE, BindOnce([](Flag*) {}, Owned(new Flag(&destroyed)))));
  EXPECT_TRUE(destroyed);
  EXPECT_FALSE(ThreadTaskRunnerHandle::IsSet());
  EXPECT_EQ(nullptr, MessageLoop::current());
}

TEST(MessageLoopTest, PostTaskAndReplyRunsReplyOnTheOriginThread) {
  MessageLoop loop;
  Thread worker("worker");
  ASSERT_TRUE(worker.Start());
  DWORD task_thread = 0;
  DWORD reply_thread = 0;
  RunLoop run_loop;
  worker.task_runner()->PostTaskAndReply(
      FROM_HERE, BindOnce([](DWORD* id) { *id = GetCurrentThreadId(); }, &task_thread),
      BindOnce(
          [](DWORD* id, RunLoop* run_loop) {
            *id = GetCurrentThreadId();
            run_loop->Quit();
          },
          &reply_thread, &run_loop));
  run_loop.Run();
  EXPECT_EQ(worker.thread_id(), task_thread);
  EXPECT_EQ(GetCurrentThreadId(), reply_thread);
}

TEST(MessageLoopTest, PostTaskAndReplyWithoutOriginLoopFails) {
  Thread worker("worker");
  ASSERT_TRUE(worker.Start());
  bool ran = false;
  EXPECT_FALSE(worker.task_runner()->PostTaskAndReply(
      FROM_HERE, BindOnce([](bool* ran) { *ran = true; }, &ran), DoNothing()));
  worker.Stop();
  EXPECT_FALSE(ran);
}

}  // namespace
}  // namespace base
