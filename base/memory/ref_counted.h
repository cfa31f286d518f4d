#ifndef BASE_MEMORY_REF_COUNTED_H_
#define BASE_MEMORY_REF_COUNTED_H_

#include <atomic>
#include <cstddef>
#include <type_traits>
#include <utility>

namespace base {

template <typename T, typename Traits>
class RefCountedThreadSafe;

template <typename T>
struct DefaultRefCountedThreadSafeTraits {
  static void Destruct(const T* x) { RefCountedThreadSafe<T, DefaultRefCountedThreadSafeTraits>::DeleteInternal(x); }
};

// Base for objects shared between threads: the last Release deletes. Derived
// classes keep their destructor private and befriend RefCountedThreadSafe<T>.
template <typename T, typename Traits = DefaultRefCountedThreadSafeTraits<T>>
class RefCountedThreadSafe {
 public:
  void AddRef() const { count_.fetch_add(1, std::memory_order_relaxed); }
  void Release() const {
    if (count_.fetch_sub(1, std::memory_order_acq_rel) == 1)
      Traits::Destruct(static_cast<const T*>(this));
  }
  bool HasOneRef() const { return count_.load(std::memory_order_acquire) == 1; }

 protected:
  RefCountedThreadSafe() = default;
  ~RefCountedThreadSafe() = default;

 private:
  friend struct DefaultRefCountedThreadSafeTraits<T>;
  static void DeleteInternal(const T* x) { delete x; }

  mutable std::atomic<int> count_{0};
};

// Single-thread variant.
template <typename T>
class RefCounted {
 public:
  void AddRef() const { ++count_; }
  void Release() const {
    if (--count_ == 0)
      delete static_cast<const T*>(this);
  }
  bool HasOneRef() const { return count_ == 1; }

 protected:
  RefCounted() = default;
  ~RefCounted() = default;

 private:
  mutable int count_ = 0;
};

// Owns one reference of a ref-counted object.
template <typename T>
class scoped_refptr {
 public:
  using element_type = T;

  scoped_refptr() = default;
  scoped_refptr(std::nullptr_t) {}
  scoped_refptr(T* p) : ptr_(p) {
    if (ptr_)
      ptr_->AddRef();
  }
  scoped_refptr(const scoped_refptr& r) : scoped_refptr(r.ptr_) {}
  template <typename U, typename = std::enable_if_t<std::is_convertible_v<U*, T*>>>
  scoped_refptr(const scoped_refptr<U>& r) : scoped_refptr(r.get()) {}
  scoped_refptr(scoped_refptr&& r) noexcept : ptr_(r.ptr_) { r.ptr_ = nullptr; }
  template <typename U, typename = std::enable_if_t<std::is_convertible_v<U*, T*>>>
  scoped_refptr(scoped_refptr<U>&& r) noexcept : ptr_(r.ptr_) {
    r.ptr_ = nullptr;
  }
  ~scoped_refptr() {
    if (ptr_)
      ptr_->Release();
  }

  scoped_refptr& operator=(scoped_refptr r) noexcept {
    std::swap(ptr_, r.ptr_);
    return *this;
  }
  scoped_refptr& operator=(T* p) { return *this = scoped_refptr(p); }

  T* get() const { return ptr_; }
  T& operator*() const { return *ptr_; }
  T* operator->() const { return ptr_; }
  explicit operator bool() const { return ptr_ != nullptr; }
  void reset() { scoped_refptr().swap(*this); }
  void swap(scoped_refptr& r) noexcept { std::swap(ptr_, r.ptr_); }

  template <typename U>
  bool operator==(const scoped_refptr<U>& r) const { return ptr_ == r.get(); }
  bool operator==(std::nullptr_t) const { return ptr_ == nullptr; }
  bool operator==(const T* p) const { return ptr_ == p; }
  template <typename U>
  bool operator<(const scoped_refptr<U>& r) const { return ptr_ < r.get(); }

 private:
  template <typename U>
  friend class scoped_refptr;
  T* ptr_ = nullptr;
};

template <typename T, typename... Args>
scoped_refptr<T> MakeRefCounted(Args&&... args) {
  return scoped_refptr<T>(new T(std::forward<Args>(args)...));
}

template <typename T>
scoped_refptr<T> WrapRefCounted(T* t) {
  return scoped_refptr<T>(t);
}

}  // namespace base

#endif  // BASE_MEMORY_REF_COUNTED_H_
