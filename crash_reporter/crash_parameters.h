#ifndef CRASH_REPORTER_CRASH_PARAMETERS_H_
#define CRASH_REPORTER_CRASH_PARAMETERS_H_

#include <windows.h>

#include <cstdint>
#include <optional>

#include "crash_reporter/client_keys.h"

namespace crash_reporter {

// The parameters sent with the dump of a crashed client: its keys (but
// "crash_guid" and "ptime"), the times, the memory figures and the
// product's values. `process` may be null.
CrashParameters CollectClientParameters(const CrashParameters& client_keys, HANDLE process);

// The parameters of a crashed reporter (no client keys).
CrashParameters CollectReporterParameters(HANDLE process);

// Startup, crash and install times of `process` as seconds since 1970;
// `process_age_ms` is the client's "ptime" when it sent one. Exposed for
// tests, with `now` given.
void AddCrashTimes(HANDLE process, std::optional<uint64_t> process_age_ms, uint64_t now,
                   CrashParameters* parameters);

// Seconds since 1970 of a FILETIME.
uint64_t FileTimeToUnixSeconds(const FILETIME& time);

}  // namespace crash_reporter

#endif  // CRASH_REPORTER_CRASH_PARAMETERS_H_
