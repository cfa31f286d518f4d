#ifndef BASE_PROCESS_PROCESS_HANDLE_H_
#define BASE_PROCESS_PROCESS_HANDLE_H_

#include <windows.h>

namespace base {

using ProcessHandle = HANDLE;
using ProcessId = DWORD;
constexpr ProcessHandle kNullProcessHandle = nullptr;
constexpr ProcessId kNullProcessId = 0;

ProcessId GetCurrentProcId();
// The pseudo handle of this process (never needs closing).
ProcessHandle GetCurrentProcessHandle();
// kNullProcessId when the handle lacks the right to ask.
ProcessId GetProcId(ProcessHandle process);

}  // namespace base

#endif  // BASE_PROCESS_PROCESS_HANDLE_H_
