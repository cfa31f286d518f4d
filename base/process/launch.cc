#include "base/process/launch.h"

#include <algorithm>
#include <memory>

#include "base/logging.h"
#include "base/win/scoped_handle.h"

namespace base {

namespace {

// Owns an initialised PROC_THREAD_ATTRIBUTE_LIST holding a handle list.
class HandleListAttribute {
 public:
  HandleListAttribute() = default;
  HandleListAttribute(const HandleListAttribute&) = delete;
  HandleListAttribute& operator=(const HandleListAttribute&) = delete;
  ~HandleListAttribute() {
    if (list_) ::DeleteProcThreadAttributeList(list_);
  }

  bool Init(const std::vector<HANDLE>& handles) {
    handles_ = handles;
    SIZE_T size = 0;
    ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    buffer_ = std::make_unique<char[]>(size);
    auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(buffer_.get());
    if (!::InitializeProcThreadAttributeList(list, 1, 0, &size)) return false;
    list_ = list;
    return ::UpdateProcThreadAttribute(list_, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST,
                                       handles_.data(), handles_.size() * sizeof(HANDLE),
                                       nullptr, nullptr) != FALSE;
  }

  LPPROC_THREAD_ATTRIBUTE_LIST get() const { return list_; }

 private:
  std::vector<HANDLE> handles_;  // must outlive the list
  std::unique_ptr<char[]> buffer_;
  LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
};

bool IsRealHandle(HANDLE handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }

win::ScopedHandle OpenNulDevice(DWORD access) {
  SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, TRUE};
  return win::ScopedHandle(::CreateFileW(L"NUL", access, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                                         OPEN_EXISTING, 0, nullptr));
}

enum class OutputMode { kStdoutOnly, kStdoutAndStderr };

// Appends up to |available| bytes from |pipe| to |output|; false when the
// read fails or brings nothing.
bool ReadAvailable(HANDLE pipe, DWORD available, std::string* output) {
  char buffer[4096];
  DWORD read = 0;
  if (!::ReadFile(pipe, buffer, std::min<DWORD>(available, static_cast<DWORD>(sizeof(buffer))),
                  &read, nullptr) ||
      read == 0)
    return false;
  output->append(buffer, read);
  return true;
}

// Reads the child's output until it has exited and the pipe is empty, or
// until `timeout` (then the child is terminated). Never blocks on the
// pipe itself: a grandchild holding the write end would keep it open.
bool RunAndCollect(const std::wstring& cmdline, OutputMode mode, std::string* output,
                   TimeDelta timeout, int* exit_code) {
  output->clear();
  SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, TRUE};
  HANDLE read_raw = nullptr;
  HANDLE write_raw = nullptr;
  if (!::CreatePipe(&read_raw, &write_raw, &sa, 0)) {
    PLOG(ERROR) << "CreatePipe failed";
    return false;
  }
  win::ScopedHandle read_pipe(read_raw);
  win::ScopedHandle write_pipe(write_raw);
  ::SetHandleInformation(read_pipe.Get(), HANDLE_FLAG_INHERIT, 0);
  win::ScopedHandle nul_in = OpenNulDevice(GENERIC_READ);
  win::ScopedHandle nul_err = OpenNulDevice(GENERIC_WRITE);

  LaunchOptions options;
  options.start_hidden = true;
  options.stdin_handle = nul_in.Get();
  options.stdout_handle = write_pipe.Get();
  options.stderr_handle = mode == OutputMode::kStdoutAndStderr ? write_pipe.Get() : nul_err.Get();
  Process process = LaunchProcess(cmdline, options);
  // Our copy of the write end must go, or the pipe never breaks.
  write_pipe.Close();
  if (!process.IsValid()) return false;

  const TimeTicks deadline =
      timeout.is_max() ? TimeTicks::Max() : TimeTicks::Now() + timeout;
  bool exited = false;
  bool timed_out = false;
  while (true) {
    if (TimeTicks::Now() >= deadline) {
      timed_out = true;
      process.Terminate(1, true);
      break;
    }
    DWORD available = 0;
    if (!::PeekNamedPipe(read_pipe.Get(), nullptr, 0, nullptr, &available, nullptr))
      break;  // every writer is gone
    if (available > 0) {
      if (!ReadAvailable(read_pipe.Get(), available, output)) break;
      continue;
    }
    if (exited) break;  // exited and drained
    // Poll: wake at once when the child exits, else look again soon. A
    // child that cannot be waited on (WAIT_FAILED) must not make this spin.
    const DWORD wait = ::WaitForSingleObject(process.Handle(), 10);
    if (wait == WAIT_OBJECT_0)
      exited = true;
    else if (wait == WAIT_FAILED)
      ::Sleep(10);
  }
  if (timed_out) {
    // Keep what the child wrote before it was stopped.
    DWORD available = 0;
    while (::PeekNamedPipe(read_pipe.Get(), nullptr, 0, nullptr, &available, nullptr) &&
           available > 0) {
      if (!ReadAvailable(read_pipe.Get(), available, output)) break;
    }
    LOG(WARNING) << "Terminated a child that ran longer than " << timeout.InMilliseconds()
                 << " ms";
    return false;
  }
  // The pipe may break before the exit is visible: wait for it, within
  // what is left of the time limit.
  if (!process.WaitForExitWithTimeout(
          timeout.is_max() ? TimeDelta::Max() : std::max(deadline - TimeTicks::Now(), TimeDelta()),
          exit_code)) {
    process.Terminate(1, true);
    return false;
  }
  return true;
}

}  // namespace

LaunchOptions::LaunchOptions() = default;
LaunchOptions::LaunchOptions(const LaunchOptions&) = default;
LaunchOptions::~LaunchOptions() = default;

Process LaunchProcess(const CommandLine& cmdline, const LaunchOptions& options) {
  return LaunchProcess(cmdline.GetCommandLineString(), options);
}

Process LaunchProcess(const std::wstring& cmdline, const LaunchOptions& options) {
  STARTUPINFOEXW startup_info = {};
  startup_info.StartupInfo.cb = sizeof(startup_info);
  DWORD flags = CREATE_UNICODE_ENVIRONMENT;
  if (options.start_hidden) {
    startup_info.StartupInfo.dwFlags |= STARTF_USESHOWWINDOW;
    startup_info.StartupInfo.wShowWindow = SW_HIDE;
    flags |= CREATE_NO_WINDOW;
  }
  if (options.feedback_cursor_off) startup_info.StartupInfo.dwFlags |= STARTF_FORCEOFFFEEDBACK;
  if (options.force_breakaway_from_job_) flags |= CREATE_BREAKAWAY_FROM_JOB;

  const bool use_stdio =
      options.stdin_handle || options.stdout_handle || options.stderr_handle;
  if (use_stdio) {
    startup_info.StartupInfo.dwFlags |= STARTF_USESTDHANDLES;
    startup_info.StartupInfo.hStdInput = options.stdin_handle;
    startup_info.StartupInfo.hStdOutput = options.stdout_handle;
    startup_info.StartupInfo.hStdError = options.stderr_handle;
  }

  BOOL inherit = FALSE;
  HandleListAttribute attribute;
  if (options.inherit_mode == LaunchOptions::Inherit::kAll) {
    inherit = TRUE;
  } else {
    std::vector<HANDLE> handles;
    if (options.inherit_mode == LaunchOptions::Inherit::kSpecific)
      handles = options.handles_to_inherit;
    for (HANDLE h : {options.stdin_handle, options.stdout_handle, options.stderr_handle})
      handles.push_back(h);
    // The list may hold no duplicates nor pseudo handles.
    handles.erase(std::remove_if(handles.begin(), handles.end(),
                                 [](HANDLE h) { return !IsRealHandle(h); }),
                  handles.end());
    std::sort(handles.begin(), handles.end());
    handles.erase(std::unique(handles.begin(), handles.end()), handles.end());
    if (!handles.empty()) {
      if (!attribute.Init(handles)) {
        PLOG(ERROR) << "Could not set up the handle list";
        return Process();
      }
      startup_info.lpAttributeList = attribute.get();
      flags |= EXTENDED_STARTUPINFO_PRESENT;
      inherit = TRUE;
    }
  }

  std::wstring writable_cmdline = cmdline;
  PROCESS_INFORMATION process_info = {};
  const wchar_t* directory =
      options.current_directory.empty() ? nullptr : options.current_directory.value().c_str();
  if (!::CreateProcessW(nullptr, writable_cmdline.data(), nullptr, nullptr, inherit, flags,
                        nullptr, directory, &startup_info.StartupInfo, &process_info)) {
    const DWORD error = ::GetLastError();
    PLOG(ERROR) << "Failed to start process " << cmdline;
    ::SetLastError(error);
    return Process();
  }
  ::CloseHandle(process_info.hThread);
  return Process(process_info.hProcess);
}

bool GetAppOutput(const CommandLine& cl, std::string* output) {
  return GetAppOutput(cl.GetCommandLineString(), output);
}

bool GetAppOutput(const std::wstring& cl, std::string* output) {
  int exit_code = -1;
  return RunAndCollect(cl, OutputMode::kStdoutOnly, output, TimeDelta::Max(), &exit_code) &&
         exit_code == 0;
}

bool GetAppOutputAndError(const CommandLine& cl, std::string* output) {
  int exit_code = -1;
  return RunAndCollect(cl.GetCommandLineString(), OutputMode::kStdoutAndStderr, output,
                       TimeDelta::Max(), &exit_code) &&
         exit_code == 0;
}

bool GetAppOutputWithExitCode(const CommandLine& cl, std::string* output, int* exit_code) {
  return RunAndCollect(cl.GetCommandLineString(), OutputMode::kStdoutOnly, output,
                       TimeDelta::Max(), exit_code);
}

bool GetAppOutputWithTimeout(const std::wstring& cl, std::string* output, TimeDelta timeout,
                             int* exit_code) {
  return RunAndCollect(cl, OutputMode::kStdoutOnly, output, timeout, exit_code);
}

bool GetAppOutputWithTimeout(const CommandLine& cl, std::string* output, TimeDelta timeout,
                             int* exit_code) {
  return GetAppOutputWithTimeout(cl.GetCommandLineString(), output, timeout, exit_code);
}

}  // namespace base
