#include "base/win/object_watcher.h"

#include <windows.h>

#include <functional>
#include <memory>

#include "base/bind.h"
#include "base/message_loop/message_loop.h"
#include "base/run_loop.h"
#include "base/synchronization/waitable_event.h"
#include "base/threading/platform_thread.h"
#include "base/threading/thread.h"
#include "gtest/gtest.h"

namespace base {
namespace win {
namespace {

class RecordingDelegate : public ObjectWatcher::Delegate {
 public:
  void OnObjectSignaled(HANDLE object) override {
    ++calls;
    last_object = object;
    thread_id = GetCurrentThreadId();
    if (on_signal)
      on_signal();
  }
  int calls = 0;
  HANDLE last_object = nullptr;
  DWORD thread_id = 0;
  std::function<void()> on_signal;
};

class ObjectWatcherTypeTest : public testing::TestWithParam<MessageLoop::Type> {};

INSTANTIATE_TEST_SUITE_P(AllTypes, ObjectWatcherTypeTest,
                         testing::Values(MessageLoop::TYPE_DEFAULT, MessageLoop::TYPE_UI,
                                         MessageLoop::TYPE_IO));

TEST_P(ObjectWatcherTypeTest, OnceFiresOnTheStartingThread) {
  MessageLoop loop(GetParam());
  WaitableEvent event;
  ObjectWatcher watcher;
  RecordingDelegate delegate;
  RunLoop run_loop;
  delegate.on_signal = [quit = run_loop.QuitClosure()] { quit.Run(); };
  ASSERT_TRUE(watcher.StartWatchingOnce(event.handle(), &delegate));
  EXPECT_TRUE(watcher.IsWatching());
  EXPECT_FALSE(watcher.StartWatchingOnce(event.handle(), &delegate));
  Thread signaler("signaler");
  ASSERT_TRUE(signaler.Start());
  signaler.task_runner()->PostTask(FROM_HERE, BindOnce(&WaitableEvent::Signal, Unretained(&event)));
  run_loop.Run();
  EXPECT_EQ(1, delegate.calls);
  EXPECT_EQ(event.handle(), delegate.last_object);
  EXPECT_EQ(GetCurrentThreadId(), delegate.thread_id);
  EXPECT_FALSE(watcher.IsWatching());
  // A manual-reset event stays signaled: a once-watch must not fire again.
  RunLoop().RunUntilIdle();
  PlatformThread::Sleep(TimeDelta::FromMilliseconds(30));
  RunLoop().RunUntilIdle();
  EXPECT_EQ(1, delegate.calls);
}

TEST(ObjectWatcherTest, StopCancelsASignalAlreadyOnItsWay) {
  MessageLoop loop;
  WaitableEvent event;
  ObjectWatcher watcher;
  RecordingDelegate delegate;
  ASSERT_TRUE(watcher.StartWatchingOnce(event.handle(), &delegate));
  event.Signal();
  // Let the wait thread post the notification, then stop before it runs.
  PlatformThread::Sleep(TimeDelta::FromMilliseconds(50));
  EXPECT_TRUE(watcher.StopWatching());
  EXPECT_FALSE(watcher.StopWatching());
  RunLoop().RunUntilIdle();
  EXPECT_EQ(0, delegate.calls);
}

TEST(ObjectWatcherTest, MultipleTimesWithAnAutoResetEvent) {
  MessageLoop loop;
  WaitableEvent event(WaitableEvent::ResetPolicy::AUTOMATIC,
                      WaitableEvent::InitialState::NOT_SIGNALED);
  ObjectWatcher watcher;
  RecordingDelegate delegate;
  RunLoop run_loop;
  delegate.on_signal = [&] {
    if (delegate.calls == 1)
      event.Signal();  // Re-armed: the next signal is seen too.
    else
      run_loop.Quit();
  };
  ASSERT_TRUE(watcher.StartWatchingMultipleTimes(event.handle(), &delegate));
  event.Signal();
  run_loop.Run();
  EXPECT_EQ(2, delegate.calls);
  EXPECT_TRUE(watcher.IsWatching());
}

TEST(ObjectWatcherTest, DelegateMayDeleteTheWatcher) {
  MessageLoop loop;
  WaitableEvent event(WaitableEvent::ResetPolicy::MANUAL, WaitableEvent::InitialState::SIGNALED);
  auto watcher = std::make_unique<ObjectWatcher>();
  RecordingDelegate delegate;
  RunLoop run_loop;
  delegate.on_signal = [&] {
    watcher.reset();
    run_loop.Quit();
  };
  ASSERT_TRUE(watcher->StartWatchingMultipleTimes(event.handle(), &delegate));
  run_loop.Run();
  RunLoop().RunUntilIdle();  // Further signals were cancelled with the watcher.
  EXPECT_EQ(1, delegate.calls);
}

TEST(ObjectWatcherTest, RefusesWithoutALoopOrAHandle) {
  ObjectWatcher watcher;
  RecordingDelegate delegate;
  WaitableEvent event;
  EXPECT_FALSE(watcher.StartWatchingOnce(event.handle(), &delegate));
  MessageLoop loop;
  EXPECT_FALSE(watcher.StartWatchingOnce(nullptr, &delegate));
  EXPECT_FALSE(watcher.StartWatchingOnce(INVALID_HANDLE_VALUE, &delegate));
  EXPECT_FALSE(watcher.IsWatching());
}

TEST(ObjectWatcherTest, WatchStartedOnAWorkerThreadFiresThere) {
  Thread worker("watcher thread");
  ASSERT_TRUE(worker.Start());
  WaitableEvent event;
  WaitableEvent done;
  RecordingDelegate delegate;
  delegate.on_signal = [&] { done.Signal(); };
  ObjectWatcher* watcher = nullptr;
  worker.task_runner()->PostTask(FROM_HERE, BindOnce(
                                                [](ObjectWatcher** w, HANDLE h, RecordingDelegate* d) {
                                                  *w = new ObjectWatcher;
                                                  EXPECT_TRUE((*w)->StartWatchingOnce(h, d));
                                                },
                                                &watcher, event.handle(), &delegate));
  worker.task_runner()->PostTask(FROM_HERE, BindOnce(&WaitableEvent::Signal, Unretained(&event)));
  ASSERT_TRUE(done.TimedWait(TimeDelta::FromSeconds(10)));
  worker.task_runner()->PostTask(FROM_HERE, BindOnce([](ObjectWatcher* w) { delete w; }, watcher));
  worker.Stop();
  EXPECT_EQ(worker.thread_id(), delegate.thread_id);
}

}  // namespace
}  // namespace win
}  // namespace base
