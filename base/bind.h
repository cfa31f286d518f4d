#ifndef BASE_BIND_H_
#define BASE_BIND_H_

#include <memory>
#include <utility>

#include "base/bind_internal.h"
#include "base/callback.h"

namespace base {

// Binds a function, method or lambda to leading arguments. For a method the
// first bound argument is the receiver: a raw pointer (kept alive when the
// class is ref-counted), Unretained(ptr), a scoped_refptr, or a WeakPtr (the
// call is skipped once the object is gone).
template <typename Functor, typename... Args>
OnceCallback<internal::BoundRunType<Functor, Args...>> BindOnce(Functor&& functor, Args&&... args) {
  return OnceCallback<internal::BoundRunType<Functor, Args...>>(internal::MakeBindState<true>(
      std::forward<Functor>(functor), std::forward<Args>(args)...));
}

template <typename Functor, typename... Args>
RepeatingCallback<internal::BoundRunType<Functor, Args...>> BindRepeating(Functor&& functor,
                                                                          Args&&... args) {
  using Callback = RepeatingCallback<internal::BoundRunType<Functor, Args...>>;
  return Callback(std::shared_ptr<typename Callback::State>(
      internal::MakeBindState<false>(std::forward<Functor>(functor), std::forward<Args>(args)...)));
}

// The callback does not keep the object alive; the caller guarantees it.
template <typename T>
internal::UnretainedWrapper<T> Unretained(T* ptr) {
  return internal::UnretainedWrapper<T>(ptr);
}

// The callback owns the object and deletes it when the callback goes away.
template <typename T>
internal::OwnedWrapper<T> Owned(T* ptr) {
  return internal::OwnedWrapper<T>(std::unique_ptr<T>(ptr));
}
template <typename T>
internal::OwnedWrapper<T> Owned(std::unique_ptr<T> ptr) {
  return internal::OwnedWrapper<T>(std::move(ptr));
}

// Keeps a ref-counted argument alive but passes it as a raw pointer.
template <typename T>
internal::RetainedRefWrapper<T> RetainedRef(scoped_refptr<T> ptr) {
  return internal::RetainedRefWrapper<T>(std::move(ptr));
}

namespace internal {
class DoNothingHelper {
 public:
  template <typename... Args>
  operator OnceCallback<void(Args...)>() const {
    return BindOnce([](Args...) {});
  }
  template <typename... Args>
  operator RepeatingCallback<void(Args...)>() const {
    return BindRepeating([](Args...) {});
  }
};
}  // namespace internal

// Converts to any callback returning void that ignores its arguments.
inline internal::DoNothingHelper DoNothing() {
  return internal::DoNothingHelper();
}

}  // namespace base

#endif  // BASE_BIND_H_
