#ifndef BASE_DEBUG_DUMP_WITHOUT_CRASHING_H_
#define BASE_DEBUG_DUMP_WITHOUT_CRASHING_H_

#include <windows.h>

namespace base {
namespace debug {

// What the crash handling of the process does with a dump asked for
// without a crash. Set once the process hands its crashes to a reporter.
using DumpWithoutCrashingFunction = void (*)(EXCEPTION_POINTERS* pointers);

// Replaces the function; null takes it away.
void SetDumpWithoutCrashingFunction(DumpWithoutCrashingFunction function);

// Hands `pointers` to the function set; null pointers stand for the
// caller's own state at this call (an exception record with the code
// EXCEPTION_BREAKPOINT and the current context). False, doing nothing,
// when no function is set. The crash handling decides what happens to the
// process afterwards.
bool DumpWithoutCrashing(EXCEPTION_POINTERS* pointers = nullptr);

}  // namespace debug
}  // namespace base

#endif  // BASE_DEBUG_DUMP_WITHOUT_CRASHING_H_
