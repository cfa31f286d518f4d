#ifndef CRASH_REPORTER_CRASH_REPORTER_SWITCHES_H_
#define CRASH_REPORTER_CRASH_REPORTER_SWITCHES_H_

namespace crash_reporter {
namespace switches {

// Makes the process the reporter of the process with this id.
inline constexpr char kCrashReporterParentId[] = "crash-reporter-parent-id";
// The reporter to join, for processes started by an installer process.
inline constexpr char kCrashReporterPid[] = "crash-reporter-pid";
// Address of the crash-information block of a crashed reporter.
inline constexpr char kCrashReporterExceptionInfo[] = "crash-reporter-exception-info";
inline constexpr char kUserDataDir[] = "user-data-dir";

}  // namespace switches
}  // namespace crash_reporter

#endif  // CRASH_REPORTER_CRASH_REPORTER_SWITCHES_H_
