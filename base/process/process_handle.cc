#include "base/process/process_handle.h"

namespace base {

ProcessId GetCurrentProcId() { return ::GetCurrentProcessId(); }

ProcessHandle GetCurrentProcessHandle() { return ::GetCurrentProcess(); }

ProcessId GetProcId(ProcessHandle process) {
  if (process == kNullProcessHandle || process == INVALID_HANDLE_VALUE) return kNullProcessId;
  return ::GetProcessId(process);
}

}  // namespace base
