#include "base/debug/dump_without_crashing.h"

#include <atomic>

namespace base {
namespace debug {
namespace {

std::atomic<DumpWithoutCrashingFunction> g_function{nullptr};

}  // namespace

void SetDumpWithoutCrashingFunction(DumpWithoutCrashingFunction function) {
  g_function.store(function);
}

bool DumpWithoutCrashing(EXCEPTION_POINTERS* pointers) {
  DumpWithoutCrashingFunction function = g_function.load();
  if (!function)
    return false;
  if (pointers) {
    function(pointers);
    return true;
  }
  CONTEXT context = {};
  RtlCaptureContext(&context);
  EXCEPTION_RECORD record = {};
  record.ExceptionCode = EXCEPTION_BREAKPOINT;
  record.ExceptionAddress = reinterpret_cast<void*>(context.Rip);
  EXCEPTION_POINTERS own = {&record, &context};
  function(&own);
  return true;
}

}  // namespace debug
}  // namespace base
