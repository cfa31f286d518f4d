#include "base/process/process.h"

#include <utility>

#include "base/logging.h"

namespace base {

namespace {
constexpr DWORD kBasicProcessAccess = PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION | SYNCHRONIZE;
}

// GetCurrentProcess()'s pseudo handle equals INVALID_HANDLE_VALUE, so it
// is taken as "no process" here; Process::Current() stands for this one.
// Otherwise a failed open could end up terminating ourselves.
Process::Process(ProcessHandle handle) : process_(handle) {}

Process::Process(Process&& other) noexcept
    : process_(std::move(other.process_)), is_current_process_(other.is_current_process_) {
  other.is_current_process_ = false;
}

Process& Process::operator=(Process&& other) noexcept {
  process_ = std::move(other.process_);
  is_current_process_ = other.is_current_process_;
  other.is_current_process_ = false;
  return *this;
}

Process::~Process() = default;

Process Process::Current() {
  Process process;
  process.is_current_process_ = true;
  return process;
}

Process Process::Open(ProcessId pid) { return OpenWithAccess(pid, kBasicProcessAccess); }

Process Process::OpenWithAccess(ProcessId pid, DWORD desired_access) {
  if (pid == ::GetCurrentProcessId()) return Current();
  return Process(::OpenProcess(desired_access, FALSE, pid));
}

Process Process::DeprecatedGetProcessFromHandle(ProcessHandle handle) {
  if (handle == ::GetCurrentProcess()) return Current();
  HANDLE duplicate = nullptr;
  if (!::DuplicateHandle(::GetCurrentProcess(), handle, ::GetCurrentProcess(), &duplicate, 0,
                         FALSE, DUPLICATE_SAME_ACCESS))
    return Process();
  return Process(duplicate);
}

bool Process::IsValid() const { return process_.IsValid() || is_current_process_; }

ProcessHandle Process::Handle() const {
  return is_current_process_ ? ::GetCurrentProcess() : process_.Get();
}

Process Process::Duplicate() const {
  if (is_current_process_) return Current();
  if (!process_.IsValid()) return Process();
  return DeprecatedGetProcessFromHandle(process_.Get());
}

ProcessId Process::Pid() const {
  if (!IsValid()) return kNullProcessId;
  return GetProcId(Handle());
}

void Process::Close() {
  is_current_process_ = false;
  process_.Close();
}

bool Process::Terminate(int exit_code, bool wait) const {
  if (!IsValid()) return false;
  bool result = ::TerminateProcess(Handle(), static_cast<UINT>(exit_code)) != FALSE;
  if (result && wait) {
    if (::WaitForSingleObject(Handle(), 60 * 1000) != WAIT_OBJECT_0)
      DPLOG(ERROR) << "Error waiting for process exit";
  } else if (!result) {
    // Already gone counts as success.
    const DWORD error = ::GetLastError();
    DWORD code = 0;
    if (error == ERROR_ACCESS_DENIED && ::GetExitCodeProcess(Handle(), &code) &&
        code != STILL_ACTIVE)
      result = true;
    else
      DPLOG(ERROR) << "Unable to terminate process";
  }
  return result;
}

bool Process::WaitForExitWithTimeout(TimeDelta timeout, int* exit_code) const {
  if (!IsValid()) return false;
  DWORD ms = INFINITE;
  if (!timeout.is_max()) {
    const int64_t value = timeout.InMillisecondsRoundedUp();
    ms = value <= 0 ? 0 : (value >= INFINITE ? INFINITE - 1 : static_cast<DWORD>(value));
  }
  if (::WaitForSingleObject(Handle(), ms) != WAIT_OBJECT_0) return false;
  DWORD code = 0;
  if (!::GetExitCodeProcess(Handle(), &code)) return false;
  if (exit_code) *exit_code = static_cast<int>(code);
  return true;
}

}  // namespace base
