#include "desktop/windows/installer/lzma_util/in_page_error_guard.h"

#include <mutex>

#include "base/logging.h"

namespace {

// The innermost guard inside Run on this thread.
thread_local InPageErrorGuard* g_active_guard = nullptr;
// The guard a caught fault is resuming into.
thread_local InPageErrorGuard* g_resuming_guard = nullptr;

}  // namespace

InPageErrorGuard::InPageErrorGuard(RangeCheck range_check, const void* range_context)
    : range_check_(range_check), range_context_(range_context) {}

InPageErrorGuard::~InPageErrorGuard() = default;

bool InPageErrorGuard::Run(GuardedFunction function, void* argument) {
  // One handler for the process: a fault that abandons an inner Run leaves
  // nothing registered behind.
  static std::once_flag registered;
  std::call_once(registered, [] {
    if (!AddVectoredExceptionHandler(1, &InPageErrorGuard::Handler))
      PLOG(ERROR) << "AddVectoredExceptionHandler failed; page faults stay fatal";
  });

  fault_status_ = 0;
  outer_ = g_active_guard;
  g_active_guard = this;
  bool completed = true;
  if (__builtin_setjmp(jump_buffer_) == 0) {
    function(argument);
  } else {
    completed = false;
  }
  g_active_guard = outer_;
  return completed;
}

// static
LONG CALLBACK InPageErrorGuard::Handler(EXCEPTION_POINTERS* pointers) {
  const EXCEPTION_RECORD* record = pointers->ExceptionRecord;
  if (!g_active_guard || !record)
    return EXCEPTION_CONTINUE_SEARCH;
  const DWORD code = record->ExceptionCode;
  if ((code != EXCEPTION_IN_PAGE_ERROR && code != EXCEPTION_ACCESS_VIOLATION) ||
      record->NumberParameters < 2) {
    return EXCEPTION_CONTINUE_SEARCH;
  }
  const void* address = reinterpret_cast<const void*>(record->ExceptionInformation[1]);
  InPageErrorGuard* guard = g_active_guard;
  while (guard && !guard->range_check_(guard->range_context_, address))
    guard = guard->outer_;
  if (!guard)
    return EXCEPTION_CONTINUE_SEARCH;

  guard->fault_status_ = (code == EXCEPTION_IN_PAGE_ERROR && record->NumberParameters >= 3)
                             ? static_cast<uint32_t>(record->ExceptionInformation[2])
                             : static_cast<uint32_t>(code);
  g_resuming_guard = guard;
  // Resume in a function that jumps back into Run, on an aligned stack below
  // the faulting frame (as if called: 8 bytes for a return address).
  CONTEXT* context = pointers->ContextRecord;
  context->Rsp = (context->Rsp & ~static_cast<DWORD64>(15)) - 8;
  context->Rip = reinterpret_cast<DWORD64>(&InPageErrorGuard::ResumeAfterFault);
  return EXCEPTION_CONTINUE_EXECUTION;
}

// static
void InPageErrorGuard::ResumeAfterFault() {
  __builtin_longjmp(g_resuming_guard->jump_buffer_, 1);
}
