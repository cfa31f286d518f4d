#ifndef DESKTOP_WINDOWS_INSTALLER_INSTALLER_LOGGING_H_
#define DESKTOP_WINDOWS_INSTALLER_INSTALLER_LOGGING_H_

#include <string>

#include "base/time/time.h"

namespace base {
class CommandLine;
class FilePath;
}  // namespace base

inline constexpr char kVerbosityVariable[] = "TARVO_INSTALLER_VERBOSITY";

// Adds switch "v" from the verbosity variable when the switch is absent and
// the whole value is an integer from 0 to 9.
void ApplyVerbosityFromEnvironment(base::CommandLine* command_line);

// "<product name, lower case>_installer_YYYYMMDDhhmmssmmm.log".
std::wstring GetLogFileName(const base::Time::Exploded& start_time);

// The log file in the temporary folder's "<product> Installer" subfolder, or
// the bare name (current directory) when that folder cannot be made.
base::FilePath GetLogFilePath(const base::Time::Exploded& start_time);

// Logs to that file only, replacing an existing one.
bool InitInstallerLogging(const base::CommandLine& command_line, const base::FilePath& log_file);

#endif  // DESKTOP_WINDOWS_INSTALLER_INSTALLER_LOGGING_H_
