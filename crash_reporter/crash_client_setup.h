#ifndef CRASH_REPORTER_CRASH_CLIENT_SETUP_H_
#define CRASH_REPORTER_CRASH_CLIENT_SETUP_H_

#include <windows.h>

#include <string>

// Crash-reporting set-up of an installer process, in the order the entry
// point runs it: DisableExceptionSwallowing; EnsureCrashReporter and, when
// that finds a reporter, InstallCrashHandler; SetInstallerCrashKeys. Every
// failure leaves the process without crash reporting, silently.
namespace base {
class CommandLine;
}

namespace crash_reporter {

inline constexpr DWORD kReporterInitTimeoutMs = 2000;
// A process that asked for a dump without crashing ends with this code once
// the dump is written.
inline constexpr UINT kDumpWithoutCrashingExitCode = 1;

// Keeps exceptions inside window callbacks from being swallowed, where the
// system has the policy functions.
void DisableExceptionSwallowing();

// The reporter to join (switch `crash-reporter-pid` of `command_line`, the
// process's own) or a new one; false when crash reporting is off or no
// reporter came up.
bool EnsureCrashReporter(const base::CommandLine& command_line);

// Names this process's reporter to an installer process it starts: switch
// `crash-reporter-pid`, 0 when there is none (the child then starts its
// own, as without the switch).
void AppendCrashReporterPid(base::CommandLine* command_line);

// Starts this program again, with the switches of `command_line` (the
// process's own), as the reporter of this process and waits up to
// `init_timeout_ms` for it to be ready. Its pid, or 0.
DWORD LaunchCrashReporter(const base::CommandLine& command_line, DWORD init_timeout_ms);

// Connects the exception handler to the known reporter; once connected, a
// dump asked for without a crash (base::debug::DumpWithoutCrashing) is
// written through it and ends the process with exit code 1.
void InstallCrashHandler();
bool IsCrashHandlerInstalled();

void SetInstallerCrashKeys();
// Values of the process-wide keeper; ignored before it exists.
void SetCrashKeyValue(const std::string& key, const std::string& value);
void ClearCrashKey(const std::string& key);

// "0x%04x" of the process's exception policy, or "" when unknown.
std::string GetExceptionPolicyCrashValue();
// "1" or "0", or "" when unknown.
std::string GetWow64CrashValue();

// Replaces the kernel's exception-policy functions, which Wine lacks (null:
// missing); both null again restores the lookup in kernel32.
using GetExceptionPolicyFunction = BOOL(WINAPI*)(LPDWORD);
using SetExceptionPolicyFunction = BOOL(WINAPI*)(DWORD);
void SetExceptionPolicyFunctionsForTesting(GetExceptionPolicyFunction get,
                                           SetExceptionPolicyFunction set);

// How long EnsureCrashReporter waits for a reporter it starts; tests on a
// loaded machine wait longer.
void SetReporterInitTimeoutForTesting(DWORD timeout_ms);

}  // namespace crash_reporter

#endif  // CRASH_REPORTER_CRASH_CLIENT_SETUP_H_
