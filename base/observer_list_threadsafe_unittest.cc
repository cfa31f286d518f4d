#include "base/observer_list_threadsafe.h"

#include <string>

#include "base/bind.h"
#include "base/message_loop/message_loop.h"
#include "base/run_loop.h"
#include "base/synchronization/waitable_event.h"
#include "base/threading/thread.h"
#include "gtest/gtest.h"

namespace base {
namespace {

class Listener {
 public:
  void OnValue(int value, const std::string& text) {
    total += value;
    last_text = text;
    thread_id = GetCurrentThreadId();
    ++calls;
  }
  int total = 0;
  int calls = 0;
  std::string last_text;
  DWORD thread_id = 0;
};

TEST(ObserverListThreadSafeTest, EachObserverIsCalledOnItsOwnThread) {
  MessageLoop loop;
  auto list = MakeRefCounted<ObserverListThreadSafe<Listener>>();
  Listener here, there;
  list->AddObserver(&here);
  Thread worker("worker");
  ASSERT_TRUE(worker.Start());
  WaitableEvent added;
  worker.task_runner()->PostTask(FROM_HERE, BindOnce(
                                                [](ObserverListThreadSafe<Listener>* list, Listener* l,
                                                   WaitableEvent* added) {
                                                  list->AddObserver(l);
                                                  added->Signal();
                                                },
                                                Unretained(list.get()), &there, &added));
  ASSERT_TRUE(added.TimedWait(TimeDelta::FromSeconds(10)));

  std::string text = "first";
  list->Notify(FROM_HERE, &Listener::OnValue, 5, text);
  text = "changed";  // The notification carries its own copy.
  EXPECT_EQ(0, here.calls);  // Asynchronous even on the same thread.
  RunLoop().RunUntilIdle();
  worker.Stop();
  EXPECT_EQ(5, here.total);
  EXPECT_EQ("first", here.last_text);
  EXPECT_EQ(GetCurrentThreadId(), here.thread_id);
  EXPECT_EQ(5, there.total);
  EXPECT_EQ(worker.thread_id(), there.thread_id);
}

TEST(ObserverListThreadSafeTest, ObserverRemovedBeforeDeliveryIsNotCalled) {
  MessageLoop loop;
  auto list = MakeRefCounted<ObserverListThreadSafe<Listener>>();
  Listener a, b;
  list->AddObserver(&a);
  list->AddObserver(&b);
  list->AddObserver(&b);  // Ignored.
  list->Notify(FROM_HERE, &Listener::OnValue, 1, std::string("x"));
  list->RemoveObserver(&a);
  RunLoop().RunUntilIdle();
  EXPECT_EQ(0, a.calls);
  EXPECT_EQ(1, b.calls);
}

TEST(ObserverListThreadSafeTest, NotifyFromAnotherThreadAfterTheListWasReleased) {
  MessageLoop loop;
  Listener a;
  {
    auto list = MakeRefCounted<ObserverListThreadSafe<Listener>>();
    list->AddObserver(&a);
    Thread worker("notifier");
    ASSERT_TRUE(worker.Start());
    worker.task_runner()->PostTask(
        FROM_HERE, BindOnce(
                       [](scoped_refptr<ObserverListThreadSafe<Listener>> list) {
                         list->Notify(FROM_HERE, &Listener::OnValue, 2, std::string("y"));
                       },
                       list));
    worker.Stop();
  }
  // The pending notification keeps the list alive.
  RunLoop().RunUntilIdle();
  EXPECT_EQ(2, a.total);
}

}  // namespace
}  // namespace base
