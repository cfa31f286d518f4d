#ifndef BASE_WIN_SCOPED_CO_MEM_H_
#define BASE_WIN_SCOPED_CO_MEM_H_

#include <windows.h>

#include <objbase.h>

namespace base {
namespace win {

// Owns memory from CoTaskMemAlloc, such as the strings that shell functions
// return through an out parameter: SHGetKnownFolderPath(..., &path).
template <typename T>
class ScopedCoMem {
 public:
  ScopedCoMem() = default;
  ScopedCoMem(const ScopedCoMem&) = delete;
  ScopedCoMem& operator=(const ScopedCoMem&) = delete;
  ~ScopedCoMem() { Reset(nullptr); }

  // For use as an out parameter; the memory held before is freed.
  T** operator&() {
    Reset(nullptr);
    return &mem_ptr_;
  }
  operator T*() const { return mem_ptr_; }
  T* operator->() { return mem_ptr_; }
  const T* operator->() const { return mem_ptr_; }
  T* get() const { return mem_ptr_; }

  void Reset(T* ptr) {
    if (mem_ptr_)
      CoTaskMemFree(mem_ptr_);
    mem_ptr_ = ptr;
  }

 private:
  T* mem_ptr_ = nullptr;
};

}  // namespace win
}  // namespace base

#endif  // BASE_WIN_SCOPED_CO_MEM_H_
