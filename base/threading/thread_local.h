#ifndef BASE_THREADING_THREAD_LOCAL_H_
#define BASE_THREADING_THREAD_LOCAL_H_

#include <windows.h>

namespace base {

// A pointer with one value per thread; nothing is deleted when a thread ends.
template <typename T>
class ThreadLocalPointer {
 public:
  ThreadLocalPointer() : slot_(TlsAlloc()) {}
  ~ThreadLocalPointer() {
    if (slot_ != TLS_OUT_OF_INDEXES)
      TlsFree(slot_);
  }
  ThreadLocalPointer(const ThreadLocalPointer&) = delete;
  ThreadLocalPointer& operator=(const ThreadLocalPointer&) = delete;

  T* Get() const {
    return slot_ == TLS_OUT_OF_INDEXES ? nullptr : static_cast<T*>(TlsGetValue(slot_));
  }
  void Set(T* ptr) {
    if (slot_ != TLS_OUT_OF_INDEXES)
      TlsSetValue(slot_, const_cast<void*>(static_cast<const void*>(ptr)));
  }

 private:
  DWORD slot_;
};

class ThreadLocalBoolean {
 public:
  ThreadLocalBoolean() = default;
  ThreadLocalBoolean(const ThreadLocalBoolean&) = delete;
  ThreadLocalBoolean& operator=(const ThreadLocalBoolean&) = delete;

  bool Get() const { return tlp_.Get() != nullptr; }
  void Set(bool value) { tlp_.Set(value ? this : nullptr); }

 private:
  ThreadLocalPointer<void> tlp_;
};

}  // namespace base

#endif  // BASE_THREADING_THREAD_LOCAL_H_
