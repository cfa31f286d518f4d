#ifndef BASE_WIN_SCOPED_HANDLE_H_
#define BASE_WIN_SCOPED_HANDLE_H_

#include <windows.h>

#include <utility>

namespace base {
namespace win {

// Owns a handle described by |Traits| (Handle type, CloseHandle,
// IsHandleValid, NullHandle) and closes it on destruction.
template <class Traits>
class GenericScopedHandle {
 public:
  using Handle = typename Traits::Handle;

  GenericScopedHandle() : handle_(Traits::NullHandle()) {}
  explicit GenericScopedHandle(Handle handle) : handle_(Traits::NullHandle()) { Set(handle); }
  GenericScopedHandle(GenericScopedHandle&& other) noexcept : handle_(other.Take()) {}
  GenericScopedHandle& operator=(GenericScopedHandle&& other) noexcept {
    if (this != &other)
      Set(other.Take());
    return *this;
  }
  GenericScopedHandle(const GenericScopedHandle&) = delete;
  GenericScopedHandle& operator=(const GenericScopedHandle&) = delete;
  ~GenericScopedHandle() { Close(); }

  bool IsValid() const { return Traits::IsHandleValid(handle_); }
  bool is_valid() const { return IsValid(); }

  // Takes ownership of |handle|, closing the one held before. An invalid
  // value leaves the object empty.
  void Set(Handle handle) {
    if (handle_ != handle) {
      Close();
      if (Traits::IsHandleValid(handle))
        handle_ = handle;
    }
  }

  Handle Get() const { return handle_; }
  Handle get() const { return handle_; }

  // Gives the handle up without closing it.
  [[nodiscard]] Handle Take() { return std::exchange(handle_, Traits::NullHandle()); }

  void Close() {
    if (Traits::IsHandleValid(handle_))
      Traits::CloseHandle(handle_);
    handle_ = Traits::NullHandle();
  }

 private:
  Handle handle_;
};

// Kernel object handles: both NULL and INVALID_HANDLE_VALUE mean "none".
class HandleTraits {
 public:
  using Handle = HANDLE;
  static bool CloseHandle(HANDLE handle) { return ::CloseHandle(handle) != FALSE; }
  static bool IsHandleValid(HANDLE handle) {
    return handle != nullptr && handle != INVALID_HANDLE_VALUE;
  }
  static HANDLE NullHandle() { return nullptr; }
};

using ScopedHandle = GenericScopedHandle<HandleTraits>;

// Handles from FindFirstFileW.
class FindFileHandleTraits {
 public:
  using Handle = HANDLE;
  static bool CloseHandle(HANDLE handle) { return ::FindClose(handle) != FALSE; }
  static bool IsHandleValid(HANDLE handle) {
    return handle != nullptr && handle != INVALID_HANDLE_VALUE;
  }
  static HANDLE NullHandle() { return nullptr; }
};

using ScopedFindFileHandle = GenericScopedHandle<FindFileHandleTraits>;

}  // namespace win
}  // namespace base

#endif  // BASE_WIN_SCOPED_HANDLE_H_
