#include "base/threading/thread.h"

#include <objbase.h>

#include <atomic>
#include <vector>

#include "base/bind.h"
#include "base/run_loop.h"
#include "base/synchronization/waitable_event.h"
#include "base/threading/thread_task_runner_handle.h"
#include "gtest/gtest.h"

namespace base {
namespace {

class ThreadTypeTest : public testing::TestWithParam<MessageLoop::Type> {};

INSTANTIATE_TEST_SUITE_P(AllTypes, ThreadTypeTest,
                         testing::Values(MessageLoop::TYPE_DEFAULT, MessageLoop::TYPE_UI,
                                         MessageLoop::TYPE_IO));

TEST_P(ThreadTypeTest, StopRunsWhatWasPostedIncludingFollowUps) {
  Thread thread("stopper");
  ASSERT_TRUE(thread.StartWithOptions(Thread::Options(GetParam())));
  EXPECT_TRUE(thread.IsRunning());
  std::vector<int> order;  // Only touched on the thread until Stop returns.
  auto runner = thread.task_runner();
  for (int i = 0; i < 50; ++i)
    runner->PostTask(FROM_HERE, BindOnce([](std::vector<int>* o, int i) { o->push_back(i); }, &order, i));
  runner->PostTask(FROM_HERE, BindOnce(
                                  [](std::vector<int>* o) {
                                    ThreadTaskRunnerHandle::Get()->PostTask(
                                        FROM_HERE, BindOnce([](std::vector<int>* o) { o->push_back(99); }, o));
                                  },
                                  &order));
  bool delayed_ran = false;
  runner->PostDelayedTask(FROM_HERE, BindOnce([](bool* r) { *r = true; }, &delayed_ran),
                          TimeDelta::FromSeconds(30));
  thread.Stop();
  ASSERT_EQ(51u, order.size());
  for (int i = 0; i < 50; ++i)
    EXPECT_EQ(i, order[i]);
  EXPECT_EQ(99, order[50]);
  EXPECT_FALSE(delayed_ran);  // Dropped, not waited for.
  EXPECT_FALSE(thread.IsRunning());
  EXPECT_FALSE(runner->PostTask(FROM_HERE, DoNothing()));
  EXPECT_FALSE(thread.task_runner()->PostTask(FROM_HERE, DoNothing()));
}

TEST(ThreadTest, StopWithoutStartAndTwiceIsHarmless) {
  Thread never("never");
  never.Stop();
  Thread thread("twice");
  ASSERT_TRUE(thread.Start());
  EXPECT_FALSE(thread.Start());
  thread.Stop();
  thread.Stop();
}

TEST(ThreadTest, TasksRunOnTheNamedThreadWithItsHandles) {
  Thread thread("named");
  Thread::Options options(MessageLoop::TYPE_UI);
  ASSERT_TRUE(thread.StartWithOptions(options));
  WaitableEvent done;
  DWORD ran_on = 0;
  bool handle_matches = false;
  MessageLoop::Type type = MessageLoop::TYPE_DEFAULT;
  auto runner = thread.task_runner();
  EXPECT_FALSE(runner->BelongsToCurrentThread());
  runner->PostTask(FROM_HERE, BindOnce(
                                  [](DWORD* id, bool* match, MessageLoop::Type* type,
                                     scoped_refptr<SingleThreadTaskRunner> runner, WaitableEvent* done) {
                                    *id = GetCurrentThreadId();
                                    *match = ThreadTaskRunnerHandle::Get() == runner &&
                                             runner->BelongsToCurrentThread();
                                    *type = MessageLoop::current()->type();
                                    done->Signal();
                                  },
                                  &ran_on, &handle_matches, &type, runner, &done));
  ASSERT_TRUE(done.TimedWait(TimeDelta::FromSeconds(10)));
  EXPECT_EQ(thread.thread_id(), ran_on);
  EXPECT_TRUE(handle_matches);
  EXPECT_EQ(MessageLoop::TYPE_UI, type);
}

TEST(ThreadTest, ComSingleThreadedOption) {
  Thread thread("com");
  Thread::Options options;
  options.com = Thread::ComInit::kSTA;
  ASSERT_TRUE(thread.StartWithOptions(options));
  HRESULT second_init = E_FAIL;
  thread.task_runner()->PostTask(FROM_HERE, BindOnce(
                                                [](HRESULT* hr) {
                                                  // S_FALSE: already initialised in this mode.
                                                  *hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
                                                  if (SUCCEEDED(*hr))
                                                    CoUninitialize();
                                                },
                                                &second_init));
  thread.Stop();
  EXPECT_EQ(S_FALSE, second_init);
}

}  // namespace
}  // namespace base
