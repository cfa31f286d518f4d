#ifndef BASE_BIND_INTERNAL_H_
#define BASE_BIND_INTERNAL_H_

#include <cstddef>
#include <memory>
#include <tuple>
#include <type_traits>
#include <utility>

#include "base/callback.h"
#include "base/memory/ref_counted.h"
#include "base/memory/weak_ptr.h"

namespace base {
namespace internal {

template <typename T>
class UnretainedWrapper {
 public:
  explicit UnretainedWrapper(T* ptr) : ptr_(ptr) {}
  T* get() const { return ptr_; }

 private:
  T* ptr_;
};

template <typename T>
class OwnedWrapper {
 public:
  explicit OwnedWrapper(std::unique_ptr<T> ptr) : ptr_(std::move(ptr)) {}
  T* get() const { return ptr_.get(); }

 private:
  std::unique_ptr<T> ptr_;
};

template <typename T>
class RetainedRefWrapper {
 public:
  explicit RetainedRefWrapper(scoped_refptr<T> ptr) : ptr_(std::move(ptr)) {}
  T* get() const { return ptr_.get(); }

 private:
  scoped_refptr<T> ptr_;
};

// Turns a stored bound argument into what the functor receives.
template <typename T>
struct Unwrapper {
  template <typename U>
  static U&& Unwrap(U&& value) {
    return std::forward<U>(value);
  }
};
template <typename T>
struct Unwrapper<UnretainedWrapper<T>> {
  static T* Unwrap(const UnretainedWrapper<T>& w) { return w.get(); }
};
template <typename T>
struct Unwrapper<OwnedWrapper<T>> {
  static T* Unwrap(const OwnedWrapper<T>& w) { return w.get(); }
};
template <typename T>
struct Unwrapper<RetainedRefWrapper<T>> {
  static T* Unwrap(const RetainedRefWrapper<T>& w) { return w.get(); }
};

template <typename T>
decltype(auto) Unwrap(T&& value) {
  return Unwrapper<std::decay_t<T>>::Unwrap(std::forward<T>(value));
}

// The signature a functor is called with; methods take their receiver first.
template <typename F, typename = void>
struct FunctorTraits;

template <typename R, typename... A>
struct FunctorTraits<R (*)(A...)> {
  using RunType = R(A...);
  static constexpr bool kIsMethod = false;
};
template <typename R, typename... A>
struct FunctorTraits<R (*)(A...) noexcept> : FunctorTraits<R (*)(A...)> {};

template <typename R, typename C, typename... A>
struct FunctorTraits<R (C::*)(A...)> {
  using RunType = R(C*, A...);
  static constexpr bool kIsMethod = true;
};
template <typename R, typename C, typename... A>
struct FunctorTraits<R (C::*)(A...) const> {
  using RunType = R(const C*, A...);
  static constexpr bool kIsMethod = true;
};
template <typename R, typename C, typename... A>
struct FunctorTraits<R (C::*)(A...) noexcept> : FunctorTraits<R (C::*)(A...)> {};
template <typename R, typename C, typename... A>
struct FunctorTraits<R (C::*)(A...) const noexcept> : FunctorTraits<R (C::*)(A...) const> {};

template <typename R, typename... A>
struct FunctorTraits<OnceCallback<R(A...)>> {
  using RunType = R(A...);
  static constexpr bool kIsMethod = false;
};
template <typename R, typename... A>
struct FunctorTraits<RepeatingCallback<R(A...)>> {
  using RunType = R(A...);
  static constexpr bool kIsMethod = false;
};

template <typename M>
struct CallOperatorSignature;
template <typename R, typename C, typename... A>
struct CallOperatorSignature<R (C::*)(A...)> {
  using type = R(A...);
};
template <typename R, typename C, typename... A>
struct CallOperatorSignature<R (C::*)(A...) const> {
  using type = R(A...);
};
template <typename R, typename C, typename... A>
struct CallOperatorSignature<R (C::*)(A...) noexcept> {
  using type = R(A...);
};
template <typename R, typename C, typename... A>
struct CallOperatorSignature<R (C::*)(A...) const noexcept> {
  using type = R(A...);
};

// Lambdas and other classes with one, non-template operator().
template <typename F>
struct FunctorTraits<F, std::void_t<decltype(&F::operator())>> {
  using RunType = typename CallOperatorSignature<decltype(&F::operator())>::type;
  static constexpr bool kIsMethod = false;
};

// R(A...) without its first N parameters.
template <size_t N, typename Sig>
struct DropLeadingParams;
template <size_t N, typename R, typename... P>
struct DropLeadingParams<N, R(P...)> {
  static_assert(N <= sizeof...(P), "too many bound arguments");
  template <size_t... I>
  static auto Make(std::index_sequence<I...>)
      -> R (*)(std::tuple_element_t<N + I, std::tuple<P...>>...);
  using type = std::remove_pointer_t<decltype(Make(std::make_index_sequence<sizeof...(P) - N>()))>;
};

template <typename T>
struct IsRefCountedType {
  template <typename U>
  static auto Test(U* u) -> decltype(u->AddRef(), u->Release(), std::true_type());
  static std::false_type Test(...);
  static constexpr bool value = decltype(Test(static_cast<T*>(nullptr)))::value;
};

// A raw receiver of a ref-counted class is kept alive by the callback.
template <typename T>
struct ReceiverStorage {
  using type = T;
};
template <typename T>
struct ReceiverStorage<T*> {
  using type = std::conditional_t<IsRefCountedType<T>::value, scoped_refptr<T>, T*>;
};

template <bool kIsMethod, typename... Args>
struct BoundStorage {
  using type = std::tuple<std::decay_t<Args>...>;
};
template <typename First, typename... Rest>
struct BoundStorage<true, First, Rest...> {
  using type = std::tuple<typename ReceiverStorage<std::decay_t<First>>::type, std::decay_t<Rest>...>;
};

template <typename T>
struct IsWeakPtr : std::false_type {};
template <typename T>
struct IsWeakPtr<WeakPtr<T>> : std::true_type {};

template <typename T>
struct IsOnceCallback : std::false_type {};
template <typename S>
struct IsOnceCallback<OnceCallback<S>> : std::true_type {};
template <typename T>
struct IsRepeatingCallback : std::false_type {};
template <typename S>
struct IsRepeatingCallback<RepeatingCallback<S>> : std::true_type {};

template <typename T>
T* GetReceiverPointer(T* p) {
  return p;
}
template <typename T>
T* GetReceiverPointer(const scoped_refptr<T>& p) {
  return p.get();
}
template <typename T>
T* GetReceiverPointer(const WeakPtr<T>& p) {
  return p.get();
}

template <typename M, typename Receiver, typename... A>
decltype(auto) InvokeMethod(M method, Receiver&& receiver, A&&... args) {
  return (GetReceiverPointer(receiver)->*method)(std::forward<A>(args)...);
}

template <typename F, typename... A>
decltype(auto) InvokeFunctor(F&& f, A&&... args) {
  using D = std::decay_t<F>;
  if constexpr (IsOnceCallback<D>::value)
    return std::move(f).Run(std::forward<A>(args)...);
  else if constexpr (IsRepeatingCallback<D>::value)
    return f.Run(std::forward<A>(args)...);
  else if constexpr (std::is_member_function_pointer_v<D>)
    return InvokeMethod(f, std::forward<A>(args)...);
  else
    return f(std::forward<A>(args)...);
}

template <bool kIsOnce, bool kIsMethod, typename Functor, typename UnboundRunType, typename BoundTuple>
class BindState;

template <bool kIsOnce, bool kIsMethod, typename Functor, typename R, typename... Unbound,
          typename BoundTuple>
class BindState<kIsOnce, kIsMethod, Functor, R(Unbound...), BoundTuple> final
    : public BindStateBase<R, Unbound...> {
 public:
  template <typename F, typename... B>
  explicit BindState(F&& functor, B&&... bound)
      : functor_(std::forward<F>(functor)), bound_(std::forward<B>(bound)...) {}

  R Run(PassingType<Unbound>... args) override {
    return RunImpl(std::make_index_sequence<std::tuple_size_v<BoundTuple>>(),
                   std::forward<Unbound>(args)...);
  }

  bool IsCancelled() const override {
    if constexpr (kIsWeakCall)
      return !std::get<0>(bound_);
    else
      return false;
  }

 private:
  static constexpr bool kIsWeakCall = [] {
    if constexpr (kIsMethod && std::tuple_size_v<BoundTuple> > 0)
      return IsWeakPtr<std::tuple_element_t<0, BoundTuple>>::value;
    else
      return false;
  }();
  static_assert(!kIsWeakCall || std::is_void_v<R>,
                "a method bound to a WeakPtr may be skipped, so it must return void");

  template <size_t... I>
  R RunImpl(std::index_sequence<I...>, PassingType<Unbound>... args) {
    if constexpr (kIsWeakCall) {
      if (!std::get<0>(bound_))
        return;
    }
    if constexpr (kIsOnce) {
      return InvokeFunctor(std::move(functor_), Unwrap(std::move(std::get<I>(bound_)))...,
                           std::forward<Unbound>(args)...);
    } else {
      static_assert(!IsOnceCallback<Functor>::value, "a OnceCallback cannot run repeatedly");
      return InvokeFunctor(functor_, Unwrap(std::get<I>(bound_))..., std::forward<Unbound>(args)...);
    }
  }

  Functor functor_;
  BoundTuple bound_;
};

template <bool kIsOnce, typename Functor, typename... Args>
auto MakeBindState(Functor&& functor, Args&&... args) {
  using F = std::decay_t<Functor>;
  using Traits = FunctorTraits<F>;
  using Unbound = typename DropLeadingParams<sizeof...(Args), typename Traits::RunType>::type;
  using Bound = typename BoundStorage<Traits::kIsMethod, Args...>::type;
  using State = BindState<kIsOnce, Traits::kIsMethod, F, Unbound, Bound>;
  return std::make_unique<State>(std::forward<Functor>(functor), std::forward<Args>(args)...);
}

template <typename Functor, typename... Args>
using BoundRunType = typename DropLeadingParams<
    sizeof...(Args), typename FunctorTraits<std::decay_t<Functor>>::RunType>::type;

}  // namespace internal
}  // namespace base

#endif  // BASE_BIND_INTERNAL_H_
