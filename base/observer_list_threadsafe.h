#ifndef BASE_OBSERVER_LIST_THREADSAFE_H_
#define BASE_OBSERVER_LIST_THREADSAFE_H_

#include <tuple>
#include <type_traits>
#include <unordered_map>
#include <utility>

#include "base/bind.h"
#include "base/callback.h"
#include "base/location.h"
#include "base/logging.h"
#include "base/memory/ref_counted.h"
#include "base/sequenced_task_runner.h"
#include "base/synchronization/lock.h"
#include "base/threading/sequenced_task_runner_handle.h"

namespace base {

// Observers on any sequence. Notify, from any thread, posts the call to each
// observer's own sequence (where it was added). An observer removed before
// its notification runs does not get it.
template <class ObserverType>
class ObserverListThreadSafe
    : public RefCountedThreadSafe<ObserverListThreadSafe<ObserverType>> {
 public:
  ObserverListThreadSafe() = default;
  ObserverListThreadSafe(const ObserverListThreadSafe&) = delete;
  ObserverListThreadSafe& operator=(const ObserverListThreadSafe&) = delete;

  // Must be called on a sequence with a task runner. Adding twice is ignored.
  void AddObserver(ObserverType* observer) {
    if (!SequencedTaskRunnerHandle::IsSet()) {
      LOG(ERROR) << "An observer can only be added on a sequence with a task runner";
      return;
    }
    AutoLock lock(lock_);
    observers_.emplace(observer, SequencedTaskRunnerHandle::Get());
  }

  // Any thread; after it returns, no new notification starts for |observer|
  // (one already running on its sequence may still be finishing).
  void RemoveObserver(ObserverType* observer) {
    AutoLock lock(lock_);
    observers_.erase(observer);
  }

  bool HasObservers() const {
    AutoLock lock(lock_);
    return !observers_.empty();
  }

  // Calls (observer->*method)(args...) on each observer's sequence, with
  // copies of the arguments.
  template <typename Method, typename... Args>
  void Notify(const Location& from_here, Method method, Args&&... args) {
    RepeatingCallback<void(ObserverType*)> call = BindRepeating(
        [method](const std::tuple<std::decay_t<Args>...>& stored, ObserverType* observer) {
          std::apply([&](const auto&... a) { (observer->*method)(a...); }, stored);
        },
        std::make_tuple(std::forward<Args>(args)...));
    AutoLock lock(lock_);
    for (const auto& entry : observers_) {
      entry.second->PostTask(
          from_here, BindOnce(&ObserverListThreadSafe::NotifyWrapper, this, entry.first, call));
    }
  }

 private:
  friend class RefCountedThreadSafe<ObserverListThreadSafe<ObserverType>>;
  ~ObserverListThreadSafe() = default;

  void NotifyWrapper(ObserverType* observer, const RepeatingCallback<void(ObserverType*)>& call) {
    {
      AutoLock lock(lock_);
      if (observers_.find(observer) == observers_.end())
        return;  // Removed meanwhile.
    }
    call.Run(observer);
  }

  mutable Lock lock_;
  std::unordered_map<ObserverType*, scoped_refptr<SequencedTaskRunner>> observers_;
};

}  // namespace base

#endif  // BASE_OBSERVER_LIST_THREADSAFE_H_
