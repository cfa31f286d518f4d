#include "base/lazy_instance.h"

#include <atomic>
#include <thread>
#include <vector>

#include "base/at_exit.h"
#include "base/bind.h"
#include "base/no_destructor.h"
#include "gtest/gtest.h"

namespace base {
namespace {

std::atomic<int> g_constructed{0};
std::atomic<int> g_destroyed{0};

struct Slow {
  Slow() {
    ++g_constructed;
    Sleep(20);  // Widens the window for a racing second creation.
  }
  ~Slow() { ++g_destroyed; }
  int value = 5;
};

LazyInstance<Slow> g_slow = LAZY_INSTANCE_INITIALIZER;
LazyInstance<Slow>::Leaky g_leaky = LAZY_INSTANCE_INITIALIZER;

TEST(LazyInstanceTest, ConcurrentFirstUseCreatesOnceAndExitDestroys) {
  ShadowingAtExitManager at_exit;
  g_constructed = 0;
  g_destroyed = 0;
  std::vector<std::thread> threads;
  std::atomic<int> sum{0};
  for (int i = 0; i < 4; ++i)
    threads.emplace_back([&] { sum += g_slow.Get().value; });
  for (auto& t : threads)
    t.join();
  EXPECT_EQ(1, g_constructed.load());
  EXPECT_EQ(20, sum.load());
  AtExitManager::ProcessCallbacksNow();
  EXPECT_EQ(1, g_destroyed.load());
  EXPECT_FALSE(g_slow.IsCreated());
  // Usable again after the exit processing, as tests with their own manager need.
  EXPECT_EQ(5, g_slow.Get().value);
  EXPECT_EQ(2, g_constructed.load());
}

TEST(LazyInstanceTest, LeakyIsNeverDestroyed) {
  g_destroyed = 0;
  {
    ShadowingAtExitManager at_exit;
    g_leaky.Get();
  }
  EXPECT_EQ(0, g_destroyed.load());
  EXPECT_TRUE(g_leaky.IsCreated());
}

TEST(AtExitManagerTest, RunsLastRegisteredFirstIncludingLateRegistrations) {
  std::vector<int> order;
  {
    ShadowingAtExitManager at_exit;
    AtExitManager::RegisterTask(BindOnce([](std::vector<int>* o) { o->push_back(1); }, &order));
    AtExitManager::RegisterTask(BindOnce(
        [](std::vector<int>* o) {
          o->push_back(2);
          AtExitManager::RegisterTask(BindOnce([](std::vector<int>* o) { o->push_back(3); }, o));
        },
        &order));
  }
  EXPECT_EQ((std::vector<int>{2, 1, 3}), order);
}

TEST(NoDestructorTest, KeepsValue) {
  static NoDestructor<std::vector<int>> values(3, 7);
  EXPECT_EQ(3u, values->size());
  EXPECT_EQ(7, (*values)[2]);
}

}  // namespace
}  // namespace base
