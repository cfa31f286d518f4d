#ifndef CRASH_REPORTER_CRASH_IN_REPORTER_H_
#define CRASH_REPORTER_CRASH_IN_REPORTER_H_

#include <windows.h>

#include <cstdint>
#include <string>

#include "crash_reporter/crash_generation_protocol.h"

// A crash of the reporter itself: its handlers start a second reporter,
// which reads the crash-information block from the first, dumps and
// uploads it, at most once every 3 days.
namespace base {
class CommandLine;
}

namespace crash_reporter {

inline constexpr int64_t kReporterDumpSizeCap = 512000;
inline constexpr DWORD kExceptionEventTimeoutMs = 20000;
inline constexpr wchar_t kLastCrashValueName[] = L"Last crash in crash reporter";

// Arms the handling, once: the relaunch command line, the exception event
// and the three handlers.
void InstallCrashInReporterHandlers();

// The second reporter's main (switch `crash-reporter-exception-info` of
// `command_line`, the process's own).
int RunCrashInCrashReporterMode(const base::CommandLine& command_line);

// The handlers, callable directly: under Wine the CRT never calls the
// invalid-parameter and pure-call hooks.
LONG WINAPI CrashInReporterExceptionFilter(EXCEPTION_POINTERS* pointers);
void CrashInReporterInvalidParameter(const wchar_t* expression, const wchar_t* function,
                                     const wchar_t* file, unsigned int line, uintptr_t reserved);
void CrashInReporterPureCall();

// Whether a reporter crash may be reported: 3 days since the last report
// (FILETIMEs, UTC), or a last report in the future.
bool IsLastReporterCrashExpired(uint64_t last, uint64_t now);

// Replaces the reporter dump's size cap (0: the normal one); a test
// program's dump is larger than the installer's.
void SetReporterDumpSizeCapForTesting(int64_t cap);

// Replaces how long a crashed reporter waits for the second one to have
// read it (0: kExceptionEventTimeoutMs); a test program on a loaded machine
// starts slower than the installer.
void SetExceptionEventTimeoutForTesting(DWORD timeout_ms);

// Arguments added to the relaunch command line (tests start their own
// helper role).
void SetCrashInReporterRelaunchArgumentsForTesting(const std::wstring& arguments);

}  // namespace crash_reporter

#endif  // CRASH_REPORTER_CRASH_IN_REPORTER_H_
