#ifndef CRASH_REPORTER_CRASH_PATHS_H_
#define CRASH_REPORTER_CRASH_PATHS_H_

// Path-service keys of crash reporting. The installer registers no
// provider for them: without an override (the `user-data-dir` switch, the
// dump variable, a test) they are not found.
namespace crash_reporter {

enum CrashPathKey {
  DIR_USER_DATA = 2000,
  DIR_CRASH_DUMPS = 2001,
  FILE_CRASH_COUNTERS = 2013,
  FILE_CRASH_PREFERENCES = 2014,
};

}  // namespace crash_reporter

#endif  // CRASH_REPORTER_CRASH_PATHS_H_
