#ifndef BASE_LAZY_INSTANCE_H_
#define BASE_LAZY_INSTANCE_H_

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <new>

#include "base/at_exit.h"

// Constant-initialises a LazyInstance: static LazyInstance<T> x = LAZY_INSTANCE_INITIALIZER;
#define LAZY_INSTANCE_INITIALIZER \
  {}

namespace base {

namespace internal {

enum : uintptr_t { kLazyEmpty = 0, kLazyCreating = 1, kLazyCreated = 2 };

}  // namespace internal

// A T created on first use, thread-safely, in static storage. The default
// flavour is destroyed by the AtExitManager (and can then be created again);
// Leaky never is.
template <typename T, bool kLeaky = false>
class LazyInstance {
 public:
  using Leaky = LazyInstance<T, true>;
  using DestructorAtExit = LazyInstance<T, false>;

  constexpr LazyInstance() = default;
  LazyInstance(const LazyInstance&) = delete;
  LazyInstance& operator=(const LazyInstance&) = delete;

  T& Get() { return *Pointer(); }
  T* Pointer() {
    if (state_.load(std::memory_order_acquire) != internal::kLazyCreated)
      Create();
    return Instance();
  }
  bool IsCreated() const { return state_.load(std::memory_order_acquire) == internal::kLazyCreated; }

 private:
  T* Instance() { return std::launder(reinterpret_cast<T*>(storage_)); }

  void Create() {
    uintptr_t expected = internal::kLazyEmpty;
    if (state_.compare_exchange_strong(expected, internal::kLazyCreating,
                                       std::memory_order_acquire)) {
      new (storage_) T();
      state_.store(internal::kLazyCreated, std::memory_order_release);
      if constexpr (!kLeaky)
        AtExitManager::RegisterCallback(&LazyInstance::OnExit, this);
      return;
    }
    // Another thread is creating it.
    while (state_.load(std::memory_order_acquire) != internal::kLazyCreated)
      ::SwitchToThread();
  }

  static void OnExit(void* param) {
    auto* self = static_cast<LazyInstance*>(param);
    self->Instance()->~T();
    self->state_.store(internal::kLazyEmpty, std::memory_order_release);
  }

  std::atomic<uintptr_t> state_{internal::kLazyEmpty};
  alignas(T) unsigned char storage_[sizeof(T)] = {};
};

}  // namespace base

#endif  // BASE_LAZY_INSTANCE_H_
