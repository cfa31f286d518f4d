#include "base/bind.h"

#include <memory>
#include <string>

#include "base/callback.h"
#include "base/memory/ref_counted.h"
#include "base/memory/weak_ptr.h"
#include "gtest/gtest.h"

namespace base {
namespace {

class Counter {
 public:
  void Add(int n) { total_ += n; }
  int total() const { return total_; }
  WeakPtr<Counter> GetWeakPtr() { return weak_factory_.GetWeakPtr(); }
  void Invalidate() { weak_factory_.InvalidateWeakPtrs(); }

 private:
  int total_ = 0;
  WeakPtrFactory<Counter> weak_factory_{this};
};

class Shared : public RefCountedThreadSafe<Shared> {
 public:
  explicit Shared(bool* deleted) : deleted_(deleted) {}
  void Touch() { ++touched; }
  int touched = 0;

 private:
  friend class RefCountedThreadSafe<Shared>;
  ~Shared() { *deleted_ = true; }
  bool* deleted_;
};

struct DeleteFlag {
  explicit DeleteFlag(bool* deleted) : deleted(deleted) {}
  ~DeleteFlag() { *deleted = true; }
  bool* deleted;
};

TEST(BindTest, OnceMovesBoundArgumentIntoTheCall) {
  auto take = [](std::unique_ptr<int> value, int extra) { return *value + extra; };
  OnceCallback<int(int)> cb = BindOnce(take, std::make_unique<int>(40));
  EXPECT_EQ(42, std::move(cb).Run(2));
  EXPECT_TRUE(cb.is_null());
}

TEST(BindTest, RepeatingKeepsBoundArgumentsForEveryRun) {
  auto append = [](const std::string& bound, const std::string& arg) { return bound + arg; };
  RepeatingCallback<std::string(const std::string&)> cb = BindRepeating(append, std::string("a"));
  EXPECT_EQ("ab", cb.Run("b"));
  // A by-reference parameter must not have let the first run steal the value.
  EXPECT_EQ("ac", cb.Run("c"));
  RepeatingCallback<std::string(const std::string&)> copy = cb;
  EXPECT_EQ("ad", copy.Run("d"));
  EXPECT_EQ(cb, copy);
}

TEST(BindTest, MoveOnlyRunArgumentsArePassedThrough) {
  OnceCallback<int(std::unique_ptr<int>)> cb =
      BindOnce([](std::unique_ptr<int> value) { return *value; });
  EXPECT_EQ(7, std::move(cb).Run(std::make_unique<int>(7)));
}

TEST(BindTest, WeakReceiverSkipsTheCallOnceInvalidated) {
  Counter counter;
  RepeatingCallback<void(int)> cb = BindRepeating(&Counter::Add, counter.GetWeakPtr());
  cb.Run(3);
  EXPECT_EQ(3, counter.total());
  EXPECT_FALSE(cb.IsCancelled());
  counter.Invalidate();
  EXPECT_TRUE(cb.IsCancelled());
  cb.Run(5);
  EXPECT_EQ(3, counter.total());
}

TEST(BindTest, WeakReceiverOfDestroyedObject) {
  OnceClosure cb;
  {
    auto counter = std::make_unique<Counter>();
    cb = BindOnce(&Counter::Add, counter->GetWeakPtr(), 1);
  }
  EXPECT_TRUE(cb.IsCancelled());
  std::move(cb).Run();  // Must not touch freed memory.
}

TEST(BindTest, RawReceiverOfRefCountedClassIsKeptAlive) {
  bool deleted = false;
  OnceClosure cb;
  {
    scoped_refptr<Shared> shared = MakeRefCounted<Shared>(&deleted);
    cb = BindOnce(&Shared::Touch, shared.get());
  }
  EXPECT_FALSE(deleted);
  std::move(cb).Run();
  EXPECT_TRUE(deleted);
}

TEST(BindTest, UnretainedDoesNotKeepAlive) {
  bool deleted = false;
  Shared* raw = nullptr;
  {
    scoped_refptr<Shared> shared = MakeRefCounted<Shared>(&deleted);
    raw = shared.get();
    OnceClosure cb = BindOnce(&Shared::Touch, Unretained(raw));
    std::move(cb).Run();
    EXPECT_EQ(1, raw->touched);
  }
  EXPECT_TRUE(deleted);
}

TEST(BindTest, OwnedObjectDiesWithTheCallbackEvenIfNeverRun) {
  bool deleted = false;
  {
    OnceClosure cb = BindOnce([](DeleteFlag*) {}, Owned(new DeleteFlag(&deleted)));
    EXPECT_FALSE(deleted);
  }
  EXPECT_TRUE(deleted);
}

TEST(BindTest, RepeatingCallbackMayResetItselfWhileRunning) {
  RepeatingClosure cb;
  int runs = 0;
  cb = BindRepeating(
      [](RepeatingClosure* self, int* runs, const std::unique_ptr<int>& guard) {
        self->Reset();  // Destroys the bound state's last outside reference.
        *runs += *guard;
      },
      &cb, &runs, std::make_unique<int>(1));
  cb.Run();
  EXPECT_EQ(1, runs);
  EXPECT_TRUE(cb.is_null());
}

TEST(BindTest, RepeatingConvertsToOnceAndCallbacksBindIntoCallbacks) {
  int sum = 0;
  RepeatingCallback<void(int, int)> add =
      BindRepeating([](int* sum, int a, int b) { *sum += a * 10 + b; }, &sum);
  OnceCallback<void(int)> bound = BindOnce(add, 4);
  std::move(bound).Run(2);
  OnceClosure once = BindRepeating(add, 1, 1);
  std::move(once).Run();
  EXPECT_EQ(53, sum);
}

TEST(BindTest, DoNothingConvertsToAnyVoidCallback) {
  OnceCallback<void(int, const std::string&)> a = DoNothing();
  RepeatingClosure b = DoNothing();
  std::move(a).Run(1, "x");
  b.Run();
  b.Run();
}

TEST(WeakPtrTest, FactoryHandsOutValidPointersAgainAfterInvalidation) {
  Counter counter;
  WeakPtr<Counter> first = counter.GetWeakPtr();
  counter.Invalidate();
  WeakPtr<Counter> second = counter.GetWeakPtr();
  EXPECT_FALSE(first);
  EXPECT_EQ(&counter, second.get());
}

}  // namespace
}  // namespace base
