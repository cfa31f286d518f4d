#include "desktop/windows/installer/utils/process_launcher.h"

#include <shellapi.h>

#include <string>

#include "base/command_line.h"
#include "base/logging.h"
#include "base/no_destructor.h"
#include "base/process/launch.h"

namespace {

ProcessLauncher* g_replacement = nullptr;

base::Process LaunchElevated(const base::CommandLine& command_line, DWORD* error) {
  const std::wstring file = command_line.GetProgram().value();
  const std::wstring parameters = command_line.GetArgumentsString();
  SHELLEXECUTEINFOW info = {};
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_NOCLOSEPROCESS;
  info.lpVerb = L"runas";
  info.lpFile = file.c_str();
  info.lpParameters = parameters.c_str();
  info.nShow = SW_SHOW;
  if (!ShellExecuteExW(&info)) {
    *error = GetLastError();
    return base::Process();
  }
  if (!info.hProcess) {
    // Started through something that gave no process back: nothing to wait
    // for, so it counts as not started.
    *error = ERROR_INVALID_HANDLE;
    return base::Process();
  }
  return base::Process(info.hProcess);
}

base::Process LaunchWith(const base::CommandLine::StringType& command_line,
                         const base::LaunchOptions& options, DWORD* error) {
  base::Process process = base::LaunchProcess(command_line, options);
  if (!process.IsValid()) {
    *error = GetLastError();
    if (*error == ERROR_SUCCESS)
      *error = ERROR_GEN_FAILURE;
  }
  return process;
}

// The system's cmd.exe running `batch_file` by its name alone. Written out
// whole: cmd's switches are no switches of ours.
std::wstring BatchFileCommandLine(const base::FilePath& batch_file) {
  wchar_t system[MAX_PATH];
  const UINT length = ::GetSystemDirectoryW(system, MAX_PATH);
  const base::FilePath cmd =
      base::FilePath(std::wstring(system, length < MAX_PATH ? length : 0)).Append(L"cmd.exe");
  return L"\"" + cmd.value() + L"\" /d /v:off /c \"" + batch_file.BaseName().value() + L"\"";
}

}  // namespace

base::Process ProcessLauncherImpl::Launch(const base::CommandLine& command_line,
                                          LaunchStyle style, DWORD* error) {
  DWORD ignored = 0;
  if (!error)
    error = &ignored;
  *error = ERROR_SUCCESS;
  if (style == LaunchStyle::kElevated)
    return LaunchElevated(command_line, error);
  base::LaunchOptions options;
  options.inherit_mode = base::LaunchOptions::Inherit::kNone;
  if (style != LaunchStyle::kHidden)
    return LaunchWith(command_line.GetCommandLineString(), options, error);
  options.start_hidden = true;
  options.current_directory = command_line.GetProgram().DirName();
  return LaunchWith(BatchFileCommandLine(command_line.GetProgram()), options, error);
}

base::Process ProcessLauncherImpl::LaunchInheriting(const base::CommandLine& command_line,
                                                    HANDLE inherited, DWORD* error) {
  DWORD ignored = 0;
  if (!error)
    error = &ignored;
  *error = ERROR_SUCCESS;
  base::LaunchOptions options;
  options.inherit_mode = base::LaunchOptions::Inherit::kSpecific;
  options.handles_to_inherit = {inherited};
  return LaunchWith(command_line.GetCommandLineString(), options, error);
}

base::win::ScopedHandle OpenProgramForLaunch(const base::FilePath& path) {
  return base::win::ScopedHandle(::CreateFileW(path.value().c_str(), GENERIC_READ,
                                               FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                               FILE_ATTRIBUTE_NORMAL, nullptr));
}

ProcessLauncher* GetProcessLauncher() {
  if (g_replacement)
    return g_replacement;
  static base::NoDestructor<ProcessLauncherImpl> launcher;
  return launcher.get();
}

ScopedProcessLauncherForTesting::ScopedProcessLauncherForTesting(ProcessLauncher* replacement)
    : previous_(g_replacement) {
  g_replacement = replacement;
}

ScopedProcessLauncherForTesting::~ScopedProcessLauncherForTesting() {
  g_replacement = previous_;
}
