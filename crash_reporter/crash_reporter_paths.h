#ifndef CRASH_REPORTER_CRASH_REPORTER_PATHS_H_
#define CRASH_REPORTER_CRASH_REPORTER_PATHS_H_

#include "base/files/file_path.h"

namespace base {
class CommandLine;
}

namespace crash_reporter {

// Where the reporter keeps its files. Empty paths are unknown.
struct CrashReporterPaths {
  base::FilePath dump_directory;
  base::FilePath count_file;
  base::FilePath preferences;
};

// The `user-data-dir` switch of `command_line` (which moves the user-data
// folder), the crash client's counters file, the path service's
// preferences file, and the dump folder: the client's dump folder (the dump
// variable's) when it can be made, else the temporary folder. False only
// when no dump folder is found.
bool InitCrashReporterPaths(const base::CommandLine& command_line, CrashReporterPaths* paths);

// Consent starts on; the preferences' boolean
// "user_experience_metrics.reporting_enabled" decides when present.
bool ReadCrashReportingConsent(const base::FilePath& preferences);

}  // namespace crash_reporter

#endif  // CRASH_REPORTER_CRASH_REPORTER_PATHS_H_
