#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_IN_PAGE_ERROR_GUARD_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_IN_PAGE_ERROR_GUARD_H_

#include <windows.h>

#include <cstdint>

// Runs a function and turns a failed page read inside one memory range (a
// mapped file whose backing store failed) into a return value instead of a
// crash. GCC has no __try, so a vectored exception handler, which acts only
// on threads inside Run, resumes execution at the point where the guard was
// entered. Guards nest: a fault outside the inner range goes to the outer
// guards of the same thread, innermost first.
//
// Both EXCEPTION_IN_PAGE_ERROR and an access violation are accepted when the
// faulting address lies inside the range: Wine reports a failed page of a
// mapped file as the latter. Any other exception is left to the next
// handler.
//
// Nothing in the guarded function may own resources that need a destructor
// or a release: when a fault is caught the stack is abandoned, not unwound.
class InPageErrorGuard {
 public:
  // Answers whether `address` belongs to the guarded range. Queried at
  // fault time, so the range may come and go while the function runs.
  using RangeCheck = bool (*)(const void* context, const void* address);
  using GuardedFunction = void (*)(void* argument);

  InPageErrorGuard(RangeCheck range_check, const void* range_context);
  InPageErrorGuard(const InPageErrorGuard&) = delete;
  InPageErrorGuard& operator=(const InPageErrorGuard&) = delete;
  ~InPageErrorGuard();

  // Runs `function(argument)`. True when it returned normally; false when a
  // fault inside the range ended it, with the page-read status (or the
  // exception code when the system gave none) in `fault_status()`.
  bool Run(GuardedFunction function, void* argument);

  uint32_t fault_status() const { return fault_status_; }

 private:
  static LONG CALLBACK Handler(EXCEPTION_POINTERS* pointers);
  [[noreturn]] static void ResumeAfterFault();

  RangeCheck range_check_;
  const void* range_context_;
  uint32_t fault_status_ = 0;
  void* jump_buffer_[5] = {};
  InPageErrorGuard* outer_ = nullptr;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_IN_PAGE_ERROR_GUARD_H_
