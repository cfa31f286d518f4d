#ifndef DESKTOP_WINDOWS_INSTALLER_UTILS_PROCESS_LAUNCHER_H_
#define DESKTOP_WINDOWS_INSTALLER_UTILS_PROCESS_LAUNCHER_H_

#include <windows.h>

#include "base/files/file_path.h"
#include "base/process/process.h"
#include "base/win/scoped_handle.h"

namespace base {
class CommandLine;
}

// How a child installer process, helper or browser is started.
enum class LaunchStyle {
  // CreateProcess; the child inherits no handle.
  kPlain,
  // ShellExecuteExW with "runas": the system asks for administrator rights.
  kElevated,
  // A batch file, run by the system's cmd without a window, from the
  // batch file's own folder and named there without its folder: no
  // character of the folder's name (a "%", a "^") reaches cmd's command
  // line. No AutoRun command and no delayed expansion ("!") either.
  kHidden,
};

// Starts processes. Process-wide and replaceable, because what matters
// most here - a refused elevation prompt - never happens where every process
// is already elevated (Wine).
class ProcessLauncher {
 public:
  virtual ~ProcessLauncher() = default;

  // The started process, or an invalid one with `*error` (may be null) set
  // to the Windows error: ERROR_CANCELLED when the user refused the prompt.
  virtual base::Process Launch(const base::CommandLine& command_line, LaunchStyle style,
                               DWORD* error) = 0;
  // As kPlain, but the child inherits `inherited` (an inheritable handle)
  // and no other handle.
  virtual base::Process LaunchInheriting(const base::CommandLine& command_line, HANDLE inherited,
                                         DWORD* error) = 0;
};

class ProcessLauncherImpl : public ProcessLauncher {
 public:
  base::Process Launch(const base::CommandLine& command_line, LaunchStyle style,
                       DWORD* error) override;
  base::Process LaunchInheriting(const base::CommandLine& command_line, HANDLE inherited,
                                 DWORD* error) override;
};

// Opens a program that is about to be checked and started, for reading
// and shared for reading only: while the handle lives nobody can change,
// replace or rename the file, so what runs is what was checked. Invalid
// when the file cannot be opened so (missing, or open for writing).
base::win::ScopedHandle OpenProgramForLaunch(const base::FilePath& path);

// The process-wide launcher (a ProcessLauncherImpl unless replaced).
ProcessLauncher* GetProcessLauncher();

// Replaces the process-wide launcher for a test's lifetime.
class ScopedProcessLauncherForTesting {
 public:
  explicit ScopedProcessLauncherForTesting(ProcessLauncher* replacement);
  ~ScopedProcessLauncherForTesting();
  ScopedProcessLauncherForTesting(const ScopedProcessLauncherForTesting&) = delete;
  ScopedProcessLauncherForTesting& operator=(const ScopedProcessLauncherForTesting&) = delete;

 private:
  ProcessLauncher* previous_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_UTILS_PROCESS_LAUNCHER_H_
