#ifndef BASE_CALLBACK_H_
#define BASE_CALLBACK_H_

#include <memory>
#include <utility>

#include "base/callback_forward.h"
#include "base/callback_internal.h"

namespace base {

// A move-only callable that runs at most once: std::move(cb).Run(args...).
// Running leaves the callback null. Running a null callback is a bug.
template <typename R, typename... Args>
class OnceCallback<R(Args...)> {
 public:
  using RunType = R(Args...);
  using State = internal::BindStateBase<R, Args...>;

  OnceCallback() = default;
  OnceCallback(std::nullptr_t) {}
  explicit OnceCallback(std::unique_ptr<State> state) : state_(std::move(state)) {}
  // A repeating callback can always stand in for a once callback.
  OnceCallback(RepeatingCallback<R(Args...)> other);

  OnceCallback(OnceCallback&&) noexcept = default;
  OnceCallback& operator=(OnceCallback&&) noexcept = default;
  OnceCallback(const OnceCallback&) = delete;
  OnceCallback& operator=(const OnceCallback&) = delete;

  bool is_null() const { return !state_; }
  explicit operator bool() const { return !!state_; }
  void Reset() { state_.reset(); }
  bool IsCancelled() const { return !state_ || state_->IsCancelled(); }

  R Run(Args... args) && {
    // The state dies after the run, even when the functor resets us.
    std::unique_ptr<State> state = std::move(state_);
    return state->Run(std::forward<Args>(args)...);
  }
  R Run(Args... args) const& = delete;

 private:
  std::unique_ptr<State> state_;
};

// A copyable callable that can run any number of times. Copies share state.
template <typename R, typename... Args>
class RepeatingCallback<R(Args...)> {
 public:
  using RunType = R(Args...);
  using State = internal::BindStateBase<R, Args...>;

  RepeatingCallback() = default;
  RepeatingCallback(std::nullptr_t) {}
  explicit RepeatingCallback(std::shared_ptr<State> state) : state_(std::move(state)) {}

  bool is_null() const { return !state_; }
  explicit operator bool() const { return !!state_; }
  void Reset() { state_.reset(); }
  bool IsCancelled() const { return !state_ || state_->IsCancelled(); }
  bool Equals(const RepeatingCallback& other) const { return state_ == other.state_; }
  bool operator==(const RepeatingCallback& other) const { return state_ == other.state_; }

  R Run(Args... args) const& {
    // Keeps the state alive even if the run resets or destroys this callback.
    std::shared_ptr<State> state = state_;
    return state->Run(std::forward<Args>(args)...);
  }
  R Run(Args... args) && {
    std::shared_ptr<State> state = std::move(state_);
    return state->Run(std::forward<Args>(args)...);
  }

 private:
  std::shared_ptr<State> state_;
};

namespace internal {

template <typename R, typename... Args>
class RepeatingAsOnceState : public BindStateBase<R, Args...> {
 public:
  explicit RepeatingAsOnceState(RepeatingCallback<R(Args...)> callback)
      : callback_(std::move(callback)) {}
  R Run(PassingType<Args>... args) override {
    return std::move(callback_).Run(std::forward<Args>(args)...);
  }
  bool IsCancelled() const override { return callback_.IsCancelled(); }

 private:
  RepeatingCallback<R(Args...)> callback_;
};

}  // namespace internal

template <typename R, typename... Args>
OnceCallback<R(Args...)>::OnceCallback(RepeatingCallback<R(Args...)> other) {
  if (other)
    state_ = std::make_unique<internal::RepeatingAsOnceState<R, Args...>>(std::move(other));
}

}  // namespace base

#endif  // BASE_CALLBACK_H_
