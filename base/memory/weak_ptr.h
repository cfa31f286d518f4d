#ifndef BASE_MEMORY_WEAK_PTR_H_
#define BASE_MEMORY_WEAK_PTR_H_

#include <atomic>
#include <cstddef>
#include <memory>
#include <type_traits>
#include <utility>

namespace base {

namespace internal {

// Shared between a factory and the weak pointers it handed out. Invalidate on
// the sequence that owns the object; dereference on that same sequence.
class WeakReferenceFlag {
 public:
  bool IsValid() const { return valid_.load(std::memory_order_acquire); }
  void Invalidate() { valid_.store(false, std::memory_order_release); }

 private:
  std::atomic<bool> valid_{true};
};

}  // namespace internal

template <typename T>
class WeakPtrFactory;

// A pointer that becomes null once its factory invalidates it (normally when
// the object dies). Copy and pass it anywhere; use it only on the object's
// own sequence.
template <typename T>
class WeakPtr {
 public:
  WeakPtr() = default;
  WeakPtr(std::nullptr_t) {}
  template <typename U, typename = std::enable_if_t<std::is_convertible_v<U*, T*>>>
  WeakPtr(const WeakPtr<U>& other) : flag_(other.flag_), ptr_(other.ptr_) {}
  template <typename U, typename = std::enable_if_t<std::is_convertible_v<U*, T*>>>
  WeakPtr(WeakPtr<U>&& other) : flag_(std::move(other.flag_)), ptr_(other.ptr_) {}

  T* get() const { return flag_ && flag_->IsValid() ? ptr_ : nullptr; }
  T& operator*() const { return *get(); }
  T* operator->() const { return get(); }
  explicit operator bool() const { return get() != nullptr; }
  void reset() {
    flag_.reset();
    ptr_ = nullptr;
  }
  // False only when the pointer is certainly dead; safe from any thread.
  bool MaybeValid() const { return flag_ && flag_->IsValid(); }

 private:
  template <typename U>
  friend class WeakPtr;
  friend class WeakPtrFactory<T>;
  WeakPtr(std::shared_ptr<const internal::WeakReferenceFlag> flag, T* ptr)
      : flag_(std::move(flag)), ptr_(ptr) {}

  std::shared_ptr<const internal::WeakReferenceFlag> flag_;
  T* ptr_ = nullptr;
};

template <typename T>
bool operator==(const WeakPtr<T>& weak, std::nullptr_t) {
  return weak.get() == nullptr;
}

// Hands out weak pointers to one object. Make it the last member of the class
// so that it invalidates the pointers before the other members die.
template <typename T>
class WeakPtrFactory {
 public:
  explicit WeakPtrFactory(T* ptr) : ptr_(ptr) {}
  ~WeakPtrFactory() { InvalidateWeakPtrs(); }
  WeakPtrFactory(const WeakPtrFactory&) = delete;
  WeakPtrFactory& operator=(const WeakPtrFactory&) = delete;

  WeakPtr<T> GetWeakPtr() {
    if (!flag_)
      flag_ = std::make_shared<internal::WeakReferenceFlag>();
    return WeakPtr<T>(flag_, ptr_);
  }

  // Every pointer handed out so far becomes null; later ones are valid again.
  void InvalidateWeakPtrs() {
    if (flag_) {
      flag_->Invalidate();
      flag_.reset();
    }
  }

  bool HasWeakPtrs() const { return flag_ && flag_.use_count() > 1; }

 private:
  std::shared_ptr<internal::WeakReferenceFlag> flag_;
  T* ptr_;
};

}  // namespace base

#endif  // BASE_MEMORY_WEAK_PTR_H_
