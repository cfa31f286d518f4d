#include "base/observer_list.h"

#include <functional>
#include <memory>
#include <vector>

#include "gtest/gtest.h"

namespace base {
namespace {

class Observer {
 public:
  virtual ~Observer() = default;
  virtual void Notify() = 0;
};

class Recorder : public Observer {
 public:
  explicit Recorder(std::vector<int>* log, int id) : log_(log), id_(id) {}
  void Notify() override {
    log_->push_back(id_);
    if (action)
      action();
  }
  std::function<void()> action;

 private:
  std::vector<int>* log_;
  int id_;
};

TEST(ObserverListTest, RemovalDuringIterationSkipsTheRemovedObserver) {
  std::vector<int> log;
  ObserverList<Observer> list;
  Recorder a(&log, 1), b(&log, 2), c(&log, 3);
  list.AddObserver(&a);
  list.AddObserver(&b);
  list.AddObserver(&c);
  a.action = [&] { list.RemoveObserver(&b); };
  for (Observer& o : list)
    o.Notify();
  EXPECT_EQ((std::vector<int>{1, 3}), log);
  EXPECT_FALSE(list.HasObserver(&b));
}

TEST(ObserverListTest, ObserversAddedDuringIterationAreNotifiedToo) {
  std::vector<int> log;
  ObserverList<Observer> list;
  Recorder a(&log, 1), b(&log, 2);
  list.AddObserver(&a);
  a.action = [&] { list.AddObserver(&b); };
  for (Observer& o : list)
    o.Notify();
  EXPECT_EQ((std::vector<int>{1, 2}), log);
}

TEST(ObserverListTest, SelfRemovalAndDuplicates) {
  std::vector<int> log;
  ObserverList<Observer> list;
  Recorder a(&log, 1), b(&log, 2);
  list.AddObserver(&a);
  list.AddObserver(&a);  // Ignored.
  list.AddObserver(&b);
  a.action = [&] { list.RemoveObserver(&a); };
  for (Observer& o : list)
    o.Notify();
  for (Observer& o : list)
    o.Notify();
  EXPECT_EQ((std::vector<int>{1, 2, 2}), log);
}

TEST(ObserverListTest, ClearDuringIterationStopsIt) {
  std::vector<int> log;
  ObserverList<Observer> list;
  Recorder a(&log, 1), b(&log, 2);
  list.AddObserver(&a);
  list.AddObserver(&b);
  a.action = [&] { list.Clear(); };
  for (Observer& o : list)
    o.Notify();
  EXPECT_EQ((std::vector<int>{1}), log);
  EXPECT_FALSE(list.might_have_observers());
}

TEST(ObserverListTest, ListDestroyedByAnObserverEndsIterationSafely) {
  std::vector<int> log;
  auto list = std::make_unique<ObserverList<Observer>>();
  Recorder a(&log, 1), b(&log, 2);
  list->AddObserver(&a);
  list->AddObserver(&b);
  a.action = [&] { list.reset(); };
  for (Observer& o : *list)
    o.Notify();
  EXPECT_EQ((std::vector<int>{1}), log);
}

}  // namespace
}  // namespace base
