#ifndef BASE_PROCESS_LAUNCH_H_
#define BASE_PROCESS_LAUNCH_H_

#include <windows.h>

#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/files/file_path.h"
#include "base/process/process.h"
#include "base/time/time.h"

namespace base {

using HandlesToInheritVector = std::vector<HANDLE>;

struct LaunchOptions {
  enum class Inherit {
    kNone,      // the child inherits nothing (stdio handles below still pass)
    kSpecific,  // only handles_to_inherit and the stdio handles
    kAll,       // every inheritable handle (avoid: leaks handles to the child)
  };

  LaunchOptions();
  LaunchOptions(const LaunchOptions&);
  ~LaunchOptions();

  // No window for the child: SW_HIDE, and no console for console programs.
  bool start_hidden = false;
  Inherit inherit_mode = Inherit::kSpecific;
  // Must be inheritable handles; passed to the child alone.
  HandlesToInheritVector handles_to_inherit;
  // When any is set, the child's standard handles (must be inheritable).
  HANDLE stdin_handle = nullptr;
  HANDLE stdout_handle = nullptr;
  HANDLE stderr_handle = nullptr;
  // Empty: the parent's current folder.
  FilePath current_directory;
  // Leaves a job this process is in (the job must allow it).
  bool force_breakaway_from_job_ = false;
  bool feedback_cursor_off = false;
};

// Starts a child; an invalid Process on failure (logged, last error kept).
Process LaunchProcess(const CommandLine& cmdline, const LaunchOptions& options);
Process LaunchProcess(const std::wstring& cmdline, const LaunchOptions& options);

// Runs a program and collects its standard output (standard input and
// error are NUL). Reading stops when the child has exited and the pipe is
// drained, even if a grandchild still holds the pipe open.
//
// True when the program ran and exited with code 0.
bool GetAppOutput(const CommandLine& cl, std::string* output);
bool GetAppOutput(const std::wstring& cl, std::string* output);
// The same with standard error in the same stream.
bool GetAppOutputAndError(const CommandLine& cl, std::string* output);
// True when the program ran to its end, whatever its exit code.
bool GetAppOutputWithExitCode(const CommandLine& cl, std::string* output, int* exit_code);
// As above, but a child still running after `timeout` is terminated and
// false is returned; `output` then holds what was read until then.
bool GetAppOutputWithTimeout(const std::wstring& cl, std::string* output, TimeDelta timeout,
                             int* exit_code);
bool GetAppOutputWithTimeout(const CommandLine& cl, std::string* output, TimeDelta timeout,
                             int* exit_code);

}  // namespace base

#endif  // BASE_PROCESS_LAUNCH_H_
