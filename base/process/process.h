#ifndef BASE_PROCESS_PROCESS_H_
#define BASE_PROCESS_PROCESS_H_

#include <windows.h>

#include "base/process/process_handle.h"
#include "base/time/time.h"
#include "base/win/scoped_handle.h"

namespace base {

// Owns a process handle. Moving transfers it; Duplicate() makes a second
// handle to the same process.
class Process {
 public:
  // Takes ownership of `handle`. INVALID_HANDLE_VALUE (which is also the
  // pseudo handle of this process) gives an invalid Process.
  explicit Process(ProcessHandle handle = kNullProcessHandle);
  Process(Process&& other) noexcept;
  Process& operator=(Process&& other) noexcept;
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;
  ~Process();

  static Process Current();
  // With the rights to wait, terminate and read the exit code.
  static Process Open(ProcessId pid);
  static Process OpenWithAccess(ProcessId pid, DWORD desired_access);
  // Duplicates a handle the caller keeps owning.
  static Process DeprecatedGetProcessFromHandle(ProcessHandle handle);

  bool IsValid() const;
  ProcessHandle Handle() const;
  Process Duplicate() const;
  ProcessId Pid() const;
  bool is_current() const { return is_current_process_; }
  void Close();

  // Ends the process with `exit_code`; with `wait`, waits (at most a
  // minute) until it has really gone. True if it is gone or going.
  bool Terminate(int exit_code, bool wait) const;

  // False when the process has not ended within `timeout`. `exit_code` may
  // be null.
  bool WaitForExitWithTimeout(TimeDelta timeout, int* exit_code) const;

 private:
  win::ScopedHandle process_;
  bool is_current_process_ = false;
};

}  // namespace base

#endif  // BASE_PROCESS_PROCESS_H_
