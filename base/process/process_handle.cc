#include "base/process/process_handle.h"

namespace base {

ProcessId GetCurrentProcId() { return ::GetCurrentProcessId(); }

ProcessHandle GetCurrentProcessHandle() { return ::GetCurrentProcess(); }

ProcessId GetProcId(ProcessHandle process) {
  // INVALID_HANDLE_VALUE is also the pseudo handle of this process.
  if (process == kNullProcessHandle) return kNullProcessId;
  return ::GetProcessId(process);
}

}  // namespace base
